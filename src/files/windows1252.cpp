#include "windows1252.h"

namespace Windows1252 {
namespace {

// 0x80..0x9F; 0 marks an undefined byte.
constexpr char16_t high[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

} // namespace

std::optional<QChar> toChar(char byte)
{
    const auto b = quint8(byte);
    if (b < 0x80 || b >= 0xA0)
        return QChar(char16_t(b));
    if (high[b - 0x80] == 0)
        return std::nullopt;
    return QChar(high[b - 0x80]);
}

std::optional<char> toByte(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return char(u);
    for (int i = 0; i < 32; ++i)
        if (high[i] != 0 && high[i] == u)
            return char(0x80 + i);
    return std::nullopt;
}

std::optional<QString> decode(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char b : bytes) {
        const std::optional<QChar> c = toChar(b);
        if (!c)
            return std::nullopt;
        text.append(*c);
    }
    return text;
}

std::optional<QByteArray> encode(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar c : text) {
        const std::optional<char> b = toByte(c);
        if (!b)
            return std::nullopt;
        bytes.append(*b);
    }
    return bytes;
}

} // namespace Windows1252
