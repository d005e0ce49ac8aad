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

// The number divided by ten and brought to the nearest 16-bit integer, halves going to the
// even neighbour; nothing when the number cannot be read or the result does not fit.
std::optional<qint16> value(const QByteArray &reply);

} // namespace ReplyNumber
