#include "TestLog.h"
#include "modDiveCalc.h"

#include <QtTest>

namespace {
long pg(char letter)
{
    return letter - 'A' + 1;
}
}  // namespace

class tst_divecalc : public QObject {
    Q_OBJECT
private slots:
    void init() { ClearDiveCalcMemos(); }
    void lookups_data();
    void lookups();
    void memoKeepsAnswersButNotZero();
    void timeDiff_data();
    void timeDiff();
    void surfaceAir_data();
    void surfaceAir();
    void groups();

private:
    TestLog m_log;
};

void tst_divecalc::lookups_data()
{
    QTest::addColumn<QString>("routine");
    QTest::addColumn<long>("a");
    QTest::addColumn<float>("depth");
    QTest::addColumn<long>("b");
    QTest::addColumn<long>("expected");
    // 17 m is read at 18 m, where K is the first group of 30 minutes or more.
    QTest::newRow("first dive between depths") << "end" << 0L << 17.0f << 30L << pg('K');
    // D carries 22 minutes to 14 m: 22 + 10 ends in H (32).
    QTest::newRow("repetitive dive") << "end" << pg('D') << 14.0f << 10L << pg('H');
    // Z has no row at 20 m, so nothing is added: 10 minutes at 20 m end in B.
    QTest::newRow("start group without row") << "end" << pg('Z') << 20.0f << 10L << pg('B');
    QTest::newRow("below the table") << "end" << 0L << 43.0f << 5L << 0L;
    QTest::newRow("beyond the limit") << "end" << 0L << 20.0f << 46L << 0L;
    QTest::newRow("fractional depth") << "end" << 0L << 12.5f << 20L << pg('D');
    QTest::newRow("RNT") << "rnt" << pg('D') << 14.0f << 0L << 22L;
    QTest::newRow("RNT off the table") << "rnt" << pg('Z') << 14.0f << 0L << 0L;
    QTest::newRow("limit of next depth") << "abt" << 0L << 17.0f << 0L << 56L;
    QTest::newRow("no limit below the table") << "abt" << 0L << 43.0f << 0L << 0L;
    QTest::newRow("adjusted limit") << "abt" << pg('A') << 12.0f << 0L << 138L;
    QTest::newRow("one hour from M") << "si" << pg('M') << 0.0f << 60L << pg('D');
    QTest::newRow("rest beyond the table") << "si" << pg('A') << 0.0f << 181L << 0L;
    QTest::newRow("no start group 0") << "si" << 0L << 0.0f << 10L << 0L;
    QTest::newRow("U to J") << "minsi" << pg('U') << 0.0f << pg('J') << 45L;
    QTest::newRow("until no group is left") << "minsi" << pg('Z') << 0.0f << 0L << 361L;
    QTest::newRow("resting never raises") << "minsi" << pg('E') << 0.0f << pg('E') << 0L;
}

void tst_divecalc::lookups()
{
    QFETCH(QString, routine);
    QFETCH(long, a);
    QFETCH(float, depth);
    QFETCH(long, b);
    QFETCH(long, expected);
    long got = -1;
    if (routine == QLatin1String("end"))
        got = GetEndPg(a, depth, b);
    else if (routine == QLatin1String("rnt"))
        got = GetRnt(a, depth);
    else if (routine == QLatin1String("abt"))
        got = GetAbt(a, depth);
    else if (routine == QLatin1String("si"))
        got = GetSiEndPg(a, b);
    else
        got = GetMinSi(a, b);
    QCOMPARE(got, expected);
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

void tst_divecalc::timeDiff_data()
{
    QTest::addColumn<QTime>("start");
    QTest::addColumn<QTime>("end");
    QTest::addColumn<long>("minutes");
    QTest::newRow("across midnight") << QTime(23, 30) << QTime(0, 45) << 75L;
    QTest::newRow("equal") << QTime(10, 0) << QTime(10, 0) << 0L;
    QTest::newRow("plain") << QTime(9, 30) << QTime(10, 15) << 45L;
    QTest::newRow("seconds round") << QTime(9, 30, 0) << QTime(10, 15, 59) << 45L;
    QTest::newRow("one minute short of a day") << QTime(0, 1) << QTime(0, 0) << 1439L;
    QTest::newRow("unreadable") << QTime() << QTime(1, 0) << 0L;
}

void tst_divecalc::timeDiff()
{
    QFETCH(QTime, start);
    QFETCH(QTime, end);
    QFETCH(long, minutes);
    QCOMPARE(GetTimeDiff(start, end), minutes);
}

void tst_divecalc::surfaceAir_data()
{
    QTest::addColumn<float>("depth");
    QTest::addColumn<long>("capacity");
    QTest::addColumn<long>("startBar");
    QTest::addColumn<long>("endBar");
    QTest::addColumn<long>("litres");  // -1: reported as not computable
    QTest::newRow("10 m") << 10.0f << 10L << 200L << 50L << 750L;
    QTest::newRow("surface") << 0.0f << 12L << 200L << 60L << 1680L;
    QTest::newRow("half to even, down") << 10.0f << 1L << 5L << 0L << 2L;
    QTest::newRow("half to even, up") << 10.0f << 1L << 3L << 0L << 2L;
    QTest::newRow("product overflows") << 10.0f << 100000L << 30000L << 0L << -1L;
    QTest::newRow("difference overflows") << 0.0f << 1L << 2000000000L << -2000000000L << -1L;
    QTest::newRow("no pressure") << -10.0f << 10L << 200L << 50L << -1L;
}

void tst_divecalc::surfaceAir()
{
    QFETCH(float, depth);
    QFETCH(long, capacity);
    QFETCH(long, startBar);
    QFETCH(long, endBar);
    QFETCH(long, litres);
    const auto got = GetSurfaceAir(depth, capacity, startBar, endBar);
    QCOMPARE(got.has_value(), litres >= 0);
    if (got)
        QCOMPARE(*got, litres);
}

void tst_divecalc::groups()
{
    QCOMPARE(GroupLetter(1), QStringLiteral("A"));
    QCOMPARE(GroupLetter(26), QStringLiteral("Z"));
    QCOMPARE(GroupLetter(0), QStringLiteral("*"));
    QCOMPARE(GroupFromText(QStringLiteral("A")), 1L);
    QCOMPARE(GroupFromText(QStringLiteral("Z")), 26L);
    QCOMPARE(GroupFromText(QString()), 0L);
    // "*" and lower case match no table row.
    QCOMPARE(GetRnt(GroupFromText(QStringLiteral("*")), 12), 0L);
    QCOMPARE(GetRnt(GroupFromText(QStringLiteral("d")), 14), 0L);
}

QTEST_GUILESS_MAIN(tst_divecalc)
#include "tst_divecalc.moc"
