#include "textvalidator.h"

#include "files/windows1252.h"

bool TextValidator::acceptable(QChar c)
{
    const std::optional<char> byte = Windows1252::toByte(c);
    if (!byte)
        return false;
    const auto b = quint8(*byte);
    return b >= 0x20 && b != 0x7F && b != '"';
}

QValidator::State TextValidator::validate(QString &input, int &) const
{
    for (QChar c : input)
        if (!acceptable(c))
            return Invalid;
    return Acceptable;
}
