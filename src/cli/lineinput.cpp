#include "lineinput.h"

#include <QSocketNotifier>
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
    m_notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    m_notifier->setEnabled(false);
    connect(m_notifier, &QSocketNotifier::activated, this, &LineInput::readAvailable);
#endif
}

void LineInput::request()
{
    m_wanted = true;
#ifdef Q_OS_UNIX
    // A line already read is handed over from the event loop, as one read later would be.
    QTimer::singleShot(0, this, &LineInput::deliver);
#else
    // Without a notifier for standard input the prompt blocks, as it always has there.
    std::string text;
    if (std::getline(std::cin, text))
        m_buffer += QByteArray::fromStdString(text) + '\n';
    else
        m_atEnd = true;
    QTimer::singleShot(0, this, &LineInput::deliver);
#endif
}

void LineInput::cancel()
{
    m_wanted = false;
    if (m_notifier)
        m_notifier->setEnabled(false);
}

void LineInput::readAvailable()
{
#ifdef Q_OS_UNIX
    char bytes[4096];
    const ssize_t n = ::read(STDIN_FILENO, bytes, sizeof bytes);
    if (n > 0)
        m_buffer.append(bytes, n);
    else if (n == 0 || (errno != EINTR && errno != EAGAIN))
        m_atEnd = true;
#endif
    deliver();
}

void LineInput::deliver()
{
    if (!m_wanted)
        return;
    const qsizetype end = m_buffer.indexOf('\n');
    if (end >= 0 || (m_atEnd && !m_buffer.isEmpty())) {
        QByteArray text = end >= 0 ? m_buffer.left(end) : m_buffer;
        m_buffer.remove(0, end >= 0 ? end + 1 : m_buffer.size());
        if (text.endsWith('\r'))
            text.chop(1);
        cancel();
        emit line(QString::fromLocal8Bit(text));
        return;
    }
    if (m_atEnd) {
        cancel();
        emit ended();
        return;
    }
    if (m_notifier)
        m_notifier->setEnabled(true);
}
