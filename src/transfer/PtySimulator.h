#pragma once
// A communication unit on a pseudo-terminal: the program opens device() as its serial
// port, and every byte it sends is answered by an HAUnitSimulator on the other side.
// Served from the Qt event loop, so it runs inside a test (while the line's waits pump
// events) as well as in a stand-alone program.
#include "HAUnitSimulator.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;

class PtySimulator : public QObject {
    Q_OBJECT
public:
    PtySimulator(QList<QByteArray> blocks, HAUnitSimulator::Faults faults = {}, QObject* parent = nullptr);
    ~PtySimulator() override;

    // False when no pseudo-terminal could be made; error() says why.
    bool isValid() const { return m_master >= 0; }
    QString error() const { return m_error; }
    // The path the program opens, e.g. /dev/pts/3.
    QString device() const { return m_device; }

    // The unit of the current conversation and every byte the program sent so far.
    const HAUnitSimulator& unit() const { return *m_unit; }
    QByteArray received() const { return m_received; }

    // Faults only a device on a line can show, built into a dive's blocks.
    // The first digit of the profile becomes 0xA.
    static QList<QByteArray> withCorruptNibble(QList<QByteArray> blocks);
    // The profile loses its 0xEF and 0xFF ends, so the samples run off the buffer.
    static QList<QByteArray> withoutTerminators(QList<QByteArray> blocks);
    // Every third sample from the second on becomes 99.9 (no data).
    static QList<int> withGaps(QList<int> tenths);

signals:
    void conversationStarted();

private:
    void serve();

    QList<QByteArray> m_blocks;
    HAUnitSimulator::Faults m_faults;
    std::unique_ptr<HAUnitSimulator> m_unit;
    QSocketNotifier* m_notifier = nullptr;
    QElapsedTimer m_sinceLastByte;
    bool m_fresh = true;  // no wake-up seen yet in this conversation
    QByteArray m_received;
    QString m_device, m_error;
    int m_master = -1;
    // Held open so the line stays up while the program has the port closed.
    int m_slave = -1;
};
