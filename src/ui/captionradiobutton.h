#pragma once

#include <QRadioButton>

// An option button whose caption wraps over two lines beside the indicator, and which
// reacts to clicks anywhere in its rectangle. Tab and Shift+Tab stop at the selected button
// of its group only, whichever button had the focus last (Qt keeps the stop where the focus
// last was), from the window's first showing on; the arrow keys pick the group's next or
// previous button, round from the last to the first, from either button. The stop moves with
// the selection itself, not by passing the focus on from the other button, so the focus a
// screen reader hears is where it is.
class CaptionRadioButton : public QRadioButton
{
    Q_OBJECT

public:
    explicit CaptionRadioButton(const QString &text, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }

private:
    void followSelection();
    QList<CaptionRadioButton *> group() const;
};
