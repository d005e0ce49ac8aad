#include "replynumber.h"

#include <cfenv>
#include <cmath>
#include <limits>

namespace ReplyNumber {
namespace {

bool ignorable(char c) { return c == ' ' || c == '\t' || c == '\n'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// &H and &O numbers keep the width they need: up to 16 bits they are 16-bit signed
// values, up to 32 bits 32-bit signed values; wider ones cannot be read.
std::optional<double> readRadix(const QByteArray &s, int radix)
{
    quint64 v = 0;
    for (char c : s) {
        int d;
        if (isDigit(c))
            d = c - '0';
        else if (radix == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (radix == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            break;
        if (d >= radix)
            break;
        v = v * radix + quint64(d);
        if (v > 0xFFFFFFFFull)
            return std::nullopt;
    }
    if (v <= 0xFFFF)
        return double(qint16(quint16(v)));
    return double(qint32(quint32(v)));
}

QByteArray withoutBlanks(const QByteArray &reply)
{
    QByteArray s;
    s.reserve(reply.size());
    for (char c : reply)
        if (!ignorable(c))
            s.append(c);
    return s;
}

} // namespace

bool beginsWithNumber(const QByteArray &reply)
{
    const QByteArray s = withoutBlanks(reply);
    if (s.size() >= 3 && s[0] == '&') {
        const char kind = char(s[1] | 0x20);
        const char d = s[2];
        if (kind == 'o')
            return d >= '0' && d <= '7';
        return kind == 'h' && (isDigit(d) || (char(d | 0x20) >= 'a' && char(d | 0x20) <= 'f'));
    }
    qsizetype i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    if (i < s.size() && s[i] == '.')
        ++i;
    return i < s.size() && isDigit(s[i]);
}

std::optional<double> read(const QByteArray &reply)
{
    const QByteArray s = withoutBlanks(reply);

    if (s.size() >= 2 && s[0] == '&') {
        const char kind = char(s[1] | 0x20);
        if (kind == 'h')
            return readRadix(s.mid(2), 16);
        if (kind == 'o')
            return readRadix(s.mid(2), 8);
        return 0.0;
    }

    qsizetype i = 0;
    QByteArray number;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        number.append(s[i++]);
    QByteArray mantissa;
    while (i < s.size() && isDigit(s[i]))
        mantissa.append(s[i++]);
    if (i < s.size() && s[i] == '.') {
        mantissa.append(s[i++]);
        while (i < s.size() && isDigit(s[i]))
            mantissa.append(s[i++]);
    }
    if (mantissa.isEmpty() || mantissa == ".")
        return 0.0;
    number.append(mantissa);
    long exponent = 0;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        qsizetype j = i + 1;
        bool negative = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            negative = s[j++] == '-';
        while (j < s.size() && isDigit(s[j]))
            exponent = std::min(exponent * 10 + (s[j++] - '0'), 100000L);
        if (negative)
            exponent = -exponent;
    }

    // The decimal magnitude of the number decides before any conversion: far too large
    // cannot be read, far too small reads as zero.
    const qsizetype point = mantissa.indexOf('.');
    const QByteArray whole = point < 0 ? mantissa : mantissa.left(point);
    const QByteArray fraction = point < 0 ? QByteArray() : mantissa.mid(point + 1);
    qsizetype firstWhole = 0;
    while (firstWhole < whole.size() && whole[firstWhole] == '0')
        ++firstWhole;
    long magnitude;
    if (firstWhole < whole.size()) {
        magnitude = long(whole.size() - firstWhole) - 1 + exponent;
    } else {
        qsizetype zeros = 0;
        while (zeros < fraction.size() && fraction[zeros] == '0')
            ++zeros;
        if (zeros == fraction.size())
            return 0.0;
        magnitude = -long(zeros) - 1 + exponent;
    }
    if (magnitude > 300)
        return std::nullopt;
    if (magnitude < -300)
        return 0.0;

    number.append('e').append(QByteArray::number(qlonglong(exponent)));
    bool ok = false;
    const double v = number.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<qint16> value(const QByteArray &reply)
{
    const std::optional<double> n = read(reply);
    if (!n)
        return std::nullopt;
    const int oldMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(*n / 10.0);
    std::fesetround(oldMode);
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(rounded);
}

qint16 saturated(const QByteArray &reply)
{
    if (const std::optional<qint16> v = value(reply))
        return *v;
    const QByteArray s = withoutBlanks(reply);
    return !s.isEmpty() && s[0] == '-' ? std::numeric_limits<qint16>::min() : std::numeric_limits<qint16>::max();
}

} // namespace ReplyNumber
