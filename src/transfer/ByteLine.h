#pragma once
// A serial line as the transfer needs it: open, one byte out, how many bytes wait, read
// them, and waits that keep the window alive.
#include <QByteArray>
#include <QString>

class ByteLine {
public:
    virtual ~ByteLine() = default;
    // False with a reason the user can be shown (missing, busy, no permission).
    virtual bool open(QString* error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool writeByte(quint8 b) = 0;
    virtual qint64 bytesWaiting() = 0;
    virtual QByteArray readAll() = 0;
    // Waits about ms milliseconds while pending events run (repaints, a Cancel button).
    virtual void wait(int ms) = 0;
};
