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
//
// A message that follows many changes at once (a read, an open, an undo of one) is shown after
// a pause (`settle`): the desktop's screen reader Orca 43 handles events well behind the program,
// and while more than 50 wait it drops every event that is not of the focused control, a
// message's showing among them, as it comes to each focus or selection event in the queue. A
// message shown with the changes would sit behind their events and be dropped; shown once the
// screen reader has worked through them, it is spoken whatever has the focus. (The other ways
// are closed in Qt 6.4: a screen reader keeps every event of the focused control, but Qt sends
// a control's new name or description without the text, and has no announcement event.)
class Announcer : public QObject
{
public:
    explicit Announcer(QWidget *host, QAccessible::Role role = QAccessible::Notification, int settle = 0);

    // Shows the message as a new object, even when it repeats the last one: at once, or after
    // the pause, each message in its turn.
    void announce(const QString &text, const QString &description = QString());
    // Hides the current message; nothing is left showing.
    void clear();

    // The object that shows the current message, if one does.
    QWidget *current() const { return m_current; }
    QString text() const;

private:
    void show(const QString &text, const QString &description);

    QWidget *m_host;
    QAccessible::Role m_role;
    int m_settle;
    QPointer<QWidget> m_current;
};
