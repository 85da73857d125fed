#include "DiveList.h"
#include "DiveListModel.h"
#include "Globals.h"
#include "TestLog.h"

#include <QtTest>

class tst_divelist : public QObject {
    Q_OBJECT
private slots:
    void numbersAndFilters_data();
    void numbersAndFilters();
    void cellTexts();
    void diveMinutes_data();
    void diveMinutes();
    void statusTexts();
    void headingSort();
};

void tst_divelist::numbersAndFilters_data()
{
    QTest::addColumn<int>("filter");
    QTest::addColumn<QList<long>>("numbers");
    QTest::addColumn<long>("minutes");
    // Ten July dives: the deep ones are the 3rd, 6th and 9th, the night ones the 9th and 10th.
    // The oldest dive has no times and is number 31.
    QTest::newRow("all") << 0 << QList<long>{41, 40, 39, 38, 37, 36, 35, 34, 33, 32, 31} << 125L + 8 * 40 + 45 + 45;
    QTest::newRow("night") << 1 << QList<long>{41, 40} << 125L + 45 + 45;
    QTest::newRow("deep") << 2 << QList<long>{40, 37, 34} << 125L + 2 * 40 + 45;
}

void tst_divelist::numbersAndFilters()
{
    QFETCH(int, filter);
    QFETCH(QList<long>, numbers);
    QFETCH(long, minutes);
    TestLog log;
    gNoOffset = 30;
    gTimeOffset = 125;
    for (int i = 1; i <= 10; ++i) {
        const QString date = QStringLiteral("2024-07-%1").arg(i, 2, 10, QLatin1Char('0'));
        const double depth = i % 3 == 0 ? 18.1 : 18.0;  // exactly 18 m is not deep
        if (i == 9)  // a night dive that stays before midnight, with a deep maximum
            log.addDive(date, QStringLiteral("19:00"), QStringLiteral("19:45"), depth);
        else if (i == 10)  // a night dive past midnight: 23:40 to 00:25 is 45 minutes
            log.addDive(date, QStringLiteral("23:40"), QStringLiteral("00:25"), depth);
        else
            log.addDive(date, QStringLiteral("10:00"), QStringLiteral("10:40"), depth);
    }
    log.addDive(QStringLiteral("2023-01-01"), QString(), QString());  // no times: counted, not timed
    const DiveList list = LoadDiveList(DiveFilter(filter));
    QList<long> got;
    for (const DiveListRow& r : list.rows)
        got << r.number;
    QCOMPARE(got, numbers);
    QCOMPARE(list.totalMinutes, minutes);
}

void tst_divelist::cellTexts()
{
    TestLog log;
    log.addDive(QStringLiteral("2024-07-15"), QStringLiteral("09:05"), QStringLiteral("09:50"), 7, QStringLiteral("大瀬崎"), 1);
    log.addDive(QStringLiteral("2024-07-14"), QStringLiteral("13:00"), QStringLiteral("13:30"), 18.5, QString(), 5);
    log.addDive(QStringLiteral("2024-07-13"), QString(), QString(), QVariant(), QString(), -1);
    const DiveList list = LoadDiveList(DiveFilter::All);
    QCOMPARE(list.rows.size(), size_t(3));
    QCOMPARE(list.rows[0].location, QStringLiteral("大瀬崎"));
    QCOMPARE(list.rows[0].entry, QStringLiteral("ボート"));
    QCOMPARE(list.rows[0].depth, QStringLiteral("07.0m"));
    QCOMPARE(list.rows[0].date, QStringLiteral("2024/07/15 09:05"));
    QCOMPARE(list.rows[1].entry, QString());  // outside the list
    QCOMPARE(list.rows[1].depth, QStringLiteral("18.5m"));
    QCOMPARE(list.rows[2].entry, QString());
    QCOMPARE(list.rows[2].depth, QString());
    QCOMPARE(list.rows[2].date, QStringLiteral("2024/07/13 "));
}

void tst_divelist::diveMinutes_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::addColumn<long>("minutes");
    QTest::newRow("plain") << "09:05" << "09:50" << 45L;
    QTest::newRow("past midnight") << "23:40" << "00:25" << 45L;
    QTest::newRow("same time") << "10:00" << "10:00" << 0L;
    QTest::newRow("missing exit") << "10:00" << "" << -1L;
    QTest::newRow("unreadable") << "25:00" << "10:00" << -1L;
}

void tst_divelist::diveMinutes()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QFETCH(long, minutes);
    QCOMPARE(DiveMinutes(in, out), minutes);
}

void tst_divelist::statusTexts()
{
    QCOMPARE(StatusSelection(0), QStringLiteral("選択 : 0 個"));
    QCOMPARE(StatusDiveCount(1234), QStringLiteral("本数 : 1,234 本"));
    QCOMPARE(StatusDiveTime(125), QStringLiteral("潜水時間 : 2時間5分"));
    QCOMPARE(StatusDiveTime(0), QStringLiteral("潜水時間 : 0時間0分"));
    QCOMPARE(StatusDiveTime(60 * 1000 + 59), QStringLiteral("潜水時間 : 1000時間59分"));
}

void tst_divelist::headingSort()
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

QTEST_GUILESS_MAIN(tst_divelist)
#include "tst_divelist.moc"
