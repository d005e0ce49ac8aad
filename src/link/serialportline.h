#pragma once

#include "platform/coreexport.h"
#include "bytetrace.h"
#include "serialline.h"

#include <QSerialPort>

// The real line: a QSerialPort on the port the user chose.
class DURVEX_CORE_EXPORT SerialPortLine : public SerialLine
{
    Q_OBJECT

public:
    // With a trace file name, every byte on the line is traced into it.
    explicit SerialPortLine(QString portName, const QString &traceFile = QString(), QObject *parent = nullptr);

    // Nothing the link waits for is longer than a few replies: input beyond this stays in
    // the system's own small buffer, so a line that floods while a box is open cannot grow
    // the program's memory.
    static constexpr qint64 readBufferLimit = 1024;

    QString portName() const override { return m_portName; }
    void setPortName(const QString &name) override { m_portName = name; }
    bool open(OpenFailure *failure) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    void output(const QByteArray &bytes) override;
    qint64 inBufferCount() const override { return m_port.bytesAvailable(); }
    QByteArray input() override;
    // Names the port on each line of the trace.
    void setTraceLabel(const QString &label) { m_trace.setLabel(label); }
    void setPolling(bool polling) override { m_trace.setPolling(polling); }

private:
    void onError(QSerialPort::SerialPortError error);

    QString m_portName;
    QSerialPort m_port;
    ByteTrace m_trace;
    bool m_lost = false;
    // The error raised inside open(): cleared by then, its text is still the reason.
    QSerialPort::SerialPortError m_openError = QSerialPort::NoError;
    QString m_openReason;
    int m_openSystemError = 0; // errno as the error was raised
};
