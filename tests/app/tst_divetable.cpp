// The dive-table rows every new log ships with: the properties the printed metric planner
// has. The look-ups over them, against published worked examples, are in tst_divecalc.
#include "TestLog.h"

#include <QtTest>
#include <map>
#include <set>

namespace {
const std::map<int, int> kNdl = {{10, 219}, {12, 147}, {14, 98}, {16, 72}, {18, 56}, {20, 45},
                                 {22, 37},  {25, 29},  {30, 20}, {35, 14}, {40, 9},  {42, 8}};
struct PlannerRow { int pg, dep; QVariant tm; int abt, rnt; };
}  // namespace

class tst_divetable : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
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
    // One row per group and depth, each with RNT + ABT = the depth's limit, and RNT = the time where there is one.
    void plannerRows()
    {
        QCOMPARE(m_planner.size(), size_t(217));
        std::set<std::pair<int, int>> keys;
        for (const PlannerRow& r : m_planner) {
            QVERIFY2(keys.insert({r.pg, r.dep}).second, "a group and depth appear twice");
            QVERIFY(r.pg >= 1 && r.pg <= 26 && kNdl.count(r.dep) && r.abt >= 0);
            QCOMPARE(r.rnt + r.abt, kNdl.at(r.dep));
            if (!r.tm.isNull())
                QCOMPARE(r.rnt, r.tm.toInt());
        }
    }
    void plannerLimitsAndOrder()
    {
        for (const auto& [d, ndl] : kNdl) {
            std::vector<std::pair<int, int>> cells;  // (group, time) with a time
            for (const PlannerRow& r : m_planner)
                if (r.dep == d && !r.tm.isNull())
                    cells.push_back({r.pg, r.tm.toInt()});
            std::sort(cells.begin(), cells.end());
            QVERIFY(!cells.empty());
            QCOMPARE(cells.back().second, ndl);  // the highest group holds the limit
            for (size_t i = 1; i < cells.size(); ++i)
                QVERIFY2(cells[i].second > cells[i - 1].second, qPrintable(QStringLiteral("%1 m").arg(d)));
        }
        // A group's time never rises with depth.
        for (int p = 1; p <= 26; ++p) {
            int previous = INT_MAX;
            for (const auto& depth : kNdl)
                for (const PlannerRow& r : m_planner)
                    if (r.dep == depth.first && r.pg == p && !r.tm.isNull()) {
                        QVERIFY(r.tm.toInt() <= previous);
                        previous = r.tm.toInt();
                    }
        }
    }
    void surfaceIntervalShape()
    {
        QCOMPARE(m_rest.size(), size_t(351));
        for (int s = 1; s <= 26; ++s)
            for (int e = 1; e <= 26; ++e) {
                QCOMPARE(m_rest.count({s, e}) == 1, e <= s);
                if (e > 1 && e <= s)  // a lower group takes longer
                    QVERIFY(m_rest.at({s, e - 1}) > m_rest.at({s, e}));
                if (e < s)
                    QVERIFY(m_rest.at({s, e}) > m_rest.at({s - 1, e}));
            }
    }
    void surfaceIntervalBands()
    {
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

private:
    std::unique_ptr<TestLog> m_log;
    std::vector<PlannerRow> m_planner;
    std::map<std::pair<int, int>, int> m_rest;  // (start, end) -> minutes
};

QTEST_APPLESS_MAIN(tst_divetable)
#include "tst_divetable.moc"
