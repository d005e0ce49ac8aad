#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <optional>

// The three standard descriptors. Started with one of them closed, the program would hand
// its number to the next file it opens (Qt's event descriptor, a pipe) and print into that;
// and a write to a pipe whose reader has gone would kill it on the spot.
namespace StandardStreams {

// Opens each of the descriptors 0, 1 and 2 that is closed on the null device, read-only,
// so that nothing else takes its number and writes to it fail; and ignores SIGPIPE and
// SIGXFSZ, so that a write to a closed pipe or past the file-size limit fails as any other
// write does. First thing in main().
void guard();

// Whether standard input is a terminal, where a person types.
bool inputIsTerminal();

// Writes the text, UTF-8, to the stream and flushes it. False when any of it was not
// written, with the system's reason. A Windows console takes it through its own call as
// UTF-16, so that it shows as written whatever the console's code page; pipes and files get
// the bytes.
bool write(std::FILE *stream, const QByteArray &text, QString *reason = nullptr);

// The console's own write where the stream is a console that has one (Windows): whether it
// took the whole text. Nothing where the stream's bytes are to be written as they are.
std::optional<bool> writeConsole(std::FILE *stream, const QByteArray &text);

} // namespace StandardStreams
