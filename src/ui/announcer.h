#pragma once

#include <QAccessible>
#include <QObject>
#include <QPointer>

class QWidget;

// Messages for screen readers alone. Qt 6.4 has no way to ask a screen reader to speak a text;
// what the desktop's screen reader does speak is an object with the notification role that
// becomes showing. An announcer shows each message as such an object of its own: a child of its
// host that takes no room, paints nothing and takes neither focus nor clicks, named with the
// message. The one before is hidden then, and deleted a little later.
//
// One object per message, never one renamed: a screen reader handles its events some time after
// they come, and reads the object they name as it is by then. A renamed object would be heard
// with a later message, or, several messages in quick succession, only once.
//
// With the alert role the objects mark messages as alerts for screen readers that handle alerts
// (each is shown, and Qt's alert event sent for it, beside a notification that speaks it).
// Having no size, they are never among what a screen reader finds on the screen.
class Announcer : public QObject
{
public:
    explicit Announcer(QWidget *host, QAccessible::Role role = QAccessible::Notification);

    // Shows the message as a new object, even when it repeats the last one.
    void announce(const QString &text, const QString &description = QString());
    // Hides the current message; nothing is left showing.
    void clear();

    // The object that shows the current message, if one does.
    QWidget *current() const { return m_current; }
    QString text() const;

private:
    QWidget *m_host;
    QAccessible::Role m_role;
    QPointer<QWidget> m_current;
};
