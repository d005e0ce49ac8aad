#pragma once

#include <QObject>

// Keeps the selection changes a box makes as the keyboard enters or leaves it from screen
// readers. Qt's line edit selects its text when Tab brings the keyboard in, before it tells
// screen readers of the focus, and drops the selection when the keyboard leaves, after the
// next control has it. Orca 43 speaks both: the box's text twice on Tab ("HORN selected", then
// the box with its text), and "Text unselected." before the next control. The focus itself
// says the text and whether it is selected, so nothing is lost; selections made by the user
// once the box has the keyboard are told as before.
class QuietSelection : public QObject
{
public:
    // `focusTaker`, where the focus events arrive, is the box unless it is part of another control.
    explicit QuietSelection(QObject *box, QObject *focusTaker = nullptr);
    ~QuietSelection() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void release();

    QObject *m_box;
};
