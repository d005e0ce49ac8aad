// Writes the program's icon, as the window draws it, at the usual hicolor sizes:
// iconwriter OUTPUT_DIR  ->  OUTPUT_DIR/SIZExSIZE/apps/durvex-config.png
#include "ui/panelface.h"

#include <QDir>
#include <QImage>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: iconwriter OUTPUT_DIR\n");
        return 2;
    }
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(folder) || !PanelFace::icon(size).save(folder + QStringLiteral("/durvex-config.png"))) {
            std::fprintf(stderr, "iconwriter: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
