#pragma once

#include <QString>

#include <cstdio>

// A line redrawn in place must fit the terminal: one that wraps leaves a line behind on every
// redraw, since a carriage return goes back to the start of the last line only.
namespace TerminalWidth {

// The terminal's width in columns, or 0 when the stream is no terminal or does not say.
int columns(std::FILE *stream);

// The line cut to leave the last column free (a line that fills it wraps on some
// terminals); unchanged when the width is unknown.
QString fitted(const QString &line, int columns);

} // namespace TerminalWidth
