#pragma once

#include <QString>

// What the form asks of whoever drives it: the window shows a modal box; the command line
// prints it.
class FormHost
{
public:
    virtual ~FormHost() = default;

    // A modal box with one OK button; an empty title leaves the toolkit's default caption.
    virtual void messageBox(const QString &text, const QString &title = QString()) = 0;
};
