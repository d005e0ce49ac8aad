#pragma once

#include <QString>
#include <optional>

// What the link, transfer and file code may ask of the window. The window implements it;
// nothing below the window needs a widget header.
class FormInterface
{
public:
    enum class StatusColour { Yellow, Red, Green };

    virtual ~FormInterface() = default;

    // The status line, Text1. The detail, the whole text where the line shows a short one
    // (a long port name), is offered as the line's tooltip; by default it is the text.
    virtual void setStatusText(const QString &text, const QString &detail = QString()) = 0;
    virtual QString statusText() const = 0;
    virtual void setStatusColour(StatusColour colour) = 0;
    virtual void setStatusVisible(bool visible) = 0;

    // Selectors by object name. Selecting a new position runs the selector's handler
    // before this returns; selecting the position it already has runs nothing.
    virtual int position(const QString &selector) const = 0;
    virtual int itemValue(const QString &selector, int position) const = 0;
    virtual void selectPosition(const QString &selector, int position) = 0;

    // Text boxes and labels by object name.
    virtual QString boxText(const QString &box) const = 0;
    virtual void setBoxText(const QString &box, const QString &text) = 0;
    virtual void setBoxVisible(const QString &box, bool visible) = 0;
    virtual QString caption(const QString &label) const = 0;

    virtual void showSwitchView() = 0;

    // A modal box with one OK button; an empty title leaves the toolkit's default caption.
    virtual void messageBox(const QString &text, const QString &title = QString()) = 0;

    // The one file dialog of the window. Both commands share its file name: the save
    // proposes one, and the open dialog starts from whatever name was used last.
    // An empty result means the user cancelled.
    virtual std::optional<QString> saveFileDialog(const QString &title, const QString &filter,
                                                  const QString &proposedName) = 0;
    virtual std::optional<QString> openFileDialog(const QString &title, const QString &filter) = 0;

    // Runs the window's pending events; with waitForMore it first blocks until one comes.
    virtual void pumpEvents(bool waitForMore) = 0;
};
