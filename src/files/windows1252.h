#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The single-byte character set that configuration files are written in on the machines
// where they are made: Latin-1, except that bytes 0x80..0x9F hold the euro sign, dashes,
// curly quotes and a few letters. Five of those bytes are undefined.
namespace Windows1252 {

// The character of a byte; nothing for the five undefined bytes.
std::optional<QChar> toChar(char byte);
// The byte of a character; nothing when the set has none.
std::optional<char> toByte(QChar c);

// Nothing when a byte is undefined or a character has no byte.
std::optional<QString> decode(const QByteArray &bytes);
std::optional<QByteArray> encode(const QString &text);

} // namespace Windows1252
