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
    // A field quoted for the file, or text encoded; the encoded rows run in this order through the same encoder:
    // nothing of one line may reach the next.
    void texts_data()
    {
        QTest::addColumn<bool>("quote");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("quoted lone LF") << true << "a\nb" << QByteArray("\"a\nb\"");
        QTest::newRow("quoted lone CR") << true << "a\rb" << QByteArray("\"a\rb\"");
        QTest::newRow("quoted empty") << true << "" << QByteArray("");
        QTest::newRow("wave dash") << false << "A〜B" << QByteArray("A\x81\x60" "B");
        QTest::newRow("not in the code page") << false << "x😀y™z" << QByteArray("x?y?z");
        QTest::newRow("after a failed line") << false << "①" << QByteArray("\x87\x40");
        QTest::newRow("half a pair at the end") << false << QString("a") + QChar(0xD83D) << QByteArray("a?");
        QTest::newRow("other half at the start") << false << QChar(0xDE00) + QString("b") << QByteArray("?b");
    }
    void texts()
    {
        QFETCH(bool, quote);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(quote ? CsvQuote(text).toUtf8() : ToShiftJis(text), bytes);
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
    // At the fourth dive the user stops the export, or another window saves: a stop keeps the lines written; the
    // saves succeed, and the file shows the log as it was when the export began.
    void atAStep_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("stopped") << "stop";
        QTest::newRow("editor's save") << "editor";
        QTest::newRow("options' apply") << "options";
    }
    void atAStep()
    {
        QFETCH(QString, change);
        TestLog log;
        QList<ExportItem> items;
        for (int day = 10; day >= 1; --day)
            items.append({log.addDive(QStringLiteral("2024-07-%1").arg(day, 2, 10, QLatin1Char('0')), "10:00", "10:40"), day});
        QVERIFY(log.db().execute("UPDATE LogTbl SET suit = 1"));
        ScriptedUi ui;
        QString error;
        QVERIFY(ExportCSV(log.path("before.csv"), items, nullptr, &error));
        const qint64 oldest = items.last().id;
        AtStep other(4, change == "stop" ? std::function<bool()>() : [&] {
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
        QCOMPARE(other.begun, QStringLiteral("CSV出力処理中です . . ./10"));
        QVERIFY(other.ended);
        const QString before = decode(ReadFileBytes(log.path("before.csv")));
        const QString during = decode(ReadFileBytes(log.path("during.csv")));
        if (change == "stop") {
            QCOMPARE(filesIn(log.dir.path()), QStringList({"before.csv", "during.csv", "tidewriter.db"}));
            QCOMPARE(ui.messages.size(), 1);
            QCOMPARE(std::pair(ui.messages[0].text, ui.messages[0].icon), std::pair(QStringLiteral("出力を中断します"), MsgIcon::Exclamation));
            QCOMPARE(during.split("\r\n"), before.split("\r\n").mid(0, 4) << "");  // header and three dives
            return;
        }
        QVERIFY(other.changed);
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(during, before);
        // The change is in the log, and the next export shows it.
        QVERIFY(ExportCSV(log.path("after.csv"), items, nullptr, &error));
        QVERIFY(ReadFileBytes(log.path("after.csv")) != ReadFileBytes(log.path("before.csv")));
    }
    // The log and its companions are never a target, whatever the path; a failure says why, in the program or on
    // its command line (one line, and the status); none touches an existing file nor leaves one behind.
    void targets_data()
    {
        QTest::addColumn<QString>("target");     // in the test folder, which holds the log, its .bak and sub/
        QTest::addColumn<QString>("link");       // link.csv made first, to this; or HARD, UNREADABLE, EMPTY
        QTest::addColumn<QString>("told");       // part of the message, empty for success
        QTest::addColumn<QStringList>("args");   // the command line's, before the target and the log
        QTest::addColumn<int>("status");         // the command line's, -1: exported in this process
        const auto row = [](const char* name, const QString& target, const QString& link, const QString& told,
                            const QStringList& args = {}, int status = -1) {
            QTest::newRow(name) << target << link << told << args << status;
        };
        const QString refused = "出力先にできません";
        row("through ..", "sub/../tidewriter.db", "", refused);
        row("a link to it", "link.csv", "tidewriter.db", refused);
        row("a hard link to it", "hard.csv", "HARD", refused);
        row("compaction file, not there yet", "tidewriter.db.new", "", refused);
        row("journal through a linked folder", "link.csv/tidewriter.db-journal", ".", refused);
        row("dangling link to .old", "link.csv", "tidewriter.db.old", refused);
        row("beside it", "tidewriter.db.csv", "", "");
        row("its name, elsewhere", "sub/tidewriter.db.new", "", "");
        row("a link elsewhere stays a link", "link.csv", "sub/real.csv", "");
        row("missing folder", "no/such/folder/out.csv", "", "作成できません");
        row("full disk", "/dev/full", "", "書き込めません");
        row("log unreadable", "out.csv", "UNREADABLE", "読み込めません");
        row("command line: ids with a gap", "out.csv", "", "--ids", {"--ids", "1,,1"}, 2);
        row("command line: no file name", "", "", "--export-csv", {}, 2);
        row("command line: unknown id", "out.csv", "", "999", {"--ids", "999"}, 1);
        row("command line: log unreadable", "out.csv", "UNREADABLE", "読み込めません", {}, 1);
        row("command line: log empty", "out.csv", "EMPTY", "オープンできませんでした not a database file: ", {}, 1);
        row("command line: onto its backup, by another name", "sub/../tidewriter.db.bak", "", refused, {}, 1);
    }
    void targets()
    {
        QFETCH(QString, target);
        QFETCH(QString, link);
        QFETCH(QString, told);
        QFETCH(QStringList, args);
        QFETCH(int, status);
        if (target == "/dev/full" && !QFile::exists(target))
            QSKIP("this system has no /dev/full");
        TestLog log;
        log.addDive("2024-07-01", "10:00", "10:40");
        QVERIFY(QDir(log.dir.path()).mkdir("sub"));
        QVERIFY(QFile::copy(log.logPath(), log.logPath() + ".bak"));
        WriteFileBytes(log.path("out.csv"), "keep me");
        const QString path = target.isEmpty() || target.startsWith('/') ? target : log.path(target);
        if (link == "HARD")
            QVERIFY(::link(QFile::encodeName(log.logPath()).constData(), QFile::encodeName(path).constData()) == 0);
        else if (link == "UNREADABLE")
            QVERIFY(log.db().execute("ALTER TABLE LogTbl RENAME TO Gone"));
        else if (link == "EMPTY") {
            log.close();
            WriteFileBytes(log.logPath(), {});
        }
        else if (!link.isEmpty())
            QVERIFY(QFile::link(link, log.path("link.csv")));
        const QByteArray logBefore = ReadFileBytes(log.logPath()), bakBefore = ReadFileBytes(log.logPath() + ".bak");
        const QStringList filesBefore = filesIn(log.dir.path());
        ScriptedUi ui;
        AtStep never(-1);
        QString error;
        if (status < 0) {
            QCOMPARE(ExportCSV(path, {{1, 1}}, &never, &error), told.isEmpty());
            QVERIFY(never.begun.isEmpty() || never.ended);
        } else {
            QCOMPARE(runProgram(log.path("home"), args << "--export-csv" << path << log.logPath(), &error), status);
            QVERIFY2(error.count('\n') == 1 && !error.contains('\r'), qPrintable(error));  // one line
        }
        QVERIFY2(error.contains(told), qPrintable(error));
        QCOMPARE(ReadFileBytes(log.path("out.csv")), QByteArray("keep me"));
        if (told.isEmpty())
            QVERIFY(decode(ReadFileBytes(path)).startsWith(CsvHeader() + "\r\n1,")
                    && QFileInfo(path).isSymLink() == !link.isEmpty());
        else
            QCOMPARE(filesIn(log.dir.path()), filesBefore);  // no companion made, no temporary file left
        log.close();
        QCOMPARE(ReadFileBytes(log.logPath()), logBefore);
        QCOMPARE(ReadFileBytes(log.logPath() + ".bak"), bakBefore);
    }
};

QTEST_GUILESS_MAIN(tst_csv)
#include "tst_csv.moc"
