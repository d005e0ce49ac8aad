// The .zcf record reader on arbitrary bytes. Beyond not crashing: a record the reader
// accepts, written back by the writer and read again, gives the same values, and its
// texts hold nothing the writer could not carry (a quote, a control character, a character
// that Windows-1252 lacks).
#include "files/configrecord.h"

#include <cstdint>
#include <cstdlib>

namespace {
void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkText(const QString &text)
{
    check(ConfigRecord::acceptable(text));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<ConfigRecord> record = ConfigRecord::parse(bytes);
    if (!record)
        return 0;
    checkText(record->model);
    checkText(record->panel);
    for (const ConfigRecord::Pair &pair : record->pairs)
        checkText(pair.text);
    const QByteArray line = record->toLine();
    check(line.endsWith("\r\n") && line.count('\n') == 1);
    const std::optional<ConfigRecord> again = ConfigRecord::parse(line);
    check(again.has_value() && *again == *record);
    check(again->toLine() == line);
    return 0;
}
