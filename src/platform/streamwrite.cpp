// The one write to a standard stream, the same on every system: the systems differ only in
// how a stream is guarded (standardstreams.cpp, standardstreams_win.cpp).
#include "standardstreams.h"

#include <QString>

#include <cerrno>

namespace StandardStreams {

bool write(std::FILE *stream, const QByteArray &text, QString *reason)
{
    std::fflush(stream); // what went out through the stream goes first
    if (const std::optional<bool> done = writeConsole(stream, text)) {
        if (!*done && reason)
            *reason = QStringLiteral("the console refused the text");
        return *done;
    }
    errno = 0;
    const bool written = std::fwrite(text.constData(), 1, size_t(text.size()), stream) == size_t(text.size())
                         && std::fflush(stream) == 0;
    if (!written && reason)
        *reason = qt_error_string(errno);
    return written;
}

} // namespace StandardStreams
