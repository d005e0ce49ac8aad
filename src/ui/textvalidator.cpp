#include "textvalidator.h"

bool TextValidator::acceptable(QChar c)
{
    const char16_t u = c.unicode();
    return u >= 0x20 && u != 0x7F && !(u >= 0x80 && u < 0xA0) && u <= 0xFF && u != u'"';
}

QValidator::State TextValidator::validate(QString &input, int &) const
{
    for (QChar c : input)
        if (!acceptable(c))
            return Invalid;
    return Acceptable;
}
