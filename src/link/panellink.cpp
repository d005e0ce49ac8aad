#include "panellink.h"

#include "portadvice.h"
#include "replynumber.h"

#include <QCoreApplication>
#include <QThread>

#include <cerrno>

namespace {
constexpr int tickPeriod = 100;  // ms
constexpr int replyThreshold = 5;
constexpr int attentionAttempts = 6;
// How long an "A" may still be answered: six attempts are six ticks.
constexpr int owedFor = attentionAttempts * tickPeriod; // ms
static_assert(owedFor == PanelLink::answerWindowMs);
// The last bytes of an answer on the line as the tick comes, still taken as in time.
constexpr int judgingTime = 5; // ms
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
    m_owed.clear();
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

LinkResult PanelLink::check(const QString &portName)
{
    const PortAdvice::Device device = PortAdvice::examine(PortAdvice::systemLocation(portName));
    std::optional<SerialLine::OpenFailure> failure = PortAdvice::beforeOpen(device);
    if (!failure && device.state == PortAdvice::Device::State::Present && !device.accessible)
        failure = PortAdvice::afterOpen(device, PortAdvice::currentUser(), QSerialPort::PermissionError,
                                        qt_error_string(EACCES), EACCES);
    return failure ? openFailed(*failure) : LinkResult::of(Kind::Ok);
}

void PanelLink::close_port()
{
    m_line.close();
    m_owed.clear();
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
    // An answer owed to an "A" that comes during the pause is set aside as it comes, while
    // it is still owed, not when the next reply is awaited.
    while (!m_tick && waiting()) {
        pump(true);
        setAsideStrays();
    }
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

bool PanelLink::owesAcknowledgement()
{
    m_owed.removeIf([](const QDeadlineTimer &until) { return until.hasExpired(); });
    return !m_owed.isEmpty();
}

// A whole acknowledgement where a reply to a read begins is the panel's late answer to an
// earlier "A": no read is answered so.
void PanelLink::setAsideStrays()
{
    if (pendingCount() < acknowledgement.size() || !owesAcknowledgement())
        return;
    m_held += m_line.input();
    while (m_held.startsWith(acknowledgement) && owesAcknowledgement()) {
        m_held.remove(0, acknowledgement.size());
        payAcknowledgement();
    }
}

// The reply is everything waiting; but while strays may come, an acknowledgement that
// follows a reply's first five bytes, whole or begun, is no part of it: it stays, for the
// next wait to set aside once it is whole, which may be after its "A"'s time.
QByteArray PanelLink::takeReply()
{
    QByteArray reply = std::exchange(m_held, QByteArray()) + m_line.input();
    if (reply.size() > replyThreshold && acknowledgement.startsWith(reply.mid(replyThreshold, acknowledgement.size()))
        && owesAcknowledgement()) {
        m_held = reply.mid(replyThreshold);
        reply.truncate(replyThreshold);
        m_owed.first() = QDeadlineTimer(owedFor, Qt::PreciseTimer);
    }
    return reply;
}

// The tick ended an attempt with the start of an acknowledgement waiting: its last bytes,
// on their way as the tick is handled, still belong to this attempt.
void PanelLink::awaitRestOfAcknowledgement()
{
    if (pendingCount() == 0 || pendingCount() >= replyThreshold)
        return;
    m_held += m_line.input();
    if (!acknowledgement.startsWith(m_held))
        return;
    QTimer judged;
    judged.setSingleShot(true);
    judged.setTimerType(Qt::PreciseTimer);
    judged.start(judgingTime);
    while (pendingCount() < replyThreshold && judged.isActive() && waiting())
        pump(true);
}

LinkResult PanelLink::attention_handshake()
{
    int counter = 1;
    QList<QDeadlineTimer> sent;
    for (;;) {
        m_line.output(QByteArrayLiteral("A"));
        sent.append(QDeadlineTimer(owedFor, Qt::PreciseTimer));
        wait_reply();
        ++counter;
        if (m_tick)
            awaitRestOfAcknowledgement();
        if (!waiting())
            return faultResult();
        if (pendingCount() >= replyThreshold || counter == attentionAttempts + 1)
            break;
    }
    // Whether the tick or the fifth byte ended the wait, "D000D" is the answer.
    const QByteArray text = std::exchange(m_held, QByteArray()) + m_line.input();
    if (text == acknowledgement) {
        m_owed = sent.mid(1); // the first "A" is taken as the one answered
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
    // the other is set aside where it follows or where the read-back is awaited.
    wait_reply();
    QByteArray reply = std::exchange(m_held, QByteArray()) + m_line.input();
    const bool ok = acknowledged(reply);
    if (!waiting())
        return faultResult();
    if (!ok)
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

// Whether a write's reply is its acknowledgement. Bytes after it can only be one owed to an
// earlier "A": they get one tick to become whole, and are then set aside. Anything else fails
// the write before its read-back. The reply grows by what came meanwhile.
bool PanelLink::acknowledged(QByteArray &reply)
{
    if (!reply.startsWith(acknowledgement))
        return false;
    QByteArray rest = reply.mid(acknowledgement.size());
    bool waited = false;
    while (!rest.isEmpty() && owesAcknowledgement()) {
        if (rest.startsWith(acknowledgement)) {
            rest.remove(0, acknowledgement.size());
            payAcknowledgement();
        } else if (!waited && acknowledgement.startsWith(rest)) {
            m_held = rest; // counted by the wait
            wait_reply();
            waited = true;
            m_held.clear();
            const QByteArray more = m_line.input();
            reply += more;
            rest += more;
            if (!waiting())
                return false;
        } else {
            break;
        }
    }
    return rest.isEmpty();
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
