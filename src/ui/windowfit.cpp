#include "windowfit.h"

#include <QApplication>
#include <QFocusFrame>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QWindow>

namespace {
const QSize smallest(160, 120);
constexpr int focusMargin = 4; // what of the picture shows around a control scrolled into view
}

WindowFit::WindowFit(QWidget *window, QSize designed)
    : QObject(window)
    , m_window(window)
    , m_designed(designed)
{
    m_window->setFixedSize(m_designed);
    m_window->installEventFilter(this);
    // The whole control, not only its text cursor as QScrollArea::ensureWidgetVisible has it
    // for a box: the far corner first, so that a control larger than the view shows its start.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (!m_area || !now || !m_area->widget()->isAncestorOf(now))
            return;
        const QRect place(now->mapTo(m_area->widget(), QPoint(0, 0)), now->size());
        m_area->ensureVisible(place.right(), place.bottom(), focusMargin, focusMargin);
        m_area->ensureVisible(place.left(), place.top(), focusMargin, focusMargin);
    });
}

bool WindowFit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        switch (event->type()) {
        case QEvent::Show:
            // Before the window is mapped: it opens at the size it keeps.
            if (!m_watchingWindow && m_window->windowHandle()) {
                m_watchingWindow = true;
                connect(m_window->windowHandle(), &QWindow::screenChanged, this, &WindowFit::watchScreen);
            }
            watchScreen(m_window->screen());
            break;
        case QEvent::Move:
            fit(); // the window manager's frame is known once the window is placed
            break;
        case QEvent::Resize:
            if (m_area)
                m_area->setGeometry(m_window->rect());
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void WindowFit::watchScreen(QScreen *screen)
{
    if (screen != m_screen) {
        if (m_screen)
            disconnect(m_screen, nullptr, this, nullptr);
        m_screen = screen;
        if (m_screen)
            connect(m_screen, &QScreen::availableGeometryChanged, this, &WindowFit::fit);
    }
    fit();
}

void WindowFit::fit()
{
    if (!m_screen || !m_window->isVisible())
        return;
    const QRect freeArea = m_screen->availableGeometry();
    const QSize frame = m_window->frameGeometry().size() - m_window->size(); // none before the window manager's
    const QSize room = freeArea.size() - frame;
    if (!m_area) {
        if (room.width() >= m_designed.width() && room.height() >= m_designed.height())
            return; // fits: nothing changes
        enterScrolling();
    } else if (room == m_room) {
        return; // the size the user gave the window stands while the room stays as it was
    }
    m_room = room;

    // As large as the room allows, up to the designed size and the scroll bars it then needs.
    const int bar = m_area->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_area->verticalScrollBar());
    bool vertical = m_designed.height() > room.height();
    const bool horizontal = m_designed.width() + (vertical ? bar : 0) > room.width();
    vertical = vertical || m_designed.height() + (horizontal ? bar : 0) > room.height();
    const QSize wanted(m_designed.width() + (vertical ? bar : 0), m_designed.height() + (horizontal ? bar : 0));
    m_window->setMinimumSize(smallest);
    m_window->setMaximumSize(m_designed + QSize(bar, bar));
    const QSize size = wanted.boundedTo(room).expandedTo(smallest);
    if (m_window->size() == size)
        return;
    m_window->resize(size);

    // Where the resized window still sticks out of the free area, it moves in, title bar first.
    const QRect outer = m_window->frameGeometry();
    QPoint corner = outer.topLeft();
    corner.setX(qMax(freeArea.left(), qMin(corner.x(), freeArea.right() + 1 - outer.width())));
    corner.setY(qMax(freeArea.top(), qMin(corner.y(), freeArea.bottom() + 1 - outer.height())));
    if (corner != outer.topLeft())
        m_window->move(corner);
}

void WindowFit::enterScrolling()
{
    m_area = new QScrollArea(m_window);
    m_area->setFrameShape(QFrame::NoFrame);
    m_area->setFocusPolicy(Qt::NoFocus); // the controls take the focus, and scroll themselves into view
    auto *canvas = new QWidget;
    canvas->setFixedSize(m_designed);
    canvas->setAutoFillBackground(true);

    QWidget *focus = m_window->focusWidget();
    const QObjectList children = m_window->children();
    for (QObject *child : children) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (!widget || widget == m_area || widget->isWindow() || qobject_cast<QFocusFrame *>(widget))
            continue;
        const bool hidden = widget->isHidden();
        widget->setParent(canvas); // keeps the stacking and the tab order, hides it
        widget->setVisible(!hidden);
    }
    m_area->setWidget(canvas);
    m_area->setGeometry(m_window->rect());
    m_area->show();
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
    emit scrolling();
}
