#pragma once
// A communication unit with a dive computer in it, as far as the transfer sees it:
// answers the wake-up byte and each request with the next 32-byte block of a dive. Its
// faults are knobs, so tests and a diver without a device can try every path.
#include <QByteArray>
#include <QDate>
#include <QList>
#include <QTime>

class HAUnitSimulator {
public:
    struct Faults {
        bool silent = false;       // never answers
        bool extraByte = false;    // answers 33 bytes instead of 32
        int stopAfter = -1;        // answers this many blocks, then nothing
    };

    // blocks: the header first, then the profile blocks.
    explicit HAUnitSimulator(QList<QByteArray> blocks) : m_blocks(std::move(blocks)) {}
    HAUnitSimulator(QList<QByteArray> blocks, Faults faults) : m_blocks(std::move(blocks)), m_faults(faults) {}
    // A dive's blocks from its values: date, times, depths and temperatures in tenths.
    static QList<QByteArray> blocksFor(const QDate& date, const QTime& in, const QTime& out, int maxDepthTenths,
                                       int depthTempTenths, int avgDepthTenths, const QList<int>& depthTenths,
                                       const QList<int>& tempTenths);

    // The unit's answer to one byte from the program.
    QByteArray receive(quint8 byte);
    int blocksSent() const { return m_sent; }
    bool ended() const { return m_ended; }

private:
    QList<QByteArray> m_blocks;
    Faults m_faults;
    bool m_awake = false;
    bool m_ended = false;
    int m_sent = 0;
};
