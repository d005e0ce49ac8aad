#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>

class QScreen;
class QScrollArea;
class QWidget;

// Keeps the window within the free area of its screen. While the window at its designed size
// fits, it keeps that fixed size and its controls stay where they are. Once it does not fit (a
// small screen, a large scale factor), the controls move, as they are, onto a canvas of the
// designed size inside a scroll area that fills the window, and the window takes the size the
// free area allows; the user may resize it up to the designed size. A control that takes the
// focus is then scrolled into view.
class WindowFit : public QObject
{
    Q_OBJECT

public:
    WindowFit(QWidget *window, QSize designed);

    // The scroll area, once the window has needed one.
    QScrollArea *scrollArea() const { return m_area; }

    // Compares the window with its screen's free area now.
    void fit();

signals:
    // The controls have moved into the scroll area.
    void scrolling();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void enterScrolling();
    void watchScreen(QScreen *screen);

    QWidget *m_window;
    QSize m_designed;
    QScrollArea *m_area = nullptr;
    QSize m_room; // the free area less the frame, when the window last took its size from it
    QPointer<QScreen> m_screen;
    bool m_watchingWindow = false;
};
