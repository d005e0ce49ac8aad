#include "standardstreams.h"

#include <QString>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

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

std::optional<bool> writeConsole(std::FILE *stream, const QByteArray &text)
{
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode))
        return std::nullopt;
    const std::wstring wide = QString::fromUtf8(text).toStdWString();
    // A console takes a long text in parts.
    for (size_t done = 0; done < wide.size();) {
        DWORD written = 0;
        const DWORD part = DWORD(std::min<size_t>(wide.size() - done, 8192));
        if (!::WriteConsoleW(handle, wide.data() + done, part, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace StandardStreams
