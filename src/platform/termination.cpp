#include "termination.h"

#include <QSocketNotifier>

#include <iostream>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
constexpr int handled[] = {SIGINT, SIGTERM, SIGHUP};
int wakePipe[2] = {-1, -1};
#endif
volatile std::sig_atomic_t first = 0;

#ifdef Q_OS_UNIX
void onSignal(int signal)
{
    if (first == 0)
        first = signal;
    const int saved = errno;
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t n = ::write(wakePipe[1], &byte, 1);
    errno = saved;
}
#endif

} // namespace

Termination::Termination(QObject *parent)
    : QObject(parent)
{
    first = 0;
#ifdef Q_OS_UNIX
    if (::pipe(wakePipe) != 0)
        return;
    for (int fd : wakePipe)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(wakePipe[1], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(wakePipe[0], &byte, 1);
        emit requested(first);
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // a status line being written is not cut short
    for (int signal : handled)
        ::sigaction(signal, &action, nullptr);
#endif
}

Termination::~Termination()
{
#ifdef Q_OS_UNIX
    if (!m_notifier)
        return;
    for (int signal : handled)
        ::signal(signal, SIG_DFL);
    delete m_notifier;
    ::close(wakePipe[0]);
    ::close(wakePipe[1]);
    wakePipe[0] = wakePipe[1] = -1;
#endif
}

int Termination::received()
{
    return first;
}

bool Termination::readLine(std::string *line)
{
    std::string text;
#ifdef Q_OS_UNIX
    if (m_notifier) {
        // Read byte by byte behind poll(), which a signal always ends, also one that came
        // before the wait began: its byte waits in the pipe.
        for (;;) {
            if (first != 0)
                return false;
            pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            if (first != 0)
                return false;
            if (fds[0].revents == 0)
                continue;
            char c;
            const ssize_t n = ::read(STDIN_FILENO, &c, 1);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0 || c == '\n') {
                // As std::getline: a last line without its line feed still counts.
                if (n <= 0 && text.empty())
                    return false;
                break;
            }
            text += c;
        }
        if (line)
            *line = text;
        return true;
    }
#endif
    if (!std::getline(std::cin, text))
        return false;
    if (line)
        *line = text;
    return true;
}
