#include "commandline.h"

#include "argumenttext.h"
#include "version.h"
#include "files/configrecord.h"

#include <QCommandLineParser>

namespace {

struct Options
{
    QCommandLineParser parser;
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("Talk to the switch panel on serial port NAME (/dev/ttyUSB0, COM3, a "
                                           "virtual panel's terminal) for this run only."),
                            QStringLiteral("NAME")};
    QCommandLineOption trace{QStringLiteral("trace"),
                             QStringLiteral("Append a trace of every byte on the line to FILE, as DURVEX_TRACE does."),
                             QStringLiteral("FILE")};
    QCommandLineOption series{QStringLiteral("series"),
                              QStringLiteral("write: program one panel after another, each after Enter, until the "
                                             "end of input.")};
    QCommandLineOption name{QStringLiteral("name"),
                            QStringLiteral("read: the panel name to save with what was read (at most 12 characters)."),
                            QStringLiteral("NAME")};
    QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("read: the file to save to (default: NAME.zcf in the current folder)."),
                              QStringLiteral("FILE")};
    QCommandLineOption force{QStringLiteral("force"), QStringLiteral("read: replace an existing file.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the program's version and exit.")};

    Options()
    {
        parser.setApplicationDescription(
            QStringLiteral("Configuration tool for the DURVEX 4/6 button dimmable switch panel: binds the panel's\n"
                           "switches, indicator LEDs, backlight and dimming input to network channels, writes\n"
                           "and reads panels over a serial line, and saves configurations as .zcf files.\n"
                           "Without a command it opens its window, and the file given, if any."));
        for (const QCommandLineOption *option : {&port, &trace, &series, &name, &output, &force, &help, &version})
            parser.addOption(*option);
        parser.addPositionalArgument(QStringLiteral("COMMAND"), QStringLiteral("write, read or verify (see below)."),
                                     QStringLiteral("[COMMAND]"));
        parser.addPositionalArgument(QStringLiteral("FILE.zcf"), QStringLiteral("A configuration file."),
                                     QStringLiteral("[FILE.zcf]"));
    }
};

const char epilogue[] =
    "\n"
    "Commands (no display needed):\n"
    "  write FILE [--series]            open FILE as the window opens a file, then write the\n"
    "                                   panel; --series programs one panel after another\n"
    "  read --name NAME [-o FILE] [--force]\n"
    "                                   read the panel and save it, with NAME as its panel\n"
    "                                   name; an existing file is kept unless --force\n"
    "  verify FILE                      read the panel and compare its 17 configuration\n"
    "                                   bytes with what a write of FILE would send\n"
    "\n"
    "Environment:\n"
    "  DURVEX_PORT   the serial port, when --port is not given\n"
    "  DURVEX_TRACE  a file to append a trace of every byte on the line to\n"
    "\n"
    "Files:\n"
    "  ~/.config/durvex-config/durvex-config.ini\n"
    "                the port last chosen in the window's port box (on Linux; elsewhere\n"
    "                the user's configuration folder holds it)\n"
    "\n"
    "Serial ports:\n"
    "  The port is, in this order: --port, DURVEX_PORT, the port last chosen in the\n"
    "  window's port box, the one USB serial adapter when exactly one is plugged in, the\n"
    "  first serial port (/dev/ttyS0, COM1). On Linux the user must be in the dialout\n"
    "  group to open serial ports: sudo usermod -aG dialout $USER, then log in again.\n"
    "\n"
    "Exit status:\n"
    "  0    done: programmed; read and saved; the panel matches; the window was closed\n"
    "  1    the panel could not be reached or the transfer failed\n"
    "  2    the panel is not a supported model\n"
    "  3    verify found differences\n"
    "  4    the file was refused, could not be read, or could not be saved; or the\n"
    "       result could not be written to standard output\n"
    "  64   usage error\n"
    "  69   no display to show the window on (the commands need none)\n"
    "  129  hung up (SIGHUP)\n"
    "  130  interrupted (Ctrl+C)\n"
    "  143  terminated (SIGTERM)\n";

CommandLine usageError(const QString &text)
{
    CommandLine line;
    line.action = CommandLine::Action::UsageError;
    line.error = text;
    return line;
}

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    Options o;
    CommandLine line;
    if (!o.parser.parse(arguments))
        return usageError(o.parser.errorText());
    if (o.parser.isSet(o.help)) {
        line.action = Action::Help;
        return line;
    }
    if (o.parser.isSet(o.version)) {
        line.action = Action::Version;
        return line;
    }
    QStringList positional = o.parser.positionalArguments();
    const QString first = positional.value(0);
    if (first == QLatin1String("write") || first == QLatin1String("read") || first == QLatin1String("verify")) {
        line.command = first == QLatin1String("write") ? Command::Write
                     : first == QLatin1String("read")  ? Command::Read
                                                       : Command::Verify;
        positional.removeFirst();
    }
    line.port = o.parser.value(o.port);
    line.trace = o.parser.value(o.trace);
    line.series = o.parser.isSet(o.series);
    line.name = o.parser.value(o.name);
    line.output = o.parser.value(o.output);
    line.force = o.parser.isSet(o.force);
    for (const QCommandLineOption *option : {&o.port, &o.trace, &o.name, &o.output})
        if (o.parser.isSet(*option) && o.parser.value(*option).isEmpty())
            return usageError(QStringLiteral("--%1 needs a value").arg(option->names().constLast()));

    const bool readOptions = o.parser.isSet(o.name) || o.parser.isSet(o.output) || line.force;
    switch (line.command) {
    case Command::Window:
    case Command::Write:
    case Command::Verify:
        if (positional.size() > 1)
            return usageError(QStringLiteral("Only one configuration file can be given: %1").arg(positional.join(QLatin1Char(' '))));
        if (line.command != Command::Window && positional.isEmpty())
            return usageError(QStringLiteral("%1 needs a configuration file").arg(first));
        if (readOptions)
            return usageError(QStringLiteral("--name, --output and --force belong to the read command"));
        if (line.series && line.command != Command::Write)
            return usageError(QStringLiteral("--series belongs to the write command"));
        line.file = positional.value(0);
        break;
    case Command::Read:
        if (!positional.isEmpty())
            return usageError(QStringLiteral("read takes no file; save to one with -o FILE"));
        if (line.series)
            return usageError(QStringLiteral("--series belongs to the write command"));
        if (line.name.isEmpty())
            return usageError(QStringLiteral("read needs --name NAME, the panel name to save"));
        // Refused as the panel name box refuses it.
        if (line.name.size() > ConfigRecord::panelNameLimit || !ConfigRecord::acceptable(line.name))
            return usageError(QStringLiteral("the panel name box would refuse \"%1\": at most %2 characters, "
                                             "no double quote or control character")
                                  .arg(ArgumentText::shown(line.name), QString::number(ConfigRecord::panelNameLimit)));
        break;
    }
    // Before anything is opened: a name the system would not get back as given.
    const QString unencodable = ArgumentText::refusal({{QStringLiteral("the file"), line.file},
                                                       {QStringLiteral("-o"), line.output},
                                                       {QStringLiteral("--port"), line.port},
                                                       {QStringLiteral("--trace"), line.trace}});
    if (!unencodable.isEmpty())
        return usageError(unencodable);
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
