#include "captionbutton.h"

#include <QKeyEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

void CaptionButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    QRect area = rect().adjusted(6, 3, -6, -3);
    if (isDown())
        area.translate(1, 1);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, caption);
}

void CaptionButton::keyPressEvent(QKeyEvent *event)
{
    // A push button outside a dialog ignores Enter unless it is a default button, which
    // would change its look.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
        event->accept();
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}
