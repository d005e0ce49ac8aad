#pragma once

#include "bytetrace.h"
#include "serialline.h"

#include <QSerialPort>

// The real line: a QSerialPort on the first serial port, or on the port that the
// DURVEX_PORT environment variable names (a USB adapter, a virtual panel's terminal).
class SerialPortLine : public SerialLine
{
    Q_OBJECT

public:
    explicit SerialPortLine(QString portName = defaultPortName(), QObject *parent = nullptr);

    static QString defaultPortName();

    QString portName() const override { return m_portName; }
    bool open(QString *reason) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    void output(const QByteArray &bytes) override;
    qint64 inBufferCount() const override { return m_port.bytesAvailable(); }
    QByteArray input() override;

private:
    void onError(QSerialPort::SerialPortError error);

    QString m_portName;
    QSerialPort m_port;
    ByteTrace m_trace;
    bool m_lost = false;
};
