#include "terminalwidth.h"

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace TerminalWidth {

int columns(std::FILE *stream)
{
#ifdef Q_OS_UNIX
    winsize size {};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0)
        return size.ws_col;
#else
    Q_UNUSED(stream)
#endif
    return 0;
}

QString fitted(const QString &line, int columns)
{
    return columns > 0 && line.size() >= columns ? line.left(columns - 1) : line;
}

} // namespace TerminalWidth
