#include "ByteLine.h"
#include "HATransfer.h"
#include "HAUnitSimulator.h"

#include <QtTest>

namespace {
// A line to a simulated unit with a clock of its own: waits pass no real time.
class FakeLine : public ByteLine {
public:
    explicit FakeLine(HAUnitSimulator& unit) : m_unit(unit) {}
    bool open(QString* error) override
    {
        if (!openError.isEmpty()) {
            if (error) *error = openError;
            return false;
        }
        m_open = true;
        return true;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    bool writeByte(quint8 b) override
    {
        written += char(b);
        m_buffer += m_unit.receive(b);
        return true;
    }
    qint64 bytesWaiting() override { return m_buffer.size(); }
    QByteArray readAll() override
    {
        const QByteArray b = m_buffer;
        m_buffer.clear();
        return b;
    }
    void wait(int ms) override
    {
        clock += ms;
        // One byte too many, arriving while the block settles.
        if (m_buffer.size() == 32 && ++m_blocksWaited == lateByteOnBlock)
            m_buffer += char(0x42);
    }

    QString openError;
    int lateByteOnBlock = 0;  // 1: the header
    QByteArray written;
    qint64 clock = 0;

private:
    HAUnitSimulator& m_unit;
    QByteArray m_buffer;
    bool m_open = false;
    int m_blocksWaited = 0;
};

QList<QByteArray> dive()
{
    return HAUnitSimulator::blocksFor(QDate(2004, 7, 15), QTime(9, 5), QTime(9, 50), 125, 205, 83,
                                      {0, 52, 125, 118, 90, 999, 40, 30}, {241, 235, 228, 229});
}
}  // namespace

class tst_hatransfer : public QObject {
    Q_OBJECT
private slots:
    void cleanTransfer();
    void failures_data();
    void failures();
    void cancelEndsAtOnce();
};

void tst_hatransfer::cleanTransfer()
{
    const QList<QByteArray> blocks = dive();
    HAUnitSimulator unit(blocks);
    FakeLine line(unit);
    HATransfer transfer(line);
    QList<int> progress;
    QDate seen;
    QString error;
    const auto result = transfer.run([&](int done, int total) { progress << done << total; return false; },
                                     [&](const HAHeader& h) { seen = h.date; }, &error);
    QVERIFY2(result, qPrintable(error));
    QCOMPARE(result->date, QDate(2004, 7, 15));
    QCOMPARE(result->depthTransit, QStringLiteral("0 5.2 12.5 11.8 9 6.5 4 3"));
    QCOMPARE(result->tempTransit, QStringLiteral("24.1 23.5 22.8 22.9"));
    QCOMPARE(seen, QDate(2004, 7, 15));
    const int n = int(blocks.size()) - 1;
    QCOMPARE(progress.size(), 2 * n);
    // Wake-up, one request per block, and the closing request.
    QCOMPARE(line.written, QByteArray(1, char(0x7F)) + QByteArray(n + 2, char(0xFF)));
    QVERIFY(unit.ended());
    QVERIFY(!line.isOpen());
    // Only the fixed waits: the wake-up, the settling after each block and at the end.
    QCOMPARE(line.clock, 1000 + (n + 1) * 20 + 20);
}

void tst_hatransfer::failures_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("extraByte");
    QTest::addColumn<int>("stopAfter");
    QTest::addColumn<QString>("openError");
    QTest::addColumn<QByteArray>("header");  // replaces the dive's header when set
    QTest::addColumn<int>("lateByteOn");     // the block a 33rd byte follows while it settles
    QTest::newRow("silent unit") << true << false << -1 << "" << QByteArray() << 0;
    QTest::newRow("33-byte answers") << false << true << -1 << "" << QByteArray() << 0;
    QTest::newRow("stops after the header") << false << false << 1 << "" << QByteArray() << 0;
    QTest::newRow("port cannot be opened") << false << false << -1 << "/dev/ttyS9 を開けません" << QByteArray() << 0;
    QTest::newRow("impossible date") << false << false << -1 << "" << QByteArray(32, 0x13) << 0;
    QTest::newRow("extra byte after the header") << false << false << -1 << "" << QByteArray() << 1;
    QTest::newRow("extra byte after a profile block") << false << false << -1 << "" << QByteArray() << 2;
}

void tst_hatransfer::failures()
{
    QFETCH(bool, silent);
    QFETCH(bool, extraByte);
    QFETCH(int, stopAfter);
    QFETCH(QString, openError);
    QFETCH(QByteArray, header);
    QFETCH(int, lateByteOn);
    QList<QByteArray> blocks = dive();
    if (!header.isEmpty())
        blocks[0] = header;
    HAUnitSimulator unit(blocks, {silent, extraByte, stopAfter});
    FakeLine line(unit);
    line.openError = openError;
    line.lateByteOnBlock = lateByteOn;
    HATransfer transfer(line);
    QString error;
    QVERIFY(!transfer.run({}, {}, &error));
    QVERIFY(!transfer.stopped());
    QVERIFY(!line.isOpen());
    if (!openError.isEmpty()) {
        QCOMPARE(error, openError);
    } else if (lateByteOn) {
        QCOMPARE(error, QStringLiteral("コミュニケーションユニットから予定より多くのデータが送られてきました"));
        QCOMPARE(unit.blocksSent(), lateByteOn);  // nothing more was asked for
    } else if (header.isEmpty()) {
        QCOMPARE(error, HATransfer::communicationError());
        // Four attempts of fifty polls, with a wake-up byte after each.
        QCOMPARE(line.written.count(char(0x7F)), 1 + 4);
        QVERIFY(line.clock >= 1000 + 4 * 50 * 10);
    } else {
        QVERIFY(!error.isEmpty());
    }
}

void tst_hatransfer::cancelEndsAtOnce()
{
    HAUnitSimulator unit(dive(), {false, false, 1});  // the profile block never comes
    FakeLine line(unit);
    HATransfer transfer(line);
    transfer.setCancelCheck([&] { return line.clock > 1500; });
    QString error;
    QVERIFY(!transfer.run({}, {}, &error));
    QVERIFY(transfer.stopped());
    QCOMPARE(error, QStringLiteral("転送を中断しました"));
    QVERIFY(line.clock < 1600);
    QVERIFY(!line.isOpen());
}

QTEST_GUILESS_MAIN(tst_hatransfer)
#include "tst_hatransfer.moc"
