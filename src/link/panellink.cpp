#include "panellink.h"

#include "replynumber.h"

#include <QCoreApplication>
#include <QThread>

namespace {
constexpr int tickPeriod = 100;  // ms
constexpr int replyThreshold = 5;
constexpr int attentionAttempts = 6;
} // namespace

using Kind = LinkResult::Kind;

PanelLink::PanelLink(SerialLine &line, QObject *parent)
    : QObject(parent)
    , m_line(line)
{
    m_timer.setObjectName(QStringLiteral("Timer1"));
    m_timer.setInterval(500);
    // The default coarse timer fires anywhere from 94 to 180 ms; waits must last one period.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PanelLink::Timer1_Timer);
    connect(&m_line, &SerialLine::lost, this, [this] {
        if (m_fault == Fault::None)
            m_fault = Fault::PortLost;
    });
}

LinkResult PanelLink::open_port()
{
    m_fault = Fault::None;
    m_strays = 0;
    m_held.clear();
    SerialLine::OpenFailure failure;
    if (m_line.open(&failure))
        return {};
    return openFailed(failure);
}

LinkResult PanelLink::openFailed(const SerialLine::OpenFailure &failure)
{
    using OpenKind = SerialLine::OpenFailure::Kind;
    static constexpr std::pair<OpenKind, Kind> kinds[] = {
        {OpenKind::NotFound, Kind::PortNotFound},   {OpenKind::PermissionDenied, Kind::PortNoPermission},
        {OpenKind::InUse, Kind::PortInUse},         {OpenKind::NotASerialPort, Kind::NotASerialPort},
        {OpenKind::Other, Kind::PortNotOpened},
    };
    LinkResult result = LinkResult::of(Kind::PortNotOpened);
    for (auto [open, kind] : kinds)
        if (open == failure.kind)
            result.kind = kind;
    result.reason = failure.reason;
    result.advice = failure.advice;
    return result;
}

void PanelLink::close_port()
{
    m_line.close();
    m_strays = 0;
    m_held.clear();
}

void PanelLink::abort()
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, &PanelLink::abort, Qt::QueuedConnection);
        return;
    }
    m_fault = Fault::Aborted;
    m_line.close();
}

LinkResult PanelLink::faultResult() const
{
    return LinkResult::of(m_fault == Fault::Aborted ? Kind::Aborted : Kind::LineLost);
}

void PanelLink::pump(bool waitForMore)
{
    QCoreApplication::processEvents(waitForMore ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
    // On Windows a wait ends when an event is posted (the tick, an abort from another thread)
    // but sends it only at the start of the next call, which would then block until the event
    // after: sent here, the caller sees at once what ended its wait.
    QCoreApplication::sendPostedEvents();
}

void PanelLink::armTick()
{
    m_timer.start(tickPeriod); // start() restarts the period, so every wait lasts a full tick
    m_tick = false;
}

LinkResult PanelLink::wait_tick()
{
    armTick();
    while (!m_tick && waiting())
        pump(true);
    return waiting() ? LinkResult{} : faultResult();
}

void PanelLink::wait_reply(bool setAside)
{
    armTick();
    for (;;) {
        pump(false);
        if (setAside)
            setAsideStrays();
        if (pendingCount() >= replyThreshold || m_tick || !waiting())
            return;
        pump(true);
    }
}

// A whole acknowledgement where a reply to a read begins is the panel's late answer to an
// earlier "A": no read is answered so.
void PanelLink::setAsideStrays()
{
    if (m_strays == 0 || pendingCount() < acknowledgement.size())
        return;
    m_held += m_line.input();
    while (m_strays > 0 && m_held.startsWith(acknowledgement)) {
        m_held.remove(0, acknowledgement.size());
        --m_strays;
    }
}

// The reply is everything waiting; but while strays may come, an acknowledgement that
// follows a reply's first five bytes, whole or begun, is no part of it: it stays, for the
// next wait to set aside once it is whole.
QByteArray PanelLink::takeReply()
{
    QByteArray reply = std::exchange(m_held, QByteArray()) + m_line.input();
    if (m_strays > 0 && reply.size() > replyThreshold
        && acknowledgement.startsWith(reply.mid(replyThreshold, acknowledgement.size()))) {
        m_held = reply.mid(replyThreshold);
        reply.truncate(replyThreshold);
    }
    return reply;
}

LinkResult PanelLink::attention_handshake()
{
    int counter = 1;
    for (;;) {
        m_line.output(QByteArrayLiteral("A"));
        wait_reply();
        ++counter;
        if (!waiting())
            return faultResult();
        if (m_line.inBufferCount() >= replyThreshold || counter == attentionAttempts + 1)
            break;
    }
    const QByteArray text = m_line.input();
    if (text == acknowledgement && !m_tick) {
        m_strays = counter - 2; // every "A" but the one answered may still be answered
        return {};
    }
    return LinkResult::withReply(Kind::NoResponse, text);
}

// A panel's reply always begins with a number. One too short to hold one, or one that does
// not begin with one (NULs from a broken cable, a late "D000D"), is no value: nothing that
// was read before must pass for it, nor must it read as 0.
LinkResult PanelLink::readReply(Kind empty, Kind shortReply, Kind corrupted)
{
    wait_reply(true);
    if (!waiting())
        return faultResult();
    const QByteArray reply = takeReply();
    if (reply.isEmpty())
        return LinkResult::of(empty);
    if (reply.size() < 4)
        return LinkResult::withReply(shortReply, reply);
    if (!ReplyNumber::beginsWithNumber(reply))
        return LinkResult::withReply(corrupted, reply);
    return LinkResult::withReply(Kind::Ok, reply);
}

LinkResult PanelLink::readee(int address)
{
    m_line.output(readCommand(address));
    LinkResult result = readReply(Kind::NoReply, Kind::ShortReply, Kind::CorruptedReply);
    if (!result.ok())
        return result;
    // A number too large to read comes as the 16-bit limit on its side, so it fails as any
    // value outside 0..160 does.
    result.value = ReplyNumber::saturated(result.reply);
    if (result.value > 160 || result.value < 0)
        result.kind = Kind::OutOfRange;
    else
        result.reply.clear();
    return result;
}

LinkResult PanelLink::sendee(int address, qint16 data)
{
    LinkResult result = write(address, data);
    result.sent = data;
    return result;
}

LinkResult PanelLink::write(int address, qint16 data)
{
    if (data < 0 || data > 255) // cannot go out as one byte
        return LinkResult::of(Kind::NotAByte);
    m_line.output(writeCommand(address, data));
    // A stray here is the acknowledgement's twin: whichever comes first is taken for it, and
    // the other is set aside where the read-back is awaited.
    wait_reply();
    if (!waiting())
        return faultResult();
    if (const QByteArray reply = takeReply(); reply != acknowledgement)
        return LinkResult::withReply(Kind::NoAcknowledgement, reply);
    m_line.output(readCommand(address));
    LinkResult result = readReply(Kind::ReadBackUnreadable, Kind::ReadBackUnreadable, Kind::ReadBackUnreadable);
    if (!result.ok())
        return result;
    const std::optional<qint16> value = ReplyNumber::value(result.reply);
    result.value = value.value_or(ReplyNumber::saturated(result.reply));
    if (value && *value == data)
        result.reply.clear();
    else
        result.kind = Kind::ReadBackDiffers;
    return result;
}

QByteArray PanelLink::readCommand(int address)
{
    const char bytes[] = {'V', 0, char(address), '0', '0', 'V'};
    return QByteArray(bytes, sizeof bytes);
}

QByteArray PanelLink::writeCommand(int address, int data)
{
    const char bytes[] = {'S', 0, char(address), 0, char(data), 'D'};
    return QByteArray(bytes, sizeof bytes);
}
