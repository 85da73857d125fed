// The transfer over a real serial line: SerialByteLine on a pseudo-terminal whose other
// side is a simulated communication unit. Waits here take real time.
#include "Globals.h"
#include "HATransfer.h"
#include "PtySimulator.h"
#include "SerialByteLine.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct DiveValues {
    QDate date{2004, 7, 15};
    QTime in{9, 5}, out{9, 50};
    int max = 168, depthTemp = 205, avg = 84;
    QList<int> depths, temps;
};

// Long enough for four profile blocks, so a cancel can fall in the middle.
DiveValues sampleDive()
{
    DiveValues d;
    for (int i = 0; i < 50; ++i)
        d.depths << (i < 25 ? i * 7 : (49 - i) * 7);
    for (int i = 0; i < 30; ++i)
        d.temps << 250 - i % 7;
    return d;
}

QList<QByteArray> blocksOf(const DiveValues& d)
{
    return HAUnitSimulator::blocksFor(d.date, d.in, d.out, d.max, d.depthTemp, d.avg, d.depths, d.temps);
}

QList<double> metres(const QList<int>& tenths)
{
    QList<double> out;
    for (int t : tenths)
        out << t / 10.0;
    return out;
}

enum class Damage { None, CorruptNibble, NoTerminator };
}  // namespace

Q_DECLARE_METATYPE(Damage)

class tst_serialtransfer : public QObject {
    Q_OBJECT
private slots:
    void cleanTransfer();
    void failures_data();
    void failures();
    void cancelMidTransfer();
    void openErrors();
    void configuredDevice_data();
    void configuredDevice();
};

void tst_serialtransfer::cleanTransfer()
{
    const DiveValues d = sampleDive();
    const QList<QByteArray> blocks = blocksOf(d);
    const int n = int(blocks.size()) - 1;
    QCOMPARE(n, 4);
    PtySimulator sim(blocks);
    QVERIFY2(sim.isValid(), qPrintable(sim.error()));
    SerialByteLine line(sim.device());
    HATransfer transfer(line);
    QList<int> progress;
    QString error;
    QElapsedTimer clock;
    clock.start();
    const auto dive = transfer.run([&](int done, int) { progress << done; return false; }, {}, &error);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(dive, qPrintable(error));

    const int fixed = 1000 + (n + 1) * 20 + 20;
    qInfo("clean transfer, header + %d blocks: %lld ms wall, fixed waits %d ms, ratio %.2f", n, elapsed, fixed,
          double(elapsed) / fixed);

    QCOMPARE(dive->date, d.date);
    QCOMPARE(dive->inTime, d.in);
    QCOMPARE(dive->outTime, d.out);
    QCOMPARE(dive->maxDepth, d.max / 10.0);
    QCOMPARE(dive->avgDepth, d.avg / 10.0);
    QCOMPARE(dive->depthTemp, std::optional<double>(d.depthTemp / 10.0));
    QCOMPARE(dive->depths, metres(d.depths));
    QCOMPARE(dive->temps, metres(d.temps));
    QCOMPARE(progress, QList<int>({1, 2, 3, 4}));
    // On the wire: the wake-up, one request per block and the closing request.
    QCOMPARE(sim.received(), QByteArray(1, char(0x7F)) + QByteArray(n + 2, char(0xFF)));
    QVERIFY(sim.unit().ended());
    QVERIFY(!line.isOpen());
}

void tst_serialtransfer::failures_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("extraByte");
    QTest::addColumn<int>("stopAfter");
    QTest::addColumn<Damage>("damage");
    // The unit's faults: each costs the full four attempts (about 3 s).
    QTest::newRow("silent unit") << true << false << -1 << Damage::None;
    QTest::newRow("33-byte answers") << false << true << -1 << Damage::None;
    QTest::newRow("stops after two blocks") << false << false << 2 << Damage::None;
    // Damaged data: every block arrives, decoding refuses it.
    QTest::newRow("corrupt nibble") << false << false << -1 << Damage::CorruptNibble;
    QTest::newRow("no terminator") << false << false << -1 << Damage::NoTerminator;
}

void tst_serialtransfer::failures()
{
    QFETCH(bool, silent);
    QFETCH(bool, extraByte);
    QFETCH(int, stopAfter);
    QFETCH(Damage, damage);
    QList<QByteArray> blocks = blocksOf(sampleDive());
    if (damage == Damage::CorruptNibble)
        blocks = PtySimulator::withCorruptNibble(blocks);
    else if (damage == Damage::NoTerminator)
        blocks = PtySimulator::withoutTerminators(blocks);
    PtySimulator sim(blocks, {silent, extraByte, stopAfter});
    QVERIFY2(sim.isValid(), qPrintable(sim.error()));
    SerialByteLine line(sim.device());
    HATransfer transfer(line);
    QString error;
    QVERIFY(!transfer.run({}, {}, &error));
    QVERIFY(!transfer.stopped());
    QVERIFY(!line.isOpen());
    if (damage == Damage::None) {
        QCOMPARE(error, HATransfer::communicationError());
        // The first wake-up and one after each of the four failed attempts; the last one
        // leaves just before the port closes, so the unit may still have to read it.
        QTRY_COMPARE_WITH_TIMEOUT(sim.received().count(char(0x7F)), 1 + 4, 1000);
        if (stopAfter >= 0)
            QCOMPARE(sim.unit().blocksSent(), stopAfter);
    } else {
        QVERIFY(!error.isEmpty());
        QVERIFY(error != HATransfer::communicationError());
        QCOMPARE(sim.unit().blocksSent(), int(blocks.size()));
    }
}

void tst_serialtransfer::cancelMidTransfer()
{
    const QList<QByteArray> blocks = blocksOf(sampleDive());
    PtySimulator sim(blocks);
    QVERIFY2(sim.isValid(), qPrintable(sim.error()));
    SerialByteLine line(sim.device());
    HATransfer transfer(line);
    // The user presses Cancel while the second block is on its way.
    transfer.setCancelCheck([&] { return sim.unit().blocksSent() >= 2; });
    QString error;
    QVERIFY(!transfer.run({}, {}, &error));
    QVERIFY(transfer.stopped());
    QCOMPARE(error, QStringLiteral("転送を中断しました"));
    QCOMPARE(sim.unit().blocksSent(), 2);
    QVERIFY(!sim.unit().ended());
    QVERIFY(!line.isOpen());
}

void tst_serialtransfer::openErrors()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("ttyNone"));
    SerialByteLine none(missing);
    QString error;
    QVERIFY(!none.open(&error));
    QCOMPARE(error, QStringLiteral("シリアルポート %1 が見つかりません").arg(missing));
    QVERIFY(!none.isOpen());

    // A port another program holds: the first line keeps it.
    PtySimulator sim(blocksOf(sampleDive()));
    QVERIFY2(sim.isValid(), qPrintable(sim.error()));
    SerialByteLine first(sim.device());
    QVERIFY(first.open(&error));
    SerialByteLine second(sim.device());
    QVERIFY(!second.open(&error));
    QCOMPARE(error, QStringLiteral("シリアルポート %1 は他のプログラムが使用中です").arg(sim.device()));
    first.close();
    QVERIFY2(second.open(&error), qPrintable(error));
}

void tst_serialtransfer::configuredDevice_data()
{
    QTest::addColumn<long>("port");
    QTest::addColumn<QString>("portName");
    QTest::addColumn<QString>("device");
    QTest::newRow("COM1") << 1L << "" << "/dev/ttyS0";
    QTest::newRow("COM4") << 4L << "" << "/dev/ttyS3";
    QTest::newRow("named device wins") << 2L << "/dev/ttyUSB0" << "/dev/ttyUSB0";
}

void tst_serialtransfer::configuredDevice()
{
    QFETCH(long, port);
    QFETCH(QString, portName);
    QFETCH(QString, device);
    gPort = port;
    gPortName = portName;
    QCOMPARE(ConfiguredSerialDevice(), device);
}

QTEST_GUILESS_MAIN(tst_serialtransfer)
#include "tst_serialtransfer.moc"
