#include "designationbox.h"

#include <QFocusEvent>

DesignationBox::DesignationBox(const QString &startingText, QWidget *parent)
    : QLineEdit(startingText, parent)
    , m_startingText(startingText)
{
}

void DesignationBox::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    if (text() != m_startingText)
        return;
    selectAll();
    // The click that gave the focus would place the cursor and drop the selection.
    m_selectAfterClick = event->reason() == Qt::MouseFocusReason;
}

void DesignationBox::mousePressEvent(QMouseEvent *event)
{
    QLineEdit::mousePressEvent(event);
    if (m_selectAfterClick)
        selectAll();
}

void DesignationBox::mouseReleaseEvent(QMouseEvent *event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (m_selectAfterClick && text() == m_startingText && !hasSelectedText())
        selectAll();
    m_selectAfterClick = false;
}
