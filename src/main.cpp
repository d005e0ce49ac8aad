#include "cli/argumenttext.h"
#include "cli/commandline.h"
#include "cli/commandrunner.h"
#include "link/portchoice.h"
#include "platform/exitcode.h"
#include "platform/programfolder.h"
#include "platform/regularfile.h"
#include "platform/standardstreams.h"
#include "ui/windowmain.h"
#include "version.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLibrary>
#include <QFileInfo>
#include <QSettings>

#include <cstdio>

namespace {

// A usage error, on one line whatever the names in it hold.
int usageError(const QString &text)
{
    std::fprintf(stderr, "durvex-config: %s (see --help)\n", qPrintable(ArgumentText::shown(text)));
    return ExitCode::UsageError;
}

// The help and the version are what the run is for: one that cannot be written fails as
// any result that cannot be written does.
int printed(const QString &text)
{
    QString reason;
    if (StandardStreams::write(stdout, text.toUtf8(), &reason))
        return ExitCode::Done;
    std::fprintf(stderr, "durvex-config: the result could not be written to standard output: %s\n",
                 qPrintable(reason));
    return ExitCode::FileFailed;
}

// An environment variable byte for byte, as the arguments are kept.
QString setting(const char *name)
{
#ifdef Q_OS_UNIX
    return ArgumentText::decode(qgetenv(name));
#else
    return qEnvironmentVariable(name);
#endif
}

} // namespace

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
        return printed(CommandLine::helpText(commandLine.command));
    case CommandLine::Action::Version:
        return printed(CommandLine::versionText());
    case CommandLine::Action::UsageError:
        return usageError(commandLine.error);
    case CommandLine::Action::Run:
        break;
    }
    // The environment's settings, read once, beside the arguments that override them. One
    // that the run takes must name a file or port as given, as an argument must.
    using Command = CommandLine::Command;
    QList<ArgumentText::Path> taken;
    // Neither a port nor a trace is any concern of the commands that only read files.
    const bool filesOnly = commandLine.command == Command::Check || commandLine.command == Command::Diff;
    if (!filesOnly) {
        commandLine.environmentPort = setting("DURVEX_PORT");
        if (commandLine.ports.isEmpty())
            taken.append({QStringLiteral("DURVEX_PORT"), commandLine.environmentPort});
    }
    if (commandLine.trace.isEmpty() && !filesOnly && commandLine.command != Command::Ports) {
        commandLine.trace = setting("DURVEX_TRACE");
        taken.append({QStringLiteral("DURVEX_TRACE"), commandLine.trace});
    }
    if (const QString refused = ArgumentText::refusal(taken); !refused.isEmpty())
        return usageError(refused);

    if (commandLine.command != CommandLine::Command::Window) {
        // Qt would take its own options (-reverse, -platform ...) from anywhere in the
        // arguments, past "--" too: it gets the program's name alone.
        int qtArgc = 1;
        char *qtArgv[] = {argv[0], nullptr};
        QCoreApplication app(qtArgc, qtArgv); // no display: the commands run the form without a window
        const std::unique_ptr<QSettings> settings = PortChoice::userSettings();
        CommandRunner runner(commandLine, settings.get());
        return runner.run();
    }

    // A file named for the window that is not there ends here, before any window.
    if (!commandLine.file.isEmpty() && !QFileInfo::exists(commandLine.file)) {
        std::fprintf(stderr, "durvex-config: %s: %s\n", qPrintable(commandLine.file),
                     qPrintable(RegularFile::readProblem(commandLine.file).value_or(QString())));
        return ExitCode::FileFailed;
    }

    // The window comes from its own module, found beside the program or where it is installed.
    const QString programFolder = ProgramFolder::path(argv[0]);
    const WindowStart start{commandLine.port, commandLine.environmentPort, commandLine.trace, commandLine.file};
    QString failures;
    for (const QString &folder : {programFolder, programFolder + QStringLiteral("/" DURVEX_WINDOW_MODULE_FROM_BINDIR)}) {
        QLibrary module(folder + QLatin1Char('/') + QLatin1String(windowModuleName));
        if (const auto windowMain = reinterpret_cast<WindowMain>(module.resolve(windowEntryPoint)))
            return windowMain(start, argv[0], sinceStart);
        failures += QStringLiteral("\n  ") + module.errorString();
    }
    std::fprintf(stderr, "durvex-config: the window could not be loaded:%s\n", qPrintable(failures));
    return ExitCode::NoDisplay;
}
