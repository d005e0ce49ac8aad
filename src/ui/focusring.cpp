#include "focusring.h"

#include <QApplication>
#include <QFrame>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>

namespace {

// Lays the ring exactly over its control (no margins), above it, and masks it to the ring.
class RingStyle : public QProxyStyle
{
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        if (metric == PM_FocusFrameHMargin || metric == PM_FocusFrameVMargin)
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_FocusFrame_AboveWidget)
            return 1;
        if (hint == SH_FocusFrame_Mask) {
            const auto *ring = qobject_cast<const FocusRing *>(widget);
            auto *mask = qstyleoption_cast<QStyleHintReturnMask *>(returnData);
            if (!ring || !ring->widget() || !mask)
                return 0;
            mask->region = FocusRing::region(ring->widget());
            return 1;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QStyle *ringStyle()
{
    static QStyle *style = [] {
        auto *s = new RingStyle;
        s->setParent(qApp); // lives as long as the widgets that use it
        return s;
    }();
    return style;
}

void fillBand(QPainter &painter, const QRect &outer, int width, const QColor &colour)
{
    painter.fillRect(QRect(outer.left(), outer.top(), outer.width(), width), colour);
    painter.fillRect(QRect(outer.left(), outer.bottom() - width + 1, outer.width(), width), colour);
    painter.fillRect(QRect(outer.left(), outer.top(), width, outer.height()), colour);
    painter.fillRect(QRect(outer.right() - width + 1, outer.top(), width, outer.height()), colour);
}

} // namespace

FocusRing::FocusRing(QWidget *window)
    : QFocusFrame(window)
{
    setStyle(ringStyle());
    connect(qApp, &QApplication::focusChanged, this, [this, window](QWidget *, QWidget *now) {
        setWidget(now && window->isAncestorOf(now) ? now : nullptr);
    });
}

QRect FocusRing::outerRect(const QWidget *control)
{
    int inset = 0;
    if (const auto *frame = qobject_cast<const QFrame *>(control);
        frame && frame->frameShape() == QFrame::Box && frame->frameShadow() == QFrame::Plain)
        inset = frame->frameWidth();
    return control->rect().adjusted(inset, inset, -inset, -inset);
}

QRegion FocusRing::region(const QWidget *control)
{
    const QRect outer = outerRect(control);
    const int width = darkWidth + lightWidth;
    return QRegion(outer).subtracted(QRegion(outer.adjusted(width, width, -width, -width)));
}

void FocusRing::paintEvent(QPaintEvent *)
{
    if (!widget())
        return;
    QPainter painter(this);
    const QRect outer = outerRect(widget());
    fillBand(painter, outer, darkWidth, Qt::black);
    fillBand(painter, outer.adjusted(darkWidth, darkWidth, -darkWidth, -darkWidth), lightWidth, Qt::white);
}
