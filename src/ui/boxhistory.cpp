#include "boxhistory.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

namespace {

bool isRedo(const QKeyEvent *key)
{
    const QKeySequence pressed(key->keyCombination());
    return key->matches(QKeySequence::Redo) || pressed == QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)
        || pressed == QKeySequence(Qt::CTRL | Qt::Key_Y);
}

} // namespace

BoxHistory::BoxHistory(QLineEdit *box)
    : QObject(box)
    , m_box(box)
{
    box->installEventFilter(this);
}

void BoxHistory::forget()
{
    if (!m_box->isUndoAvailable() && !m_box->isRedoAvailable())
        return;
    const int cursor = m_box->cursorPosition();
    const int start = m_box->selectionStart();
    const int length = int(m_box->selectedText().size());
    const QSignalBlocker blocker(m_box); // the same text: nothing for the window to hear
    m_box->setText(m_box->text()); // a line edit forgets its history with a new text
    if (start < 0)
        m_box->setCursorPosition(cursor);
    else if (cursor == start)
        m_box->setSelection(start + length, -length);
    else
        m_box->setSelection(start, length);
}

bool BoxHistory::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        forget();
        break;
    case QEvent::ShortcutOverride: {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool undo = key->matches(QKeySequence::Undo);
        const bool redo = !undo && isRedo(key);
        if ((undo && !m_box->isUndoAvailable()) || (redo && !m_box->isRedoAvailable())) {
            key->ignore(); // left to the window's shortcut
            return true;
        }
        break;
    }
    default:
        break;
    }
    return false;
}
