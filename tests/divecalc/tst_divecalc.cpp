// The look-up routines' own rules over the tables; the table values themselves are checked in tst_divetable.
#include "TestLog.h"
#include "modDiveCalc.h"

#include <QtTest>

static long pg(char letter) { return letter - 'A' + 1; }

class tst_divecalc : public QObject {
    Q_OBJECT
private slots:
    void init() { ClearDiveCalcMemos(); }
    void lookups();
    void memoKeepsAnswersButNotZero();
    void timeDiff();
    void surfaceAir();
    void groups();

private:
    TestLog m_log;
};

void tst_divecalc::lookups()
{
    // D carries its 22 minutes of RNT to 14 m: 22 + 10 ends in H. Z has no row at 20 m, so nothing is added.
    QCOMPARE(GetEndPg(pg('D'), 14, 10), pg('H'));
    QCOMPARE(GetEndPg(pg('Z'), 20, 10), pg('B'));
    // A depth between rows is read at the next one down: 17 m at 18 m, 12.5 m at 14 m.
    QCOMPARE(GetEndPg(0, 17, 30), pg('K'));
    QCOMPARE(GetEndPg(0, 12.5f, 20), pg('D'));
    QCOMPARE(GetAbt(0, 17), 56L);  // group 0: the no-decompression limit
    // Off the table: 0.
    QCOMPARE(GetEndPg(0, 43, 5), 0L);
    QCOMPARE(GetEndPg(0, 20, 46), 0L);
    QCOMPARE(GetRnt(pg('Z'), 14), 0L);
    QCOMPARE(GetAbt(0, 43), 0L);
    QCOMPARE(GetSiEndPg(pg('A'), 181), 0L);
    QCOMPARE(GetSiEndPg(0, 10), 0L);
    // The least rest to reach a group: a minute past the longest that still ends a group above (none: 0).
    QCOMPARE(GetMinSi(pg('Z'), 0), 361L);
    QCOMPARE(GetMinSi(pg('E'), pg('E')), 0L);
}

void tst_divecalc::memoKeepsAnswersButNotZero()
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

void tst_divecalc::timeDiff()
{
    QCOMPARE(GetTimeDiff(QTime(23, 30), QTime(0, 45)), 75L);  // across midnight
    QCOMPARE(GetTimeDiff(QTime(0, 1), QTime(0, 0)), 1439L);
    QCOMPARE(GetTimeDiff(QTime(10, 0), QTime(10, 0)), 0L);
    QCOMPARE(GetTimeDiff(QTime(9, 30, 0), QTime(10, 15, 59)), 45L);  // seconds dropped
    QCOMPARE(GetTimeDiff(QTime(), QTime(1, 0)), 0L);
}

void tst_divecalc::surfaceAir()
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

void tst_divecalc::groups()
{
    QCOMPARE(GroupLetter(1) + GroupLetter(26) + GroupLetter(0), QStringLiteral("AZ*"));
    QCOMPARE(GroupFromText(QStringLiteral("A")), 1L);
    QCOMPARE(GroupFromText(QStringLiteral("Z")), 26L);
    QCOMPARE(GroupFromText(QString()), 0L);
    // "*" and lower case match no table row.
    QCOMPARE(GetRnt(GroupFromText(QStringLiteral("*")), 12), 0L);
    QCOMPARE(GetRnt(GroupFromText(QStringLiteral("d")), 14), 0L);
}

QTEST_GUILESS_MAIN(tst_divecalc)
#include "tst_divecalc.moc"
