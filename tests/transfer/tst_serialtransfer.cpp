// SerialByteLine on a pseudo-terminal whose other side is a simulated communication unit:
// what only the real line does. The transfer's own rules run on a simulated clock in
// tst_hatransfer and through the window in tst_frmHATrance. Waits here take real time.
#include "Globals.h"
#include "HATransfer.h"
#include "PtySimulator.h"
#include "SerialByteLine.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
QList<QByteArray> sampleDive()
{
    return HAUnitSimulator::blocksFor(QDate(2004, 7, 15), QTime(9, 5), QTime(9, 50), 168, 205, 84,
                                      {0, 52, 125, 90, 40}, {250, 244});
}
}  // namespace

class tst_serialtransfer : public QObject {
    Q_OBJECT
private slots:
    // Each costs the full four attempts (about 3 s).
    void failures_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<bool>("extraByte");
        QTest::newRow("silent unit") << true << false;
        QTest::newRow("33-byte answers") << false << true;
    }
    void failures()
    {
        QFETCH(bool, silent);
        QFETCH(bool, extraByte);
        PtySimulator sim(sampleDive(), {silent, extraByte, -1});
        QVERIFY2(sim.isValid(), qPrintable(sim.error()));
        SerialByteLine line(sim.device());
        HATransfer transfer(line);
        QString error;
        QVERIFY(!transfer.run({}, {}, &error));
        QCOMPARE(error, HATransfer::communicationError());
        QVERIFY(!transfer.stopped() && !line.isOpen());
        // The first wake-up and one after each of the four failed attempts; the last one
        // leaves just before the port closes, so the unit may still have to read it.
        QTRY_COMPARE_WITH_TIMEOUT(sim.received().count(char(0x7F)), 1 + 4, 1000);
    }

    void openErrors()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("ttyNone"));
        SerialByteLine none(missing);
        QString error;
        QVERIFY(!none.open(&error) && !none.isOpen());
        QCOMPARE(error, QStringLiteral("シリアルポート %1 が見つかりません").arg(missing));
        // A port another program holds: the first line keeps it.
        PtySimulator sim(sampleDive());
        QVERIFY2(sim.isValid(), qPrintable(sim.error()));
        SerialByteLine first(sim.device()), second(sim.device());
        QVERIFY(first.open(&error));
        QVERIFY(!second.open(&error));
        QCOMPARE(error, QStringLiteral("シリアルポート %1 は他のプログラムが使用中です").arg(sim.device()));
        first.close();
        QVERIFY2(second.open(&error), qPrintable(error));
    }

    // COM n is /dev/ttyS(n-1); a named device wins.
    void configuredDevice()
    {
        gPort = 1;
        QCOMPARE(ConfiguredSerialDevice(), QStringLiteral("/dev/ttyS0"));
        gPortName = QStringLiteral("/dev/ttyUSB0");
        QCOMPARE(ConfiguredSerialDevice(), QStringLiteral("/dev/ttyUSB0"));
    }
};

QTEST_GUILESS_MAIN(tst_serialtransfer)
#include "tst_serialtransfer.moc"
