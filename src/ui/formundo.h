#pragma once

#include "model/formmodel.h"

#include <QObject>
#include <QUndoStack>

// Undo and redo of what the window holds, step by step: a pick, a box's typing until it
// is left, a whole read or open. A step keeps the whole form before and after it, so
// going back runs no handler and shows no box. Steps started inside a step (a pick made
// while a read waits) belong to the outer one.
class FormUndo : public QObject
{
    Q_OBJECT

public:
    explicit FormUndo(FormModel &form, QObject *parent = nullptr);

    QUndoStack &stack() { return m_stack; }

    // Runs `change` as one step.
    template <typename Change>
    void step(Change &&change)
    {
        begin();
        change();
        end();
    }
    void begin();
    void end();

    // Typing in a box: the first keystroke opens a step that leaving the box closes.
    void typing();
    void typingDone();

private:
    FormModel &m_form;
    QUndoStack m_stack;
    FormModel::State m_before;
    int m_depth = 0;
    bool m_typing = false;
};
