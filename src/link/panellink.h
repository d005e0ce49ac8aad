#pragma once

#include "platform/coreexport.h"
#include "linkresult.h"
#include "serialline.h"

#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QTimer>

// The panel link: the port, the 100 ms tick that bounds every wait, the attention
// handshake and the two memory commands. It runs on the thread it lives on, inside
// whatever started a transfer; waits run that thread's events and block in its event loop
// between them, so a window stays alive and no core is burnt. Several links on threads of
// their own run side by side.
class DURVEX_CORE_EXPORT PanelLink : public QObject
{
    Q_OBJECT

public:
    explicit PanelLink(SerialLine &line, QObject *parent = nullptr);

    // Opens the port at 9600,N,8,1; when it cannot be opened nothing is sent.
    LinkResult open_port();
    // What a port that would not open means for a transfer.
    static LinkResult openFailed(const SerialLine::OpenFailure &failure);
    // What an open of a serial port would fail with, told without opening it: a name that
    // leads to no serial port, or a device this process may not use. Ok where it may serve.
    static LinkResult check(const QString &portName);
    void close_port();

    // One full tick; ends early only when the line fails or the transfer is aborted.
    LinkResult wait_tick();
    // "A" up to six times until the panel answers "D000D". A panel that answered late may
    // still answer the other "A"s: for 600 ms after each went out, such a stray
    // acknowledgement is set aside wherever a byte's reply is awaited (see readReply).
    LinkResult attention_handshake();
    // How long after an "A" went out its answer may still come.
    static constexpr int answerWindowMs = 600;
    // One byte of panel memory: read, or written and read back. The value read comes in
    // the result, also for a value out of range.
    LinkResult readee(int address);
    LinkResult sendee(int address, qint16 data);

    QString portName() const { return m_line.portName(); }
    // Ends the current wait at once and closes the line; nothing more is sent. Called from
    // another thread, it goes through the link's own event loop.
    void abort();

    QTimer &timer() { return m_timer; }

    static QByteArray readCommand(int address);
    static QByteArray writeCommand(int address, int data);
    static inline const QByteArray acknowledgement = QByteArrayLiteral("D000D");

private:
    enum class Fault { None, PortLost, Aborted };

    void Timer1_Timer() { m_tick = true; }
    void armTick();
    // With strays set aside, a stray that comes while the reply is awaited does not end the
    // wait.
    void wait_reply(bool setAsideStrays = false);
    void setAsideStrays();
    bool owesAcknowledgement();
    void payAcknowledgement() { m_owed.removeFirst(); }
    void awaitRestOfAcknowledgement();
    bool acknowledged(QByteArray &reply);
    qint64 pendingCount() const { return m_held.size() + m_line.inBufferCount(); }
    QByteArray takeReply();
    void pump(bool waitForMore);
    bool waiting() const { return m_fault == Fault::None; }
    LinkResult faultResult() const;
    LinkResult write(int address, qint16 data);
    LinkResult readReply(LinkResult::Kind empty, LinkResult::Kind shortReply, LinkResult::Kind corrupted);

    SerialLine &m_line;
    QTimer m_timer; // Timer1
    bool m_tick = false; // timer_flag
    Fault m_fault = Fault::None;
    // Until when the panel may still answer each of the handshake's unanswered "A"s, the
    // earliest first; and bytes taken from the line that the next reply begins with.
    QList<QDeadlineTimer> m_owed;
    QByteArray m_held;
};
