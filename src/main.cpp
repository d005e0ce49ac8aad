#include "cli/argumenttext.h"
#include "cli/commandline.h"
#include "cli/commandrunner.h"
#include "link/portchoice.h"
#include "link/serialportline.h"
#include "platform/displayguard.h"
#include "platform/regularfile.h"
#include "platform/standardstreams.h"
#include "platform/termination.h"
#include "ui/mainwindow.h"
#include "version.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSettings>
#include <QStyleFactory>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    StandardStreams::guard(); // before anything else opens a file
    QElapsedTimer sinceStart;
    sinceStart.start();

    // Read before the application object: --help, --version and usage errors need no display.
    const QStringList arguments = ArgumentText::decode(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("durvex-config"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DURVEX_VERSION));
    CommandLine commandLine = CommandLine::parse(arguments);
    switch (commandLine.action) {
    case CommandLine::Action::Help:
        std::fputs(qPrintable(CommandLine::helpText(commandLine.command)), stdout);
        return 0;
    case CommandLine::Action::Version:
        std::fputs(qPrintable(CommandLine::versionText()), stdout);
        return 0;
    case CommandLine::Action::UsageError:
        std::fprintf(stderr, "durvex-config: %s (see --help)\n", qPrintable(commandLine.error));
        return CommandLine::UsageError;
    case CommandLine::Action::Run:
        break;
    }
    // The environment's settings, read once, beside the arguments that override them.
    commandLine.environmentPort = qEnvironmentVariable("DURVEX_PORT");
    if (commandLine.trace.isEmpty())
        commandLine.trace = qEnvironmentVariable("DURVEX_TRACE");

    // Qt would take its own options (-reverse, -platform ...) from anywhere in the arguments,
    // past "--" too: it gets the program's name alone, and its settings from its environment.
    int qtArgc = 1;
    char *qtArgv[] = {argv[0], nullptr};

    if (commandLine.command != CommandLine::Command::Window) {
        QCoreApplication app(qtArgc, qtArgv); // no display: the commands run the form without a window
        const std::unique_ptr<QSettings> settings = PortChoice::userSettings();
        CommandRunner runner(commandLine, settings.get());
        return runner.run();
    }

    // A file named for the window that is not there ends here, before any window.
    if (!commandLine.file.isEmpty() && !QFileInfo::exists(commandLine.file)) {
        std::fprintf(stderr, "durvex-config: %s: %s\n", qPrintable(commandLine.file),
                     qPrintable(RegularFile::readProblem(commandLine.file).value_or(QString())));
        return CommandLine::FileFailed;
    }

    DisplayGuard::arm(CommandLine::NoDisplay);
    QApplication app(qtArgc, qtArgv);
    DisplayGuard::disarm();
    QGuiApplication::setDesktopFileName(QStringLiteral("durvex-config")); // ties the window to its menu entry
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    const std::unique_ptr<QSettings> settings = PortChoice::userSettings();
    MainWindow window(std::make_unique<SerialPortLine>(
                          PortChoice::forThisRun(commandLine.port, commandLine.environmentPort, settings.get()),
                          commandLine.trace),
                      settings.get());
    // Ctrl+C, SIGTERM and SIGHUP: a transfer ends at its current wait, the port closes, the
    // window closes, as when the user closes it.
    Termination termination;
    QObject::connect(&termination, &Termination::requested, &app, &QApplication::closeAllWindows);
    window.show();
    if (!commandLine.file.isEmpty())
        QTimer::singleShot(0, &window, [&] { window.openFile(commandLine.file); });

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
