// Writes the program's icon, as the window draws it, at the usual hicolor sizes and, where
// Qt can write SVG, as a scalable picture drawn by the same code:
// iconwriter OUTPUT_DIR  ->  OUTPUT_DIR/SIZExSIZE/apps/durvex-config.png
//                            OUTPUT_DIR/scalable/apps/durvex-config.svg
#include "ui/panelface.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#ifdef HAVE_QT_SVG
#include <QSvgGenerator>
#endif

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: iconwriter OUTPUT_DIR\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        if (!QDir().mkpath(folder) || !PanelFace::icon(size).save(folder + QStringLiteral("/durvex-config.png"))) {
            std::fprintf(stderr, "iconwriter: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
#ifdef HAVE_QT_SVG
    const QString folder = root + QStringLiteral("/scalable/apps");
    QDir().mkpath(folder);
    QSvgGenerator svg;
    svg.setFileName(folder + QStringLiteral("/durvex-config.svg"));
    svg.setSize(QSize(PanelFace::iconSize, PanelFace::iconSize));
    svg.setViewBox(QRect(0, 0, PanelFace::iconSize, PanelFace::iconSize));
    svg.setTitle(QStringLiteral("DURVEX Panel Configuration"));
    svg.setDescription(QStringLiteral("A switch panel face with six switches and their indicator LEDs"));
    QPainter p;
    if (!p.begin(&svg)) {
        std::fprintf(stderr, "iconwriter: cannot write %s\n", qPrintable(svg.fileName()));
        return 1;
    }
    p.setRenderHint(QPainter::Antialiasing);
    PanelFace::drawIcon(p);
    p.end();
#endif
    return 0;
}
