// The reply-number reader on arbitrary bytes. Beyond not crashing: a value comes back
// exactly when the reply's number can be read and its tenth rounds into the 16-bit range,
// the value is that rounded tenth, text that does not begin with a number reads 0, and blanks, tabs and line feeds put anywhere change nothing.
#include "link/replynumber.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {
void check(bool condition)
{
    if (!condition)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<double> number = ReplyNumber::read(reply);
    const std::optional<qint16> value = ReplyNumber::value(reply);
    if (number) {
        check(std::isfinite(*number));
        const double rounded = std::nearbyint(*number / 10.0);
        const bool fits = rounded >= -32768.0 && rounded <= 32767.0;
        check(value.has_value() == fits);
        if (value)
            check(double(*value) == rounded);
    } else {
        check(!value);
    }

    // Text that does not begin with a number reads 0: the link refuses it before reading.
    const bool begins = ReplyNumber::beginsWithNumber(reply);
    if (!begins)
        check(number && *number == 0.0);
    check(ReplyNumber::saturated(reply) == (value ? *value : ReplyNumber::saturated(reply)));

    QByteArray spread;
    const char blanks[] = {' ', '\t', '\n'};
    for (qsizetype i = 0; i < reply.size(); ++i)
        spread.append(blanks[i % 3]).append(reply[i]);
    check(ReplyNumber::value(spread) == value);
    check(ReplyNumber::beginsWithNumber(spread) == begins);
    return 0;
}
