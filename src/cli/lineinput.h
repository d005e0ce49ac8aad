#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

// Lines typed or scanned on standard input (a barcode scanner types its code and Enter),
// read in the event loop, so that Ctrl+C is heard while a prompt waits. Only a line that
// comes while one is wanted answers: one that came before (typed while panels were being
// programmed) is handed to early() and answers nothing.
class LineInput : public QObject
{
    Q_OBJECT

public:
    explicit LineInput(QObject *parent = nullptr);

    // The next line comes with line(), or ended() at the end of input.
    void request();
    // No line is wanted any more; input is no longer read.
    void cancel();

signals:
    void line(const QString &text);
    void early(const QString &text);
    void ended();

private:
    void readAvailable();
    void deliver();
    void take(QByteArray text);

    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_buffer;
    bool m_wanted = false;
    bool m_atEnd = false;
    bool m_cancelled = false;
};
