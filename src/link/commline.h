#pragma once

#include "platform/coreexport.h"
#include "bytetrace.h"
#include "platform/commport.h"
#include "serialline.h"

#include <QTimer>

// The real line on Windows: the system's comm port, read without waiting on a short timer
// while open. Qt SerialPort waits for received characters through the system's comm events,
// which a port that is a pseudo-terminal under Wine never raises; polling behaves the same on
// a real port and under Wine, so what is tested there is what runs on Windows.
class DURVEX_CORE_EXPORT CommLine : public SerialLine
{
    Q_OBJECT

public:
    explicit CommLine(QString portName, const QString &traceFile = QString(), QObject *parent = nullptr);
    ~CommLine() override;

    // As the other line: input beyond this stays in the driver's buffer.
    static constexpr qint64 readBufferLimit = 1024;
    // Well under the protocol's 100 ms tick; a reply of five bytes takes about 5 ms at 9600 baud.
    static constexpr int pollPeriod = 5; // ms

    QString portName() const override { return m_portName; }
    void setPortName(const QString &name) override { m_portName = name; }
    bool open(OpenFailure *failure) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    void output(const QByteArray &bytes) override;
    qint64 inBufferCount() const override;
    QByteArray input() override;
    void setTraceLabel(const QString &label) { m_trace.setLabel(label); }
    void setPolling(bool polling) override { m_trace.setPolling(polling); }

private:
    // Takes what has come in; a failed read loses the line.
    void poll() const;
    void fail(const QString &reason) const;

    QString m_portName;
    mutable CommPort m_port;
    mutable QByteArray m_in;
    mutable ByteTrace m_trace;
    mutable bool m_lost = false;
    QTimer m_poll;
};
