#pragma once
// A line to a simulated unit on a clock of its own: waits pass no real time. What happened
// on it stays in a LineState, which outlives a line the transfer command drops.
#include "ByteLine.h"
#include "HAUnitSimulator.h"

#include <functional>

struct LineState {
    QString openError;         // open() fails with it when set
    int lateByteOnBlock = 0;   // a 33rd byte follows this block while it settles (1: the header)
    std::function<void()> onWait;
    QByteArray written;
    qint64 clock = 0;
    bool open = false;
};

class FakeLine : public ByteLine {
public:
    FakeLine(HAUnitSimulator& unit, LineState& state) : m_unit(unit), m_s(state) {}
    bool open(QString* error) override
    {
        if (!m_s.openError.isEmpty() && error)
            *error = m_s.openError;
        return m_s.open = m_s.openError.isEmpty();
    }
    void close() override { m_s.open = false; }
    bool isOpen() const override { return m_s.open; }
    bool writeByte(quint8 b) override
    {
        m_s.written += char(b);
        m_buffer += m_unit.receive(b);
        return true;
    }
    qint64 bytesWaiting() override { return m_buffer.size(); }
    QByteArray readAll() override { return std::exchange(m_buffer, {}); }
    void wait(int ms) override
    {
        m_s.clock += ms;
        if (m_buffer.size() == 32 && ++m_blocksWaited == m_s.lateByteOnBlock)
            m_buffer += char(0x42);
        if (m_s.onWait)
            m_s.onWait();
    }

private:
    HAUnitSimulator& m_unit;
    LineState& m_s;
    QByteArray m_buffer;
    int m_blocksWaited = 0;
};
