#include "FakeLine.h"
#include "HATransfer.h"

#include <QtTest>

namespace {
QList<QByteArray> dive()
{
    return HAUnitSimulator::blocksFor(QDate(2004, 7, 15), QTime(9, 5), QTime(9, 50), 125, 205, 83,
                                      {0, 52, 125, 118, 90, 999, 40, 30}, {241, 235, 228, 229});
}
// The unit's fault, the block it stops after, the block a 33rd byte follows while it settles,
// and the error (empty: the communication error, "*": another one).
struct Fault { QString fault; int stopAfter, lateByteOn; QString error; };
}  // namespace
Q_DECLARE_METATYPE(Fault)

class tst_hatransfer : public QObject {
    Q_OBJECT
private slots:
    // The clean transfer, Cancel and a port that cannot open run through the window in tst_frmHATrance.
    void failures_data()
    {
        QTest::addColumn<Fault>("f");
        const QString extra = "コミュニケーションユニットから予定より多くのデータが送られてきました";
        QTest::newRow("silent unit") << Fault{"silent", -1, 0, ""};
        QTest::newRow("33-byte answers") << Fault{"extra", -1, 0, ""};
        QTest::newRow("stops after the header") << Fault{"", 1, 0, ""};
        QTest::newRow("impossible date") << Fault{"date", -1, 0, "*"};
        QTest::newRow("extra byte after the header") << Fault{"", -1, 1, extra};
        QTest::newRow("extra byte after a profile block") << Fault{"", -1, 2, extra};
    }
    void failures()
    {
        QFETCH(Fault, f);
        QList<QByteArray> blocks = dive();
        if (f.fault == "date")
            blocks[0] = QByteArray(32, 0x13);
        HAUnitSimulator unit(blocks, {f.fault == "silent", f.fault == "extra", f.stopAfter});
        LineState s;
        s.lateByteOnBlock = f.lateByteOn;
        FakeLine line(unit, s);
        HATransfer transfer(line);
        QString got;
        QVERIFY(!transfer.run({}, {}, &got));
        QVERIFY(!transfer.stopped() && !s.open);
        if (f.error == "*")
            QVERIFY(!got.isEmpty() && got != HATransfer::communicationError());
        else
            QCOMPARE(got, f.error.isEmpty() ? HATransfer::communicationError() : f.error);
        if (f.lateByteOn)
            QCOMPARE(unit.blocksSent(), f.lateByteOn);  // nothing more was asked for
        if (f.error.isEmpty()) {
            // Four attempts of fifty polls, with a wake-up byte after each.
            QCOMPARE(s.written.count(char(0x7F)), 1 + 4);
            QVERIFY(s.clock >= 1000 + 4 * 50 * 10);
        }
    }
};

QTEST_GUILESS_MAIN(tst_hatransfer)
#include "tst_hatransfer.moc"
