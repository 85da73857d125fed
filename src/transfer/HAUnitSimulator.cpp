#include "HAUnitSimulator.h"

#include "HADecode.h"

#include <QDate>
#include <QTime>

namespace {
char bcd(int v)
{
    return char(((v / 10 % 10) << 4) | (v % 10));
}

// Samples packed two per three bytes with the given terminator.
void pack(QByteArray& out, const QList<int>& tenths, quint8 end)
{
    for (qsizetype i = 0; i < tenths.size(); i += 2) {
        const int a = tenths[i];
        const bool last = i + 1 >= tenths.size();
        const int b = last ? 0 : tenths[i + 1];
        out += char(((a / 100 % 10) << 4) | (a / 10 % 10));
        out += char(((a % 10) << 4) | (b / 100 % 10));
        if (last) {
            out += char(end);
            return;
        }
        out += char(((b / 10 % 10) << 4) | (b % 10));
    }
    out += char(end);
}
}  // namespace

QList<QByteArray> HAUnitSimulator::blocksFor(const QDate& date, const QTime& in, const QTime& out, int maxDepthTenths,
                                             int depthTempTenths, int avgDepthTenths, const QList<int>& depthTenths,
                                             const QList<int>& tempTenths)
{
    QByteArray profile;
    pack(profile, depthTenths, 0xEF);
    pack(profile, tempTenths, 0xFF);
    while (profile.size() % kHABlockSize)
        profile += char(0xFF);
    QByteArray header(kHABlockSize, '\0');
    header[3] = char(profile.size() / kHABlockSize);
    header[5] = bcd(date.year() / 100);
    header[6] = bcd(date.year() % 100);
    header[7] = bcd(date.month());
    header[8] = bcd(date.day());
    header[10] = bcd(in.hour());
    header[11] = bcd(in.minute());
    header[13] = bcd(out.hour());
    header[14] = bcd(out.minute());
    header[18] = bcd(maxDepthTenths / 10);
    header[19] = char(((maxDepthTenths % 10) << 4) | (depthTempTenths / 100 % 10));
    header[20] = bcd(depthTempTenths % 100);
    header[21] = bcd(avgDepthTenths / 10);
    header[22] = char((avgDepthTenths % 10) << 4);
    QList<QByteArray> blocks{header};
    for (qsizetype i = 0; i < profile.size(); i += kHABlockSize)
        blocks << profile.mid(i, kHABlockSize);
    return blocks;
}

QByteArray HAUnitSimulator::receive(quint8 byte)
{
    if (byte == 0x7F) {
        m_awake = true;
        return {};
    }
    if (byte != 0xFF || !m_awake || m_faults.silent)
        return {};
    if (m_sent >= m_blocks.size()) {
        m_ended = true;  // the request after the last block ends the conversation
        return {};
    }
    if (m_faults.stopAfter >= 0 && m_sent >= m_faults.stopAfter)
        return {};
    QByteArray block = m_blocks.at(m_sent++);
    if (m_faults.extraByte)
        block += char(0x00);
    return block;
}
