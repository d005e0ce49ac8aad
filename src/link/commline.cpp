#include "commline.h"

CommLine::CommLine(QString portName, const QString &traceFile, QObject *parent)
    : SerialLine(parent)
    , m_portName(std::move(portName))
    , m_trace(traceFile)
{
    m_poll.setTimerType(Qt::PreciseTimer);
    m_poll.setInterval(pollPeriod);
    // Each poll wakes the event loop the link waits in, which then counts what came.
    connect(&m_poll, &QTimer::timeout, this, [this] { poll(); });
}

CommLine::~CommLine()
{
    close();
}

bool CommLine::open(OpenFailure *failure)
{
    m_lost = false;
    m_in.clear();
    CommPort::Failure refused;
    if (!m_port.open(m_portName, &refused)) {
        using Kind = OpenFailure::Kind;
        OpenFailure failed{Kind::Other, refused.reason};
        switch (refused.error) {
        case CommPort::Error::NotFound: failed.kind = Kind::NotFound; break;
        case CommPort::Error::InUse: failed.kind = Kind::InUse; break;
        case CommPort::Error::NotASerialPort: failed.kind = Kind::NotASerialPort; break;
        // The system says no more for a port another program holds than for one this
        // account may not use; the first is by far the more common.
        case CommPort::Error::AccessDenied:
            failed.kind = Kind::InUse;
            failed.advice = QStringLiteral("SERIAL PORT %1 IS IN USE BY ANOTHER PROGRAM OR NOT ALLOWED TO YOU - "
                                           "CLOSE THE OTHER PROGRAM AND TRY AGAIN");
            break;
        default: break;
        }
        if (failure)
            *failure = failed;
        m_trace.event(QStringLiteral("OPEN %1 FAILED: %2").arg(m_portName, failed.reason));
        return false;
    }
    m_poll.start();
    m_trace.begin(QStringLiteral("OPEN %1 9600,N,8,1").arg(m_portName));
    return true;
}

void CommLine::close()
{
    if (!m_port.isOpen())
        return;
    m_poll.stop();
    // Bytes that came in but were never taken still belong in the trace.
    if (m_trace.enabled() && !m_lost) {
        poll();
        m_trace.received(std::exchange(m_in, QByteArray()));
    }
    m_in.clear();
    m_port.close();
    m_trace.event(QStringLiteral("CLOSE %1").arg(m_portName));
}

void CommLine::output(const QByteArray &bytes)
{
    if (!m_port.isOpen() || m_lost)
        return;
    m_trace.sent(bytes);
    QString reason;
    if (!m_port.write(bytes, &reason))
        fail(reason);
}

qint64 CommLine::inBufferCount() const
{
    poll();
    return m_in.size();
}

QByteArray CommLine::input()
{
    poll();
    QByteArray bytes = std::exchange(m_in, QByteArray());
    m_trace.received(bytes);
    return bytes;
}

void CommLine::poll() const
{
    if (!m_port.isOpen() || m_lost)
        return;
    QString reason;
    if (!m_port.read(&m_in, readBufferLimit - m_in.size(), &reason))
        fail(reason);
}

void CommLine::fail(const QString &reason) const
{
    if (m_lost)
        return;
    m_lost = true;
    m_trace.event(QStringLiteral("LOST %1: %2").arg(m_portName, reason));
    // Said from the event loop: the link may be inside a count when the read fails.
    QMetaObject::invokeMethod(const_cast<CommLine *>(this), &SerialLine::lost, Qt::QueuedConnection);
}
