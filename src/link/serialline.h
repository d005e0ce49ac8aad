#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial line to the panel as the link uses it: open at 9600,N,8,1, queue bytes out,
// count and take the bytes that came in. Every byte goes out as sent and every received
// byte is kept in order until taken, zero bytes included.
class SerialLine : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual QString portName() const = 0;
    // Opens the line; on failure leaves the system's reason in *reason.
    virtual bool open(QString *reason) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void output(const QByteArray &bytes) = 0;
    virtual qint64 inBufferCount() const = 0;
    virtual QByteArray input() = 0;

signals:
    // The line failed while open (adapter unplugged, terminal hung up).
    void lost();
};
