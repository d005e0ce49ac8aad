#include "standardstreams.h"

#include <QtGlobal>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace StandardStreams {

void guard()
{
#ifdef Q_OS_UNIX
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free number is this one, as the lower ones are open by now.
        const int null = ::open("/dev/null", O_RDONLY);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
    ::signal(SIGPIPE, SIG_IGN);
    // A file grown to the size limit would end the program as it writes; the write fails
    // (EFBIG) instead, as on a full disk, and the run ends in order with its summary.
    ::signal(SIGXFSZ, SIG_IGN);
#endif
}

bool inputIsTerminal()
{
#ifdef Q_OS_UNIX
    return ::isatty(STDIN_FILENO);
#else
    return false;
#endif
}

std::optional<bool> writeConsole(std::FILE *, const QByteArray &)
{
    return std::nullopt;
}

} // namespace StandardStreams
