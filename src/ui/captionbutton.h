#pragma once

#include <QPushButton>

// A command button whose caption wraps over several lines, centred.
class CaptionButton : public QPushButton
{
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override;
};
