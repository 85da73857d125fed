// Logbook pages on the shipped layouts: the fields, the sides and margins, the chart, layouts
// that cannot be printed, the PDF from the command line, and the print and preview commands.
#include "DiveTexts.h"
#include "Globals.h"
#include "JobProgress.h"
#include "PrintEngine.h"
#include "RecordingSurface.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "frmLogList.h"
#include "modDiveCalc.h"
#include "modLogPrint.h"
#include "modSubroutines.h"

#include <QAbstractButton>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTreeView>
#include <QtTest>

namespace {
constexpr double kMm = 1440.0 / 25.4;  // twips

void setMargins(long pageType, long pageSeq)
{
    gPageType = pageType;
    gPageSeq = pageSeq;
    gTopMargin = {10, 20, 0};
    gLeftMarginRight = {30, 40, 0};
    gLeftMarginLeft = {5, 8, 0};
    gOrientation = {0, 0, 0};
}

ExportChoice chosen(const QList<ExportItem>& items)
{
    return ChosenItems(items);
}

// Dives "site1", "site2", … on consecutive days, each 40 minutes with a profile.
QList<ExportItem> addDives(TestLog& t, int count)
{
    QList<ExportItem> items;
    for (int i = 1; i <= count; ++i) {
        const qint64 id = t.addDive(QDate(2004, 7, i).toString(Qt::ISODate), "10:00", "10:40", 18.5, QStringLiteral("site%1").arg(i));
        t.db().execute("UPDATE LogTbl SET depth_transit = '5,12,18,9,4', temp_transit = '24,22,21,22,24' WHERE id = ?", {id});
        items.append({id, 30 + i});
    }
    return items;
}

// Where the text was printed on each page of the recorded calls, "x,y" or "" when absent.
QStringList positionsOf(const QStringList& calls, const QString& text)
{
    QStringList pages{QString()};
    for (const QString& c : calls) {
        if (c == "newPage")
            pages << QString();
        const QStringList words = c.split(' ');
        if (words.size() == 3 && words[0] == "text" && words[2] == text && pages.last().isEmpty())
            pages.last() = words[1];
    }
    return pages;
}

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The page texts of a PDF, in page order.
QStringList pdfTexts(const QString& file)
{
    QStringList pages = run("pdftotext", {"-layout", file, "-"}).split('\f');
    pages.removeLast();  // after the last page's form feed
    return pages;
}

// Stops when asked for step `at`.
struct StopAt : JobProgress {
    int at;
    explicit StopAt(int step) : at(step) {}
    void begin(const QString&, int) override {}
    bool stepAndAskStop(int value, int) override { return value == at; }
    void end() override {}
};
}  // namespace

class tst_logprint : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The diver's own layouts are looked for here.
        QStandardPaths::setTestModeEnabled(true);
        QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).removeRecursively();
    }
    void init()
    {
        ClearDiveCalcMemos();
        setMargins(0, 0);
    }

    // The editor's texts on the page: date, markers and time-axis labels, on both layouts.
    void fields_data()
    {
        QTest::addColumn<long>("pageType");
        QTest::addColumn<QString>("outTime");
        QTest::addColumn<QVariant>("tankMat");
        QTest::addColumn<QVariant>("entryType");
        QTest::addColumn<QString>("labels");   // lblH 0 to 4
        QTest::addColumn<QString>("markers");  // lblTankMat 0, 1 and lblEntryType 0, 1
        QTest::newRow("40 min, steel, boat") << 0L << "10:40" << QVariant(1) << QVariant(1) << "0 10 20 30 40" << "□■□■";
        QTest::newRow("45 min rounds, first choices, A5") << 1L << "10:45" << QVariant(0) << QVariant(0) << "0 11 23 34 45"
                                                         << "■□■□";
        QTest::newRow("none chosen") << 0L << "10:40" << QVariant() << QVariant() << "0 10 20 30 40" << "□□□□";
        QTest::newRow("beyond the markers") << 1L << "10:40" << QVariant(2) << QVariant(7) << "0 10 20 30 40" << "□□□□";
        QTest::newRow("no exit time") << 0L << "" << QVariant(0) << QVariant(1) << "0 0 0 0 0" << "■□□■";
    }
    void fields()
    {
        QFETCH(long, pageType);
        QFETCH(QString, outTime);
        QFETCH(QVariant, tankMat);
        QFETCH(QVariant, entryType);
        QFETCH(QString, labels);
        QFETCH(QString, markers);
        ScriptedUi ui;
        TestLog t;
        const qint64 id = t.addDive("2004-07-05", "10:00", outTime, 18.5, "大瀬崎", entryType);
        QVERIFY(t.db().execute("UPDATE LogTbl SET tank_mat = ?, comment = ? WHERE id = ?", {tankMat, "一行目\r\n二行目", id}));
        setMargins(pageType, 0);
        LogPrintJob job;
        QString error;
        QVERIFY2(job.prepare(chosen({{id, 31}}), &error), qPrintable(error));
        DiveTexts dive;
        QVERIFY(dive.load(id, 31));
        PrintLayout page = job.page(dive, true);
        const auto caption = [&](const QString& name, int index = -1) { return page.find(name, index)->caption; };
        QCOMPARE(caption("lblDate"), "5-7-04");
        QCOMPARE(caption("lblNo"), "31");
        QCOMPARE(caption("txtLocation"), "大瀬崎");
        QCOMPARE(caption("txtComment"), "一行目\r\n二行目");
        QCOMPARE(caption("lblUWTime"), outTime.isEmpty() ? "" : outTime.right(2));
        QStringList shown;
        for (int k = 0; k < 5; ++k)
            shown << caption("lblH", k);
        QCOMPARE(shown.join(' '), labels);
        QCOMPARE(caption("lblTankMat", 0) + caption("lblTankMat", 1) + caption("lblEntryType", 0) + caption("lblEntryType", 1),
                 markers);
    }

    // One page per dive, no page after the last; each page shifted by its side's margins of
    // the page type printed, in the page order chosen.
    void sides_data()
    {
        QTest::addColumn<long>("pageType");
        QTest::addColumn<long>("pageSeq");
        QTest::addColumn<QString>("sides");
        QTest::addColumn<QString>("layout");
        QTest::newRow("all right-hand") << 0L << 0L << "RRRRR" << "frmPrintBible";
        QTest::newRow("all left-hand, A5") << 1L << 1L << "LLLLL" << "frmPrintA5";
        QTest::newRow("right first") << 0L << 2L << "RLRLR" << "frmPrintBible";
        QTest::newRow("left first, A5") << 1L << 3L << "LRLRL" << "frmPrintA5";
        QTest::newRow("edited order and type") << 7L << 9L << "LLLLL" << "frmPrintBible";
    }
    void sides()
    {
        QFETCH(long, pageType);
        QFETCH(long, pageSeq);
        QFETCH(QString, sides);
        QFETCH(QString, layout);
        ScriptedUi ui;
        TestLog t;
        const QList<ExportItem> items = addDives(t, 5);
        const auto print = [&](bool margins, QStringList* calls) {
            setMargins(pageType, pageSeq);
            if (!margins)
                gTopMargin = gLeftMarginRight = gLeftMarginLeft = {0, 0, 0};
            LogPrintJob job;
            QString error;
            RecordingSurface surface;
            QVERIFY2(job.prepare(chosen(items), &error), qPrintable(error));
            QCOMPARE(LayoutName(job.setup().pageType), layout);
            QCOMPARE(job.print(surface, nullptr, &error), PrintResult::Done);
            QCOMPARE(surface.calls.count("newPage"), 4);
            QCOMPARE(surface.calls.last(), "end");
            *calls = surface.calls;
        };
        QStringList plain, shifted;
        print(false, &plain);
        print(true, &shifted);
        const int type = pageType == 1 ? 1 : 0;
        for (int n = 1; n <= 5; ++n) {
            const QString site = QStringLiteral("site%1").arg(n);
            const QStringList at = positionsOf(plain, site).mid(n - 1, 1) + positionsOf(shifted, site).mid(n - 1, 1);
            QVERIFY2(!at[0].isEmpty() && !at[1].isEmpty(), qPrintable(site));
            const long left = sides[n - 1] == 'R' ? gLeftMarginRight[type] : gLeftMarginLeft[type];
            const QPointF moved = QPointF(at[1].section(',', 0, 0).toDouble(), at[1].section(',', 1).toDouble())
                                  - QPointF(at[0].section(',', 0, 0).toDouble(), at[0].section(',', 1).toDouble());
            QCOMPARE(qRound(moved.x() * 15), qRound(left * kMm));
            QCOMPARE(qRound(moved.y() * 15), qRound(gTopMargin[type] * kMm));
        }
    }

    // Ticks at the axis labels; curves from 3 samples on, kept inside the chart.
    void chart_data()
    {
        QTest::addColumn<QString>("depths");
        QTest::addColumn<QString>("temps");
        QTest::addColumn<int>("lastH");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QStringList>("curves");
        // Chart 100,200 1000×800 pixels; depths 0/20/40 m at y 200/600/1000, x = 100 + 1000 (i + 1) ÷ 4.
        QTest::newRow("depths") << "0,20,40" << "" << 4 << 12
                                << QStringList{"100,200-350,200", "350,200-600,600", "600,600-850,1000", "850,1000-1100,200"};
        QTest::newRow("two depths, five time labels") << "10,20" << "1,2" << 5 << 14 << QStringList();
        QTest::newRow("temperatures, no surface ends") << "" << "35,15,-5" << 4 << 12
                                                       << QStringList{"350,200-600,600", "600,600-850,1000"};
        QTest::newRow("beyond the scales") << "50,-3,41.5" << "40,-10,15" << 1 << 6
                                           << QStringList{"100,200-350,1000", "350,1000-600,200", "600,200-850,1000",
                                                          "850,1000-1100,200", "350,200-600,1000", "600,1000-850,600"};
    }
    void chart()
    {
        QFETCH(QString, depths);
        QFETCH(QString, temps);
        QFETCH(int, lastH);
        QFETCH(int, ticks);
        QFETCH(QStringList, curves);
        RecordingSurface surface;
        surface.tppX = surface.tppY = 1.5;
        PrintEngine engine(surface);
        engine.InitPrinter();
        LayoutControl graph;
        graph.left = 150, graph.top = 300, graph.width = 1500, graph.height = 1200;
        DrawPrintChart(engine, surface, graph, {4, lastH}, SplitNumbers(depths), SplitNumbers(temps));
        QStringList drawn;
        int tickLines = 0;
        for (const QString& c : surface.calls) {
            QVERIFY(c.startsWith("line "));
            if (c.endsWith("width 3"))  // 5 twips
                drawn << c.section(' ', 1, 1);
            else
                ++tickLines;
        }
        QCOMPARE(drawn, curves);
        QCOMPARE(tickLines, ticks);
        if (ticks == 12)  // the first depth tick: 20 pixels in from the left edge, a quarter down
            QCOMPARE(surface.calls.first().section(' ', 1, 1), "100,400-120,400");
    }

    // A layout of the diver's own that cannot be printed says which file and what is wrong.
    void layoutFailures_data()
    {
        QTest::addColumn<QString>("from");  // renamed in the shipped layout; empty: not a layout
        QTest::addColumn<QString>("problem");
        QTest::newRow("no dive number") << "lblNo\"" << "lblNo";
        QTest::newRow("no time labels") << "lblH_" << "lblH_0";
        QTest::newRow("no chart area") << "picGraph\"" << "picGraph";
        QTest::newRow("not a layout") << "" << "";
    }
    void layoutFailures()
    {
        QFETCH(QString, from);
        QFETCH(QString, problem);
        ScriptedUi ui;
        TestLog t;
        const QList<ExportItem> items = addDives(t, 1);
        QString text = QString::fromUtf8(ReadFileBytes(LayoutFilePath("frmPrintBible")));
        // The control's name made another, so the layout still reads.
        text = from.isEmpty() ? "<ui><widget" : text.replace("name=\"" + from, "name=\"Old" + from);
        const QString own = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/layouts/frmPrintBible.ui";
        QVERIFY(QDir().mkpath(QFileInfo(own).path()));
        WriteFileBytes(own, text.toUtf8());
        QCOMPARE(LayoutFilePath("frmPrintBible"), own);
        LogPrintJob job;
        QString error;
        const bool prepared = job.prepare(chosen(items), &error);
        QFile::remove(own);
        QVERIFY(!prepared);
        QVERIFY2(error.contains(own) && error.contains(problem), qPrintable(error));
    }

    // A stopped or failed PDF leaves the file that was there; the stop is told.
    void pdfStopped()
    {
        ScriptedUi ui;
        TestLog t;
        const QList<ExportItem> items = addDives(t, 3);
        WriteFileBytes(t.path("out.pdf"), "old");
        LogPrintJob job;
        QString error;
        QVERIFY(job.prepare(chosen(items), &error));
        StopAt stop(2);
        QCOMPARE(PrintPdf(job, t.path("out.pdf"), DefaultPdfPageLayout(job.setup()), 300, &stop, &error),
                 PrintResult::Stopped);
        QCOMPARE(ReadFileBytes(t.path("out.pdf")), "old");
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text + ui.messages[0].caption, "印刷を中断します中断");
        QCOMPARE(PrintPdf(job, t.logPath(), DefaultPdfPageLayout(job.setup()), 300, nullptr, &error), PrintResult::Failed);
        QVERIFY(job.prepare(chosen({}), &error) == false && error == "印刷するレコードがありません");
    }

    // The command line's PDF, read back with poppler: each dive on its page, at its side's
    // margins from the settings file, with its profile drawn in the chart area.
    void pdfFromCommandLine()
    {
        TestLog t;
        const QList<ExportItem> items = addDives(t, 3);
        const QString home = t.path("home");
        QDir().mkpath(home + "/.config/tidewriter");
        WriteFileBytes(home + "/.config/tidewriter/tidewriter.ini",
                       "[PRINT]\r\nPAGE_TYPE=1\r\nPAGE_SEQ=2\r\n[PAGETYPE_2]\r\nTOP_MARGINE=10\r\nLEFT_MARGINE_RIGHT=30\r\n"
                       "LEFT_MARGINE_LEFT=5\r\n");
        t.close();
        const QString ids = QStringLiteral("%1,%2,%3").arg(items[2].id).arg(items[0].id).arg(items[1].id);
        QString output;
        QVERIFY2(RunTidewriter(home, {"--print-pdf", t.path("out.pdf"), "--ids", ids, t.logPath()}, &output) == 0,
                 qPrintable(output));
        const QStringList texts = pdfTexts(t.path("out.pdf"));
        QCOMPARE(texts.size(), 3);
        for (const auto& [page, site, date] : {std::tuple{0, "site3", "3-7-04"}, {1, "site1", "1-7-04"}, {2, "site2", "2-7-04"}})
            QVERIFY2(texts[page].contains(site) && texts[page].contains(date) && texts[page].contains("ダイブ No."),
                     qPrintable(texts[page]));
        // Word positions in points: pages 1 and 3 are right-hand pages, page 2 a left-hand one.
        const QString boxes = run("pdftotext", {"-bbox", t.path("out.pdf"), "-"});
        QList<double> lefts;
        for (const char* site : {"site3", "site1", "site2"}) {
            const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("xMin=\"([0-9.]+)\"[^>]*>%1<").arg(site)).match(boxes);
            QVERIFY(m.hasMatch());
            lefts << m.captured(1).toDouble();
        }
        QVERIFY(qAbs(lefts[0] - lefts[2]) < 0.1);
        QVERIFY2(qAbs(lefts[0] - lefts[1] - 25 * 72 / 25.4) < 0.5, qPrintable(QString::number(lefts[0] - lefts[1])));
        // The curves: drawn pixels inside the chart area, away from its frame and ticks.
        run("pdftoppm", {"-r", "72", "-gray", "-f", "1", "-l", "1", t.path("out.pdf"), t.path("page")});
        QImage image(t.path("page-1.pgm"));
        QVERIFY(!image.isNull());
        PrintLayout a5;
        QString error;
        QVERIFY(ReadLayout(LayoutFilePath("frmPrintA5"), &a5, &error));
        const LayoutControl* graph = a5.find("picGraph");
        const QRect chart = QRectF((graph->left + 30 * kMm) / 20, (graph->top + 10 * kMm) / 20, graph->width / 20,
                                   graph->height / 20)
                                .toRect()
                                .adjusted(3, 3, -3, -3);
        int dark = 0;
        for (int y = chart.top(); y <= chart.bottom(); ++y)
            for (int x = chart.left(); x <= chart.right(); ++x)
                dark += qGray(image.pixel(x, y)) < 224;
        QVERIFY2(dark > chart.width(), qPrintable(QString::number(dark)));
    }

    // The print command: page setup first, the print dialog preset to the selection, the
    // pages of the choice made there in list order; the preview shows the same pages.
    void printCommand_data()
    {
        QTest::addColumn<bool>("setupOk");
        QTest::addColumn<int>("range");  // QAbstractPrintDialog::PrintRange chosen; -1 cancels
        QTest::addColumn<QStringList>("sites");
        QTest::newRow("page setup cancelled") << false << 0 << QStringList();
        QTest::newRow("print dialog cancelled") << true << -1 << QStringList();
        QTest::newRow("selection") << true << int(QAbstractPrintDialog::Selection) << QStringList{"site3", "site1"};
        QTest::newRow("everything") << true << int(QAbstractPrintDialog::AllPages)
                                    << QStringList{"site4", "site3", "site2", "site1"};
    }
    void printCommand()
    {
        QFETCH(bool, setupOk);
        QFETCH(int, range);
        QFETCH(QStringList, sites);
        ScriptedUi ui;
        TestLog t;
        addDives(t, 4);
        frmLogList w;
        auto* view = w.findChild<QTreeView*>("lvwLogList");
        for (const int row : {1, 3})
            view->selectionModel()->select(w.model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QStringList preset;
        int previewPages = -1;
        ui.onDialog = [&](QObject* d) {
            if (d->objectName() == "frmPrintOption")
                d->findChild<QAbstractButton*>(setupOk ? "cmdOk" : "cmdCancel")->click();
            if (auto* print = qobject_cast<QPrintDialog*>(d)) {
                preset << QString::number(print->printRange()) << QString::number(print->testOption(QAbstractPrintDialog::PrintPageRange));
                if (range < 0)
                    return;
                print->printer()->setOutputFileName(t.path("out.pdf"));
                print->setPrintRange(QAbstractPrintDialog::PrintRange(range));
                print->setResult(QDialog::Accepted);
            }
            if (auto* preview = d->findChild<QPrintPreviewWidget*>()) {
                preview->updatePreview();
                previewPages = preview->pageCount();
            }
        };
        w.findChild<QAction*>("mnuRecPrint")->trigger();
        QCOMPARE(ui.dialogs.first(), "frmPrintOption");
        const QStringList selectionPreset{QString::number(QAbstractPrintDialog::Selection), "0"};
        QCOMPARE(preset, setupOk ? selectionPreset : QStringList());
        QStringList printed;
        for (const QString& page : QFileInfo::exists(t.path("out.pdf")) ? pdfTexts(t.path("out.pdf")) : QStringList())
            printed << QRegularExpression("site\\d").match(page).captured();
        QCOMPARE(printed, sites);
        QVERIFY2(ui.messages.isEmpty(), qPrintable(ui.messages.value(0).text));
        w.findChild<QAction*>("mnuRecPreview")->trigger();
        QCOMPARE(previewPages, 2);
    }
};

QTEST_MAIN(tst_logprint)
#include "tst_logprint.moc"
