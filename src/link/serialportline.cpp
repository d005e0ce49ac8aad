#include "serialportline.h"

#include "portadvice.h"

#include <QFileInfo>

#include <cerrno>

SerialPortLine::SerialPortLine(QString portName, const QString &traceFile, QObject *parent)
    : SerialLine(parent)
    , m_portName(std::move(portName))
    , m_trace(traceFile)
{
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPortLine::onError);
}

bool SerialPortLine::open(OpenFailure *failure)
{
    m_lost = false;
    m_openError = QSerialPort::NoError;
    m_openReason.clear();
    m_openSystemError = 0;
    // Looked at where Qt opens it; a name that leads to no serial port is not handed to Qt.
    const QString location = PortAdvice::systemLocation(m_portName);
    if (const std::optional<OpenFailure> refused = PortAdvice::beforeOpen(PortAdvice::examine(location, false))) {
        if (failure)
            *failure = *refused;
        m_trace.event(QStringLiteral("OPEN %1 FAILED: %2").arg(m_portName, refused->reason));
        return false;
    }
    // The device itself, not the link that names it: its lock then keeps out a second
    // program that reaches it by another path.
    const QString canonical = QFileInfo(location).canonicalFilePath();
    const QString device = canonical.isEmpty() ? m_portName : canonical;
    m_port.setPortName(device);
    m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setReadBufferSize(readBufferLimit);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QString reason = m_openReason.isEmpty() ? QStringLiteral("Unknown error") : m_openReason;
        const OpenFailure failed = PortAdvice::afterOpen(PortAdvice::examine(location), PortAdvice::currentUser(),
                                                         m_openError, reason, m_openSystemError);
        if (failure)
            *failure = failed;
        m_trace.event(QStringLiteral("OPEN %1 FAILED: %2").arg(m_portName, failed.reason));
        m_port.clearError();
        return false;
    }
    // A reply that came after the last close (a poll's late acknowledgement) may still be
    // queued where the device is held open from its other end, as a pseudo-terminal is: a
    // port opened afresh starts empty, so it can never answer this transfer's handshake.
    m_port.clear(QSerialPort::Input);
    m_port.clearError();
    m_trace.begin(QStringLiteral("OPEN %1 9600,N,8,1").arg(m_portName));
    return true;
}

void SerialPortLine::close()
{
    if (!m_port.isOpen())
        return;
    // Bytes that came in but were never taken still belong in the trace.
    if (m_trace.enabled() && !m_lost)
        m_trace.received(m_port.readAll());
    m_port.close();
    m_trace.event(QStringLiteral("CLOSE %1").arg(m_portName));
}

void SerialPortLine::output(const QByteArray &bytes)
{
    if (!m_port.isOpen() || m_lost)
        return;
    m_trace.sent(bytes);
    m_port.write(bytes);
    m_port.flush();
}

QByteArray SerialPortLine::input()
{
    QByteArray bytes = m_port.readAll();
    m_trace.received(bytes);
    return bytes;
}

void SerialPortLine::onError(QSerialPort::SerialPortError error)
{
    const int systemError = errno; // raised at once after the failing call
    if (error == QSerialPort::NoError) // clearError() reports this too
        return;
    if (!m_port.isOpen() && m_openError == QSerialPort::NoError) {
        m_openError = error;
        m_openReason = m_port.errorString();
        m_openSystemError = systemError;
    }
    switch (error) {
    case QSerialPort::UnsupportedOperationError: // line signals on a pseudo-terminal
    case QSerialPort::TimeoutError:
    case QSerialPort::OpenError:
    case QSerialPort::NotOpenError:
        m_port.clearError();
        return;
    default:
        break;
    }
    if (!m_port.isOpen() || m_lost)
        return;
    m_lost = true;
    m_trace.event(QStringLiteral("LOST %1: %2").arg(m_portName, m_port.errorString()));
    emit lost();
}
