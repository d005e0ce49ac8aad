#include "termination.h"

#include "exitcode.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
static_assert(Termination::exitCode(SIGHUP) == ExitCode::HungUp && Termination::exitCode(SIGINT) == ExitCode::Interrupted
              && Termination::exitCode(SIGTERM) == ExitCode::Terminated);

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
