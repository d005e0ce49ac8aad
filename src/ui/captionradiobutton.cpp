#include "captionradiobutton.h"

#include <QFocusEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

void CaptionRadioButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();

    QRect indicator = style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, this);
    indicator.moveTop((height() - indicator.height()) / 2);
    QStyleOptionButton indicatorOption = option;
    indicatorOption.rect = indicator;
    painter.drawPrimitive(QStyle::PE_IndicatorRadioButton, indicatorOption);

    const QRect textArea(indicator.right() + 5, 0, width() - indicator.right() - 5, height());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, caption);
    // The window's focus ring shows the focus; the style's dotted rectangle is too faint.
}

void CaptionRadioButton::focusInEvent(QFocusEvent *event)
{
    const bool byTab = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    if (byTab && autoExclusive() && !isChecked() && parentWidget()) {
        const auto group = parentWidget()->findChildren<QAbstractButton *>(Qt::FindDirectChildrenOnly);
        for (QAbstractButton *button : group)
            if (button != this && button->autoExclusive() && button->isChecked() && button->isVisibleTo(parentWidget())
                && button->isEnabled()) {
                button->setFocus(event->reason());
                return;
            }
    }
    QRadioButton::focusInEvent(event);
}
