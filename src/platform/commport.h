#pragma once

#include <QByteArray>
#include <QString>

// A serial port through the system's own comm calls, set to 9600,N,8,1 without flow control.
// Reads never wait: each takes what has come in and returns at once, so that the caller
// polls from its event loop. Windows' wait for a received character is not used: where the
// port is a terminal of another system's (a pseudo-terminal under a compatibility layer),
// that wait asks for modem lines the terminal does not have, and never ends.
class CommPort
{
public:
    enum class Error { None, NotFound, AccessDenied, InUse, NotASerialPort, Other };

    struct Failure
    {
        Error error = Error::None;
        QString reason; // the system's words
    };

    CommPort() = default;
    CommPort(const CommPort &) = delete;
    CommPort &operator=(const CommPort &) = delete;
    ~CommPort() { close(); }

    // The device name the system opens for a port name: "COM3" and "com10" as "\\.\COM3" and
    // "\\.\COM10" (past COM9 only that form opens); a name already in it, or any path, as it is.
    static QString deviceName(const QString &portName);

    bool open(const QString &portName, Failure *failure);
    void close();
    bool isOpen() const { return m_handle != nullptr; }
    // Up to `max` bytes of what has come in. False when the line failed (the adapter was
    // unplugged), with the system's reason.
    bool read(QByteArray *into, qint64 max, QString *reason);
    // Sends all of it, waiting at most a second for the driver to take it.
    bool write(const QByteArray &bytes, QString *reason);
    // Drops what came in and was not yet read.
    void clearInput();

private:
    void *m_handle = nullptr;
};
