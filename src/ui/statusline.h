#pragma once

#include <QLabel>

// The status line: one message at a time on a coloured background. A screen reader finds a
// status bar named by the message and described by its detail. Each message is announced
// once it is shown, by a name change; a failure also shows an alert inside the line, which
// the desktop's accessibility bus reports as a "showing" change. The line takes keyboard
// focus while shown, so its text can be selected and copied from the keyboard as with the
// mouse.
//
// No Q_OBJECT: it adds no signals or properties, and stays a QLabel to anything that asks.
class StatusLine : public QLabel
{
public:
    explicit StatusLine(QWidget *parent = nullptr);

    void setStatus(const QString &text, const QString &detail, const QColor &background, bool visible, bool failure);

    // The alert a failure shows; hidden otherwise.
    QWidget *alert() const { return m_alert; }

private:
    void announce();

    QWidget *m_alert;
    bool m_failure = false;
    bool m_announcing = false;
    struct Announced
    {
        QString text, detail;
        bool shown = false;
    } m_announced;
};
