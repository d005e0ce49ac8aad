#include "modalreturn.h"

#include <QApplication>

namespace {

bool canTakeFocus(const QWidget *control, const QWidget *window)
{
    return control && control->isVisibleTo(window) && control->isEnabled() && control->focusPolicy() != Qt::NoFocus;
}

} // namespace

ModalReturn::ModalReturn(QWidget *window, QWidget *fallback)
    : m_window(window)
    , m_focus(window->focusWidget())
    , m_fallback(fallback)
{
}

ModalReturn::~ModalReturn()
{
    if (!m_window || !m_window->isVisible())
        return;
    QWidget *control = canTakeFocus(m_focus, m_window) ? m_focus.data()
                       : canTakeFocus(m_fallback, m_window) ? m_fallback.data()
                                                             : nullptr;
    if (control)
        control->setFocus(Qt::ActiveWindowFocusReason);
    m_window->activateWindow();
    // The window system may already count the window as active and then sends no activation
    // (see above): Qt is told so itself, which gives the control its focus (and screen readers
    // the window's activation and the control's focus) now.
    if (QApplication::activeWindow() != m_window)
        QApplication::setActiveWindow(m_window);
}
