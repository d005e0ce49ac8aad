#pragma once

#include <QPushButton>

// A command button whose caption wraps over several lines, centred. Enter and Return press
// it when it has the focus, as Space does.
class CaptionButton : public QPushButton
{
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
