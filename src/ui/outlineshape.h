#pragma once

#include <QWidget>

// A line or a rectangle outline drawn over the panel face, transparent to the mouse.
// Created from form coordinates; the widget covers just the shape.
class OutlineShape : public QWidget
{
    Q_OBJECT

public:
    static OutlineShape *rectangle(const QRect &rect, const QColor &colour, QWidget *parent);
    static OutlineShape *line(const QPoint &from, const QPoint &to, const QColor &colour, QWidget *parent);

    // In form coordinates.
    QPoint from() const { return m_from + pos(); }
    QPoint to() const { return m_to + pos(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    OutlineShape(bool line, const QColor &colour, QWidget *parent);

    bool m_line;
    QColor m_colour;
    QPoint m_from, m_to;
};
