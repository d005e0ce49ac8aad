#include "lineinput.h"

#include <QSocketNotifier>
#include <QStringDecoder>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#else
#include <iostream>
#include <string>
#endif

LineInput::LineInput(QObject *parent)
    : QObject(parent)
{
#ifdef Q_OS_UNIX
    if (::fcntl(STDIN_FILENO, F_GETFD) < 0) {
        m_atEnd = true;
        return;
    }
    // Read from the start, so that what comes before a prompt is known to have come early.
    m_notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &LineInput::readAvailable);
#endif
}

void LineInput::request()
{
    if (m_cancelled)
        return;
    m_wanted = true;
#ifndef Q_OS_UNIX
    // Without a notifier for standard input the prompt blocks, as it always has there.
    std::string text;
    if (std::getline(std::cin, text))
        m_buffer += QByteArray::fromStdString(text) + '\n';
    else
        m_atEnd = true;
#endif
    // At the end of input the answer comes from the event loop, as one read later would.
    QTimer::singleShot(0, this, &LineInput::deliver);
}

void LineInput::cancel()
{
    m_wanted = false;
    m_cancelled = true;
    if (m_notifier)
        m_notifier->setEnabled(false);
}

void LineInput::readAvailable()
{
#ifdef Q_OS_UNIX
    char bytes[4096];
    const ssize_t n = ::read(STDIN_FILENO, bytes, sizeof bytes);
    if (n > 0) {
        m_buffer.append(bytes, n);
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        m_atEnd = true;
        m_notifier->setEnabled(false);
    }
#endif
    for (qsizetype end = m_buffer.indexOf('\n'); end >= 0 && !m_cancelled; end = m_buffer.indexOf('\n')) {
        const QByteArray text = m_buffer.left(end);
        m_buffer.remove(0, end + 1);
        if (std::exchange(m_discarding, false))
            continue; // the end of a line refused already
        if (text.size() > maxLine)
            refuse(QStringLiteral("ignored: a line of more than %1 bytes").arg(maxLine));
        else
            take(text);
    }
    // A line growing past the limit is refused at once and its rest dropped as it comes; each
    // further limit's worth of it without a line end counts as one more line refused.
    if (m_discarding) {
        m_discarded += std::exchange(m_buffer, {}).size();
        if (m_discarded > maxLine) {
            m_discarded = 0;
            refuse(QStringLiteral("ignored: a line of more than %1 bytes").arg(maxLine));
        }
    } else if (m_buffer.size() > maxLine) {
        m_buffer.clear();
        m_discarding = true;
        m_discarded = 0;
        refuse(QStringLiteral("ignored: a line of more than %1 bytes").arg(maxLine));
    }
    deliver();
}

void LineInput::take(QByteArray text)
{
    if (text.endsWith('\r'))
        text.chop(1);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString answer = utf8(text);
    if (utf8.hasError()) {
        refuse(QStringLiteral("ignored: a line that is not UTF-8 text"));
        return;
    }
    m_refusedInRow = 0;
    if (std::exchange(m_wanted, false))
        emit line(answer);
    else
        emit early(answer);
}

void LineInput::refuse(const QString &why)
{
    emit refused(why);
    if (++m_refusedInRow < 3 || m_atEnd)
        return;
    emit refused(QStringLiteral("input ignored: not lines of text"));
    m_atEnd = true;
    m_discarding = false;
    m_buffer.clear();
    if (m_notifier)
        m_notifier->setEnabled(false);
}

// What is left once the complete lines are taken: at the end of input, a last line without
// its newline, then the end.
void LineInput::deliver()
{
    if (!m_wanted || m_cancelled)
        return;
#ifndef Q_OS_UNIX
    if (const qsizetype end = m_buffer.indexOf('\n'); end >= 0) {
        const QByteArray text = m_buffer.left(end);
        m_buffer.remove(0, end + 1);
        take(text);
        return;
    }
#endif
    if (!m_atEnd)
        return;
    if (!m_buffer.isEmpty()) {
        take(std::exchange(m_buffer, {}));
        return;
    }
    m_wanted = false;
    emit ended();
}
