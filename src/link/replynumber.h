#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>

// Reading a panel's reply as a number. The reply's leading number is ten times the byte's
// value. Blanks, tabs and line feeds are ignored wherever they stand; then come an optional
// sign, digits, an optional decimal point with digits and an optional exponent (E or D), or
// a hexadecimal (&H) or octal (&O) number. Text that does not begin with a number reads 0.
namespace ReplyNumber {

// The reply's leading number; nothing when it is too large to be read.
std::optional<double> read(const QByteArray &reply);

// Whether the reply, past the blanks that are ignored, begins with a number: a digit, a sign
// or a decimal point followed by one, or &H / &O with a digit of its radix. A panel's reply
// always does; one that does not is garbled, though read() takes it as 0.
bool beginsWithNumber(const QByteArray &reply);

// The number divided by ten and brought to the nearest 16-bit integer, halves going to the
// even neighbour; nothing when the number cannot be read or the result does not fit.
std::optional<qint16> value(const QByteArray &reply);

// value(), or for a number that cannot be read or does not fit, the 16-bit limit on its side.
qint16 saturated(const QByteArray &reply);

} // namespace ReplyNumber
