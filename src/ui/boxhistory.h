#pragma once

#include <QObject>

class QLineEdit;

// A text box's own undo history, kept to its typing since it took the focus. Ctrl+Z reaches
// the box only while it has typing of its own to undo, and Ctrl+Shift+Z or Ctrl+Y only while
// it has some to redo; otherwise they are the window's keys, as anywhere else. (A line edit
// takes these keys for itself whether or not it has anything to undo.) The window makes the
// box's typing one of its own steps when the box is left; forgetting the box's history then
// keeps one typing from being undone twice, once by the box and once by the window.
class BoxHistory : public QObject
{
public:
    explicit BoxHistory(QLineEdit *box);

    // Empties the box's history; its text, cursor and selection stay.
    void forget();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_box;
};
