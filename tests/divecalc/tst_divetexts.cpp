#include "DiveContext.h"
#include "DiveTexts.h"
#include "Globals.h"
#include "SyntheticLog.h"
#include "TestLog.h"
#include "modCSV.h"
#include "modDiveCalc.h"

#include <QtTest>

namespace {
struct Dive {
    QString date, in, out;
    QVariant avg, max, capa, start, end;
};

qint64 insert(TestLog& log, const Dive& d)
{
    auto v = [](const QString& s) { return s.isEmpty() ? QVariant() : QVariant(s); };
    if (!log.db().execute(QStringLiteral("INSERT INTO LogTbl (dive_date, in_time, out_time, avg_depth, max_depth,"
                                         " tank_capa, start_tank_bar, end_tank_bar) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                          {v(d.date), v(d.in), v(d.out), d.avg, d.max, d.capa, d.start, d.end}))
        qFatal("%s", qPrintable(log.db().lastError()));
    return log.db().lastInsertId();
}

QString letter(long group)
{
    return GroupLetter(group);
}
}  // namespace

class tst_divetexts : public QObject {
    Q_OBJECT
private slots:
    void init() { ClearDiveCalcMemos(); }
    void freshEditor_data();
    void freshEditor();
    void secondDiveOfTheDay();
    void chainUsesEachDivesOwnInterval();
    void pastMidnightDiveIsNotEarlier();
    void cumulativeTime();
    void typedUnderwaterTimeSetsExit();
    void batchMatchesPerDive();
};

void tst_divetexts::freshEditor_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QVariant>("avg");
    QTest::addColumn<QVariant>("max");
    QTest::addColumn<QVariant>("capa");
    QTest::addColumn<QStringList>("expect");  // control=text pairs
    QTest::newRow("nothing but the date") << "" << "" << QVariant() << QVariant() << QVariant()
                                          << QStringList({"txtUWTime=", "txtTankQuant=", "txtTankSpeed=", "txtRnt=0",
                                                          "txtAbt=0", "txtTbt=0", "txtOutPG=*", "txtTodayNum=",
                                                          "txtInPG=*", "txtSI=", "txtMaxDepth="});
    // Loading the maximum depth with no average runs the air calculation.
    QTest::newRow("depth only") << "" << "" << QVariant() << QVariant(12.0) << QVariant()
                                << QStringList({"txtUWTime=", "txtTankQuant=0", "txtTankUsed=0", "txtTankSpeed=0.0",
                                                "txtMaxDepth=12.0", "txtAvgDepth="});
    QTest::newRow("air at 10 m") << "10:00" << "10:30" << QVariant(10.0) << QVariant(14.0) << QVariant(10.0)
                                 << QStringList({"txtUWTime=30", "txtAbt=30", "txtTbt=30", "txtTankQuant=2000",
                                                 "txtTankUsed=1500", "txtTankSpeed=25.0", "txtTodayNum=1",
                                                 "txtTodayTotal=1", "txtInPG=", "txtOutPG=D"});
    QTest::newRow("no underwater time") << "10:00" << "10:00" << QVariant(10.0) << QVariant() << QVariant(10.0)
                                        << QStringList({"txtUWTime=", "txtTankSpeed=0.0", "txtTankQuant=2000"});
    QTest::newRow("past midnight") << "23:30" << "00:45" << QVariant() << QVariant(12.0) << QVariant()
                                   << QStringList({"txtUWTime=75", "txtAbt=75", "txtTbt=75", "txtOutPG=Q"});
    QTest::newRow("stored 18.04 is 18.0") << "09:00" << "09:40" << QVariant() << QVariant(18.04) << QVariant()
                                          << QStringList({"txtMaxDepth=18.0", "txtOutPG=P"});
    QTest::newRow("too deep") << "09:00" << "09:10" << QVariant() << QVariant(45.0) << QVariant()
                              << QStringList({"txtOutPG=*"});
}

void tst_divetexts::freshEditor()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QFETCH(QVariant, avg);
    QFETCH(QVariant, max);
    QFETCH(QVariant, capa);
    QFETCH(QStringList, expect);
    TestLog log;
    const bool tank = capa.isValid();
    const qint64 id = insert(log, {"2024-07-15", in, out, avg, max, capa, tank ? QVariant(200) : QVariant(),
                                   tank ? QVariant(50) : QVariant()});
    DiveTexts dive;
    QVERIFY(dive.load(id, 7));
    QCOMPARE(dive.text(QStringLiteral("txtNo")), QStringLiteral("7"));
    QCOMPARE(dive.caption(), QStringLiteral("2024/07/15 - "));
    for (const QString& pair : expect) {
        const QString control = pair.section(QLatin1Char('='), 0, 0), text = pair.section(QLatin1Char('='), 1);
        QVERIFY2(dive.text(control) == text, qPrintable(control + ": " + dive.text(control)));
    }
}

void tst_divetexts::secondDiveOfTheDay()
{
    TestLog log;
    insert(log, {"2024-07-15", "09:00", "09:40", QVariant(), QVariant(18.0), {}, {}, {}});
    // 1 h 35 min after the first dive ended; 761 litres over 20 minutes reads 38.1, not 38.0.
    const qint64 second = insert(log, {"2024-07-15", "11:15", "11:35", QVariant(0.0), QVariant(12.0), QVariant(761),
                                       QVariant(1), QVariant(0)});
    DiveTexts dive;
    QVERIFY(dive.load(second, 2));
    QCOMPARE(dive.text(QStringLiteral("txtTodayNum")), QStringLiteral("2"));
    QCOMPARE(dive.text(QStringLiteral("txtTodayTotal")), QStringLiteral("2"));
    QCOMPARE(dive.text(QStringLiteral("txtSI")), QStringLiteral("01:35"));
    const long start = GetSiEndPg(GetEndPg(0, 18, 40), 95);
    QVERIFY(start > 0);
    QCOMPARE(dive.text(QStringLiteral("txtInPG")), letter(start));
    QCOMPARE(dive.text(QStringLiteral("txtRnt")), QString::number(GetRnt(start, 12)));
    QCOMPARE(dive.text(QStringLiteral("txtTbt")), QString::number(GetRnt(start, 12) + 20));
    QCOMPARE(dive.text(QStringLiteral("txtOutPG")), letter(GetEndPg(start, 12, 20)));
    QCOMPARE(dive.text(QStringLiteral("txtTankSpeed")), QStringLiteral("38.1"));

    // Beyond the table the diver is clean: "*", RNT 0, the end group of a first dive.
    QVERIFY(log.db().execute(QStringLiteral("UPDATE LogTbl SET in_time = '17:00', out_time = '17:20' WHERE id = ?"), {second}));
    QVERIFY(dive.load(second, 2));
    QCOMPARE(dive.text(QStringLiteral("txtSI")), QStringLiteral("07:20"));
    QCOMPARE(dive.text(QStringLiteral("txtInPG")), QStringLiteral("*"));
    QCOMPARE(dive.text(QStringLiteral("txtRnt")), QStringLiteral("0"));
    QCOMPARE(dive.text(QStringLiteral("txtOutPG")), letter(GetEndPg(0, 12, 20)));
}

void tst_divetexts::chainUsesEachDivesOwnInterval()
{
    TestLog log;
    insert(log, {"2024-07-15", "08:00", "08:45", QVariant(), QVariant(18.0), {}, {}, {}});
    insert(log, {"2024-07-15", "09:45", "10:15", QVariant(), QVariant(14.0), {}, {}, {}});
    const qint64 third = insert(log, {"2024-07-15", "10:35", "11:00", QVariant(), QVariant(12.0), {}, {}, {}});
    const long first = GetEndPg(0, 18, 45);
    const long own = GetEndPg(GetSiEndPg(first, 60), 14, 30);       // 60 minutes between dives 1 and 2
    const long borrowed = GetEndPg(GetSiEndPg(first, 20), 14, 30);  // the current dive's 20 minutes
    QVERIFY2(own != borrowed, "the day must tell the two readings apart");
    DiveTexts dive;
    QVERIFY(dive.load(third, 3));
    QCOMPARE(dive.GetPrevEndPg(), own);
    QCOMPARE(dive.text(QStringLiteral("txtSI")), QStringLiteral("00:20"));
    QCOMPARE(dive.text(QStringLiteral("txtInPG")), letter(GetSiEndPg(own, 20)));
}

void tst_divetexts::pastMidnightDiveIsNotEarlier()
{
    TestLog log;
    insert(log, {"2024-07-15", "22:00", "22:40", QVariant(), QVariant(18.0), {}, {}, {}});
    const qint64 night = insert(log, {"2024-07-15", "23:10", "00:05", QVariant(), QVariant(12.0), {}, {}, {}});
    DiveTexts dive;
    QVERIFY(dive.load(night, 2));
    // Its own exit (00:05) is on the next day: only the 22:00 dive came before it.
    QCOMPARE(dive.text(QStringLiteral("txtSI")), QStringLiteral("00:30"));
    QCOMPARE(dive.GetPrevEndPg(), GetEndPg(0, 18, 40));
    QVERIFY(GetEndPg(GetSiEndPg(GetEndPg(0, 12, 55), 0), 18, 40) != GetEndPg(0, 18, 40));
    QCOMPARE(dive.text(QStringLiteral("txtInPG")), letter(GetSiEndPg(GetEndPg(0, 18, 40), 30)));
}

void tst_divetexts::cumulativeTime()
{
    TestLog log;
    gTimeOffset = 600;
    insert(log, {"2024-07-14", "10:00", "10:40", {}, {}, {}, {}, {}});
    insert(log, {"2024-07-14", "13:00", "13:50", {}, {}, {}, {}, {}});
    insert(log, {"2024-07-14", "23:40", "00:20", {}, {}, {}, {}, {}});
    insert(log, {"2024-07-16", "09:00", "09:30", {}, {}, {}, {}, {}});  // later: not counted
    const qint64 id = insert(log, {"2024-07-15", "09:00", "09:45", {}, {}, {}, {}, {}});
    DiveTexts dive;
    QVERIFY(dive.load(id, 4));
    QCOMPARE(dive.text(QStringLiteral("txtTotalTime")), QStringLiteral("12:55"));  // 600 + 45 + 90 + 40
    gTimeOffset = 15;
    const qint64 alone = insert(log, {"2020-01-01", "09:00", "09:45", {}, {}, {}, {}, {}});
    QVERIFY(dive.load(alone, 1));
    QCOMPARE(dive.text(QStringLiteral("txtTotalTime")), QStringLiteral("1:00"));
    // An empty entry time counts no earlier dive, and the day has no number for it.
    const qint64 untimed = insert(log, {"2024-07-15", "", "", {}, {}, {}, {}, {}});
    QVERIFY(dive.load(untimed, 9));
    QCOMPARE(dive.text(QStringLiteral("txtTotalTime")), QStringLiteral("0:00"));
    QCOMPARE(dive.text(QStringLiteral("txtTodayNum")), QString());
    QCOMPARE(dive.text(QStringLiteral("txtTodayTotal")), QStringLiteral("2"));
    QCOMPARE(dive.text(QStringLiteral("txtInPG")), QStringLiteral("*"));
    QCOMPARE(dive.text(QStringLiteral("txtRnt")), QStringLiteral("0"));
}

void tst_divetexts::typedUnderwaterTimeSetsExit()
{
    TestLog log;
    DiveTexts dive;
    int uwChanges = 0;
    connect(&dive, &DiveTexts::textChanged, [&](const QString& c) { uwChanges += c == QLatin1String("txtUWTime"); });
    dive.setText(QStringLiteral("txtInTime"), QStringLiteral("23:30"));
    dive.setText(QStringLiteral("txtUWTime"), QStringLiteral("75"));
    QCOMPARE(dive.text(QStringLiteral("txtOutTime")), QStringLiteral("00:45"));
    QCOMPARE(dive.text(QStringLiteral("txtAbt")), QStringLiteral("0"));  // ABT follows the times, not the box
    uwChanges = 0;
    // A new entry time that keeps the same difference changes nothing downstream.
    dive.setText(QStringLiteral("txtOutTime"), QStringLiteral("00:45"));
    dive.setText(QStringLiteral("txtInTime"), QStringLiteral("23:30"));
    QCOMPARE(uwChanges, 0);
    dive.setText(QStringLiteral("txtUWTime"), QStringLiteral("1440"));
    QCOMPARE(dive.text(QStringLiteral("txtOutTime")), QStringLiteral("00:45"));
}

void tst_divetexts::batchMatchesPerDive()
{
    TestLog log;
    gNoOffset = 12;
    gTimeOffset = 3000;
    SyntheticLogOptions options;
    options.dives = 400;
    options.years = 1;
    QString error;
    QVERIFY2(AddSyntheticDives(log.db(), options, &error), qPrintable(error));
    // Edge rows: several dives a day, one past midnight, Null fields and times.
    insert(log, {"2024-03-03", "23:50", "00:30", QVariant(0.0), QVariant(14.0), {}, {}, {}});
    insert(log, {"2024-03-03", "20:00", "20:45", QVariant(8.0), QVariant(12.0), QVariant(10), QVariant(200), {}});
    insert(log, {"2024-03-03", "", "21:10", {}, QVariant(10.0), {}, {}, {}});
    insert(log, {"2024-03-03", "21:30", "", {}, {}, {}, {}, {}});
    insert(log, {"", "10:00", "10:30", {}, QVariant(10.0), {}, {}, {}});
    insert(log, {"2024-03-03", "20:00", "20:45", QVariant(8.0), QVariant(12.0), {}, {}, {}});  // same entry
    BatchDiveContext batch;
    QVERIFY(batch.load());
    SqlDiveContext sql;
    DiveTexts one(&sql), many(&batch);
    auto rs = log.db().query(QStringLiteral("SELECT id FROM LogTbl"));
    int compared = 0;
    for (; !rs->eof(); rs->moveNext(), ++compared) {
        const qint64 id = rs->field(0).toLongLong();
        QVERIFY(one.load(id, compared));
        QVERIFY(many.load(id, compared));
        QCOMPARE(CsvLine(many), CsvLine(one));
    }
    QCOMPARE(compared, 406);
}

QTEST_GUILESS_MAIN(tst_divetexts)
#include "tst_divetexts.moc"
