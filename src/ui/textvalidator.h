#pragma once

#include <QValidator>

// Keeps out of the panel name and designation boxes what a configuration file cannot
// carry back: the double quote that ends a field, characters that the file's character set cannot hold,
// and control characters that would break the one-line record.
class TextValidator : public QValidator
{
    Q_OBJECT

public:
    using QValidator::QValidator;

    State validate(QString &input, int &pos) const override;
};
