#include "Globals.h"
#include "JobProgress.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "modCSV.h"
#include "modDiveCalc.h"

#include <QProcess>
#include <QStringDecoder>
#include <QtTest>

namespace {
// Records the job and stops it when asked about the given step.
struct StopAt : JobProgress {
    explicit StopAt(int step) : step(step) {}
    void begin(const QString& job, int max) override { begun = job + QLatin1Char('/') + QString::number(max); }
    bool stepAndAskStop(int value, int) override { return value == step; }
    void end() override { ended = true; }
    int step;
    QString begun;  // job/max
    bool ended = false;
};

QString decode(const QByteArray& bytes) { return QStringDecoder("Shift_JIS").decode(bytes); }
}  // namespace

class tst_csv : public QObject {
    Q_OBJECT
private slots:
    void init() { ClearDiveCalcMemos(); }

    void quote_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("plain") << "大瀬崎" << "大瀬崎";
        QTest::newRow("comma") << "a,b" << "\"a,b\"";
        QTest::newRow("quote") << "say \"hi\"" << "\"say \"\"hi\"\"\"";
        QTest::newRow("line end") << "a\r\nb" << "\"a\r\nb\"";
        QTest::newRow("lone LF") << "a\nb" << "\"a\nb\"";
        QTest::newRow("lone CR") << "a\rb" << "\"a\rb\"";
        QTest::newRow("LF and quote") << "\"a\"\n" << "\"\"\"a\"\"\n\"";
        QTest::newRow("empty") << "" << "";
    }
    void quote()
    {
        QFETCH(QString, field);
        QFETCH(QString, quoted);
        QCOMPARE(CsvQuote(field), quoted);
    }

    // The same file in the program and from its command line, where no display is needed.
    void knownLogGivesKnownFile()
    {
        TestLog log;
        QVERIFY2(log.db().execute(QStringLiteral(
                     "INSERT INTO LogTbl (dive_date, in_time, out_time, location, entry_type, buddy, avg_depth, max_depth,"
                     " tank_capa, start_tank_bar, end_tank_bar, tank_mat, air_type, weather, air_temp, surface_temp,"
                     " depth_temp, weight, suit, min_visibility, max_visibility, min_transparency, max_transparency,"
                     " condition, item, comment, depth_transit, temp_transit) VALUES ('2024-07-15', '09:05', '09:50', ?,"
                     " 1, '山田', 10, 18.5, 10, 200, 50, 0, 0, 0, 28, 26, 24.5, 4, 6, 10, 15, 8, 12, 5, 0, ?, '0 5 10.5',"
                     " '26 25')"),
                     {"Bob's \"Reef\", 大瀬崎", "1行目\r\n2行目"}),
                 qPrintable(log.db().lastError()));
        const qint64 id = log.db().lastInsertId();
        const qint64 bare = log.addDive("2024-07-16", {}, {});
        log.close();
        const QByteArray logBefore = ReadFileBytes(log.logPath());
        log.open();
        ScriptedUi ui;
        QString error;
        QVERIFY(ExportCSV(log.path("out.csv"), {{bare, 32}, {id, 31}}, nullptr, &error));
        const QByteArray bytes = ReadFileBytes(log.path("out.csv"));
        QVERIFY(bytes.startsWith(QByteArray("No,\x97\xdd\x8c\x76", 7)));  // "No," then 累計 in Shift-JIS
        const QString expected =
            CsvHeader() + "\r\n32,0:45,2024/07/16,,,,,,,,*,*,,,,0,0,,,,,,,,,,,,,,,0.0,0.0,0.0,0.0,,,,,\r\n"
            + "31,0:45,2024/07/15,\"Bob's \"\"Reef\"\", 大瀬崎\",ボート,山田,,,09:05,09:50,,H,10.0,18.5,45,0,45,10.0,"
              "アルミニウム,空気,200,50,2000,1500,16.7,晴れ,28.0,26.0,24.5,4.0,スプリング,10.0,15.0,8.0,12.0,波、流れ,,"
              "\"1行目\r\n2行目\",0 5 10.5,26 25\r\n";
        QCOMPARE(decode(bytes).split("\r\n"), expected.split("\r\n"));  // no lone line feed either
        QVERIFY(ui.messages.isEmpty());
        QVERIFY(ExportCSV(log.path("in.csv"), {{bare, 2}, {id, 1}}, nullptr, &error));  // numbered as the list does
        // An export reads the log and never writes it.
        QVERIFY(!gModified);
        log.close();
        QCOMPARE(ReadFileBytes(log.logPath()), logBefore);

        const QString program = QCoreApplication::applicationDirPath() + "/../bin/tidewriter";
        QVERIFY2(QFile::exists(program), qPrintable(program));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        env.insert("HOME", log.path("home"));
        QString stderrText;
        auto run = [&](const QStringList& args) {  // the exit code, -1 for a crash
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(program, args);
            p.waitForFinished(60000);
            stderrText = QString::fromLocal8Bit(p.readAllStandardError());
            return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        };
        const QString logFile = log.logPath(), all = log.path("all.csv"), picked = log.path("picked.csv");
        QVERIFY2(run({"--export-csv", all, logFile}) == 0, qPrintable(stderrText));
        QCOMPARE(ReadFileBytes(all), ReadFileBytes(log.path("in.csv")));  // every dive, newest first
        QCOMPARE(run({"--export-csv", picked, "--ids", QString::number(bare), logFile}), 0);
        QCOMPARE(decode(ReadFileBytes(picked)).count("\r\n"), 2);
        QVERIFY2(run({"--export-csv", picked, "--ids", "999", logFile}) != 0 && stderrText.contains("999"),
                 qPrintable(stderrText));
        QVERIFY2(run({"--export-csv", log.path("no/dir/x.csv"), logFile}) != 0 && stderrText.contains("cannot write"),
                 qPrintable(stderrText));
        QCOMPARE(run({"--help"}), 0);
    }

    void shiftJisReplacements()
    {
        QCOMPARE(ToShiftJis("A〜B"), QByteArray("A\x81\x60" "B"));
        QCOMPARE(ToShiftJis("−"), QByteArray("\x81\x7c"));
        QCOMPARE(ToShiftJis("x😀y™z"), QByteArray("x?y?z"));
        QCOMPARE(ToShiftJis("①"), QByteArray("\x87\x40"));
    }

    void cancelKeepsLinesWritten()
    {
        TestLog log;
        QList<ExportItem> items;
        for (int i = 1; i <= 10; ++i)
            items.append({log.addDive(QStringLiteral("2024-07-%1").arg(i, 2, 10, QLatin1Char('0')), "10:00", "10:40"), i});
        ScriptedUi ui;
        StopAt stop(4);  // asked before the fourth dive
        QString error;
        QVERIFY(ExportCSV(log.path("cancel.csv"), items, &stop, &error));
        QCOMPARE(stop.begun, QStringLiteral("CSV出力処理中です . . ./10"));
        QVERIFY(stop.ended);
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].text, QStringLiteral("出力を中断します"));
        QCOMPARE(ui.messages[0].icon, MsgIcon::Exclamation);
        const QStringList lines = decode(ReadFileBytes(log.path("cancel.csv"))).split("\r\n");
        QCOMPARE(lines.size(), 1 + 3 + 1);  // header, three dives, and the empty text after the last line end
        QVERIFY(lines[3].startsWith("3,"));
    }

    void unwritableFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing folder") << "no/such/folder/out.csv";
        QTest::newRow("a folder") << ".";
        QTest::newRow("full disk") << "/dev/full";
    }
    void unwritableFile()
    {
        QFETCH(QString, name);
        TestLog log;
        log.addDive("2024-07-01", "10:00", "10:40");
        if (name == "/dev/full" && !QFile::exists(name))
            QSKIP("this system has no /dev/full");
        StopAt never(-1);
        QString error;
        QVERIFY(!ExportCSV(name.startsWith('/') ? name : log.path(name), {{1, 1}}, &never, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(never.ended);
    }

};

QTEST_GUILESS_MAIN(tst_csv)
#include "tst_csv.moc"
