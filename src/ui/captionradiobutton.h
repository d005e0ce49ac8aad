#pragma once

#include <QRadioButton>

// An option button whose caption wraps over two lines beside the indicator, and which
// reacts to clicks anywhere in its rectangle.
class CaptionRadioButton : public QRadioButton
{
    Q_OBJECT

public:
    using QRadioButton::QRadioButton;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }
};
