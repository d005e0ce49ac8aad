#include "selectorlist.h"

#include <QAccessible>
#include <QSignalBlocker>
#include <QTimer>

namespace {

constexpr int rowHeight = 13; // three rows in a 43-pixel list

// An entry described by its list's name: "Where am I" on a pick reads only the entry, its
// description and its place, and would not say which list it is in.
class Entry : public QListWidgetItem
{
public:
    using QListWidgetItem::QListWidgetItem;
    QVariant data(int role) const override
    {
        if (role == Qt::AccessibleDescriptionRole && listWidget())
            return listWidget()->accessibleName();
        return QListWidgetItem::data(role);
    }
};

} // namespace

SelectorList::SelectorList(std::span<const ListEntry> entries, QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    for (const ListEntry &entry : entries) {
        auto *item = new Entry(QString::fromLatin1(entry.text), this);
        item->setData(Qt::UserRole, int(entry.value));
        item->setSizeHint(QSize(0, rowHeight));
    }
    connect(this, &QListWidget::itemSelectionChanged, this, &SelectorList::followView);
}

void SelectorList::setPosition(int position)
{
    if (position == m_position || position < -1 || position >= count())
        return;
    m_position = position;
    showPosition();
    describe();
    emit positionChanged(position);
}

int SelectorList::itemValue(int position) const
{
    const QListWidgetItem *entry = item(position);
    return entry ? entry->data(Qt::UserRole).toInt() : 0;
}

void SelectorList::showPosition()
{
    const QSignalBlocker blocker(this);
    if (m_position < 0) {
        clearSelection();
        return;
    }
    const QModelIndex index = model()->index(m_position, 0);
    if (hasFocus())
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    else
        selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

bool SelectorList::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTipChange || event->type() == QEvent::Show)
        describe();
    return QListWidget::event(event);
}

// What the list view adds to the item view's handling is the report to screen readers.
void SelectorList::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    if (!isHidden())
        QListWidget::selectionChanged(selected, deselected);
    else
        QAbstractItemView::selectionChanged(selected, deselected);
}

// The description a screen reader reads after the list's name: the tooltip, after "nothing
// picked" while nothing is. (A description, not a name: the name stays the list's own.)
void SelectorList::describe()
{
    if (isHidden())
        return; // described when it shows
    const QString description = m_position < 0 ? QStringLiteral("nothing picked. %1").arg(toolTip()) : toolTip();
    if (accessibleDescription() != description)
        setAccessibleDescription(description);
}

void SelectorList::focusInEvent(QFocusEvent *event)
{
    if (m_position >= 0 && currentRow() != m_position)
        selectionModel()->setCurrentIndex(model()->index(m_position, 0), QItemSelectionModel::NoUpdate);
    m_takingFocus = true;
    QListWidget::focusInEvent(event);
    m_takingFocus = false;
    // Qt reports the list's own focus once this returns, and a screen reader speaks the last
    // focus it hears: the selected row's is reported after it.
    if (m_position >= 0)
        QTimer::singleShot(0, this, &SelectorList::reportCurrentRow);
}

// Taking the focus, an item view makes its first row current (asking where the cursor would go
// next); without a selection that would be a row picked by focus alone, and spoken as the focus.
QModelIndex SelectorList::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    return m_takingFocus ? QModelIndex() : QListWidget::moveCursor(action, modifiers);
}

// One key is one pick. Once the pick's handler has run, Qt selects the row the key moved to
// once more; a handler that moved the list meanwhile (the intensity rule's reset) must not
// meet the key's row again, nor say its message a second time.
void SelectorList::keyPressEvent(QKeyEvent *event)
{
    m_inKey = true;
    m_keyPicked = false;
    QListWidget::keyPressEvent(event);
    m_inKey = false;
    if (m_keyPicked)
        showPosition();
}

void SelectorList::reportCurrentRow()
{
    if (!hasFocus() || m_position < 0 || currentRow() != m_position)
        return;
    QAccessibleEvent focus(this, QAccessible::Focus);
    focus.setChild(m_position);
    QAccessible::updateAccessibility(&focus);
}

void SelectorList::followView()
{
    const QList<QListWidgetItem *> selected = selectedItems();
    if (selected.isEmpty()) {
        // A list box cannot be emptied by the user (Ctrl+click would do it in Qt).
        if (m_position >= 0)
            showPosition();
        return;
    }
    const int position = row(selected.first());
    if (position == m_position)
        return;
    if (m_inKey && m_keyPicked) {
        showPosition();
        return;
    }
    m_keyPicked = m_inKey;
    m_position = position;
    describe();
    emit positionChanged(position);
}
