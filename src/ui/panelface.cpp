#include "panelface.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

namespace {
const QColor plateColour(96, 94, 93);
const QColor bevelLight(74, 72, 71);
const QColor bevelDark(44, 43, 42);
} // namespace

namespace {
constexpr int plateWidth = 575, plateHeight = 1061;

class IconEngine : public QIconEngine
{
public:
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode, QIcon::State) override
    {
        const int side = qMin(rect.width(), rect.height());
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.x() + (rect.width() - side) / 2.0, rect.y() + (rect.height() - side) / 2.0);
        painter->scale(side / double(PanelFace::iconSize), side / double(PanelFace::iconSize));
        PanelFace::drawIcon(*painter);
        painter->restore();
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        paint(&p, image.rect(), QIcon::Normal, QIcon::Off);
        p.end();
        return QPixmap::fromImage(std::move(image));
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (int side : {16, 24, 32, 40, 48, 64})
            sizes << QSize(side, side);
        return sizes;
    }
    QIconEngine *clone() const override { return new IconEngine; }
};
} // namespace

PanelFace::PanelFace(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage PanelFace::plate()
{
    QImage image(plateWidth, plateHeight, QImage::Format_RGB888);
    QPainter p(&image);
    drawPlate(p);
    return image;
}

// Drawn at the picture's own size and scaled by the painter: no picture is kept, and the
// window starts sooner than it would drawing one first.
void PanelFace::drawPlate(QPainter &p)
{
    constexpr int width = plateWidth, height = plateHeight, margin = 4, bevel = 18;
    p.fillRect(QRect(0, 0, width, height), Qt::white);
    p.setPen(Qt::NoPen);
    const QRectF outer(margin, margin, width - 2 * margin, height - 2 * margin);
    const QRectF inner = outer.adjusted(bevel, bevel, -bevel, -bevel);

    // The bevel: upper and left faces catch a little light, lower and right faces are darker.
    QPainterPath upperLeft;
    upperLeft.moveTo(outer.bottomLeft());
    upperLeft.lineTo(outer.topLeft());
    upperLeft.lineTo(outer.topRight());
    upperLeft.lineTo(inner.topRight());
    upperLeft.lineTo(inner.topLeft());
    upperLeft.lineTo(inner.bottomLeft());
    upperLeft.closeSubpath();
    p.fillRect(outer, bevelDark);
    p.setBrush(bevelLight);
    p.drawPath(upperLeft);
    p.fillRect(inner, plateColour);
}

QImage PanelFace::icon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    IconEngine().paint(&p, image.rect(), QIcon::Normal, QIcon::Off);
    return image;
}

QIcon PanelFace::windowIcon()
{
    return QIcon(new IconEngine);
}

void PanelFace::drawIcon(QPainter &p)
{
    p.setPen(QPen(bevelDark, 2));
    p.setBrush(plateColour);
    p.drawRoundedRect(QRectF(7, 2, 26, 36), 3, 3);
    // Two columns of three switches, each with its indicator LED.
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 2; ++column) {
            const QRectF key(11 + column * 11, 6 + row * 11, 8, 8);
            p.setPen(QPen(QColor(30, 30, 30), 1));
            p.setBrush(QColor(200, 200, 196));
            p.drawRoundedRect(key, 1.5, 1.5);
            p.setPen(Qt::NoPen);
            p.setBrush(row == 0 ? QColor(0, 200, 0) : QColor(255, 170, 0));
            p.drawEllipse(QPointF(key.center().x(), key.top() + 2.2), 1.4, 1.4);
        }
    }
}

void PanelFace::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(width() / double(plateWidth), height() / double(plateHeight));
    drawPlate(p);
}
