#include "FakeLine.h"
#include "HATransfer.h"

#include <QtTest>

namespace {
QList<QByteArray> dive()
{
    return HAUnitSimulator::blocksFor(QDate(2004, 7, 15), QTime(9, 5), QTime(9, 50), 125, 205, 83,
                                      {0, 52, 125, 118, 90, 999, 40, 30}, {241, 235, 228, 229});
}
}  // namespace

class tst_hatransfer : public QObject {
    Q_OBJECT
private slots:
    // The clean transfer, Cancel and a port that cannot open run through the window in tst_frmHATrance.
    void failures_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("stopAfter");
        QTest::addColumn<int>("lateByteOn");  // the block a 33rd byte follows while it settles
        QTest::addColumn<QString>("error");   // empty: the communication error
        const QString extra = "コミュニケーションユニットから予定より多くのデータが送られてきました";
        QTest::newRow("silent unit") << "silent" << -1 << 0 << "";
        QTest::newRow("33-byte answers") << "extra" << -1 << 0 << "";
        QTest::newRow("stops after the header") << "" << 1 << 0 << "";
        QTest::newRow("impossible date") << "date" << -1 << 0 << "*";
        QTest::newRow("extra byte after the header") << "" << -1 << 1 << extra;
        QTest::newRow("extra byte after a profile block") << "" << -1 << 2 << extra;
    }
    void failures()
    {
        QFETCH(QString, fault);
        QFETCH(int, stopAfter);
        QFETCH(int, lateByteOn);
        QFETCH(QString, error);
        QList<QByteArray> blocks = dive();
        if (fault == "date")
            blocks[0] = QByteArray(32, 0x13);
        HAUnitSimulator unit(blocks, {fault == "silent", fault == "extra", stopAfter});
        LineState s;
        s.lateByteOnBlock = lateByteOn;
        FakeLine line(unit, s);
        HATransfer transfer(line);
        QString got;
        QVERIFY(!transfer.run({}, {}, &got));
        QVERIFY(!transfer.stopped() && !s.open);
        if (error == "*")
            QVERIFY(!got.isEmpty() && got != HATransfer::communicationError());
        else
            QCOMPARE(got, error.isEmpty() ? HATransfer::communicationError() : error);
        if (lateByteOn)
            QCOMPARE(unit.blocksSent(), lateByteOn);  // nothing more was asked for
        if (error.isEmpty()) {
            // Four attempts of fifty polls, with a wake-up byte after each.
            QCOMPARE(s.written.count(char(0x7F)), 1 + 4);
            QVERIFY(s.clock >= 1000 + 4 * 50 * 10);
        }
    }
};

QTEST_GUILESS_MAIN(tst_hatransfer)
#include "tst_hatransfer.moc"
