#include "DiveContext.h"
#include "DiveTexts.h"
#include "Globals.h"
#include "TestLog.h"
#include "modCSV.h"
#include "modDiveCalc.h"

#include <QtTest>

namespace {
// A dive: "date entry exit" ("-" or left out: Null), maximum and average depth, tank capacity, start and end bar.
struct Dive {
    QString when;
    QVariant max = {}, avg = {}, capa = {}, start = {}, end = {};
};

qint64 insert(TestLog& log, const Dive& d)
{
    const QStringList w = d.when.split(QLatin1Char(' '));
    auto part = [&](int i) { return w.value(i, "-") == "-" ? QVariant() : QVariant(w[i]); };
    if (!log.db().execute(QStringLiteral("INSERT INTO LogTbl (dive_date, in_time, out_time, max_depth, avg_depth,"
                                         " tank_capa, start_tank_bar, end_tank_bar) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                          {part(0), part(1), part(2), d.max, d.avg, d.capa, d.start, d.end}))
        qFatal("%s", qPrintable(log.db().lastError()));
    return log.db().lastInsertId();
}

// The blank-separated "control=text" pairs (controls without "txt") that do not hold, each with the text shown.
QString mismatches(const DiveTexts& dive, const QString& pairs)
{
    QString out;
    for (const QString& pair : pairs.split(QLatin1Char(' ')))
        if (const QString shown = dive.text("txt" + pair.section('=', 0, 0)); shown != pair.section('=', 1))
            out += pair + " (shown: " + shown + ") ";
    return out;
}
}  // namespace
Q_DECLARE_METATYPE(Dive)

class tst_divetexts : public QObject {
    Q_OBJECT
private slots:
    void init() { ClearDiveCalcMemos(); }
    void freshEditor_data()
    {
        QTest::addColumn<Dive>("d");
        QTest::addColumn<QString>("expect");
        QTest::newRow("nothing but the date") << Dive{"2024-07-15"}
            << "UWTime= TankQuant= TankSpeed= Rnt=0 Abt=0 Tbt=0 OutPG=* TodayNum= InPG=* SI= MaxDepth=";
        QTest::newRow("depth only, no average: air calculated") << Dive{"2024-07-15", 12.0}
            << "UWTime= TankQuant=0 TankUsed=0 TankSpeed=0.0 MaxDepth=12.0 AvgDepth=";
        QTest::newRow("air at 10 m") << Dive{"2024-07-15 10:00 10:30", 14.0, 10.0, 10.0, 200, 50}
            << "UWTime=30 Abt=30 Tbt=30 TankQuant=2000 TankUsed=1500 TankSpeed=25.0 TodayNum=1 TodayTotal=1 InPG= OutPG=D";
        QTest::newRow("no underwater time") << Dive{"2024-07-15 10:00 10:00", {}, 10.0, 10.0, 200, 50}
                                            << "UWTime= TankSpeed=0.0 TankQuant=2000";
        QTest::newRow("past midnight") << Dive{"2024-07-15 23:30 00:45", 12.0} << "UWTime=75 Abt=75 Tbt=75 OutPG=Q";
        QTest::newRow("stored 18.04 is 18.0") << Dive{"2024-07-15 09:00 09:40", 18.04} << "MaxDepth=18.0 OutPG=P";
    }
    void freshEditor()
    {
        QFETCH(Dive, d);
        QFETCH(QString, expect);
        TestLog log;
        DiveTexts dive;
        const qint64 id = insert(log, d);
        QVERIFY(dive.load(id, 7));
        QCOMPARE(dive.caption(), QStringLiteral("2024/07/15 - "));
        QCOMPARE(mismatches(dive, expect + " No=7"), QString());
    }
    void secondDiveOfTheDay()
    {
        TestLog log;
        insert(log, {"2024-07-15 09:00 09:40", 18.0});
        // 1 h 35 min after the first dive ended; 761 litres over 20 minutes reads 38.1, not 38.0.
        const qint64 second = insert(log, {"2024-07-15 11:15 11:35", 12.0, 0.0, 761, 1, 0});
        DiveTexts dive;
        QVERIFY(dive.load(second, 2));
        const long start = GetSiEndPg(GetEndPg(0, 18, 40), 95);
        QVERIFY(start > 0);
        QCOMPARE(mismatches(dive, QStringLiteral("TodayNum=2 TodayTotal=2 SI=01:35 InPG=%1 Rnt=%2 Tbt=%3 OutPG=%4 TankSpeed=38.1")
                                      .arg(GroupLetter(start)).arg(GetRnt(start, 12)).arg(GetRnt(start, 12) + 20)
                                      .arg(GroupLetter(GetEndPg(start, 12, 20)))),
                 QString());
        // Beyond the table the diver is clean: "*", RNT 0, the end group of a first dive.
        QVERIFY(log.db().execute(QStringLiteral("UPDATE LogTbl SET in_time = '17:00', out_time = '17:20' WHERE id = ?"), {second}));
        QVERIFY(dive.load(second, 2));
        QCOMPARE(mismatches(dive, "SI=07:20 InPG=* Rnt=0 OutPG=" + GroupLetter(GetEndPg(0, 12, 20))), QString());
    }
    // Each interval of the chain is that dive's own; a dive past midnight comes after its evening's dives.
    void previousDivesByTheirOwnTimes()
    {
        TestLog log;
        insert(log, {"2024-07-15 08:00 08:45", 18.0});
        insert(log, {"2024-07-15 09:45 10:15", 14.0});
        const qint64 third = insert(log, {"2024-07-15 10:35 11:00", 12.0});
        insert(log, {"2024-07-20 22:00 22:40", 18.0});
        const qint64 night = insert(log, {"2024-07-20 23:10 00:05", 12.0});
        const long own = GetEndPg(GetSiEndPg(GetEndPg(0, 18, 45), 60), 14, 30);       // 60 minutes between dives 1 and 2
        const long borrowed = GetEndPg(GetSiEndPg(GetEndPg(0, 18, 45), 20), 14, 30);  // the current dive's 20 minutes
        QVERIFY2(own != borrowed, "the day must tell the two readings apart");
        DiveTexts dive;
        QVERIFY(dive.load(third, 3));
        QCOMPARE(dive.GetPrevEndPg(), own);
        QCOMPARE(mismatches(dive, "SI=00:20 InPG=" + GroupLetter(GetSiEndPg(own, 20))), QString());
        // Its own exit (00:05) is on the next day: only the 22:00 dive came before it.
        QVERIFY(dive.load(night, 5));
        QCOMPARE(dive.GetPrevEndPg(), GetEndPg(0, 18, 40));
        QVERIFY(GetEndPg(GetSiEndPg(GetEndPg(0, 12, 55), 0), 18, 40) != GetEndPg(0, 18, 40));
        QCOMPARE(mismatches(dive, "SI=00:30 InPG=" + GroupLetter(GetSiEndPg(GetEndPg(0, 18, 40), 30))), QString());
    }
    // Earlier: 40 and 50 min and 23:40 to 00:20 the day before, 30 min that morning; a later dive never counts.
    void cumulativeTime_data()
    {
        QTest::addColumn<QString>("when");  // the time offset in minutes, then the dive
        QTest::addColumn<QString>("expect");
        QTest::newRow("offset, earlier dives, this one") << "600 2024-07-15 09:00 09:45" << "TotalTime=13:25";
        QTest::newRow("first dive: an hour") << "15 2020-01-01 09:00 09:45" << "TotalTime=1:00";
        QTest::newRow("nothing at all") << "0 2020-01-01" << "TotalTime=0:00";
        QTest::newRow("no times: earlier dates count")
            << "600 2024-07-15" << "TotalTime=12:10 UWTime= TodayNum= TodayTotal=2 InPG=* Rnt=0";
        QTest::newRow("no exit: no minutes of its own") << "600 2024-07-15 09:00 -" << "TotalTime=12:40 UWTime=";
    }
    void cumulativeTime()
    {
        QFETCH(QString, when);
        QFETCH(QString, expect);
        TestLog log;
        gTimeOffset = when.section(' ', 0, 0).toInt();
        for (const char* earlier : {"2024-07-14 10:00 10:40", "2024-07-14 13:00 13:50", "2024-07-14 23:40 00:20",
                                    "2024-07-15 07:00 07:30", "2024-07-16 09:00 09:30"})
            insert(log, {earlier});
        DiveTexts dive;
        QVERIFY(dive.load(insert(log, {when.section(' ', 1)}), 6));
        QCOMPARE(mismatches(dive, expect), QString());
    }
    // A typed underwater time sets the exit time, and ABT with TBT = RNT + ABT.
    void typedUnderwaterTime_data()
    {
        QTest::addColumn<QString>("typed");  // "control=text" pairs set in this order
        QTest::addColumn<QString>("expect");
        QTest::newRow("past midnight") << "Rnt=0 InTime=23:30 UWTime=75" << "OutTime=00:45 Abt=75 Tbt=75";
        QTest::newRow("with residual nitrogen") << "Rnt=12 InTime=10:00 UWTime=40" << "OutTime=10:40 Abt=40 Tbt=52";
        QTest::newRow("no entry time") << "Rnt=12 InTime= UWTime=40" << "OutTime= Abt=40 Tbt=52";
        QTest::newRow("a day or more") << "Rnt=0 InTime=23:30 UWTime=1440" << "OutTime= Abt=1440 Tbt=1440";
        QTest::newRow("not a number: TBT kept") << "Rnt=12 InTime=10:00 UWTime=4O" << "OutTime= Abt=4O Tbt=0";
    }
    void typedUnderwaterTime()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expect);
        TestLog log;
        DiveTexts dive;
        for (const QString& pair : typed.split(QLatin1Char(' ')))
            dive.setText("txt" + pair.section('=', 0, 0), pair.section('=', 1));
        QCOMPARE(mismatches(dive, expect), QString());
    }
    void batchMatchesPerDive()
    {
        TestLog log;
        gNoOffset = 12;
        gTimeOffset = 3000;
        // Several dives a day, one past midnight, Null fields and times, the same entry twice.
        for (const Dive& d : {Dive{"2024-03-03 23:50 00:30", 14.0, 0.0}, Dive{"2024-03-03 20:00 20:45", 12.0, 8.0, 10, 200},
                              Dive{"2024-03-03 - 21:10", 10.0}, Dive{"2024-03-03 21:30"}, Dive{"- 10:00 10:30", 10.0},
                              Dive{"2024-03-03 20:00 20:45", 12.0, 8.0}})
            insert(log, d);
        BatchDiveContext batch;
        QVERIFY(batch.load());
        SqlDiveContext sql;
        DiveTexts one(&sql), many(&batch);
        int compared = 0;
        for (auto rs = log.db().query(QStringLiteral("SELECT id FROM LogTbl")); !rs->eof(); rs->moveNext(), ++compared) {
            QVERIFY(one.load(rs->field(0).toLongLong(), compared));
            QVERIFY(many.load(rs->field(0).toLongLong(), compared));
            QCOMPARE(CsvLine(many), CsvLine(one));
        }
        QCOMPARE(compared, 6);
    }
};

QTEST_GUILESS_MAIN(tst_divetexts)
#include "tst_divetexts.moc"
