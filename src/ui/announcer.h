#pragma once

#include <QAccessible>
#include <QWidget>

// A message for screen readers alone. Qt 6.4 has no way to ask a screen reader to speak a
// text; what the desktop's screen reader does speak is an object with the notification role
// that becomes showing. An announcer is such an object: a child that takes no room, paints
// nothing and takes neither focus nor clicks, named with its message and shown anew for each
// one. With the alert role it marks a message as an alert for screen readers that handle
// alerts (it is shown, and Qt's alert event sent, beside a notification that speaks it).
//
// Having no size, an announcer is never among what a screen reader finds on screen, and it
// keeps no message once cleared.
class Announcer : public QWidget
{
public:
    explicit Announcer(QWidget *parent, QAccessible::Role role = QAccessible::Notification);

    QAccessible::Role role() const { return m_role; }
    // What a screen reader reads as its name and description.
    QString text() const { return m_text; }
    QString description() const { return m_description; }

    // Shows the message anew, so that it is reported even when it repeats the last one.
    void announce(const QString &text, const QString &description = QString());
    // Hidden and nameless.
    void clear();

private:
    QAccessible::Role m_role;
    QString m_text, m_description;
};
