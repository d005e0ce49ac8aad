#pragma once

#include <QRadioButton>

// An option button whose caption wraps over two lines beside the indicator, and which
// reacts to clicks anywhere in its rectangle. Tab and Shift+Tab enter its group at the
// selected button, whichever way they come (Qt does so only for Tab); the arrow keys move
// within the group.
class CaptionRadioButton : public QRadioButton
{
    Q_OBJECT

public:
    using QRadioButton::QRadioButton;

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }
};
