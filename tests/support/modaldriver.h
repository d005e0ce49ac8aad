#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>

class QWidget;

// Answers the modal boxes a test brings up: every message box is recorded and closed with
// OK, unless a handler takes the modal first. Anything left open for several seconds is
// rejected, so that no test can hang on a box.
class ModalDriver : public QObject
{
    Q_OBJECT

public:
    struct Box
    {
        QString title;
        QString text;
    };

    ModalDriver();

    QList<Box> boxes;
    // Gets every new modal first; returns true when it has dealt with it.
    std::function<bool(QWidget *)> handler;

private:
    void poll();

    QTimer m_timer;
    QPointer<QWidget> m_last;
    int m_ticksOpen = 0;
};
