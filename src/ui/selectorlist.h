#pragma once

#include "model/selectortables.h"

#include <QListWidget>
#include <span>

// A single-selection list box whose entries carry a text and an item value, with a
// selected position (-1 for none) that the user or the program can change. positionChanged
// is the selection event: it comes whenever the position changes, from a click, a key or
// setPosition, and its handlers run before setPosition returns. Keyboard focus alone, which
// makes a row current in Qt, selects nothing.
//
// A position the program sets changes the selection only: the current row, which the keyboard
// moves from and Qt reports to screen readers as the focus, stays where it is unless the list
// has the focus. A list that takes the focus makes its selected row current instead, so the
// arrow keys move on from what it shows, and a screen reader speaks that row after the list's
// name; a list without a selection has no current row (the first arrow key picks the first
// entry), and its description for screen readers begins with "nothing picked".
//
// A hidden list tells screen readers nothing of its changes until it shows: a read or an undo
// changes some thirty lists at once, and their events would flood a screen reader.
class SelectorList : public QListWidget
{
    Q_OBJECT

public:
    explicit SelectorList(std::span<const ListEntry> entries, QWidget *parent = nullptr);

    int position() const { return m_position; }
    void setPosition(int position);
    int itemValue(int position) const;

signals:
    void positionChanged(int position);

protected:
    bool event(QEvent *event) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    void followView();
    void showPosition();
    void describe();
    void reportCurrentRow();

    int m_position = -1;
    bool m_takingFocus = false;
    bool m_inKey = false;    // a key press is being handled
    bool m_keyPicked = false; // and has picked once
};
