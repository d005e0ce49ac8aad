#include "windowmain.h"

#include "link/portchoice.h"
#include "link/systemline.h"
#include "mainwindow.h"
#include "platform/displayguard.h"
#include "platform/exitcode.h"
#include "platform/termination.h"

#include <QApplication>
#include <QSettings>
#include <QStyleFactory>
#include <QTimer>

#include <cstdio>

int durvexWindowMain(const WindowStart &start, char *programName, const QElapsedTimer &sinceStart)
{
    // Qt would take its own options (-reverse, -platform ...) from anywhere in the arguments,
    // past "--" too: it gets the program's name alone, and its settings from its environment.
    int qtArgc = 1;
    char *qtArgv[] = {programName, nullptr};
    DisplayGuard::arm(ExitCode::NoDisplay);
    QApplication app(qtArgc, qtArgv);
    DisplayGuard::disarm();
    QGuiApplication::setDesktopFileName(QStringLiteral("durvex-config")); // ties the window to its menu entry
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    const std::unique_ptr<QSettings> settings = PortChoice::userSettings();
    MainWindow window(SystemLine::make(
                          PortChoice::forThisRun(start.port, start.environmentPort, settings.get()), start.trace),
                      settings.get());
    // Ctrl+C, SIGTERM and SIGHUP: a transfer ends at its current wait, the port closes, the
    // window closes, as when the user closes it.
    Termination termination;
    QObject::connect(&termination, &Termination::requested, &app, &QApplication::closeAllWindows);
    window.show();
    if (!start.file.isEmpty())
        QTimer::singleShot(0, &window, [&] { window.openFile(start.file); });

    // For start-up measurements and install checks: report the time to the first shown
    // window, then quit.
    if (qEnvironmentVariableIsSet("DURVEX_EXIT_AFTER_SHOW")) {
        QTimer::singleShot(0, &window, [&] {
            std::fprintf(stderr, "shown after %lld ms\n", static_cast<long long>(sinceStart.elapsed()));
            window.close();
        });
    }
    const int code = app.exec();
    return Termination::received() ? Termination::exitCode(Termination::received()) : code;
}
