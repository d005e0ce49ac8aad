#pragma once

#include "model/formmodel.h"
#include "serialline.h"

#include <QObject>
#include <QTimer>

// The panel link: the port, the 100 ms tick that bounds every wait, the attention
// handshake and the two memory commands. Everything runs on the window's thread inside
// the handler that started a transfer; waits run the window's events and block in the
// event loop between them, so the window stays alive and no core is burnt.
class PanelLink : public QObject
{
    Q_OBJECT

public:
    // What ended a transfer from outside: the line failed, or the window is closing.
    enum class Fault { None, PortLost, Aborted };
    enum class ReadResult { Ok, OutOfRange, NoValue };

    PanelLink(FormModel &form, SerialLine &line, QObject *parent = nullptr);

    // Opens the port at 9600,N,8,1. When it cannot be opened nothing is sent, the status
    // line turns red with the port's name and the system's reason, and false comes back.
    bool open_port();
    void close_port();

    void wait_tick();
    void wait_reply();
    bool attention_handshake();

    // One byte of panel memory at address_l: read into A, or written from data_l and read
    // back. Both leave error_flag 1 on failure.
    ReadResult readee();
    void sendee();

    Fault fault() const { return m_fault; }
    QString portName() const { return m_line.portName(); }
    // Ends the current wait at once and closes the line; nothing more is sent.
    void abort();

    QTimer &timer() { return m_timer; }

    static QByteArray readCommand(int address);
    static QByteArray writeCommand(int address, int data);
    static inline const QByteArray acknowledgement = QByteArrayLiteral("D000D");

private:
    void Timer1_Timer();
    void armTick();
    bool wellFormed(const QByteArray &reply);
    bool waiting() const { return m_fault == Fault::None; }

    FormModel &m_form;
    PanelConfig &m_cfg;
    SerialLine &m_line;
    QTimer m_timer; // Timer1
    Fault m_fault = Fault::None;
};
