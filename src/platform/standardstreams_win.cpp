#include "standardstreams.h"

#include <QtGlobal>

#include <cerrno>

#include <fcntl.h>
#include <io.h>

namespace StandardStreams {

void guard()
{
    for (int fd = 0; fd <= 2; ++fd) {
        // A program started without a stream (a GUI parent, a service) has no handle behind it.
        if (::_get_osfhandle(fd) == -1) {
            const int null = ::_open("NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
            if (null >= 0 && null != fd) {
                ::_dup2(null, fd);
                ::_close(null);
            }
        }
        // Bytes as written: a line ends in "\n" and the JSON is the same on every system.
        ::_setmode(fd, _O_BINARY);
    }
    // Windows raises no signal for a pipe whose reader has gone: the write fails.
}

bool inputIsTerminal()
{
    return ::_isatty(0);
}

} // namespace StandardStreams
