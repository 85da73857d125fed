#pragma once
// The byte line over a real serial port: 4800 baud, 8 data bits, no parity, 1 stop bit,
// no flow control.
#include "ByteLine.h"

#include <memory>

class QSerialPort;

class SerialByteLine : public ByteLine {
public:
    explicit SerialByteLine(const QString& device);
    ~SerialByteLine() override;

    bool open(QString* error) override;
    void close() override;
    bool isOpen() const override;
    bool writeByte(quint8 b) override;
    qint64 bytesWaiting() override;
    QByteArray readAll() override;
    void wait(int ms) override;

private:
    std::unique_ptr<QSerialPort> m_port;
    QString m_device;
};

// The device of the configured port: OPTION/PORT_NAME when set, else /dev/ttyS(n−1)
// for "COM n" (OPTION/PORT).
QString ConfiguredSerialDevice();
