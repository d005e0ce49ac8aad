#pragma once

#include <QLabel>

class Announcer;

// The status line: one message at a time on a coloured background. A screen reader finds a
// status bar named by the message and described by its detail while the line is shown, and
// an empty one while it is hidden. Each message is spoken once it is shown whole, by a
// notification inside the line; a failure is also marked by an alert beside it. Under the line
// a screen reader finds these two only while they carry the current message. The line takes
// keyboard focus while shown, so its text can be selected and copied from the keyboard as
// with the mouse.
//
// No Q_OBJECT: it adds no signals or properties, and stays a QLabel to anything that asks.
class StatusLine : public QLabel
{
public:
    explicit StatusLine(QWidget *parent = nullptr);

    void setStatus(const QString &text, const QString &detail, const QColor &background, bool visible, bool failure);

    // A note on the current message for screen readers alone: what the command that set it
    // changed in the window ("read: 9 items changed, ..."). It follows the detail in the line's
    // description, where "Where am I" finds it, until the message changes. It is spoken with
    // the message while that is still to be spoken: true then; false if the message has been
    // spoken already, or is no news.
    bool setNote(const QString &note);
    QString note() const { return m_note; }
    // Heard after the message, and its description for screen readers: what the detail adds to
    // the message (the detail often begins with it), then the note.
    QString spokenDetail() const;

    // What speaks each message, and what marks a failure; neither shows anything while it has none.
    Announcer *news() const { return m_news; }
    Announcer *alert() const { return m_alert; }

private:
    void announce();
    bool isNews() const;

    Announcer *m_news;
    Announcer *m_alert;
    QString m_note;
    bool m_failure = false;
    bool m_announcing = false;
    struct Announced
    {
        QString text, detail;
        bool shown = false;
    } m_announced;
};
