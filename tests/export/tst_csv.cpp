#include "DiveTexts.h"
#include "Globals.h"
#include "JobProgress.h"
#include "OptionSettings.h"
#include "RecordStore.h"
#include "ScriptedUi.h"
#include "TestLog.h"
#include "modCSV.h"
#include "modDiveCalc.h"

#include <QDir>
#include <QProcess>
#include <QStringDecoder>
#include <QtTest>
#include <functional>
#include <unistd.h>

namespace {
// Records the job; at the given step changes the log as another window would, or else stops the job.
struct AtStep : JobProgress {
    explicit AtStep(int step, std::function<bool()> change = {}) : step(step), change(std::move(change)) {}
    void begin(const QString& job, int max) override { begun = job + QLatin1Char('/') + QString::number(max); }
    bool stepAndAskStop(int value, int) override
    {
        if (value != step || !change)
            return value == step;
        changed = change();
        return false;
    }
    void end() override { ended = true; }
    int step;
    std::function<bool()> change;
    QString begun;  // job/max
    bool ended = false, changed = false;
};

QString decode(const QByteArray& bytes) { return QStringDecoder("Shift_JIS").decode(bytes); }

// Runs the program without a display; the exit code, -1 for a crash.
int runProgram(const QString& home, const QStringList& args, QString* stderrText = nullptr, QByteArray* out = nullptr)
{
    const QString program = QCoreApplication::applicationDirPath() + "/../bin/tidewriter";
    if (!QFile::exists(program))
        qFatal("no program at %s", qPrintable(program));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    env.insert("HOME", home);
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(60000);
    if (stderrText)
        *stderrText = QString::fromUtf8(p.readAllStandardError());
    if (out)
        *out = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// The files of a folder, hidden ones included.
QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
}
}  // namespace

class tst_csv : public QObject {
    Q_OBJECT
private slots:
    void init() { ClearDiveCalcMemos(); }
    void quote_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("lone LF") << "a\nb" << "\"a\nb\"";
        QTest::newRow("lone CR") << "a\rb" << "\"a\rb\"";
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
        const QString expected =
            CsvHeader() + "\r\n32,0:45,2024/07/16,,,,,,,,*,*,,,,0,0,,,,,,,,,,,,,,,0.0,0.0,0.0,0.0,,,,,\r\n"
            + "31,0:45,2024/07/15,\"Bob's \"\"Reef\"\", 大瀬崎\",ボート,山田,,,09:05,09:50,,H,10.0,18.5,45,0,45,10.0,"
              "アルミニウム,空気,200,50,2000,1500,16.7,晴れ,28.0,26.0,24.5,4.0,スプリング,10.0,15.0,8.0,12.0,波、流れ,,"
              "\"1行目\r\n2行目\",0 5 10.5,26 25\r\n";
        // No lone line feed either.
        QCOMPARE(decode(ReadFileBytes(log.path("out.csv"))).split("\r\n"), expected.split("\r\n"));
        QVERIFY(ui.messages.isEmpty());
        QVERIFY(ExportCSV(log.path("in.csv"), {{bare, 2}, {id, 1}}, nullptr, &error));  // numbered as the list does
        // An export reads the log and never writes it.
        QVERIFY(!gModified);
        log.close();
        QCOMPARE(ReadFileBytes(log.logPath()), logBefore);
        // Every dive, newest first; a pipe is written as it is, for scripts.
        QString stderrText;
        QByteArray piped;
        const QStringList args{"--export-csv", "/dev/stdout", log.logPath()};
        QVERIFY2(runProgram(log.path("home"), args, &stderrText, &piped) == 0, qPrintable(stderrText));
        QCOMPARE(piped, ReadFileBytes(log.path("in.csv")));
    }
    // A command line that fails says so by its status, and the target keeps its contents.
    void commandLineFailures_data()
    {
        QTest::addColumn<QStringList>("args");  // SUB and OUT stand for a folder beside the log and the target
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("told");  // part of the message
        QTest::newRow("ids with a gap") << QStringList{"--ids", "1,,1"} << 2 << "--ids";
        QTest::newRow("no file name") << QStringList{"--export-csv", ""} << 2 << "--export-csv";
        QTest::newRow("unknown id") << QStringList{"--ids", "999"} << 1 << "999";
        QTest::newRow("log unreadable") << QStringList{"RENAME"} << 1 << "読み込めません";
        QTest::newRow("log empty") << QStringList{"EMPTY"} << 1
                                   << "オープンできませんでした not a database file: ";
        QTest::newRow("onto its backup, by another name")
            << QStringList{"--export-csv", "SUB/../tidewriter.db.bak"} << 1 << "出力先にできません";
    }
    void commandLineFailures()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, told);
        TestLog log;
        log.addDive("2024-07-01", "10:00", "10:40");
        QVERIFY(QDir(log.dir.path()).mkdir("sub"));
        if (args.removeAll("RENAME"))
            QVERIFY(log.db().execute("ALTER TABLE LogTbl RENAME TO Gone"));
        log.close();
        if (args.removeAll("EMPTY"))
            WriteFileBytes(log.logPath(), {});
        QVERIFY(QFile::copy(log.logPath(), log.logPath() + ".bak"));
        const QString out = log.path("out.csv");
        WriteFileBytes(out, "keep me");
        if (!args.contains("--export-csv"))
            args << "--export-csv" << "OUT";
        args.replaceInStrings("SUB", log.path("sub")).replaceInStrings("OUT", out);
        const QByteArray logBefore = ReadFileBytes(log.logPath());
        const QStringList filesBefore = filesIn(log.dir.path());
        QString stderrText;
        QCOMPARE(runProgram(log.path("home"), args << log.logPath(), &stderrText), status);
        QVERIFY2(stderrText.contains(told), qPrintable(stderrText));
        QVERIFY2(stderrText.count('\n') == 1 && !stderrText.contains('\r'), qPrintable(stderrText));  // one line
        QCOMPARE(ReadFileBytes(log.logPath()), logBefore);
        QCOMPARE(ReadFileBytes(log.logPath() + ".bak"), logBefore);
        QCOMPARE(ReadFileBytes(out), QByteArray("keep me"));
        QCOMPARE(filesIn(log.dir.path()), filesBefore);  // no companion made, no temporary file left
    }
    // Saves made by other windows while an export runs succeed, and the file shows the log
    // as it was when the export began.
    void changesDuringExport_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("editor's save") << "editor";
        QTest::newRow("options' apply") << "options";
    }
    void changesDuringExport()
    {
        QFETCH(QString, change);
        TestLog log;
        QList<ExportItem> items;
        for (int day = 20; day >= 1; --day)
            items.append({log.addDive(QStringLiteral("2024-07-%1").arg(day, 2, 10, QLatin1Char('0')), "10:00", "10:40"), day});
        QVERIFY(log.db().execute("UPDATE LogTbl SET suit = 1"));
        ScriptedUi ui;
        QString error;
        QVERIFY(ExportCSV(log.path("before.csv"), items, nullptr, &error));
        const qint64 oldest = items.last().id;
        AtStep other(3, [&] {
            if (change == "options") {
                OptionValues values = LoadOptionValues();
                values.lists[int(OptionList::Suit)][1] = "別のスーツ";
                values.timeHours = "7";
                return ApplyOptionValues(values, [] {});
            }
            DiveTexts texts;
            RecordStore store(texts);
            if (!store.LoadRecord(oldest, 1))
                return false;
            texts.setText("txtInTime", "09:00");  // every later dive's total time changes
            return store.SaveRecord().ok;
        });
        QVERIFY2(ExportCSV(log.path("during.csv"), items, &other, &error), qPrintable(error));
        QVERIFY(other.changed);
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(ReadFileBytes(log.path("during.csv")), ReadFileBytes(log.path("before.csv")));
        // The change is in the log, and the next export shows it.
        QVERIFY(ExportCSV(log.path("after.csv"), items, nullptr, &error));
        QVERIFY(ReadFileBytes(log.path("after.csv")) != ReadFileBytes(log.path("before.csv")));
    }
    // The rows run in this order through the same encoder: nothing of one line may reach the next.
    void shiftJis_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("wave dash") << "A〜B" << QByteArray("A\x81\x60" "B");
        QTest::newRow("not in the code page") << "x😀y™z" << QByteArray("x?y?z");
        QTest::newRow("after a failed line") << "①" << QByteArray("\x87\x40");
        QTest::newRow("half a pair at the end") << QString("a") + QChar(0xD83D) << QByteArray("a?");
        QTest::newRow("other half at the start") << QChar(0xDE00) + QString("b") << QByteArray("?b");
    }
    void shiftJis()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(ToShiftJis(text), bytes);
    }
    void cancelKeepsLinesWritten()
    {
        TestLog log;
        QList<ExportItem> items;
        for (int i = 1; i <= 10; ++i)
            items.append({log.addDive(QStringLiteral("2024-07-%1").arg(i, 2, 10, QLatin1Char('0')), "10:00", "10:40"), i});
        ScriptedUi ui;
        AtStep stop(4);  // asked before the fourth dive
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
        QCOMPARE(filesIn(log.dir.path()), QStringList({"cancel.csv", "tidewriter.db"}));
    }
    // The log and its companions are never a target, whatever the path that leads to them;
    // a failed export says why; neither touches an existing file nor leaves one behind.
    void targets_data()
    {
        QTest::addColumn<QString>("target");  // in the test folder, which holds the log, its .bak and sub/
        QTest::addColumn<QString>("link");    // link.csv made first, to this, when given
        QTest::addColumn<QString>("told");    // part of the message, empty for success
        const QString refused = "出力先にできません";
        QTest::newRow("through ..") << "sub/../tidewriter.db" << "" << refused;
        QTest::newRow("a link to it") << "link.csv" << "tidewriter.db" << refused;
        QTest::newRow("a hard link to it") << "hard.csv" << "HARD" << refused;
        QTest::newRow("compaction file, not there yet") << "tidewriter.db.new" << "" << refused;
        QTest::newRow("journal through a linked folder") << "link.csv/tidewriter.db-journal" << "." << refused;
        QTest::newRow("dangling link to .old") << "link.csv" << "tidewriter.db.old" << refused;
        QTest::newRow("beside it") << "tidewriter.db.csv" << "" << "";
        QTest::newRow("its name, elsewhere") << "sub/tidewriter.db.new" << "" << "";
        QTest::newRow("a link elsewhere stays a link") << "link.csv" << "sub/real.csv" << "";
        QTest::newRow("missing folder") << "no/such/folder/out.csv" << "" << "作成できません";
        QTest::newRow("full disk") << "/dev/full" << "" << "書き込めません";
        QTest::newRow("log unreadable") << "out.csv" << "UNREADABLE" << "読み込めません";
    }
    void targets()
    {
        QFETCH(QString, target);
        QFETCH(QString, link);
        QFETCH(QString, told);
        if (target == "/dev/full" && !QFile::exists(target))
            QSKIP("this system has no /dev/full");
        TestLog log;
        log.addDive("2024-07-01", "10:00", "10:40");
        QVERIFY(QDir(log.dir.path()).mkdir("sub"));
        QVERIFY(QFile::copy(log.logPath(), log.logPath() + ".bak"));
        WriteFileBytes(log.path("out.csv"), "keep me");
        const QString path = target.startsWith('/') ? target : log.path(target);
        if (link == "HARD")
            QVERIFY(::link(QFile::encodeName(log.logPath()).constData(), QFile::encodeName(path).constData()) == 0);
        else if (link == "UNREADABLE")
            QVERIFY(log.db().execute("ALTER TABLE LogTbl RENAME TO Gone"));
        else if (!link.isEmpty())
            QVERIFY(QFile::link(link, log.path("link.csv")));
        const QByteArray logBefore = ReadFileBytes(log.logPath());
        const QStringList filesBefore = filesIn(log.dir.path());
        ScriptedUi ui;
        AtStep never(-1);
        QString error;
        QCOMPARE(ExportCSV(path, {{1, 1}}, &never, &error), told.isEmpty());
        QVERIFY2(error.contains(told), qPrintable(error));
        QVERIFY(never.begun.isEmpty() || never.ended);
        QCOMPARE(ReadFileBytes(log.path("out.csv")), QByteArray("keep me"));
        if (told.isEmpty())
            QVERIFY(decode(ReadFileBytes(path)).startsWith(CsvHeader() + "\r\n1,")
                    && QFileInfo(path).isSymLink() == !link.isEmpty());
        else
            QCOMPARE(filesIn(log.dir.path()), filesBefore);  // no companion made, no temporary file left
        log.close();
        QCOMPARE(ReadFileBytes(log.logPath()), logBefore);
    }
};

QTEST_GUILESS_MAIN(tst_csv)
#include "tst_csv.moc"
