#pragma once

#include <QString>
#include <optional>

// What the form asks of whoever drives it: the window shows boxes and dialogs and runs its
// events; the command line prints the boxes, takes files from its arguments and runs the
// event loop of a program without a display.
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

    // Runs pending events; with waitForMore it first blocks until one comes.
    virtual void pumpEvents(bool waitForMore) = 0;
};
