#include "argumenttext.h"

#include "platform/systemarguments.h"

namespace ArgumentText {
namespace {
constexpr char16_t escapeBase = 0xDC00;
} // namespace

QString decode(const QByteArray &bytes)
{
    const QString whole = QString::fromUtf8(bytes);
    if (whole.toUtf8() == bytes)
        return whole;
    // One sequence at a time: a sequence that survives a decode and re-encode is text, any
    // other byte is kept as itself.
    QString text;
    for (qsizetype i = 0; i < bytes.size();) {
        const auto lead = quint8(bytes[i]);
        const qsizetype length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        const QByteArray sequence = length > 0 ? bytes.mid(i, length) : QByteArray();
        const QString decoded = QString::fromUtf8(sequence);
        if (length > 0 && sequence.size() == length && decoded.toUtf8() == sequence) {
            text += decoded;
            i += length;
        } else {
            text += QChar(char16_t(escapeBase + lead));
            ++i;
        }
    }
    return text;
}

QStringList decode(int argc, char **argv)
{
    if (std::optional<QStringList> text = SystemArguments::text())
        return *text;
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << decode(QByteArray(argv[i]));
    return arguments;
}

bool encodable(const QString &path)
{
    // A byte kept as itself is a lone surrogate, which no system's file name can hold; any
    // other text is UTF-8 to Linux and UTF-16 to Windows alike.
    return path.isValidUtf16();
}

QString shown(const QString &text)
{
    QString out;
    const auto escaped = [&out](uint byte) {
        out += QStringLiteral("\\x") + QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    };
    for (QChar c : text) {
        if (c.unicode() >= escapeBase + 0x80 && c.unicode() <= escapeBase + 0xFF)
            escaped(c.unicode() - escapeBase);
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F) // a line break would break the message's line
            escaped(c.unicode());
        else
            out += c;
    }
    return out;
}

QString refusal(const QList<Path> &paths)
{
    for (const Path &path : paths)
        if (!path.value.isEmpty() && !encodable(path.value))
            return QStringLiteral("%1 %2 is not valid UTF-8, as names of files and ports must be; nothing was opened")
                .arg(path.what, shown(path.value));
    return {};
}

} // namespace ArgumentText
