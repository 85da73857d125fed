#include "PtySimulator.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {
// A wake-up after this much silence starts a new conversation: the program retries far
// sooner than this (every half second), so it must be a new transfer.
constexpr int kNewConversationMs = 2000;
}  // namespace

PtySimulator::PtySimulator(QList<QByteArray> blocks, HAUnitSimulator::Faults faults, QObject* parent)
    : QObject(parent), m_blocks(std::move(blocks)), m_faults(faults),
      m_unit(std::make_unique<HAUnitSimulator>(m_blocks, m_faults))
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        m_master = m_slave = -1;
        return;
    }
    m_device = QString::fromLocal8Bit(name);
    // Raw: 0xFF and 0x7F must pass as data, with no echo and no line editing.
    termios tio{};
    ::tcgetattr(m_slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m_slave, TCSANOW, &tio);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtySimulator::serve);
    m_sinceLastByte.start();
}

PtySimulator::~PtySimulator()
{
    delete m_notifier;
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

void PtySimulator::serve()
{
    char in[256];
    for (;;) {
        const ssize_t n = ::read(m_master, in, sizeof in);
        if (n <= 0)
            return;  // EAGAIN: all read
        for (ssize_t i = 0; i < n; ++i) {
            const quint8 b = quint8(in[i]);
            if (b == 0x7F && (m_unit->ended() || m_sinceLastByte.elapsed() > kNewConversationMs)) {
                m_unit = std::make_unique<HAUnitSimulator>(m_blocks, m_faults);
                m_fresh = true;
            }
            if (b == 0x7F && m_fresh) {
                m_fresh = false;
                emit conversationStarted();
            }
            m_sinceLastByte.restart();
            m_received += char(b);
            const QByteArray answer = m_unit->receive(b);
            // One write per answer: a block reaches the program in one piece, as the
            // unit's 32 bytes arrive together.
            qsizetype done = 0;
            while (done < answer.size()) {
                const ssize_t w = ::write(m_master, answer.constData() + done, size_t(answer.size() - done));
                if (w < 0 && errno == EINTR)
                    continue;
                if (w <= 0)
                    break;  // nobody reads the line: the answer is lost, as on a cable
                if (w > 0)
                    done += w;
            }
        }
    }
}

QList<QByteArray> PtySimulator::withCorruptNibble(QList<QByteArray> blocks)
{
    if (blocks.size() > 1 && !blocks[1].isEmpty())
        blocks[1][0] = char(0xA0 | (quint8(blocks[1][0]) & 0x0F));
    return blocks;
}

QList<QByteArray> PtySimulator::withoutTerminators(QList<QByteArray> blocks)
{
    for (qsizetype i = 1; i < blocks.size(); ++i) {
        for (char& c : blocks[i]) {
            if (quint8(c) == 0xEF || quint8(c) == 0xFF)
                c = 0x00;
        }
    }
    return blocks;
}

QList<int> PtySimulator::withGaps(QList<int> tenths)
{
    for (qsizetype i = 1; i < tenths.size(); i += 3)
        tenths[i] = 999;
    return tenths;
}
