#pragma once

#include <QPointer>
#include <QWidget>

// Brings the keyboard back to a window once a modal box or dialog it opened has closed, however
// it was closed (a button, Return, Escape, the window manager's close). Declared before the box,
// so that it acts once the box is gone: the focus goes back to the control that had it, or, if
// that control is gone, hidden or disabled by then, to the fallback (the command button that
// opened the box), and the window is made active again.
//
// Left to the window system, the activation may never come back: a box that closes while the
// window manager is already handing the focus back has Qt pass that focus on to the closing box,
// and no second one follows. Keys then reach no control, and a screen reader goes on following
// the box that is gone.
class ModalReturn
{
public:
    explicit ModalReturn(QWidget *window, QWidget *fallback = nullptr);
    ~ModalReturn();

    ModalReturn(const ModalReturn &) = delete;
    ModalReturn &operator=(const ModalReturn &) = delete;

private:
    QPointer<QWidget> m_window, m_focus, m_fallback;
};
