#include "quietselection.h"

#include <QAccessible>
#include <QEvent>
#include <QList>
#include <QTimer>

namespace {

QList<QObject *> changingFocus; // boxes the keyboard is entering or leaving
QAccessible::UpdateHandler before = nullptr;

void sieve(QAccessibleEvent *event)
{
    if (event->type() == QAccessible::TextSelectionChanged && changingFocus.contains(event->object()))
        return;
    if (before)
        return before(event);
    // Qt hands an event to the desktop's bridge only while no handler is installed. The
    // handler is installed only for the moment of a box's focus change, when no table of the
    // window changes (Qt applies a table's model change again on each pass).
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(sieve);
}

} // namespace

QuietSelection::QuietSelection(QObject *box, QObject *focusTaker)
    : QObject(box)
    , m_box(box)
{
    (focusTaker ? focusTaker : box)->installEventFilter(this);
}

QuietSelection::~QuietSelection()
{
    release();
}

bool QuietSelection::eventFilter(QObject *, QEvent *event)
{
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut)
        return false;
    if (changingFocus.isEmpty())
        before = QAccessible::installUpdateHandler(sieve);
    if (!changingFocus.contains(m_box))
        changingFocus << m_box;
    // The focus change is done, its events told, when the event loop next runs.
    QTimer::singleShot(0, this, &QuietSelection::release);
    return false;
}

void QuietSelection::release()
{
    if (!changingFocus.removeOne(m_box) || !changingFocus.isEmpty())
        return;
    QAccessible::installUpdateHandler(before);
    before = nullptr;
}
