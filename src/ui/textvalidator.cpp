#include "textvalidator.h"

#include "files/configrecord.h"

QValidator::State TextValidator::validate(QString &input, int &) const
{
    return ConfigRecord::acceptable(input) ? Acceptable : Invalid;
}
