#include "formundo.h"

#include <QUndoCommand>

namespace {

class FormStep : public QUndoCommand
{
public:
    FormStep(const QString &name, FormModel &form, FormModel::State before, FormModel::State after)
        : QUndoCommand(name)
        , m_form(form)
        , m_before(std::move(before))
        , m_after(std::move(after))
    {
    }

    // Pushing a step redoes it: the form is already there.
    void redo() override
    {
        if (!m_pushed) {
            m_pushed = true;
            return;
        }
        m_form.restore(m_after);
    }
    void undo() override { m_form.restore(m_before); }

private:
    FormModel &m_form;
    FormModel::State m_before, m_after;
    bool m_pushed = false;
};

} // namespace

FormUndo::FormUndo(FormModel &form, QObject *parent)
    : QObject(parent)
    , m_form(form)
{
}

void FormUndo::begin(const QString &name)
{
    if (m_typing && m_depth == 1)
        typingDone(); // the box's step ends where another begins
    if (m_depth++ == 0) {
        m_before = m_form.state();
        m_name = name;
    }
}

void FormUndo::end()
{
    if (m_depth == 0 || --m_depth > 0)
        return;
    FormModel::State after = m_form.state();
    if (after != m_before)
        m_stack.push(new FormStep(m_name, m_form, std::move(m_before), std::move(after)));
}

void FormUndo::typing(const QString &name)
{
    if (m_typing)
        return;
    begin(name);
    m_typing = true;
}

void FormUndo::typingDone()
{
    if (!m_typing)
        return;
    m_typing = false;
    end();
}
