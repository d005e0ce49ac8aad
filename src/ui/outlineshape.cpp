#include "outlineshape.h"

#include <QPainter>

OutlineShape::OutlineShape(bool line, const QColor &colour, QWidget *parent)
    : QWidget(parent)
    , m_line(line)
    , m_colour(colour)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

OutlineShape *OutlineShape::rectangle(const QRect &rect, const QColor &colour, QWidget *parent)
{
    auto *shape = new OutlineShape(false, colour, parent);
    shape->setGeometry(rect);
    return shape;
}

OutlineShape *OutlineShape::line(const QPoint &from, const QPoint &to, const QColor &colour, QWidget *parent)
{
    auto *shape = new OutlineShape(true, colour, parent);
    const QRect box = QRect(from, to).normalized();
    shape->setGeometry(box.x(), box.y(), box.width(), box.height());
    shape->m_from = from - box.topLeft();
    shape->m_to = to - box.topLeft();
    return shape;
}

void OutlineShape::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(QPen(m_colour, 1));
    if (m_line)
        p.drawLine(m_from, m_to);
    else
        p.drawRect(rect().adjusted(0, 0, -1, -1));
}
