#include "DiveList.h"
#include "DiveListModel.h"
#include "Globals.h"
#include "TestLog.h"

#include <QtTest>

class tst_divelist : public QObject {
    Q_OBJECT
private slots:
    void numbersAndFilters()
    {
        // Ten July dives of 40 minutes, but the 9th (19:00-19:45) and the 10th (23:40-00:25, past midnight) at
        // night; the 3rd, 6th and 9th deep (exactly 18 m is not). The oldest has no times: numbered, not timed.
        TestLog log;
        gNoOffset = 30;
        gTimeOffset = 125;
        for (int i = 1; i <= 10; ++i)
            log.addDive(QStringLiteral("2024-07-%1").arg(i, 2, 10, QLatin1Char('0')),
                        QString::fromLatin1(i == 9 ? "19:00" : i == 10 ? "23:40" : "10:00"),
                        QString::fromLatin1(i == 9 ? "19:45" : i == 10 ? "00:25" : "10:40"), i % 3 == 0 ? 18.1 : 18.0);
        log.addDive(QStringLiteral("2023-01-01"), QString(), QString());
        const auto listed = [](DiveFilter filter) {
            const DiveList list = LoadDiveList(filter);
            QList<long> numbers;
            for (const DiveListRow& r : list.rows)
                numbers << r.number;
            return std::make_pair(numbers, list.totalMinutes);
        };
        QCOMPARE(listed(DiveFilter::All),
                 std::make_pair(QList<long>{41, 40, 39, 38, 37, 36, 35, 34, 33, 32, 31}, 125L + 8 * 40 + 45 + 45));
        QCOMPARE(listed(DiveFilter::Night), std::make_pair(QList<long>{41, 40}, 125L + 45 + 45));
        QCOMPARE(listed(DiveFilter::Deep), std::make_pair(QList<long>{40, 37, 34}, 125L + 2 * 40 + 45));
    }
    void cellTexts()
    {
        TestLog log;
        log.addDive(QStringLiteral("2024-07-15"), QStringLiteral("09:05"), QStringLiteral("09:50"), 7, QStringLiteral("大瀬崎"), 1);
        log.addDive(QStringLiteral("2024-07-14"), QStringLiteral("13:00"), QStringLiteral("13:30"), 18.5, QString(), 5);
        log.addDive(QStringLiteral("2024-07-13"), QString(), QString(), QVariant(), QString(), -1);
        QStringList cells;
        for (const DiveListRow& r : LoadDiveList(DiveFilter::All).rows)
            cells << r.location + '|' + r.entry + '|' + r.depth + '|' + r.date;
        // Entry types 5 and -1 are outside the list of entries.
        QCOMPARE(cells, QStringList({"大瀬崎|ボート|07.0m|2024/07/15 09:05", "||18.5m|2024/07/14 13:00", "|||2024/07/13 "}));
    }
    void statusTexts()
    {
        QCOMPARE(StatusDiveCount(1234), QStringLiteral("本数 : 1,234 本"));
        QCOMPARE(StatusDiveTime(125), QStringLiteral("潜水時間 : 2時間5分"));
        QCOMPARE(StatusDiveTime(60 * 1000 + 59), QStringLiteral("潜水時間 : 1000時間59分"));
    }
    void headingSort()
    {
        DiveListModel model;
        std::vector<DiveListRow> rows = {{1, 3, "b", "", "20.0m", "2024/01/02 10:00"},
                                         {2, 2, "A", "", "07.5m", "2024/01/03 09:00"},
                                         {3, 1, "c", "", "18.0m", "2023/12/31 23:00"}};
        model.setRows(rows);
        auto numbers = [&] {
            QStringList n;
            for (int r = 0; r < model.rowCount(); ++r)
                n << model.cellText(r, DiveListModel::ColNo);
            return n.join(QLatin1Char(' '));
        };
        QCOMPARE(numbers(), QStringLiteral("3 2 1"));  // unsorted: as given
        model.headingClicked(DiveListModel::ColNo);      // by date and time, ascending
        QCOMPARE(numbers(), QStringLiteral("1 3 2"));
        model.headingClicked(DiveListModel::ColNo);
        QCOMPARE(numbers(), QStringLiteral("2 3 1"));
        model.headingClicked(DiveListModel::ColDepth);  // another key keeps the order: descending
        QCOMPARE(numbers(), QStringLiteral("3 1 2"));
        model.headingClicked(DiveListModel::ColLocation);  // text without regard to case
        QCOMPARE(numbers(), QStringLiteral("1 3 2"));
        model.setRows(rows);  // sorting stays on for new rows
        QCOMPARE(numbers(), QStringLiteral("1 3 2"));
    }
};

QTEST_GUILESS_MAIN(tst_divelist)
#include "tst_divelist.moc"
