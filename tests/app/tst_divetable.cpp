// The dive-table rows every new log ships with: the properties the printed metric
// planner has, and the look-ups read through them against published worked examples.
#include "TestLog.h"

#include <QtTest>
#include <map>
#include <set>

namespace {
const int kDepths[] = {10, 12, 14, 16, 18, 20, 22, 25, 30, 35, 40, 42};
const std::map<int, int> kNdl = {{10, 219}, {12, 147}, {14, 98}, {16, 72}, {18, 56}, {20, 45},
                                 {22, 37},  {25, 29},  {30, 20}, {35, 14}, {40, 9},  {42, 8}};
int pg(char letter)
{
    return letter - 'A' + 1;
}

struct PlannerRow { int pg, dep; QVariant tm; int abt, rnt; };
}  // namespace

class tst_divetable : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void plannerShape();
    void plannerLimitsAndOrder();
    void residualAndAdjusted();
    void surfaceIntervalShape();
    void surfaceIntervalBands();
    void lookups_data();
    void lookups();

private:
    int first(const QString& sql, const QVariantList& params);
    std::unique_ptr<TestLog> m_log;
    std::vector<PlannerRow> m_planner;
    std::map<std::pair<int, int>, int> m_rest;  // (start, end) -> minutes
};

void tst_divetable::initTestCase()
{
    m_log = std::make_unique<TestLog>();
    auto rs = m_log->db().query(QStringLiteral("SELECT pg, dep, tm, abt, rnt FROM PlannerTbl"));
    for (; !rs->eof(); rs->moveNext())
        m_planner.push_back({rs->field(0).toInt(), rs->field(1).toInt(), rs->field(2), rs->field(3).toInt(),
                             rs->field(4).toInt()});
    rs = m_log->db().query(QStringLiteral("SELECT start_pg, end_pg, rest FROM SiTbl"));
    for (; !rs->eof(); rs->moveNext())
        m_rest[{rs->field(0).toInt(), rs->field(1).toInt()}] = rs->field(2).toInt();
}

void tst_divetable::plannerShape()
{
    QCOMPARE(m_planner.size(), size_t(217));
    std::set<std::pair<int, int>> keys;
    for (const PlannerRow& r : m_planner) {
        QVERIFY2(keys.insert({r.pg, r.dep}).second, "a group and depth appear twice");
        QVERIFY(r.pg >= 1 && r.pg <= 26);
        QVERIFY(kNdl.count(r.dep));
    }
}

void tst_divetable::plannerLimitsAndOrder()
{
    for (int d : kDepths) {
        std::vector<std::pair<int, int>> cells;  // (group, time) with a time
        for (const PlannerRow& r : m_planner)
            if (r.dep == d && !r.tm.isNull())
                cells.push_back({r.pg, r.tm.toInt()});
        std::sort(cells.begin(), cells.end());
        QVERIFY(!cells.empty());
        QCOMPARE(cells.back().second, kNdl.at(d));  // the highest group holds the limit
        for (size_t i = 1; i < cells.size(); ++i)
            QVERIFY2(cells[i].second > cells[i - 1].second, qPrintable(QStringLiteral("%1 m").arg(d)));
    }
    // A group's time never rises with depth.
    for (int p = 1; p <= 26; ++p) {
        int previous = INT_MAX;
        for (int d : kDepths)
            for (const PlannerRow& r : m_planner)
                if (r.dep == d && r.pg == p && !r.tm.isNull()) {
                    QVERIFY(r.tm.toInt() <= previous);
                    previous = r.tm.toInt();
                }
    }
}

void tst_divetable::residualAndAdjusted()
{
    for (const PlannerRow& r : m_planner) {
        QCOMPARE(r.rnt + r.abt, kNdl.at(r.dep));
        QVERIFY(r.abt >= 0);
        if (!r.tm.isNull())
            QCOMPARE(r.rnt, r.tm.toInt());
    }
}

void tst_divetable::surfaceIntervalShape()
{
    QCOMPARE(m_rest.size(), size_t(351));
    for (int s = 1; s <= 26; ++s)
        for (int e = 1; e <= 26; ++e)
            QCOMPARE(m_rest.count({s, e}) == 1, e <= s);
    for (int s = 1; s <= 26; ++s)
        for (int e = s; e > 1; --e)
            QVERIFY(m_rest.at({s, e - 1}) > m_rest.at({s, e}));  // a lower group takes longer
    for (int e = 1; e <= 26; ++e)
        for (int s = e + 1; s <= 26; ++s)
            QVERIFY(m_rest.at({s, e}) > m_rest.at({s - 1, e}));
}

void tst_divetable::surfaceIntervalBands()
{
    QCOMPARE(m_rest.at({1, 1}), 180);
    QCOMPARE(m_rest.at({26, 1}), 360);
    for (int e = 1; e <= 25; ++e) {
        int lo = INT_MAX, hi = INT_MIN;
        for (int s = e + 1; s <= 26; ++s) {
            const int width = m_rest.at({s, e}) - m_rest.at({s, e + 1});
            lo = std::min(lo, width);
            hi = std::max(hi, width);
        }
        QVERIFY2(hi - lo <= (e == 1 ? 0 : 1), qPrintable(QStringLiteral("band %1").arg(e)));
        if (e == 1)
            QCOMPARE(lo, 181);
    }
}

int tst_divetable::first(const QString& sql, const QVariantList& params)
{
    auto rs = m_log->db().query(sql, params);
    if (!rs || rs->eof() || rs->field(0).isNull())
        return 0;
    return qRound(rs->field(0).toDouble());
}

void tst_divetable::lookups_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("expected");
    auto si = [](const char* name, char s, int minutes, int end) {
        QTest::newRow(name) << "si" << pg(s) << minutes << end;
    };
    si("J after 0:32 -> E", 'J', 32, pg('E'));
    si("P after 0:55 -> F", 'P', 55, pg('F'));
    si("I after 4:00 -> A", 'I', 240, pg('A'));
    si("M after 1:00 -> D", 'M', 60, pg('D'));
    si("U after 0:24 -> O", 'U', 24, pg('O'));
    si("Q after 1:21 -> C", 'Q', 81, pg('C'));
    si("S after 0:11 -> P", 'S', 11, pg('P'));
    si("N after 1:00 -> D", 'N', 60, pg('D'));
    si("R after 1:00 -> F", 'R', 60, pg('F'));
    si("U after 0:50 still J", 'U', 50, pg('J'));
    si("A after 3:01 is clean", 'A', 181, 0);
    si("Z after 6:00 still A", 'Z', 360, pg('A'));
    si("Z after 6:01 is clean", 'Z', 361, 0);
    QTest::newRow("U -> J needs 0:45") << "minsi" << pg('U') << pg('J') << 45;
    QTest::newRow("N -> C needs 1:09") << "minsi" << pg('N') << pg('C') << 69;
    QTest::newRow("D at 14 m: RNT 22") << "rnt" << pg('D') << 14 << 22;
    QTest::newRow("A at 12 m: RNT 9") << "rnt" << pg('A') << 12 << 9;
    QTest::newRow("E at 35 m: RNT 9") << "rnt" << pg('E') << 35 << 9;
    QTest::newRow("A at 40 m: RNT 2") << "rnt" << pg('A') << 40 << 2;
    QTest::newRow("D at 40 m: RNT 7") << "rnt" << pg('D') << 40 << 7;
    QTest::newRow("D at 14 m: ANDL 76") << "abt" << pg('D') << 14 << 76;
    QTest::newRow("A at 12 m: ANDL 138") << "abt" << pg('A') << 12 << 138;
    QTest::newRow("J at 14 m allows 61") << "abt" << pg('J') << 14 << 61;
    QTest::newRow("E at 35 m: ANDL 5") << "abt" << pg('E') << 35 << 5;
    QTest::newRow("NDL for 17 m is that of 18 m") << "ndl" << 0 << 17 << 56;
    QTest::newRow("no NDL below 42 m") << "ndl" << 0 << 43 << 0;
    QTest::newRow("20 m for 45 min ends in U") << "end" << 20 << 45 << pg('U');
    QTest::newRow("20 m for 46 min is off the table") << "end" << 20 << 46 << 0;
    QTest::newRow("35 m for 9 min ends in F") << "end" << 35 << 9 << pg('F');
    QTest::newRow("40 m for 1 min ends in B") << "end" << 40 << 1 << pg('B');
    QTest::newRow("40 m for 7 min ends in E") << "end" << 40 << 7 << pg('E');
    QTest::newRow("42 m for 5 min ends in D") << "end" << 42 << 5 << pg('D');
    QTest::newRow("E to 35 m for 3 min ends in I") << "end" << 35 << 9 + 3 << pg('I');
}

void tst_divetable::lookups()
{
    QFETCH(QString, kind);
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, expected);
    int got = -1;
    if (kind == QLatin1String("si"))
        got = first(QStringLiteral("SELECT end_pg FROM SiTbl WHERE start_pg = ? AND rest >= ? ORDER BY end_pg DESC"), {a, b});
    else if (kind == QLatin1String("minsi"))
        got = first(QStringLiteral("SELECT rest + 1 FROM SiTbl WHERE start_pg = ? AND end_pg = ?"), {a, b + 1});
    else if (kind == QLatin1String("rnt"))
        got = first(QStringLiteral("SELECT rnt FROM PlannerTbl WHERE dep >= ? AND pg = ? ORDER BY dep"), {b, a});
    else if (kind == QLatin1String("abt"))
        got = first(QStringLiteral("SELECT abt FROM PlannerTbl WHERE dep >= ? AND pg = ? ORDER BY dep"), {b, a});
    else if (kind == QLatin1String("ndl"))
        got = first(QStringLiteral("SELECT Max(tm) FROM PlannerTbl WHERE dep >= ?"), {b});
    else if (kind == QLatin1String("end"))
        got = first(QStringLiteral("SELECT pg FROM PlannerTbl WHERE dep >= ? AND tm >= ? ORDER BY dep, tm"), {a, b});
    QCOMPARE(got, expected);
}

QTEST_APPLESS_MAIN(tst_divetable)
#include "tst_divetable.moc"
