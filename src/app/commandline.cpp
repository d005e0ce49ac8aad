#include "commandline.h"

#include <QCommandLineParser>

namespace {

struct Options
{
    QCommandLineParser parser;
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("Talk to the switch panel on serial port NAME (/dev/ttyUSB0, COM3, a "
                                           "virtual panel's terminal) for this run only."),
                            QStringLiteral("NAME")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the program's version and exit.")};

    Options()
    {
        parser.setApplicationDescription(
            QStringLiteral("Configuration tool for the DURVEX 4/6 button dimmable switch panel: binds the panel's\n"
                           "switches, indicator LEDs, backlight and dimming input to network channels, writes\n"
                           "and reads panels over a serial line, and saves configurations as .zcf files."));
        parser.addOption(port);
        parser.addOption(help);
        parser.addOption(version);
        parser.addPositionalArgument(QStringLiteral("FILE.zcf"), QStringLiteral("A configuration file to open."),
                                     QStringLiteral("[FILE.zcf]"));
    }
};

const char epilogue[] =
    "\n"
    "Environment:\n"
    "  DURVEX_PORT   the serial port, when --port is not given\n"
    "  DURVEX_TRACE  a file to append a trace of every byte on the line to\n"
    "\n"
    "The port is, in this order: --port, DURVEX_PORT, the port last chosen in the window's\n"
    "port box, the one USB serial adapter when exactly one is plugged in, the first serial\n"
    "port. The choice made in the port box is kept in durvex-config/durvex-config.ini in\n"
    "the user's configuration folder (~/.config on Linux).\n"
    "\n"
    "Serial ports: on Linux the user must be in the dialout group to use them.\n"
    "\n"
    "Exit status: 0 when the window was closed, 64 for a usage error.\n";

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    Options o;
    CommandLine line;
    if (!o.parser.parse(arguments)) {
        line.action = Action::UsageError;
        line.error = o.parser.errorText();
        return line;
    }
    if (o.parser.isSet(o.help)) {
        line.action = Action::Help;
        return line;
    }
    if (o.parser.isSet(o.version)) {
        line.action = Action::Version;
        return line;
    }
    const QStringList files = o.parser.positionalArguments();
    if (files.size() > 1) {
        line.action = Action::UsageError;
        line.error = QStringLiteral("Only one configuration file can be opened: %1").arg(files.join(QLatin1Char(' ')));
        return line;
    }
    line.port = o.parser.value(o.port);
    if (o.parser.isSet(o.port) && line.port.isEmpty()) {
        line.action = Action::UsageError;
        line.error = QStringLiteral("--port needs the name of a serial port");
        return line;
    }
    line.file = files.value(0);
    return line;
}

QString CommandLine::helpText()
{
    Options o;
    // Without an application object the parser cannot name the program itself.
    return o.parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("durvex-config"))
           + QString::fromLatin1(epilogue);
}

QString CommandLine::versionText()
{
    return QStringLiteral("durvex-config %1\n").arg(QStringLiteral(DURVEX_VERSION));
}
