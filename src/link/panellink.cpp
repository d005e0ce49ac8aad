#include "panellink.h"

#include "replynumber.h"

#include <algorithm>

namespace {
constexpr int tickPeriod = 100;  // ms
constexpr int replyThreshold = 5;
constexpr int attentionAttempts = 6;
} // namespace

PanelLink::PanelLink(FormModel &form, SerialLine &line, QObject *parent)
    : QObject(parent)
    , m_form(form)
    , m_cfg(form.config())
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

bool PanelLink::open_port()
{
    m_fault = Fault::None;
    SerialLine::OpenFailure failure;
    if (m_line.open(&failure))
        return true;
    // The status line names the port briefly and says what to do; its tooltip has the whole name.
    auto text = [&](const QString &port) {
        if (failure.advice)
            return failure.advice(port);
        using Kind = SerialLine::OpenFailure::Kind;
        switch (failure.kind) {
        case Kind::NotFound:
            return QStringLiteral("SERIAL PORT %1 NOT FOUND - PLUG IN THE ADAPTER OR CHOOSE ANOTHER PORT").arg(port);
        case Kind::PermissionDenied:
#ifdef Q_OS_LINUX
            return QStringLiteral("NO PERMISSION FOR PORT %1 - JOIN THE dialout GROUP, THEN LOG IN AGAIN").arg(port);
#else
            return QStringLiteral("NO PERMISSION FOR SERIAL PORT %1 - ASK YOUR ADMINISTRATOR FOR ACCESS").arg(port);
#endif
        case Kind::InUse:
            return QStringLiteral("SERIAL PORT %1 IS IN USE BY ANOTHER PROGRAM - CLOSE IT AND TRY AGAIN").arg(port);
        case Kind::NotASerialPort:
            return QStringLiteral("%1 IS NOT A SERIAL PORT - CHOOSE THE PORT OF THE SWITCH PANEL").arg(port);
        case Kind::Other:
            break;
        }
        return QStringLiteral("COMMUNICATIONS FAILURE - SERIAL PORT %1 COULD NOT BE OPENED: %2").arg(port, failure.reason);
    };
    m_form.setStatusColour(FormModel::StatusColour::Red);
    m_form.setStatusText(text(SerialLine::shortName(m_line.portName())),
                         text(m_line.portName()) + QStringLiteral(" (%1)").arg(failure.reason));
    m_form.setStatusVisible(true);
    return false;
}

void PanelLink::close_port()
{
    m_line.close();
}

void PanelLink::abort()
{
    m_fault = Fault::Aborted;
    m_line.close();
}

void PanelLink::Timer1_Timer()
{
    m_cfg.timer_flag = 1;
}

void PanelLink::armTick()
{
    m_timer.start(tickPeriod); // start() restarts the period, so every wait lasts a full tick
    m_cfg.timer_flag = 0;
}

void PanelLink::wait_tick()
{
    armTick();
    while (m_cfg.timer_flag != 1 && waiting())
        m_form.host().pumpEvents(true);
}

void PanelLink::wait_reply()
{
    armTick();
    for (;;) {
        m_form.host().pumpEvents(false);
        if (m_line.inBufferCount() >= replyThreshold || m_cfg.timer_flag == 1 || !waiting())
            return;
        m_form.host().pumpEvents(true);
    }
}

bool PanelLink::attention_handshake()
{
    int counter = 1;
    for (;;) {
        m_line.output(QByteArrayLiteral("A"));
        wait_reply();
        ++counter;
        if (!waiting())
            return false;
        if (m_line.inBufferCount() >= replyThreshold || counter == attentionAttempts + 1)
            break;
    }
    const QByteArray text = m_line.input();
    return text == acknowledgement && m_cfg.timer_flag != 1;
}

PanelLink::ReadResult PanelLink::readee()
{
    m_form.setStatusVisible(true);
    m_cfg.error_flag = 0;
    m_line.output(readCommand(m_cfg.address_l));
    wait_reply();
    if (!waiting()) {
        m_cfg.error_flag = 1;
        return ReadResult::NoValue;
    }
    const QByteArray reply = m_line.input();
    m_cfg.temp1 = qint16(std::min<qsizetype>(reply.size(), 32767));
    if (!wellFormed(reply))
        return ReadResult::NoValue;
    // A number too large to read comes as the 16-bit limit on its side, so it fails as any
    // value outside 0..160 does.
    m_cfg.A = ReplyNumber::saturated(reply);
    if (m_cfg.A > 160 || m_cfg.A < 0) {
        m_cfg.error_flag = 1;
        m_form.setStatusText(QStringLiteral("ERROR - DATA OUT OF RANGE"));
        return ReadResult::OutOfRange;
    }
    m_form.setStatusText(QStringLiteral("COMMUNICATIONS OK"));
    return ReadResult::Ok;
}

// A panel's reply always begins with a number. One too short to hold one, or one that does
// not begin with one (NULs from a broken cable, a late "D000D"), is no value: the old A must
// not pass for it, nor must it read as 0.
bool PanelLink::wellFormed(const QByteArray &reply)
{
    if (reply.size() >= 4 && ReplyNumber::beginsWithNumber(reply))
        return true;
    m_cfg.error_flag = 1;
    m_form.setStatusText(QStringLiteral("COMMUNICATIONS CORRUPTED"));
    return false;
}

void PanelLink::sendee()
{
    m_cfg.error_flag = 0;
    if (m_cfg.data_l < 0 || m_cfg.data_l > 255) { // cannot go out as one byte
        m_cfg.error_flag = 1;
        m_form.setStatusText(QStringLiteral("DATA FAILED TO VERIFY"));
        return;
    }
    m_line.output(writeCommand(m_cfg.address_l, m_cfg.data_l));
    wait_reply();
    if (!waiting() || m_line.input() != acknowledgement) {
        m_cfg.error_flag = 1;
        return;
    }
    m_line.output(readCommand(m_cfg.address_l));
    wait_reply();
    if (!waiting()) {
        m_cfg.error_flag = 1;
        return;
    }
    const QByteArray reply = m_line.input();
    if (!wellFormed(reply))
        return;
    const std::optional<qint16> value = ReplyNumber::value(reply);
    if (value)
        m_cfg.A = *value;
    if (value && *value == m_cfg.data_l) {
        m_form.setStatusColour(FormModel::StatusColour::Yellow);
        m_form.setStatusText(QStringLiteral("COMMUNICATIONS OK"));
    } else {
        m_cfg.error_flag = 1;
        m_form.setStatusText(QStringLiteral("DATA FAILED TO VERIFY"));
    }
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
