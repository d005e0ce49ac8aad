#pragma once

#include <QAccessible>
#include <QApplication>
#include <QStringList>
#include <QWidget>
#include <utility>

// Records what becomes shown under a widget for screen readers: "news: TEXT" for a notification,
// "alert: TEXT" for an alert, in the order they show. The window's own news shows after a pause:
// wait for it with QTRY_COMPARE on `shown`.
class ShownUnder : public QObject
{
public:
    explicit ShownUnder(QWidget *host)
        : m_host(host)
    {
        qApp->installEventFilter(this);
    }
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::Show && object->parent() == m_host)
            if (const QString entry = describe(QAccessible::queryAccessibleInterface(object)); !entry.isEmpty())
                shown << entry;
        return false;
    }
    static QString describe(QAccessibleInterface *iface)
    {
        if (!iface || (iface->role() != QAccessible::Notification && iface->role() != QAccessible::AlertMessage))
            return {};
        return QStringLiteral("%1: %2").arg(iface->role() == QAccessible::Notification ? "news" : "alert",
                                            iface->text(QAccessible::Name));
    }
    QStringList take() { return std::exchange(shown, {}); }

    QStringList shown;

private:
    QWidget *m_host;
};
