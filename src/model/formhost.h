#pragma once

#include <QString>
#include <optional>

// What the form asks of whoever drives it: the window shows boxes and dialogs; the command
// line prints the boxes and takes files from its arguments.
class FormHost
{
public:
    virtual ~FormHost() = default;

    // A modal box with one OK button; an empty title leaves the toolkit's default caption.
    virtual void messageBox(const QString &text, const QString &title = QString()) = 0;

    // The file dialogs. The save proposes a file name; an empty result means cancelled.
    virtual std::optional<QString> saveFileDialog(const QString &title, const QString &filter,
                                                  const QString &proposedName) = 0;
    virtual std::optional<QString> openFileDialog(const QString &title, const QString &filter) = 0;
};
