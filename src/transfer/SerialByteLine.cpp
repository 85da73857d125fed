#include "SerialByteLine.h"

#include "Globals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QThread>

#include <algorithm>
#include <unistd.h>

namespace {
QString text(const char* s)
{
    return QCoreApplication::translate("SerialByteLine", s);
}

// The slice of a wait spent blocked on the port; short, so repaints and Cancel keep up.
constexpr int kSliceMs = 5;
}  // namespace

SerialByteLine::SerialByteLine(const QString& device) : m_port(std::make_unique<QSerialPort>()), m_device(device) {}

SerialByteLine::~SerialByteLine() = default;

bool SerialByteLine::open(QString* error)
{
    m_port->setPortName(m_device);
    auto fail = [&](const QString& why) {
        if (error)
            *error = why.arg(m_device);
        return false;
    };
    if (!QFileInfo::exists(m_device))
        return fail(text("シリアルポート %1 が見つかりません"));
    if (!m_port->open(QIODevice::ReadWrite)) {
        switch (m_port->error()) {
        case QSerialPort::DeviceNotFoundError:
            return fail(text("シリアルポート %1 が見つかりません"));
        case QSerialPort::PermissionError:
            // Qt reports a device held by another program (lock file, exclusive mode) as a
            // permission error too; the file's own access rights tell the two apart.
            if (::access(QFile::encodeName(m_device).constData(), R_OK | W_OK) == 0)
                return fail(text("シリアルポート %1 は他のプログラムが使用中です"));
            return fail(text("シリアルポート %1 を開く権限がありません（dialout グループに入っているか確認してください）"));
        default:
            return fail(text("シリアルポート %1 を開けませんでした: ") + m_port->errorString());
        }
    }
    const bool configured = m_port->setBaudRate(QSerialPort::Baud4800) && m_port->setDataBits(QSerialPort::Data8)
        && m_port->setParity(QSerialPort::NoParity) && m_port->setStopBits(QSerialPort::OneStop)
        && m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        const QString why = m_port->errorString();
        m_port->close();
        return fail(text("シリアルポート %1 を開けませんでした: ") + why);
    }
    // Bytes left over from an earlier conversation would be mistaken for a block.
    m_port->clear();
    return true;
}

void SerialByteLine::close()
{
    if (m_port->isOpen())
        m_port->close();
}

bool SerialByteLine::isOpen() const
{
    return m_port->isOpen();
}

bool SerialByteLine::writeByte(quint8 b)
{
    if (!m_port->isOpen())
        return false;
    const char c = char(b);
    if (m_port->write(&c, 1) != 1)
        return false;
    // The unit answers only once the byte is out; do not leave it in Qt's write buffer.
    m_port->flush();
    return true;
}

qint64 SerialByteLine::bytesWaiting()
{
    if (!m_port->isOpen())
        return 0;
    m_port->waitForReadyRead(0);  // pulls in what the driver holds
    return m_port->bytesAvailable();
}

QByteArray SerialByteLine::readAll()
{
    if (!m_port->isOpen())
        return {};
    m_port->waitForReadyRead(0);
    return m_port->readAll();
}

void SerialByteLine::wait(int ms)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        QCoreApplication::processEvents();
        const qint64 left = ms - timer.elapsed();
        if (left <= 0)
            break;
        const int slice = int(std::min<qint64>(left, kSliceMs));
        if (m_port->isOpen())
            m_port->waitForReadyRead(slice);
        else
            QThread::msleep(ulong(slice));
    }
    if (m_port->isOpen())
        m_port->clearError();  // a wait that saw no byte is not a fault of the line
}

QString ConfiguredSerialDevice()
{
    if (!gPortName.isEmpty())
        return gPortName;
    return QStringLiteral("/dev/ttyS") + QString::number(std::max(1L, gPort) - 1);
}
