#include "HADecode.h"

#include <QtTest>

namespace {
// A header block: 2004/07/15 09:05 to 09:50, 12.5 m, 20.5 °C at depth, 8.3 m average.
QByteArray header(int blocks = 1)
{
    QByteArray b(kHABlockSize, '\0');
    b[3] = char(blocks);
    b[5] = 0x20; b[6] = 0x04; b[7] = 0x07; b[8] = 0x15;
    b[10] = 0x09; b[11] = 0x05;
    b[13] = 0x09; b[14] = 0x50;
    b[18] = 0x12; b[19] = char(0x52); b[20] = 0x05;
    b[21] = 0x08; b[22] = char(0x30);
    return b;
}

// Samples packed two per three bytes, closed by the depth and temperature terminators,
// padded to whole blocks.
QByteArray profile(const QList<int>& depths, const QList<int>& temps)
{
    QByteArray out;
    auto pack = [&](const QList<int>& tenths, quint8 end) {
        for (qsizetype i = 0; i < tenths.size(); i += 2) {
            const int a = tenths[i];
            const int b = i + 1 < tenths.size() ? tenths[i + 1] : -1;
            out += char(((a / 100) << 4) | (a / 10 % 10));
            out += char(((a % 10) << 4) | (b < 0 ? 0 : b / 100));
            if (b < 0) {
                out += char(end);
                return;
            }
            out += char(((b / 10 % 10) << 4) | (b % 10));
        }
        out += char(end);
    };
    pack(depths, 0xEF);
    pack(temps, 0xFF);
    while (out.size() % kHABlockSize)
        out += char(0xFF);
    return out;
}

// A header with one byte changed.
QByteArray patched(int index, char value)
{
    QByteArray b = header();
    b[index] = value;
    return b;
}
}  // namespace

class tst_hadecode : public QObject {
    Q_OBJECT
private slots:
    void headerFields()
    {
        QString error;
        const auto h = DecodeHeader(header(3), &error);
        QVERIFY2(h, qPrintable(error));
        QCOMPARE(std::tuple(h->blocks, h->date, h->inTime, h->outTime, h->maxDepth, h->depthTemp, h->avgDepth),
                 std::tuple(3, QDate(2004, 7, 15), QTime(9, 5), QTime(9, 50), 12.5, 20.5, 8.3));
    }
    void gapsAndSummaries_data()
    {
        QTest::addColumn<QList<int>>("depths");
        QTest::addColumn<QList<int>>("temps");
        QTest::addColumn<QString>("depthText");
        QTest::addColumn<QList<double>>("summary");  // max, avg, surface, depth temp (-1: none)
        QTest::newRow("gaps filled") << QList<int>{999, 100, 999, 999, 120} << QList<int>{241, 235, 228}
                                     << "5 10 10 11 12" << QList<double>{12, 9.6, 24.1, 22.8};
        QTest::newRow("average of samples") << QList<int>{100, 110, 110} << QList<int>{200}
                                            << "10 11 11" << QList<double>{11, 10.7, 20, 20};
        QTest::newRow("gap filled with two decimals") << QList<int>{123, 999, 124} << QList<int>{}
                                                      << "12.3 12.35 12.4" << QList<double>{12.4, 12.4, 0, -1};
    }
    void gapsAndSummaries()
    {
        QFETCH(QList<int>, depths);
        QFETCH(QList<int>, temps);
        QFETCH(QString, depthText);
        QFETCH(QList<double>, summary);
        const QByteArray p = profile(depths, temps);
        QByteArray h = header(int(p.size() / kHABlockSize));
        h.replace(18, 5, "\x99\x99\x99\x99\x90");  // no summary in the header: worked out from the samples
        QString error;
        const auto dive = DecodeTransfer(h, p, &error);
        QVERIFY2(dive, qPrintable(error));
        QCOMPARE(dive->depthTransit, depthText);
        const QList<double> got{dive->maxDepth, dive->avgDepth, dive->surfaceTemp, dive->depthTemp.value_or(-1)};
        QCOMPARE(got, summary);
    }
    void malformed_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("body");
        const QByteArray good = profile({120, 345}, {241});
        QTest::newRow("no profile blocks") << header(0) << QByteArray();
        QTest::newRow("nibble above 9") << patched(7, 0x1A) << good;
        QTest::newRow("month 13") << patched(7, 0x13) << good;
        QTest::newRow("short header") << header().left(31) << good;
        QTest::newRow("fewer blocks than announced") << header(2) << good;
        QTest::newRow("no depth terminator") << header() << QByteArray(kHABlockSize, 0x11);
        QTest::newRow("no temperature terminator")
            << header() << (QByteArray("\x01\x23\x45\xEF", 4) + QByteArray(kHABlockSize - 4, 0x22));
        QTest::newRow("no depth samples") << header() << (QByteArray("\xEF\xFF", 2) + QByteArray(30, char(0xFF)));
        QTest::newRow("sample nibble above 9")
            << header() << (QByteArray("\x01\x2C\x45\xEF\xFF", 5) + QByteArray(27, char(0xFF)));
    }
    void malformed()
    {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, body);
        QString error;
        QVERIFY(!DecodeTransfer(head, body, &error) && !error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_hadecode)
#include "tst_hadecode.moc"
