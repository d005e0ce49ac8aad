#include "captionradiobutton.h"

#include <QFocusEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

CaptionRadioButton::CaptionRadioButton(const QString &text, QWidget *parent)
    : QRadioButton(text, parent)
{
    connect(this, &QAbstractButton::toggled, this, [this](bool checked) {
        if (checked)
            followSelection();
    });
}

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
    QRadioButton::focusInEvent(event); // gives this button the group's Tab stop
    followSelection();
}

void CaptionRadioButton::followSelection()
{
    if (!autoExclusive() || !parentWidget())
        return;
    for (auto *button : parentWidget()->findChildren<CaptionRadioButton *>(Qt::FindDirectChildrenOnly))
        if (button->autoExclusive()) {
            const Qt::FocusPolicy policy = button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus;
            if (button->focusPolicy() != policy)
                button->setFocusPolicy(policy);
        }
}
