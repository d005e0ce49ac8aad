#pragma once

#include "model/formmodel.h"

#include <QObject>
#include <QUndoStack>

// Undo and redo of what the window holds, step by step: a pick, a box's typing until it
// is left, a whole read or open. A step keeps the whole form before and after it, so
// going back runs no handler and shows no box. Steps started inside a step (a pick made
// while a read waits) belong to the outer one. Each step is named for people ("pick SW3
// module", "read"): the stack's undo and redo texts.
class FormUndo : public QObject
{
    Q_OBJECT

public:
    explicit FormUndo(FormModel &form, QObject *parent = nullptr);

    QUndoStack &stack() { return m_stack; }

    // Runs `change` as one step named `name`.
    template <typename Change>
    void step(const QString &name, Change &&change)
    {
        begin(name);
        change();
        end();
    }
    void begin(const QString &name);
    void end();

    // Typing in a box: the first keystroke opens a step that leaving the box closes.
    void typing(const QString &name);
    void typingDone();

private:
    FormModel &m_form;
    QUndoStack m_stack;
    FormModel::State m_before;
    QString m_name;
    int m_depth = 0;
    bool m_typing = false;
};
