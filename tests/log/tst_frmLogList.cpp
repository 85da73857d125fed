// The dive list window, its record commands and what a whole run (start-up to exit) leaves behind.
#include "ByteLine.h"
#include "Globals.h"
#include "IniFile.h"
#include "Main.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "frmLogList.h"
#include "modSubroutines.h"
#include "modSupport.h"

#include <QSvgRenderer>
#include <QtTest>
#include <QtWidgets>

namespace {
QTreeView* listView(const QWidget& w) { return w.findChild<QTreeView*>(QStringLiteral("lvwLogList")); }

QAction* action(const QWidget& w, const QString& name) { return w.findChild<QAction*>(name); }

QStringList columnTexts(const frmLogList& w, int column)
{
    QStringList texts;
    for (int r = 0; r < w.model()->rowCount(); ++r)
        texts << w.model()->index(r, column).data().toString();
    return texts;
}

void selectLocations(const frmLogList& w, const QStringList& locations)
{
    for (const QString& location : locations)
        listView(w)->selectionModel()->select(
            w.model()->index(int(columnTexts(w, DiveListModel::ColLocation).indexOf(location)), 0),
            QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// Dives named "0", "1", ... of 40 minutes each, on consecutive days from 2000-01-01.
void addDives(TestLog& t, int count)
{
    t.db().beginTrans();
    for (int i = 0; i < count; ++i)
        t.addDive(QDate(2000, 1, 1).addDays(i).toString(Qt::ISODate), "10:00", "10:40", {}, QString::number(i));
    t.db().commitTrans();
}

// A fresh process's run, unless it stands for a second process started while another is going.
std::unique_ptr<Program> startProgram(TestLog& t, int* status, bool fresh = true, QString log = {},
                                      const QString& lock = QStringLiteral("run.lock"))
{
    if (fresh)
        ResetGlobals();
    auto program = std::make_unique<Program>();
    *status = program->start({log.isEmpty() ? t.logPath() : log},
                             {t.path("default.db"), t.path("tidewriter.ini"), t.path(lock)});
    return program;
}

// The messages shown since the last call, as "caption: text".
QStringList takeMessages(ScriptedUi& ui)
{
    QStringList shown;
    for (const ShownMessage& m : std::exchange(ui.messages, {}))
        shown << m.caption + ": " + m.text;
    return shown;
}

QStringList panels(const frmLogList& w) { return {w.panelText(1), w.panelText(2), w.panelText(3)}; }

// A dive computer that never answers; its waits let events run, the first one runs `first`.
struct SilentLine : ByteLine {
    explicit SilentLine(std::function<void()> f) : first(std::move(f)) {}
    bool open(QString*) override { return opened = true; }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    bool writeByte(quint8) override { return true; }
    qint64 bytesWaiting() override { return 0; }
    QByteArray readAll() override { return {}; }
    void wait(int) override
    {
        if (first)
            std::exchange(first, {})();
        QCoreApplication::processEvents();
    }
    std::function<void()> first;
    bool opened = false;
};
}  // namespace

class tst_frmLogList : public QObject {
    Q_OBJECT
private slots:
    // Numbering, filter, totals and heading sort are the list's own; here they must reach the window.
    void listingAndSort()
    {
        ScriptedUi ui;
        TestLog t;
        frmLogList w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // Inserted out of order; numbers 8 to 11, so sorting by the No. text would put 10 before 8.
        for (const auto& [day, depth] : {std::pair{"02", 25.0}, {"04", 12.0}, {"01", 7.0}, {"03", 18.5}})
            t.addDive(QStringLiteral("2023-05-%1").arg(day), "10:00", "10:40", depth, day);
        QVERIFY(t.db().execute("UPDATE ConfigTbl SET no_offset = 7, time_offset = 100"));
        LoadLookupTables();
        action(w, "mnuViewRefresh")->trigger();
        QCOMPARE(columnTexts(w, DiveListModel::ColLocation), QStringList({"04", "03", "02", "01"}));
        QHeaderView* header = listView(w)->header();
        const QPoint noHeading(header->sectionViewportPosition(DiveListModel::ColNo) + 5, header->height() / 2);
        selectLocations(w, {"04", "02"});
        listView(w)->selectionModel()->setCurrentIndex(w.model()->index(2, 0), QItemSelectionModel::NoUpdate);  // "02"
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, noHeading);
        QCOMPARE(columnTexts(w, DiveListModel::ColNo), QStringList({"8", "9", "10", "11"}));
        // The selected dives and the current one stay so, in their new places.
        QStringList selected;
        for (const QString& key : w.selection())
            selected << w.model()->cellText(w.model()->rowOfId(KeyToId(key)), DiveListModel::ColLocation);
        QCOMPARE(selected, QStringList({"02", "04"}));
        QCOMPARE(listView(w)->currentIndex().siblingAtColumn(DiveListModel::ColLocation).data().toString(), "02");
        w.findChild<QComboBox*>(QStringLiteral("cboSpDive"))->setCurrentIndex(2);  // deeper than 18 m
        QCOMPARE(columnTexts(w, DiveListModel::ColLocation), QStringList({"02", "03"}));
        QCOMPARE(panels(w).mid(1), QStringList({"本数 : 2 本", "潜水時間 : 3時間0分"}));
    }

    // Rows and backups are tst_logoperations'; here the commands reach them and the milestone counts.
    void newCloneAndMilestone_data()
    {
        QTest::addColumn<int>("existing");
        QTest::addColumn<bool>("clone");     // dives "0" and "1", else a new one
        QTest::addColumn<QString>("title");  // empty: no dialog
        QTest::newRow("new 50th") << 49 << false << "50本達成おめでとうございます";
        QTest::newRow("cloned 199th and 200th") << 198 << true << "200本達成おめでとうございます";
        QTest::newRow("150 is no milestone") << 149 << false << "";
    }

    void newCloneAndMilestone()
    {
        QFETCH(int, existing);
        QFETCH(bool, clone);
        QFETCH(QString, title);
        ScriptedUi ui;
        QStringList titles;
        ui.onDialog = [&](QObject* d) { titles << d->objectName() + ": " + d->findChild<QLabel*>("lblTitle")->text(); };
        TestLog t;
        addDives(t, existing);
        QVERIFY(t.db().execute("UPDATE ConfigTbl SET no_offset = 20"));
        LoadLookupTables();
        frmLogList w;
        selectLocations(w, {"0", "1"});
        action(w, clone ? "mnuRecClone" : "mnuRecNew")->trigger();
        QCOMPARE(w.model()->rowCount(), existing + (clone ? 2 : 1));
        QCOMPARE(columnTexts(w, DiveListModel::ColLocation).count("1"), clone ? 2 : 1);
        QCOMPARE(titles, title.isEmpty() ? QStringList() : QStringList{"frmMemorial: " + title});
    }

    // Each command's own drawing, in the toolbar and the menu; disabled, a faded grey.
    void commandIcons_data()
    {
        QTest::addColumn<QString>("button");  // empty: a menu command only
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("drawing");
        const char* rows[][3] = {{"new", "mnuRecNew", "new"}, {"ha", "mnuToolHATrance", "ha"},
                                 {"open", "mnuRecOpen", "open"}, {"clone", "mnuRecClone", "clone"},
                                 {"delete", "mnuRecDelete", "delete"}, {"print", "mnuRecPrint", "print"},
                                 {"export", "mnuRecExport", "export"}, {"csv", "mnuRecExportCSV", "csv"},
                                 {"calc", "mnuToolCalc", "calc"}, {"option", "mnuToolOption", "option"},
                                 {"", "mnuRecPreview", "preview"}};
        for (const auto& r : rows)
            QTest::newRow(r[1]) << r[0] << r[1] << r[2];
    }

    void commandIcons()
    {
        QFETCH(QString, button);
        QFETCH(QString, command);
        QFETCH(QString, drawing);
        ScriptedUi ui;
        TestLog t;
        frmLogList w;
        QSvgRenderer svg(QStringLiteral(":/icons/%1.svg").arg(drawing));
        QVERIFY(svg.isValid());
        QList<QIcon> icons{action(w, command)->icon()};
        if (!button.isEmpty())
            icons << w.toolButton(button)->icon();
        for (const QIcon& icon : icons) {
            for (int size : {16, 24}) {
                QImage expected(size, size, QImage::Format_ARGB32_Premultiplied);
                expected.fill(Qt::transparent);
                QPainter p(&expected);
                p.setRenderHint(QPainter::Antialiasing);
                svg.render(&p, QRectF(0, 0, size, size));
                p.end();
                const QImage normal = icon.pixmap(QSize(size, size), 1.0).toImage().convertToFormat(expected.format());
                QCOMPARE(normal, expected);
                const QImage disabled = icon.pixmap(QSize(size, size), 1.0, QIcon::Disabled).toImage().convertToFormat(QImage::Format_ARGB32);
                qint64 normalInk = 0, disabledInk = 0;
                for (int y = 0; y < size; ++y) {
                    for (int x = 0; x < size; ++x) {
                        const QRgb c = disabled.pixel(x, y);
                        QVERIFY2(qAlpha(c) == 0 || (qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)), "disabled icon not grey");
                        disabledInk += qAlpha(c);
                        normalInk += qAlpha(normal.pixel(x, y));
                    }
                }
                QVERIFY(disabledInk > 0 && disabledInk * 2 < normalInk);
            }
        }
    }

    // A maximised window keeps its earlier size, a changed log its backup; deleting names the dive, closes its editor.
    void runLeavesSettingsAndFiles()
    {
        ScriptedUi ui;
        ui.answers << MsgResult::Yes;
        TestLog t;
        addDives(t, 3);
        t.close();
        const QString ini = t.path("tidewriter.ini");
        for (const auto& [k, value] : {std::pair{"WIDTH", "9150"}, {"HEIGHT", "6150"}, {"COLUMN_2", "3000"}})
            IniFile::write(ini, "WINDOW", k, value);  // twips, 15 to a pixel
        int status = 0;
        auto program = startProgram(t, &status);
        QCOMPARE(status, -1);
        frmLogList* w = program->listWindow();
        w->showMaximized();
        QVERIFY(QTest::qWaitFor([&] { return w->isMaximized() && w->width() > 610; }));
        listView(*w)->setColumnWidth(DiveListModel::ColLocation, 123);
        action(*w, "mnuViewStatus")->trigger();
        selectLocations(*w, {"0"});
        const qint64 id = KeyToId(w->selection().value(0));
        w->OpenRecordWindow(id);
        action(*w, "mnuRecDelete")->trigger();
        QVERIFY(!w->editorOf(id));
        QCOMPARE(takeMessages(ui), QStringList{"レコード削除の確認: No.1 2000/01/01 10:00 \n0\n\nこのレコードを削除してもよろしいですか?"});
        w->close();  // the shutdown writes the settings and compacts the changed log
        program.reset();
        QCOMPARE(IniFile::read(ini, "WINDOW", "WIDTH", QString()), QStringLiteral("9150"));
        QCOMPARE(IniFile::read(ini, "WINDOW", "STATUSBAR_VISIBLE", QString()), QStringLiteral("False"));
        QVERIFY(QFileInfo::exists(t.logPath() + ".bak"));

        program = startProgram(t, &status);
        w = program->listWindow();
        QCOMPARE(w->size(), QSize(610, 410));
        QCOMPARE(listView(*w)->columnWidth(DiveListModel::ColLocation), 123);
        QCOMPARE(w->model()->rowCount(), 2);
        QVERIFY(w->findChild<QWidget*>("stsStatus")->isHidden());
        QVERIFY(ui.messages.isEmpty());  // no failure
    }

    void hostileWindowSettings_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("used");  // false: the designed value stays
        QTest::newRow("width in range") << "WIDTH" << "9000" << true;
        QTest::newRow("width beyond the screen") << "WIDTH" << "2000000" << false;
        QTest::newRow("width too large for any int") << "WIDTH" << "1e30" << false;
        QTest::newRow("negative height") << "HEIGHT" << "-600" << false;
        QTest::newRow("column in range") << "COLUMN_2" << "1500" << true;
        QTest::newRow("column of no width") << "COLUMN_2" << "0" << false;
        QTest::newRow("column wider than the screen") << "COLUMN_2" << "1e30" << false;
    }

    void hostileWindowSettings()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, used);
        ScriptedUi ui;
        TestLog t;
        t.close();
        int status = 0;
        auto designed = startProgram(t, &status);
        const QList<int> before = {designed->listWindow()->width(), designed->listWindow()->height(),
                                   listView(*designed->listWindow())->columnWidth(1)};
        designed.reset();
        QFile::remove(t.path("tidewriter.ini"));
        IniFile::write(t.path("tidewriter.ini"), "WINDOW", key, value);
        auto program = startProgram(t, &status);
        frmLogList* w = program->listWindow();
        const QList<int> after = {w->width(), w->height(), listView(*w)->columnWidth(1)};
        const int changed = key == "WIDTH" ? 0 : key == "HEIGHT" ? 1 : 2;
        for (int i = 0; i < 3; ++i)
            QCOMPARE(after[i], i == changed && used ? value.toInt() / 15 : before[i]);
        const QSize screen = w->screen()->availableGeometry().size();
        QVERIFY(w->width() <= screen.width() && w->height() <= screen.height());
    }

    void startRefused_data()
    {
        QTest::addColumn<QString>("log");   // empty: the log of a run still going
        QTest::addColumn<QString>("lock");  // the lock's name in the test's folder
        QTest::addColumn<QString>("message");
        QTest::newRow("second instance") << "" << "run.lock" << "Tidewriter: すでに起動しています";
        QTest::newRow("missing file") << "absent.db" << "run.lock"
                                      << "エラー: データベースファイルがオープンできませんでした\r\n"
                                         "no such file: <dir>/absent.db";
        QTest::newRow("lock folder missing") << "absent.db" << "gone/run.lock"
                                             << "エラー: 二重起動を防ぐためのロックファイルを作成できませんでした\n"
                                                "<dir>/gone/run.lock\nフォルダ <dir>/gone がありません";
    }

    void startRefused()
    {
        QFETCH(QString, log);
        QFETCH(QString, lock);
        QFETCH(QString, message);
        ScriptedUi ui;
        TestLog t(log.isEmpty());
        t.close();
        int status = 0;
        auto first = log.isEmpty() ? startProgram(t, &status) : nullptr;
        auto refused = startProgram(t, &status, !first, first ? QString() : t.path(log), lock);
        QVERIFY(status > 0);
        QVERIFY(!refused->listWindow());
        QCOMPARE(takeMessages(ui), QStringList{message.replace("<dir>", t.dir.path())});
        if (!first)  // at most the run's lock may appear: no log, no folder, no default log, no settings
            QCOMPARE(QDir(t.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                     lock.contains('/') ? QStringList() : QStringList{"run.lock"});
    }

    // An existing file is kept unless the user says Yes; the log itself is refused before that question.
    void exportCsvCommand()
    {
        ScriptedUi ui;
        TestLog t;
        addDives(t, 4);
        frmLogList w;
        selectLocations(w, {"3", "1"});
        const QByteArray logBefore = ReadFileBytes(t.logPath());
        for (const QString& file : {t.path("out.csv"), t.logPath()}) {
            WriteFileBytes(t.path("out.csv"), "keep me");
            ui.saveAnswer = file;
            ui.answers = {file == t.logPath() ? MsgResult::Yes : MsgResult::No};
            action(w, "mnuRecExportCSV")->trigger();
            QCOMPARE(takeMessages(ui), QStringList{file == t.logPath()
                         ? "エラー: ファイル " + file + " はデータベースファイルまたはその関連ファイルなので、出力先にできません。"
                               "別のファイル名を指定してください。"
                         : "確認: " + file + "ファイルは既に存在します。\n上書きしますか?"});
        }
        QCOMPARE(ReadFileBytes(t.path("out.csv")), QByteArray("keep me"));
        QCOMPARE(ReadFileBytes(t.logPath()), logBefore);
    }

    // Leaving while a job runs beside the list cancels it as its Cancel button would; the exit
    // waits until the job has unwound, then the event loop ends.
    void exitDuringJob_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("transfer") << "mnuToolHATrance" << QStringList{"中断: 転送を中断しました"};
        QTest::newRow("CSV export") << "mnuRecExportCSV"
                                    << QStringList{"Tidewriter: 出力を中断します", "正常終了: 出力完了しました"};
    }

    void exitDuringJob()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, messages);
        ScriptedUi ui;
        TestLog t;
        addDives(t, 3);
        t.close();
        int status = 0;
        auto program = startProgram(t, &status);
        frmLogList* w = program->listWindow();
        listView(*w)->selectAll();
        ui.saveAnswer = t.path("out.csv");
        bool closeDeferred = false;
        int turnsAfter = -1;  // turns of the event loop since the command returned
        const auto closeList = [&] {
            w->close();
            closeDeferred = w->isVisible() && gDatabase != nullptr;  // nothing shut down yet
        };
        // The transfer is closed from within its waits, the export as soon as it lets events run.
        w->setLineFactory([&] { return std::make_unique<SilentLine>(closeList); });
        QTimer::singleShot(0, this, [&] {
            if (command == "mnuRecExportCSV")
                QMetaObject::invokeMethod(w, closeList, Qt::QueuedConnection);
            action(*w, command)->trigger();
            turnsAfter = 0;
        });
        // The loop still turning long after the command is the process left behind without a window.
        QTimer turns;
        connect(&turns, &QTimer::timeout, this, [&] {
            if (turnsAfter >= 0 && ++turnsAfter > 100)
                QCoreApplication::exit(1);
        });
        turns.start(0);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(closeDeferred);
        QCOMPARE(takeMessages(ui).mid(command == "mnuToolHATrance" ? 1 : 0), messages);  // after the transfer's opening question
        QVERIFY(!w->isVisible());
        QVERIFY(!IniFile::read(t.path("tidewriter.ini"), "WINDOW", "COLUMN_1", QString()).isEmpty());
        program.reset();
        t.open();
        QCOMPARE(t.scalar("SELECT Count(*) FROM LogTbl"), 3);
    }
};

QTEST_MAIN(tst_frmLogList)
#include "tst_frmLogList.moc"
