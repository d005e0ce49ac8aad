#pragma once

#include <QIcon>
#include <QImage>
#include <QWidget>

class QPainter;

// The picture of the panel face, Image1: a dark grey plate with a darker bevelled edge and
// a thin white margin, drawn at the photograph's 575 x 1061 pixels and stretched to fill.
class PanelFace : public QWidget
{
    Q_OBJECT

public:
    explicit PanelFace(QWidget *parent = nullptr);

    static QImage plate();
    // The program's own icon: the panel face with its six switches and LEDs, drawn on a
    // square of iconSize units, so any painter (an image, a scalable picture) can draw it.
    static constexpr int iconSize = 40;
    static QImage icon(int size);
    static void drawIcon(QPainter &p);
    // The icon of the window, drawn when asked for at the size asked: the window opens
    // without drawing it, and with no window manager to show it, never does.
    static QIcon windowIcon();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    static void drawPlate(QPainter &p);
};
