#include "serialportline.h"

SerialPortLine::SerialPortLine(QString portName, QObject *parent)
    : SerialLine(parent)
    , m_portName(std::move(portName))
    , m_trace(qEnvironmentVariable("DURVEX_TRACE"))
{
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPortLine::onError);
}

QString SerialPortLine::defaultPortName()
{
    QString fromEnvironment = qEnvironmentVariable("DURVEX_PORT");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
#ifdef Q_OS_WIN
    return QStringLiteral("COM1");
#else
    return QStringLiteral("/dev/ttyS0");
#endif
}

bool SerialPortLine::open(QString *reason)
{
    m_lost = false;
    m_port.setPortName(m_portName);
    m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        if (reason)
            *reason = m_port.errorString();
        m_trace.event(QStringLiteral("OPEN %1 FAILED: %2").arg(m_portName, m_port.errorString()));
        m_port.clearError();
        return false;
    }
    m_trace.event(QStringLiteral("OPEN %1 9600,N,8,1").arg(m_portName));
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
    switch (error) {
    case QSerialPort::NoError: // clearError() reports this too
        return;
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
