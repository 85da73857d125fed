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
    void cleanTransfer()
    {
        const QList<QByteArray> blocks = dive();
        HAUnitSimulator unit(blocks);
        LineState s;
        FakeLine line(unit, s);
        HATransfer transfer(line);
        QList<int> progress;
        QDate seen;
        QString error;
        const auto result = transfer.run([&](int done, int total) { progress << done << total; return false; },
                                         [&](const HAHeader& h) { seen = h.date; }, &error);
        QVERIFY2(result, qPrintable(error));
        QCOMPARE(result->depthTransit, QStringLiteral("0 5.2 12.5 11.8 9 6.5 4 3"));
        QCOMPARE(result->tempTransit, QStringLiteral("24.1 23.5 22.8 22.9"));
        QCOMPARE(seen, QDate(2004, 7, 15));
        const int n = int(blocks.size()) - 1;
        QCOMPARE(progress.size(), 2 * n);
        // Wake-up, one request per block, and the closing request.
        QCOMPARE(s.written, QByteArray(1, char(0x7F)) + QByteArray(n + 2, char(0xFF)));
        QVERIFY(unit.ended() && !s.open);
        // Only the fixed waits: the wake-up, the settling after each block and at the end.
        QCOMPARE(s.clock, 1000 + (n + 1) * 20 + 20);
    }

    // "cancel": the user presses Cancel while the unit stalls after the header.
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
        QTest::newRow("port cannot be opened") << "open" << -1 << 0 << "/dev/ttyS9 を開けません";
        QTest::newRow("impossible date") << "date" << -1 << 0 << "*";
        QTest::newRow("extra byte after the header") << "" << -1 << 1 << extra;
        QTest::newRow("extra byte after a profile block") << "" << -1 << 2 << extra;
        QTest::newRow("cancel") << "cancel" << 1 << 0 << "転送を中断しました";
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
        s.openError = fault == "open" ? error : QString();
        s.lateByteOnBlock = lateByteOn;
        FakeLine line(unit, s);
        HATransfer transfer(line);
        if (fault == "cancel")
            transfer.setCancelCheck([&] { return s.clock > 1500; });
        QString got;
        QVERIFY(!transfer.run({}, {}, &got));
        QCOMPARE(transfer.stopped(), fault == "cancel");
        QVERIFY(!s.open);
        if (error == "*")
            QVERIFY(!got.isEmpty() && got != HATransfer::communicationError());
        else
            QCOMPARE(got, error.isEmpty() ? HATransfer::communicationError() : error);
        if (lateByteOn)
            QCOMPARE(unit.blocksSent(), lateByteOn);  // nothing more was asked for
        if (fault == "cancel")
            QVERIFY(s.clock < 1600);  // at once, not after the attempts run out
        if (error.isEmpty()) {
            // Four attempts of fifty polls, with a wake-up byte after each.
            QCOMPARE(s.written.count(char(0x7F)), 1 + 4);
            QVERIFY(s.clock >= 1000 + 4 * 50 * 10);
        }
    }
};

QTEST_GUILESS_MAIN(tst_hatransfer)
#include "tst_hatransfer.moc"
