#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

// Lines typed or scanned on standard input (a barcode scanner types its code and Enter),
// read in the event loop, so that Ctrl+C is heard while a prompt waits. Input is read only
// while a line is wanted; what comes early waits for the next request.
class LineInput : public QObject
{
    Q_OBJECT

public:
    explicit LineInput(QObject *parent = nullptr);

    // The next line comes with line(), or ended() at the end of input.
    void request();
    void cancel();

signals:
    void line(const QString &text);
    void ended();

private:
    void readAvailable();
    void deliver();

    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_buffer;
    bool m_wanted = false;
    bool m_atEnd = false;
};
