#pragma once

#include "platform/coreexport.h"
#include <QByteArray>
#include <QObject>
#include <QString>

// The serial line to the panel as the link uses it: open at 9600,N,8,1, queue bytes out,
// count and take the bytes that came in. Every byte goes out as sent and every received
// byte is kept in order until taken, zero bytes included.
class DURVEX_CORE_EXPORT SerialLine : public QObject
{
    Q_OBJECT

public:
    // Why a port could not be opened, told apart so that the user learns what to do.
    struct OpenFailure
    {
        enum class Kind { NotFound, PermissionDenied, InUse, NotASerialPort, Other };
        Kind kind = Kind::Other;
        QString reason; // the system's words
        // What to tell the user, with %1 where the port's name goes; when empty, the kind's
        // own text serves.
        QString advice = {};
    };

    using QObject::QObject;

    virtual QString portName() const = 0;
    // The port the next open uses; the line must be closed.
    virtual void setPortName(const QString &name) = 0;
    virtual bool open(OpenFailure *failure) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void output(const QByteArray &bytes) = 0;
    virtual qint64 inBufferCount() const = 0;
    virtual QByteArray input() = 0;
    // What follows, up to setPolling(false), is a poll for a panel: a line that traces
    // bounds what polls write over the whole run.
    virtual void setPolling(bool polling) { Q_UNUSED(polling) }

    // A name short enough for the status line: the name itself, or for a long link the
    // device it leads to, or failing that the end of the name.
    static QString shortName(const QString &portName);

signals:
    // The line failed while open (adapter unplugged, terminal hung up).
    void lost();
};
