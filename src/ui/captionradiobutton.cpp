#include "captionradiobutton.h"

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
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = painter.boundingRect(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, caption)
                         .adjusted(-1, 0, 1, 0);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}
