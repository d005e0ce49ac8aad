#include "captionradiobutton.h"

#include <QFocusEvent>
#include <QKeyEvent>
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

// The selection is set before the group's later buttons exist: each button takes its stop when
// it is first polished.
bool CaptionRadioButton::event(QEvent *event)
{
    if (event->type() == QEvent::Polish)
        followSelection();
    return QRadioButton::event(event);
}

// Qt moves by the buttons' places on the screen, so Down on the lowest does nothing.
void CaptionRadioButton::keyPressEvent(QKeyEvent *event)
{
    const QList<CaptionRadioButton *> buttons = group();
    const int step = event->key() == Qt::Key_Down || event->key() == Qt::Key_Right ? 1
        : event->key() == Qt::Key_Up || event->key() == Qt::Key_Left           ? -1
                                                                                : 0;
    if (step == 0 || buttons.size() < 2 || event->modifiers() != Qt::NoModifier) {
        QRadioButton::keyPressEvent(event);
        return;
    }
    const qsizetype here = buttons.indexOf(this);
    for (qsizetype n = 1; n < buttons.size(); ++n) {
        CaptionRadioButton *next = buttons[(here + step * n + buttons.size()) % buttons.size()];
        if (next->isEnabled() && next->isVisible()) {
            next->setFocus(Qt::TabFocusReason);
            next->click();
            break;
        }
    }
}

void CaptionRadioButton::focusInEvent(QFocusEvent *event)
{
    QRadioButton::focusInEvent(event); // gives this button the group's Tab stop
    followSelection();
}

void CaptionRadioButton::followSelection()
{
    for (auto *button : group()) {
        const Qt::FocusPolicy policy = button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus;
        if (button->focusPolicy() != policy)
            button->setFocusPolicy(policy);
    }
}

QList<CaptionRadioButton *> CaptionRadioButton::group() const
{
    QList<CaptionRadioButton *> buttons;
    if (autoExclusive() && parentWidget())
        for (auto *button : parentWidget()->findChildren<CaptionRadioButton *>(Qt::FindDirectChildrenOnly))
            if (button->autoExclusive())
                buttons << button;
    return buttons;
}
