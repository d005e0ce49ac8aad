#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

// Lines typed or scanned on standard input (a barcode scanner types its code and Enter),
// read in the event loop, so that Ctrl+C is heard while a prompt waits. Only a line that
// comes while one is wanted answers: one that came before (typed while panels were being
// programmed) is handed to early() and answers nothing. What is no line of text (longer than
// maxLine bytes, or not UTF-8) is refused and dropped as it comes, never kept; after three
// refused in a row, input is taken to be no text at all and is closed.
class LineInput : public QObject
{
    Q_OBJECT

public:
    explicit LineInput(QObject *parent = nullptr);

    static constexpr qsizetype maxLine = 4096;

    // The next line comes with line(), or ended() at the end of input.
    void request();
    // No line is wanted any more; input is no longer read.
    void cancel();

signals:
    void line(const QString &text);
    void early(const QString &text);
    void ended();
    // Why a line was ignored, or input closed, for the operator.
    void refused(const QString &why);

private:
    void readAvailable();
    void deliver();
    void take(QByteArray text);
    void refuse(const QString &why);

    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_buffer;
    bool m_wanted = false;
    bool m_atEnd = false;
    bool m_cancelled = false;
    bool m_discarding = false; // the rest of a line already refused as too long
    qsizetype m_discarded = 0; // of it, since it was last refused
    int m_refusedInRow = 0;
};
