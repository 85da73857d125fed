// The HTML export: page and pictures from real files, the list window's command and the command line.
#include "JobProgress.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "frmLogList.h"
#include "modDiveCalc.h"
#include "modExport.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTreeView>
#include <QtTest>

namespace {
struct StopAt : JobProgress {
    explicit StopAt(int step) : step(step) {}
    void begin(const QString& job, int max) override { begun = job + QLatin1Char('/') + QString::number(max); }
    bool stepAndAskStop(int value, int) override { return value == step; }
    void end() override { ended = true; }
    int step;
    QString begun;
    bool ended = false;
};

QString decode(const QByteArray& bytes) { return QStringDecoder("Shift_JIS").decode(bytes); }

void writeTemplate(const QString& path, const QString& text)
{
    WriteFileBytes(path, QStringEncoder("Shift_JIS").encode(text));
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden,
                                  QDir::Name);
}

// Dive A: every kind of value, a flat profile at 20 m and 25 °C; dive B: a date and nothing else.
struct Dives {
    qint64 a, b;
};
Dives addDives(TestLog& log)
{
    if (!log.db().execute(QStringLiteral("INSERT INTO LogTbl (dive_date, in_time, out_time, location, buddy, comment,"
                                         " depth_transit, temp_transit) VALUES ('2024-07-15', '09:05', '09:50', ?,"
                                         " '山田', ?, '20 20 20 20 20', '25 25 25 25 25')"),
                          {"大瀬崎™", "1行目 <b> & \"q\" 'a'\r\n2行目😀"}))
        qFatal("%s", qPrintable(log.db().lastError()));
    const qint64 a = log.db().lastInsertId();
    return {a, log.addDive("2024-07-16", {}, {})};
}

const QString kBlock = "<p><%no%>|<%date%>|<%date_short%>|<%in_time%>|<%ex_time%>|<%in_time_short%>|<%ex_time_short%>|"
                       "<%guide%>|<%buddy%>|<%NO%>|<%location%>|<%version%></p>\r\n<div><%comment%></div>";
const QString kRecordA = "<p>31|2024年7月15日|2024/07/15|9:05:00|9:50:00|9:05|9:50|　|山田|<%NO%>|大瀬崎&#8482;|1.3.0</p>\r\n"
                         "<div>1行目 &lt;b&gt; &amp; &quot;q&quot; 'a'<br>\r\n2行目&#128512;</div>\r\n";
const QString kRecordB = "<p>32|2024年7月16日|2024/07/16|　|　|　|　|　|　|<%NO%>|　|1.3.0</p>\r\n<div>　</div>\r\n";

// Rows of the picture's middle column that hold the colour.
QList<int> rowsOf(const QImage& image, QRgb colour)
{
    QList<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (image.pixel(image.width() / 2, y) == colour)
            rows << y;
    return rows;
}

int runProgram(const QString& home, const QStringList& args, QString* stderrText = nullptr)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_DATA_HOME"})
        env.remove(name);
    env.insert("HOME", home);
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationDirPath() + "/../bin/tidewriter", args);
    p.waitForFinished(120000);
    if (stderrText)
        *stderrText = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}
}  // namespace

class tst_html : public QObject {
    Q_OBJECT
private slots:
    void init() { ClearDiveCalcMemos(); }

    // Template in, page and pictures out: markers, line ends, escaping and the page's texts.
    void page_data()
    {
        QTest::addColumn<QString>("templ");
        QTest::addColumn<QString>("page");
        const QString head = "<html><%version%>|<%copyright%>|<%no%>";
        const QString out = "<html>1.3.0|Copyright (C) 2026 Calvane|<%no%>\r\n" + kRecordA + kRecordB + "\r\n</html>\r\n\r\n";
        const QStringList lines{head, "<!-- begin -->", kBlock, "<!-- end -->", "</html>"};
        QTest::newRow("CR LF") << lines.join("\r\n") << out;
        QTest::newRow("LF, as Linux editors save") << QString(lines.join("\r\n")).replace("\r\n", "\n") << out;
        QTest::newRow("lone CR") << QString(lines.join("\r\n")).replace("\r\n", "\r") << out;
        QTest::newRow("no begin marker") << "<p><%version%></p>\r\n<p><%no%></p>"
                                         << "<p>1.3.0</p>\r\n<p><%no%></p>\r\n\r\n";
        const QString twice = "X31\r\nY31\r\nX32\r\nY32\r\n\r\n";  // the records, then the begin line's end
        QTest::newRow("two blocks, capitals, words around")
            << "<!-- BEGIN -->\r\nX<%no%>\r\n<!-- End -->\r\nmid\r\n<!--a begin b-->\r\nY<%no%>\r\n<!-- x end y -->\r\ntail\r\n"
            << twice + "mid\r\n" + twice + "tail\r\n\r\n";
        QTest::newRow("markers without blanks are lines")
            << "<!--begin-->\r\n<%no%>\r\n<!-- begin-->\r\n<!--end -->\r\n"
            << "<!--begin-->\r\n<%no%>\r\n<!-- begin-->\r\n<!--end -->\r\n\r\n";
        QTest::newRow("end marker alone") << "a\r\n<!-- end -->\r\nb" << "a\r\nb\r\n\r\n";
    }
    void page()
    {
        QFETCH(QString, templ);
        QFETCH(QString, page);
        TestLog log;
        const Dives d = addDives(log);
        writeTemplate(log.path("t.htm"), templ);
        ScriptedUi ui;
        QString error;
        QVERIFY2(ExportHTML(log.path("out.html"), log.path("t.htm"), {{d.a, 31}, {d.b, 32}}, nullptr, &error),
                 qPrintable(error));
        const QByteArray bytes = ReadFileBytes(log.path("out.html"));
        QCOMPARE(decode(bytes), page);
        QVERIFY(ui.messages.isEmpty());
        // Every dive's picture, markers or not.
        QCOMPARE(QDir(log.path("charts")).entryList(QDir::Files), QStringList({"31.png", "32.png"}));
        QCOMPARE(filesIn(log.dir.path()), QStringList({"charts", "out.html", "t.htm", "tidewriter.db"}));
    }

    void replaceField_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("result");
        QTest::newRow("every sign") << "[<%x%>]" << "a&b\"c>d<e'f" << "[a&amp;b&quot;c&gt;d&lt;e'f]";
        QTest::newRow("entities escaped once") << "<%x%>" << "&lt;" << "&amp;lt;";
        QTest::newRow("line breaks") << "<%x%>" << "1\r\n2\n3" << "1<br>\r\n2<br>\r\n3";
        QTest::newRow("empty") << "(<%x%>)" << "" << "(　)";
        QTest::newRow("every place, case counts") << "<%x%><%X%><%x%>" << "1" << "1<%X%>1";
        QTest::newRow("other names stay") << "<%xy%><% x %>" << "1" << "<%xy%><% x %>";
    }
    void replaceField()
    {
        QFETCH(QString, record);
        QFETCH(QString, value);
        QFETCH(QString, result);
        ReplaceField(record, "x", value);
        QCOMPARE(record, result);
    }

    // The picture is the chart window's drawing at 182 × 151; of two dives with one number the later stays.
    void pictures_data()
    {
        QTest::addColumn<QString>("depths");
        QTest::addColumn<QString>("temps");
        QTest::addColumn<int>("depthRow");  // -1: no curve
        QTest::addColumn<int>("tempRow");
        QTest::newRow("20 m at 25 °C") << "20 20 20 20 20" << "25 25 25 25 25" << 75 << 53;
        QTest::newRow("30 m at 15 °C") << "30 30 30 30" << "15 15 15 15" << 98 << 75;
        QTest::newRow("too few samples") << "10 10" << "" << -1 << -1;
    }
    void pictures()
    {
        QFETCH(QString, depths);
        QFETCH(QString, temps);
        QFETCH(int, depthRow);
        QFETCH(int, tempRow);
        TestLog log;
        const Dives d = addDives(log);
        QVERIFY(log.db().execute("UPDATE LogTbl SET depth_transit = ?, temp_transit = ?, in_time = '10:00',"
                                 " out_time = '10:40' WHERE id = ?",
                                 {depths, temps, d.b}));
        writeTemplate(log.path("t.htm"), "<!-- begin -->\r\n<%no%>\r\n");
        ScriptedUi ui;
        QString error;
        QVERIFY2(ExportHTML(log.path("out.html"), log.path("t.htm"), {{d.a, 7}, {d.b, 7}}, nullptr, &error),
                 qPrintable(error));
        const QImage image(log.path("charts/7.png"), "PNG");
        QCOMPARE(image.size(), QSize(182, 151));
        const QList<int> blue = rowsOf(image, qRgb(0, 0, 255)), red = rowsOf(image, qRgb(255, 0, 0));
        QCOMPARE(blue.isEmpty(), depthRow < 0);
        QCOMPARE(red.isEmpty(), tempRow < 0);
        if (depthRow >= 0)
            QVERIFY2(qAbs(blue.first() - depthRow) <= 1 && qAbs(red.first() - tempRow) <= 1,
                     qPrintable(QStringLiteral("%1 %2").arg(blue.first()).arg(red.first())));
        QCOMPARE(QDir(log.path("charts")).entryList(QDir::Files | QDir::Hidden), QStringList{"7.png"});
        // Exported again with the numbers swapped, each picture is replaced.
        const QByteArray first = ReadFileBytes(log.path("charts/7.png"));
        QVERIFY(ExportHTML(log.path("out.html"), log.path("t.htm"), {{d.b, 8}, {d.a, 7}}, nullptr, &error));
        QVERIFY(ReadFileBytes(log.path("charts/7.png")) != first);
        QCOMPARE(ReadFileBytes(log.path("charts/8.png")), first);
    }

    // A failure says why, leaves the page and the log as they were, no temporary file, and earlier dives' pictures.
    void failures_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("told");
        QTest::addColumn<QStringList>("charts");  // what the charts folder holds afterwards
        QTest::newRow("no template") << "NO TEMPLATE" << "out.html" << "テンプレート" << QStringList();
        QTest::newRow("charts is a file") << "CHARTS FILE" << "out.html" << "charts を作成できません" << QStringList();
        QTest::newRow("no such folder") << "" << "no/such/out.html" << "作成できません" << QStringList();
        QTest::newRow("the log") << "" << "tidewriter.db" << "出力先にできません" << QStringList();
        QTest::newRow("a time that is none") << "BAD TIME" << "out.html" << "25:70 を時刻として読めません"
                                             << QStringList{"31.png"};
        QTest::newRow("a picture that cannot be written") << "PICTURE FOLDER" << "out.html"
                                                          << "画像が保存できませんでした" << QStringList{"31.png", "32.png"};
    }
    void failures()
    {
        QFETCH(QString, setup);
        QFETCH(QString, target);
        QFETCH(QString, told);
        QFETCH(QStringList, charts);
        TestLog log;
        const Dives d = addDives(log);
        const qint64 c = log.addDive("2024-07-17", "10:00", "10:40");
        QVERIFY(QDir(log.dir.path()).mkdir("sub"));
        QVERIFY(QFile::copy(log.logPath(), log.logPath() + ".bak"));
        WriteFileBytes(log.path("out.html"), "keep me");
        writeTemplate(log.path("t.htm"), "<!-- begin -->\r\n<%no%>\r\n");
        QString templ = log.path("t.htm");
        if (setup == "NO TEMPLATE")
            templ = log.path("none.htm");
        else if (setup == "CHARTS FILE")
            WriteFileBytes(log.path("charts"), "");
        else if (setup == "BAD TIME")
            QVERIFY(log.db().execute("UPDATE LogTbl SET out_time = '25:70' WHERE id = ?", {d.b}));
        else if (setup == "PICTURE FOLDER")
            QVERIFY(QDir().mkpath(log.path("charts/33.png")));
        log.close();
        const QByteArray logBefore = ReadFileBytes(log.logPath());
        log.open();
        QStringList before = filesIn(log.dir.path());
        before.removeAll("charts");
        ScriptedUi ui;
        QString error;
        QVERIFY(!ExportHTML(log.path(target), templ, {{d.a, 31}, {d.b, 32}, {c, 33}}, nullptr, &error));
        QVERIFY2(error.contains(told), qPrintable(error));
        QCOMPARE(ReadFileBytes(log.path("out.html")), QByteArray("keep me"));
        QStringList after = filesIn(log.dir.path());
        after.removeAll("charts");
        QCOMPARE(after, before);
        if (QFileInfo(log.path("charts")).isDir())
            QCOMPARE(QDir(log.path("charts")).entryList(QDir::Files | QDir::Hidden), charts);
        else
            QVERIFY(charts.isEmpty());
        QVERIFY(ui.messages.isEmpty());
        log.close();
        QCOMPARE(ReadFileBytes(log.logPath()), logBefore);
    }

    // A stop keeps the dives done so far, in the page and as pictures.
    void cancelInTheMiddle()
    {
        TestLog log;
        QList<ExportItem> items;
        for (int i = 1; i <= 5; ++i)
            items.append({log.addDive(QStringLiteral("2024-07-0%1").arg(i), "10:00", "10:40"), i});
        writeTemplate(log.path("t.htm"), "<ul>\n<!-- begin -->\n<li><%no%></li>\n<!-- end -->\n</ul>\n");
        ScriptedUi ui;
        StopAt stop(3);  // asked before the third dive
        QString error;
        QVERIFY(ExportHTML(log.path("out.html"), log.path("t.htm"), items, &stop, &error));
        QCOMPARE(stop.begun, QStringLiteral("HTML出力処理中です . . ./5"));
        QVERIFY(stop.ended);
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, QStringLiteral("出力を中断します"));
        QCOMPARE(decode(ReadFileBytes(log.path("out.html"))), QStringLiteral("<ul>\r\n<li>1</li>\r\n<li>2</li>\r\n\r\n</ul>\r\n\r\n"));
        QCOMPARE(QDir(log.path("charts")).entryList(QDir::Files | QDir::Hidden), QStringList({"1.png", "2.png"}));
    }

    // The command line writes what the window-less export writes, from the template named, the diver's or the installed one.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");  // OUT, TEMPLATE, LOG stand for the files
        QTest::addColumn<QString>("own");       // the diver's template in the data folder
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("page");      // part of the page, or of the message
        QTest::newRow("template named") << QStringList{"--export-html", "OUT", "--template", "TEMPLATE", "LOG"} << ""
                                        << 0 << "[2]2024年7月16日\r\n[1]2024年7月15日\r\n\r\n\r\n";
        QTest::newRow("the diver's own") << QStringList{"--export-html", "OUT", "LOG"} << "own <%no%>" << 0 << "own 1";
        QTest::newRow("the installed one") << QStringList{"--export-html", "OUT", "--ids", "ID", "LOG"} << "" << 0
                                           << "<title>ダイブログ</title>";
        QTest::newRow("no template") << QStringList{"--export-html", "OUT", "--template", "none", "LOG"} << "" << 1
                                     << "テンプレート";
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, own);
        QFETCH(int, status);
        QFETCH(QString, page);
        TestLog log;
        const Dives d = addDives(log);
        writeTemplate(log.path("t.htm"), "<!-- begin -->\n[<%no%>]<%date%>\n<!-- end -->\n");
        if (!own.isEmpty()) {
            QVERIFY(QDir().mkpath(log.path("home/.local/share/tidewriter")));
            writeTemplate(log.path("home/.local/share/tidewriter/template.htm"), "<!-- begin -->\n" + own + "\n");
        }
        QVERIFY(QDir().mkpath(log.path("cli")) && QDir().mkpath(log.path("own")));
        const QString out = log.path("cli/page.html");
        args.replaceInStrings("OUT", out).replaceInStrings("TEMPLATE", log.path("t.htm"));
        args.replaceInStrings("LOG", log.logPath()).replaceInStrings("ID", QString::number(d.b));
        QString stderrText;
        QCOMPARE(runProgram(log.path("home"), args, &stderrText), status);
        if (status != 0) {
            QVERIFY2(stderrText.contains(page), qPrintable(stderrText));
            QVERIFY(!QFile::exists(out));
            return;
        }
        const QString text = decode(ReadFileBytes(out));
        QVERIFY2(text.contains(page) && !text.contains("<%"), qPrintable(text));
        // The same bytes and pictures as the window-less export of the same dives.
        if (args.contains("--template")) {
            QString error;
            QVERIFY(ExportHTML(log.path("own/page.html"), log.path("t.htm"), {{d.b, 2}, {d.a, 1}}, nullptr, &error));
            QCOMPARE(ReadFileBytes(out), ReadFileBytes(log.path("own/page.html")));
            for (const QString& png : QStringList{"1.png", "2.png"})
                QCOMPARE(ReadFileBytes(log.path("cli/charts/" + png)), ReadFileBytes(log.path("own/charts/" + png)));
        }
    }

    // The list window's command: its texts and its result (the same bytes as the command line: commandLine).
    void menuCommand()
    {
        ScriptedUi ui;
        TestLog log;
        addDives(log);
        frmLogList w;
        QVERIFY(QMetaObject::invokeMethod(&w, "mnuRecExport_Click"));
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages.takeFirst().caption, QStringLiteral("HTML出力"));
        w.findChild<QAction*>("mnuRecSelectAll")->trigger();
        ui.saveAnswer = log.path("menu/page.html");
        QVERIFY(QDir().mkpath(log.path("menu")));
        w.toolButton("export")->trigger();
        QCOMPARE(ui.saveDialogs, QList<QStringList>({{"HTMLファイル出力", "HTMLファイル (*.html *.htm)", ""}}));
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].caption + ": " + ui.messages[0].text, QStringLiteral("正常終了: 出力完了しました"));
        QVERIFY(QFile::exists(log.path("menu/charts/1.png")) && QFile::exists(log.path("menu/charts/2.png")));
    }
};

QTEST_MAIN(tst_html)
#include "tst_html.moc"
