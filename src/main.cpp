#include "link/serialportline.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStyleFactory>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("durvex-config"));
    QGuiApplication::setDesktopFileName(QStringLiteral("durvex-config")); // ties the window to its menu entry
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    MainWindow window(std::make_unique<SerialPortLine>());
    window.show();

    // For start-up measurements and install checks: report the time to the first shown
    // window, then quit.
    if (qEnvironmentVariableIsSet("DURVEX_EXIT_AFTER_SHOW")) {
        QTimer::singleShot(0, &window, [&] {
            std::fprintf(stderr, "shown after %lld ms\n", static_cast<long long>(sinceStart.elapsed()));
            window.close();
        });
    }
    return app.exec();
}
