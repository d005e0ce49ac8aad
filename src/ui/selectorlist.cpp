#include "selectorlist.h"

#include <QSignalBlocker>

namespace {
constexpr int rowHeight = 13; // three rows in a 43-pixel list
}

SelectorList::SelectorList(std::span<const ListEntry> entries, QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    for (const ListEntry &entry : entries) {
        auto *item = new QListWidgetItem(QString::fromLatin1(entry.text), this);
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

void SelectorList::focusInEvent(QFocusEvent *event)
{
    if (m_position >= 0 && currentRow() != m_position)
        selectionModel()->setCurrentIndex(model()->index(m_position, 0), QItemSelectionModel::NoUpdate);
    QListWidget::focusInEvent(event);
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
    m_position = position;
    emit positionChanged(position);
}
