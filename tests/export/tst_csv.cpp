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
// Stops the job when asked about the given step.
class StopAt : public JobProgress {
public:
    explicit StopAt(int step) : m_step(step) {}
    void begin(const QString& job, int max) override { begun = job + QLatin1Char('/') + QString::number(max); }
    bool stepAndAskStop(int value, int) override { return value == m_step; }
    void end() override { ended = true; }
    QString begun;
    bool ended = false;

private:
    int m_step;
};

QString decode(const QByteArray& bytes)
{
    QStringDecoder d("Shift_JIS");
    return d.decode(bytes);
}

qint64 addFullDive(TestLog& log)
{
    const bool ok = log.db().execute(QStringLiteral(
        "INSERT INTO LogTbl (dive_date, in_time, out_time, location, entry_type, buddy, avg_depth, max_depth,"
        " tank_capa, start_tank_bar, end_tank_bar, tank_mat, air_type, weather, air_temp, surface_temp, depth_temp,"
        " weight, suit, min_visibility, max_visibility, min_transparency, max_transparency, condition, item,"
        " comment, depth_transit, temp_transit) VALUES ('2024-07-15', '09:05', '09:50', ?, 1, '山田', 10, 18.5,"
        " 10, 200, 50, 0, 0, 0, 28, 26, 24.5, 4, 6, 10, 15, 8, 12, 5, 0, ?, '0 5 10.5', '26 25')"),
        {QStringLiteral("Bob's \"Reef\", 大瀬崎"), QStringLiteral("1行目\r\n2行目")});
    if (!ok)
        qFatal("%s", qPrintable(log.db().lastError()));
    return log.db().lastInsertId();
}
}  // namespace

class tst_csv : public QObject {
    Q_OBJECT
private slots:
    void init() { ClearDiveCalcMemos(); }
    void quote_data();
    void quote();
    void knownLogGivesKnownFile();
    void shiftJisReplacements();
    void cancelKeepsLinesWritten();
    void unwritableFile_data();
    void unwritableFile();
    void commandLineWithoutDisplay();
};

void tst_csv::quote_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("quoted");
    QTest::newRow("plain") << "大瀬崎" << "大瀬崎";
    QTest::newRow("comma") << "a,b" << "\"a,b\"";
    QTest::newRow("quote") << "say \"hi\"" << "\"say \"\"hi\"\"\"";
    QTest::newRow("line end") << "a\r\nb" << "\"a\r\nb\"";
    QTest::newRow("lone LF") << "a\nb" << "a\nb";
    QTest::newRow("lone CR") << "a\rb" << "a\rb";
    QTest::newRow("empty") << "" << "";
}

void tst_csv::quote()
{
    QFETCH(QString, field);
    QFETCH(QString, quoted);
    QCOMPARE(CsvQuote(field), quoted);
}

void tst_csv::knownLogGivesKnownFile()
{
    TestLog log;
    const qint64 id = addFullDive(log);
    const qint64 bare = log.addDive(QStringLiteral("2024-07-16"), QString(), QString());
    log.close();
    const QByteArray logBefore = ReadFileBytes(log.logPath());
    log.open();
    ScriptedUi ui;
    const QString file = log.path(QStringLiteral("out.csv"));
    QString error;
    QVERIFY(ExportCSV(file, {{bare, 32}, {id, 31}}, nullptr, &error));
    const QByteArray bytes = ReadFileBytes(file);
    // "No," then 累計 in Shift-JIS.
    QVERIFY(bytes.startsWith(QByteArray("No,\x97\xdd\x8c\x76", 7)));
    const QString expected =
        CsvHeader() + QStringLiteral("\r\n")
        + QStringLiteral("32,0:00,2024/07/16,,,,,,,,*,*,,,,0,0,,,,,,,,,,,,,,,0.0,0.0,0.0,0.0,,,,,\r\n")
        + QStringLiteral("31,0:45,2024/07/15,\"Bob's \"\"Reef\"\", 大瀬崎\",ボート,山田,,,09:05,09:50,,H,10.0,18.5,45,0,45,"
                         "10.0,アルミニウム,空気,200,50,2000,1500,16.7,晴れ,28.0,26.0,24.5,4.0,スプリング,10.0,15.0,8.0,"
                         "12.0,波、流れ,,\"1行目\r\n2行目\",0 5 10.5,26 25\r\n");
    const QStringList got = decode(bytes).split(QStringLiteral("\r\n")), want = expected.split(QStringLiteral("\r\n"));
    QCOMPARE(got.size(), want.size());
    for (qsizetype i = 0; i < got.size(); ++i)
        QCOMPARE(got[i], want[i]);
    QCOMPARE(bytes.count("\r\n"), 4);
    QCOMPARE(bytes.count('\n'), 4);
    QVERIFY(ui.messages.isEmpty());
    // An export reads the log and never writes it.
    QVERIFY(!gModified);
    log.close();
    QCOMPARE(ReadFileBytes(log.logPath()), logBefore);
}

void tst_csv::shiftJisReplacements()
{
    QCOMPARE(ToShiftJis(QStringLiteral("A〜B")), QByteArray("A\x81\x60" "B"));
    QCOMPARE(ToShiftJis(QStringLiteral("−")), QByteArray("\x81\x7c"));
    QCOMPARE(ToShiftJis(QStringLiteral("x😀y™z")), QByteArray("x?y?z"));
    QCOMPARE(ToShiftJis(QStringLiteral("①")), QByteArray("\x87\x40"));
}

void tst_csv::cancelKeepsLinesWritten()
{
    TestLog log;
    QList<ExportItem> items;
    for (int i = 0; i < 10; ++i)
        items.append({log.addDive(QStringLiteral("2024-07-%1").arg(i + 1, 2, 10, QLatin1Char('0')),
                                  QStringLiteral("10:00"), QStringLiteral("10:40")),
                      long(i + 1)});
    ScriptedUi ui;
    StopAt stop(4);  // asked before the fourth dive
    const QString file = log.path(QStringLiteral("cancel.csv"));
    QString error;
    QVERIFY(ExportCSV(file, items, &stop, &error));
    QCOMPARE(stop.begun, QStringLiteral("CSV出力処理中です . . ./10"));
    QVERIFY(stop.ended);
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ui.messages[0].text, QStringLiteral("出力を中断します"));
    QCOMPARE(ui.messages[0].icon, MsgIcon::Exclamation);
    const QStringList lines = decode(ReadFileBytes(file)).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 1 + 3 + 1);  // header, three dives, and the empty text after the last line end
    QVERIFY(lines[3].startsWith(QStringLiteral("3,")));
}

void tst_csv::unwritableFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing folder") << "no/such/folder/out.csv";
    QTest::newRow("a folder") << ".";
    QTest::newRow("full disk") << "/dev/full";
}

void tst_csv::unwritableFile()
{
    QFETCH(QString, name);
    TestLog log;
    log.addDive(QStringLiteral("2024-07-01"), QStringLiteral("10:00"), QStringLiteral("10:40"));
    if (name == QLatin1String("/dev/full") && !QFile::exists(name))
        QSKIP("this system has no /dev/full");
    const QString file = name.startsWith(QLatin1Char('/')) ? name : log.path(name);
    StopAt never(-1);
    QString error;
    QVERIFY(!ExportCSV(file, {{1, 1}}, &never, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(never.ended);
}

void tst_csv::commandLineWithoutDisplay()
{
    TestLog log;
    const qint64 id = addFullDive(log);
    const qint64 other = log.addDive(QStringLiteral("2023-01-02"), QStringLiteral("08:00"), QStringLiteral("08:30"));
    const QString inProcess = log.path(QStringLiteral("in.csv"));
    QString error;
    QVERIFY(ExportCSV(inProcess, {{id, 2}, {other, 1}}, nullptr, &error));
    log.close();

    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/tidewriter");
    QVERIFY2(QFile::exists(program), qPrintable(program));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("HOME"), log.path(QStringLiteral("home")));
    auto run = [&](const QStringList& args, int* status) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, args);
        p.waitForFinished(60000);
        *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return QString::fromLocal8Bit(p.readAllStandardError());
    };
    int status = 0;
    const QString all = log.path(QStringLiteral("all.csv"));
    QString stderrText = run({QStringLiteral("--export-csv"), all, log.logPath()}, &status);
    QVERIFY2(status == 0, qPrintable(stderrText));
    QCOMPARE(ReadFileBytes(all), ReadFileBytes(inProcess));  // every dive, newest first

    const QString picked = log.path(QStringLiteral("picked.csv"));
    stderrText = run({QStringLiteral("--export-csv"), picked, QStringLiteral("--ids"), QString::number(other),
                      log.logPath()}, &status);
    QCOMPARE(status, 0);
    QCOMPARE(decode(ReadFileBytes(picked)).count(QStringLiteral("\r\n")), 2);

    stderrText = run({QStringLiteral("--export-csv"), picked, QStringLiteral("--ids"), QStringLiteral("999"),
                      log.logPath()}, &status);
    QVERIFY(status != 0);
    QVERIFY(stderrText.contains(QStringLiteral("999")));
    stderrText = run({QStringLiteral("--export-csv"), log.path(QStringLiteral("no/dir/x.csv")), log.logPath()}, &status);
    QVERIFY(status != 0);
    QVERIFY(stderrText.contains(QStringLiteral("cannot write")));
    run({QStringLiteral("--help")}, &status);
    QCOMPARE(status, 0);
}

QTEST_GUILESS_MAIN(tst_csv)
#include "tst_csv.moc"
