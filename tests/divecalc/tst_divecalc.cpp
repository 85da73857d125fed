// The look-up routines over the tables of a new log; the tables' shape is checked in tst_divetable.
#include "TestLog.h"
#include "modDiveCalc.h"

#include <QtTest>

static long pg(char letter) { return letter - 'A' + 1; }
// depth: or the end group of "minsi"; expected: a group, or minutes for "rnt", "abt" and "minsi".
struct Lookup { QString kind; long group; double depth; long minutes, expected; };
Q_DECLARE_METATYPE(Lookup)

class tst_divecalc : public QObject {
    Q_OBJECT
private slots:
    void init() { ClearDiveCalcMemos(); }
    // Worked examples of the published tables, and the routines' own rules around them.
    void lookups_data()
    {
        QTest::addColumn<Lookup>("l");
        const auto row = [](const char* name, const char* kind, char group, double depth, long minutes, long expected) {
            QTest::newRow(name) << Lookup{kind, group ? pg(group) : 0L, depth, minutes, expected};
        };
        const auto groupRow = [&](const char* name, const char* kind, char group, double depth, long min, char end) {
            row(name, kind, group, depth, min, end ? pg(end) : 0L);
        };
        groupRow("20 m for 45 min ends in U", "end", 0, 20, 45, 'U');
        groupRow("20 m for 46 min is off the table", "end", 0, 20, 46, 0);
        groupRow("42 m for 5 min ends in D", "end", 0, 42, 5, 'D');
        groupRow("below 42 m is off the table", "end", 0, 43, 5, 0);
        // A group carries its RNT: D at 14 m 22 + 10 ends in H, E at 35 m 9 + 3 in I.
        groupRow("D to 14 m for 10 min", "end", 'D', 14, 10, 'H');
        groupRow("E to 35 m for 3 min", "end", 'E', 35, 3, 'I');
        groupRow("Z has no row at 20 m: nothing carried", "end", 'Z', 20, 10, 'B');
        // A depth between rows is read at the next one down: 17 m at 18 m, 12.5 m at 14 m.
        groupRow("17 m for 30 min", "end", 0, 17, 30, 'K');
        groupRow("12.5 m for 20 min", "end", 0, 12.5, 20, 'D');
        groupRow("J after 0:32 -> E", "si", 'J', 0, 32, 'E');
        groupRow("I after 4:00 -> A", "si", 'I', 0, 240, 'A');
        groupRow("U after 0:50 still J", "si", 'U', 0, 50, 'J');
        groupRow("Z after 6:00 still A", "si", 'Z', 0, 360, 'A');
        groupRow("Z after 6:01 is clean", "si", 'Z', 0, 361, 0);
        groupRow("A after 3:01 is clean", "si", 'A', 0, 181, 0);
        groupRow("no group stays clean", "si", 0, 0, 10, 0);
        row("D at 14 m: RNT 22", "rnt", 'D', 14, 0, 22);
        row("A at 40 m: RNT 2", "rnt", 'A', 40, 0, 2);
        row("Z at 14 m: no row", "rnt", 'Z', 14, 0, 0);
        row("D at 14 m: ABT 76", "abt", 'D', 14, 0, 76);
        row("E at 35 m: ABT 5", "abt", 'E', 35, 0, 5);
        row("NDL for 17 m is that of 18 m", "abt", 0, 17, 0, 56);
        row("no NDL below 42 m", "abt", 0, 43, 0, 0);
        // The least rest to reach a group: a minute past the longest that still ends a group above.
        row("U -> J needs 0:45", "minsi", 'U', pg('J'), 0, 45);
        row("Z -> clean needs 6:01", "minsi", 'Z', 0, 0, 361);
        row("E -> E needs none", "minsi", 'E', pg('E'), 0, 0);
    }
    void lookups()
    {
        QFETCH(Lookup, l);
        const float d = float(l.depth);
        const long got = l.kind == "end" ? GetEndPg(l.group, d, l.minutes) : l.kind == "si" ? GetSiEndPg(l.group, l.minutes)
            : l.kind == "rnt" ? GetRnt(l.group, d) : l.kind == "abt" ? GetAbt(l.group, d) : GetMinSi(l.group, long(l.depth));
        QCOMPARE(got, l.expected);
    }
    void memoKeepsAnswersButNotZero()
    {
        const long before = DiveCalcQueryCount();
        QCOMPARE(GetRnt(pg('D'), 14), 22L);
        QCOMPARE(GetRnt(pg('D'), 14), 22L);
        QCOMPARE(DiveCalcQueryCount(), before + 1);
        QCOMPARE(GetRnt(pg('Z'), 30), 0L);
        QCOMPARE(GetRnt(pg('Z'), 30), 0L);
        QCOMPARE(DiveCalcQueryCount(), before + 3);
        // The answer belongs to the tables: a changed row is not seen until the memo is cleared.
        QVERIFY(m_log.db().execute(QStringLiteral("UPDATE PlannerTbl SET rnt = 99 WHERE pg = 4 AND dep = 14")));
        QCOMPARE(GetRnt(pg('D'), 14), 22L);
        ClearDiveCalcMemos();
        QCOMPARE(GetRnt(pg('D'), 14), 99L);
        QVERIFY(m_log.db().execute(QStringLiteral("UPDATE PlannerTbl SET rnt = 22 WHERE pg = 4 AND dep = 14")));
    }
    void timeDiff()
    {
        QCOMPARE(GetTimeDiff(QTime(23, 30), QTime(0, 45)), 75L);  // across midnight
        QCOMPARE(GetTimeDiff(QTime(0, 1), QTime(0, 0)), 1439L);
        QCOMPARE(GetTimeDiff(QTime(10, 0), QTime(10, 0)), 0L);
        QCOMPARE(GetTimeDiff(QTime(9, 30, 0), QTime(10, 15, 59)), 45L);  // seconds dropped
        QCOMPARE(GetTimeDiff(QTime(), QTime(1, 0)), 0L);
    }
    void surfaceAir()
    {
        // Litres used, at surface pressure, rounded half to even; -1: reported as not computable.
        const auto air = [](float depth, long capacity, long startBar, long endBar) {
            return GetSurfaceAir(depth, capacity, startBar, endBar).value_or(-1);
        };
        QCOMPARE(air(10, 10, 200, 50), 750L);
        QCOMPARE(air(0, 12, 200, 60), 1680L);
        QCOMPARE(air(10, 1, 5, 0), 2L);  // 2.5 down
        QCOMPARE(air(10, 1, 3, 0), 2L);  // 1.5 up
        QCOMPARE(air(10, 100000, 30000, 0), -1L);  // the product overflows
        QCOMPARE(air(0, 1, 2000000000, -2000000000), -1L);  // the difference overflows
        QCOMPARE(air(-10, 10, 200, 50), -1L);  // no pressure
    }
    void groups()
    {
        QCOMPARE(GroupLetter(1) + GroupLetter(26) + GroupLetter(0), QStringLiteral("AZ*"));
        QCOMPARE(GroupFromText(QStringLiteral("A")), 1L);
        QCOMPARE(GroupFromText(QStringLiteral("Z")), 26L);
        QCOMPARE(GroupFromText(QString()), 0L);
        // "*" and lower case match no table row.
        QCOMPARE(GetRnt(GroupFromText(QStringLiteral("*")), 12), 0L);
        QCOMPARE(GetRnt(GroupFromText(QStringLiteral("d")), 14), 0L);
    }
private:
    TestLog m_log;
};

QTEST_GUILESS_MAIN(tst_divecalc)
#include "tst_divecalc.moc"
