#include "commandline.h"

#include "argumenttext.h"
#include "reportcommand.h"
#include "version.h"
#include "files/configrecord.h"
#include "link/portchoice.h"
#include "platform/exitcode.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

using Command = CommandLine::Command;

namespace {

// A description beside its lead, wrapped under itself within 79 columns. In a synopsis an
// option keeps its value on its row ("--panel-id ID]").
QString wrapped(const QString &lead, const QString &description, bool synopsis = false)
{
    const QString indent(lead.size(), QLatin1Char(' '));
    QStringList words;
    for (const QString &word : description.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (synopsis && !words.isEmpty() && !word.startsWith(QLatin1Char('[')) && !word.startsWith(QLatin1Char('-'))
            && words.last().contains(QLatin1String("-")))
            words.last() += QLatin1Char(' ') + word;
        else
            words << word;
    }
    QString text, row = lead;
    bool rowEmpty = true;
    for (const QString &word : std::as_const(words)) {
        if (!rowEmpty && row.size() + 1 + word.size() > 79) {
            text += row + QLatin1Char('\n');
            row = indent;
            rowEmpty = true;
        }
        if (!rowEmpty)
            row += QLatin1Char(' ');
        row += word;
        rowEmpty = false;
    }
    return text + row + QLatin1Char('\n');
}

const QList<Command> transfers = {Command::Write, Command::Read, Command::Verify};
const QList<Command> fileCommands = {Command::Write, Command::Read, Command::Verify, Command::Check};
const QList<Command> reports = {Command::Write, Command::Read, Command::Verify, Command::Check, Command::Ports,
                               Command::Diff, Command::Report};

struct Options
{
    QCommandLineParser parser;
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("Talk to the switch panel on serial port NAME (/dev/ttyUSB0, COM3, a "
                                           "virtual panel's terminal) for this run only. write and verify take it "
                                           "several times: one panel on each port, all at once. LABEL=NAME names "
                                           "the position (no spaces or =); else it is named by NAME."),
                            QStringLiteral("[LABEL=]NAME")};
    QCommandLineOption trace{QStringLiteral("trace"),
                             QStringLiteral("Append a trace of every byte on the line to FILE, as DURVEX_TRACE does; "
                                            "with several ports each line names its port."),
                             QStringLiteral("FILE")};
    QCommandLineOption series{QStringLiteral("series"),
                              QStringLiteral("write: program one panel after another on each port, each after "
                                             "Enter, until the end of input. Text typed or scanned before Enter is "
                                             "recorded as the next panel's id.")};
    QCommandLineOption waitForPanel{QStringLiteral("wait-for-panel"),
                                    QStringLiteral("write --series: hands-free; each port waits until a panel "
                                                   "answers, programs it, and waits until it has gone before the next.")};
    QCommandLineOption skipMatching{QStringLiteral("skip-matching"),
                                    QStringLiteral("write: read each panel first; one that already holds what the "
                                                   "write sends is not written (outcome unchanged, exit 0).")};
    QCommandLineOption backup{QStringLiteral("backup"),
                              QStringLiteral("write: before writing each panel, read all it holds and save it to a "
                                             "new file in DIR (panel name BACKUP); a backup that cannot be saved "
                                             "stops that panel before any byte is sent. DIR must be a folder that "
                                             "can be written (else exit 4, nothing touched)."),
                              QStringLiteral("DIR")};
    QCommandLineOption count{QStringLiteral("count"),
                             QStringLiteral("write --series: stop after N panels programmed on each port."),
                             QStringLiteral("N")};
    QCommandLineOption panelId{QStringLiteral("panel-id"),
                               QStringLiteral("write, read, verify: record ID as the panel's id in the JSON output "
                                              "and the log (in a series, for the first panel). With several ports, "
                                              "LABEL=ID once per position."),
                               QStringLiteral("[LABEL=]ID")};
    QCommandLineOption scanWindow{QStringLiteral("scan-window"),
                                  QStringLiteral("write --wait-for-panel: a scan at most MS milliseconds after a "
                                                 "panel arrived is that panel's id (default 1000); a later one is the "
                                                 "next panel's."),
                                  QStringLiteral("MS")};
    QCommandLineOption idTimeout{QStringLiteral("id-timeout"),
                                 QStringLiteral("write --wait-for-panel: an id scanned for the next panel expires "
                                                "SECONDS after its position became free (default 60)."),
                                 QStringLiteral("SECONDS")};
    QCommandLineOption requireId{QStringLiteral("require-id"),
                                 QStringLiteral("write --wait-for-panel: a panel is programmed only once its id has "
                                                "been scanned.")};
    QCommandLineOption refuseDuplicates{QStringLiteral("refuse-duplicates"),
                                        QStringLiteral("write --wait-for-panel: refuse a scanned id that has already "
                                                       "passed in this run (else it is flagged DUPLICATE).")};
    QCommandLineOption idPattern{QStringLiteral("id-pattern"),
                                 QStringLiteral("write --wait-for-panel: refuse a scanned id that REGEX does not "
                                                "match whole."),
                                 QStringLiteral("REGEX")};
    QCommandLineOption json{QStringLiteral("json"),
                            QStringLiteral("Standard output carries one JSON object per panel attempt (per port for "
                                           "ports), one per line, and nothing else; for report one object of its "
                                           "figures.")};
    QCommandLineOption events{QStringLiteral("events"),
                              QStringLiteral("write, verify: standard output carries one JSON object per event of "
                                             "each position (waiting, present, programming, attempt, removed ...), "
                                             "one per line, the run first, the summary last, and nothing else.")};
    QCommandLineOption log{QStringLiteral("log"),
                           QStringLiteral("Append one JSON line per panel attempt to FILE, with the time, host, user "
                                          "and the SHA-256 of the configuration file."),
                           QStringLiteral("FILE")};
    QCommandLineOption station{QStringLiteral("station"),
                               QStringLiteral("The station's name for the records (as DURVEX_STATION): printable "
                                              "text, at most 64 characters. report: only the records of this "
                                              "station."),
                               QStringLiteral("NAME")};
    QCommandLineOption operatorName{QStringLiteral("operator"),
                                    QStringLiteral("The operator's name for the records (as DURVEX_OPERATOR); a "
                                                   "series on a terminal asks for it when neither is given."),
                                    QStringLiteral("NAME")};
    QCommandLineOption workOrder{QStringLiteral("work-order"),
                                 QStringLiteral("The work order for the records (as DURVEX_WORK_ORDER). report: "
                                                "only the records of this work order."),
                                 QStringLiteral("TEXT")};
    QCommandLineOption expectSha256{QStringLiteral("expect-sha256"),
                                    QStringLiteral("Refuse to start (exit 4, nothing touched) unless the file's "
                                                   "SHA-256 is HEX: the revision released for the line."),
                                    QStringLiteral("HEX")};
    QCommandLineOption stopAfterFailures{QStringLiteral("stop-after-failures"),
                                         QStringLiteral("write --series: a position with N rejects in a row stops "
                                                        "(CHECK FIXTURE); the others go on."),
                                         QStringLiteral("N")};
    QCommandLineOption quiet{{QStringLiteral("q"), QStringLiteral("quiet")},
                             QStringLiteral("Print only failures on standard error.")};
    QCommandLineOption name{QStringLiteral("name"),
                            QStringLiteral("read: the panel name to save with what was read (at most 12 characters)."),
                            QStringLiteral("NAME")};
    QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("read: the file to save to (default: NAME.zcf in the current folder); "
                                             "- for standard output."),
                              QStringLiteral("FILE")};
    QCommandLineOption force{QStringLiteral("force"), QStringLiteral("read: replace an existing file.")};
    QCommandLineOption run{QStringLiteral("run"),
                           QStringLiteral("report: only the run of this id (or the beginning of it)."),
                           QStringLiteral("ID")};
    QCommandLineOption since{QStringLiteral("since"),
                             QStringLiteral("report: only what happened from TIME on (ISO 8601, 2026-12-11T06:00; "
                                            "UTC when no zone is given)."),
                             QStringLiteral("TIME")};
    QCommandLineOption until{QStringLiteral("until"),
                             QStringLiteral("report: only what happened before TIME (as --since)."),
                             QStringLiteral("TIME")};
    QCommandLineOption unitId{QStringLiteral("id"),
                              QStringLiteral("report: the whole history of the unit of this panel id instead: every "
                                             "id record, seating and attempt, in every run."),
                              QStringLiteral("ID")};
    QCommandLineOption csv{QStringLiteral("csv"),
                           QStringLiteral("report: standard output carries the figures as CSV, one row per position "
                                          "per run, then the run's TOTAL row.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help, or after a command that command's, and exit.")};
    QCommandLineOption version{{QStringLiteral("V"), QStringLiteral("version")},
                               QStringLiteral("Show the program's version and exit.")};

    // Which commands each option belongs to; the window is Command::Window.
    const QList<std::pair<const QCommandLineOption *, QList<Command>>> owners = {
        {&port, {Command::Window, Command::Write, Command::Read, Command::Verify}},
        {&trace, {Command::Window, Command::Write, Command::Read, Command::Verify}},
        {&series, {Command::Write}},
        {&waitForPanel, {Command::Write}},
        {&count, {Command::Write}},
        {&skipMatching, {Command::Write}},
        {&backup, {Command::Write}},
        {&panelId, transfers},
        {&scanWindow, {Command::Write}},
        {&idTimeout, {Command::Write}},
        {&requireId, {Command::Write}},
        {&refuseDuplicates, {Command::Write}},
        {&idPattern, {Command::Write}},
        {&json, reports},
        {&events, {Command::Write, Command::Verify}},
        {&log, fileCommands},
        {&station, fileCommands + QList{Command::Report}},
        {&operatorName, fileCommands},
        {&workOrder, fileCommands + QList{Command::Report}},
        {&expectSha256, {Command::Write, Command::Verify, Command::Check}},
        {&stopAfterFailures, {Command::Write}},
        {&quiet, fileCommands},
        {&name, {Command::Read}},
        {&output, {Command::Read}},
        {&force, {Command::Read}},
        {&run, {Command::Report}},
        {&since, {Command::Report}},
        {&until, {Command::Report}},
        {&unitId, {Command::Report}},
        {&csv, {Command::Report}},
    };

    Options()
    {
        parser.setApplicationDescription(
            QStringLiteral("Configuration tool for the DURVEX 4/6 button dimmable switch panel: binds the panel's\n"
                           "switches, indicator LEDs, backlight and dimming input to network channels, writes\n"
                           "and reads panels over a serial line, and saves configurations as .zcf files.\n"
                           "Without a command it opens its window, and the file given, if any."));
        for (const QCommandLineOption *option : {&port, &trace, &series, &waitForPanel, &count, &skipMatching,
                                                 &backup, &panelId, &scanWindow, &idTimeout, &requireId, &refuseDuplicates,
                                                 &idPattern, &json, &events, &log, &station, &operatorName, &workOrder,
                                                 &expectSha256, &stopAfterFailures, &quiet, &name, &output, &force, &run,
                                                 &since, &until, &unitId, &csv, &help, &version})
            parser.addOption(*option);
        parser.addPositionalArgument(QStringLiteral("COMMAND"),
                                     QStringLiteral("write, read, verify, check, diff, ports, report or help (see below)."),
                                     QStringLiteral("[COMMAND]"));
        parser.addPositionalArgument(QStringLiteral("FILE.zcf"), QStringLiteral("A configuration file."),
                                     QStringLiteral("[FILE.zcf]"));
    }
};

struct CommandHelp
{
    Command command;
    const char *name;
    const char *usage; // after the program's name
    const char *about;
};

const CommandHelp commandHelp[] = {
    {Command::Write, "write",
     "write FILE [--port NAME]... [--series [--wait-for-panel [--scan-window MS] [--id-timeout SECONDS] [--require-id] [--refuse-duplicates] [--id-pattern REGEX]] [--count N] [--stop-after-failures N]] [--skip-matching] [--backup DIR] [--panel-id ID] [--expect-sha256 HEX] [--json|--events] [--log FILE] [--trace FILE] [--station NAME] [--operator NAME] [--work-order TEXT] [-q]",
     "Opens FILE as the window opens a file (the same checks and messages), then writes the\n"
     "panel on each port given, all at once, each on its own line of progress; with several\n"
     "ports a table of port, outcome and detail ends the run. --series programs one panel\n"
     "after another: after each round it waits for Enter (the next panels, or the failed ones\n"
     "again) or the end of input; --wait-for-panel needs no keyboard: each port waits until a\n"
     "panel answers, programs it, and waits until it has gone. Ctrl+C ends a series with its\n"
     "summary."},
    {Command::Read, "read", "read --name NAME [-o FILE|-] [--force] [--port NAME] [--panel-id ID] [--json] [--log FILE] [--trace FILE] [--station NAME] [--operator NAME] [--work-order TEXT] [-q]",
     "Reads the panel and saves what it holds with NAME as its panel name, to FILE, to\n"
     "standard output (-o -) or to NAME.zcf; an existing file is kept unless --force."},
    {Command::Verify, "verify", "verify FILE [--port NAME]... [--panel-id ID] [--expect-sha256 HEX] [--json|--events] [--log FILE] [--trace FILE] [--station NAME] [--operator NAME] [--work-order TEXT] [-q]",
     "Reads the panel on each port given, all at once, never writes it, and compares its 17\n"
     "configuration bytes with what a write of FILE would send: one line per item that\n"
     "differs, or that the panel matches."},
    {Command::Check, "check", "check FILE [--expect-sha256 HEX] [--json] [--log FILE] [--station NAME] [--operator NAME] [--work-order TEXT] [-q]",
     "Opens FILE as write would, with the same checks and messages, and touches no port.\n"
     "With --json, standard output carries the configuration the file holds."},
    {Command::Diff, "diff", "diff A.zcf B.zcf [--json]",
     "Opens both files as write would and compares what a write of each sends, touching no\n"
     "port: one line per item whose value differs, or that is not picked in one of them\n"
     "(NOT PICKED), then the designations and panel names that differ, which a write does\n"
     "not send. Exit 0 when a write of either sends the same bytes, 3 when they differ."},
    {Command::Ports, "ports", "ports [--json]",
     "Lists the serial ports the system offers, one per line (name, /dev/serial/by-id and\n"
     "/dev/serial/by-path links, description, maker, serial number, USB vendor and product\n"
     "id), and the port the tool uses when no --port is given. Adapters that share a serial\n"
     "number share one by-id link: it warns of them, naming their by-path links."},
    {Command::Report, "report",
     "report LOG... [--run ID] [--since TIME] [--until TIME] [--station NAME] [--work-order TEXT] [--id ID] [--json|--csv]",
     "Reads programming logs (rotated parts too, in any order; - for standard input, so that\n"
     "zcat line.log.2.gz | durvex-config report - works) and prints per run, per position and\n"
     "in total: units, attempts, programmed, unchanged, failed, expired ids, first-pass and\n"
     "final yield, panels per hour, cycle time (median and 95th percentile) and the five most\n"
     "frequent failures by reason and by address. A line that is no record (torn, or another\n"
     "program's) is skipped, as is a record of a newer format, with one warning per file.\n"
     "--csv prints one row per position per run, then the run's TOTAL row, under the header\n"
     "run_id,station,work_order,position,units,attempts,programmed,unchanged,failed,\n"
     "expired_ids,first_pass_yield,final_yield,panels_per_hour,cycle_median_ms,cycle_p95_ms"},
};

const CommandHelp *helpOf(Command command)
{
    for (const CommandHelp &help : commandHelp)
        if (help.command == command)
            return &help;
    return nullptr;
}

const QList<Command> every = {Command::Window, Command::Write, Command::Read, Command::Verify, Command::Check, Command::Ports,
                             Command::Diff, Command::Report};

// The commands that can end with the code.
QList<Command> endingWith(ExitCode::Code code)
{
    switch (code) {
    case ExitCode::Done:
    case ExitCode::UsageError:
        return every;
    case ExitCode::PanelFailed:
    case ExitCode::WrongModel:
    case ExitCode::HungUp:
    case ExitCode::Interrupted:
    case ExitCode::Terminated:
        return transfers;
    case ExitCode::Differs:
        return {Command::Verify, Command::Diff};
    case ExitCode::FileFailed:
        return fileCommands + QList<Command>{Command::Diff, Command::Report};
    case ExitCode::NoDisplay:
        return {Command::Window};
    }
    return {};
}

QString exitStatus(Command command)
{
    QString text = QStringLiteral("Exit status:\n");
    for (const ExitCode::Meaning &row : ExitCode::meanings)
        if (command == Command::Window || endingWith(row.code).contains(command))
            text += wrapped(QStringLiteral("  %1 ").arg(int(row.code), -4), QString::fromLatin1(row.meaning));
    if (command == Command::Window || command == Command::Write || command == Command::Verify)
        text += QStringLiteral("  With several ports, or a series, the code of the first port, in the order given,\n"
                               "  whose last panel did not succeed.\n");
    return text;
}

const char epilogue[] =
    "\n"
    "Commands (no display needed; \"durvex-config help COMMAND\" shows one command's help):\n"
    "  write FILE [--series [--wait-for-panel] [--count N]]\n"
    "                                   open FILE as the window opens a file, then write the\n"
    "                                   panel; --series programs one panel after another\n"
    "  read --name NAME [-o FILE] [--force]\n"
    "                                   read the panel and save it, with NAME as its panel\n"
    "                                   name; an existing file is kept unless --force\n"
    "  verify FILE                      read the panel and compare its 17 configuration\n"
    "                                   bytes with what a write of FILE would send\n"
    "  check FILE                       open FILE as write would, touching no port\n"
    "  diff A.zcf B.zcf                 compare what a write of each file sends, touching\n"
    "                                   no port\n"
    "  ports                            list the serial ports and the one the tool would use\n"
    "  report LOG...                    a shift's figures from its programming logs\n"
    "  help [COMMAND]                   show the help of one command\n"
    "\n"
    "Production line:\n"
    "  write and verify take --port several times: one panel per port, all at once, each\n"
    "  with its own line of progress and outcome, and a table at the end. With --series,\n"
    "  Enter programs the whole fixture again; with --series --wait-for-panel each port\n"
    "  programs every panel that answers and waits until it has gone, without a keyboard.\n"
    "  --json prints one JSON object per panel attempt on standard output (keys: command,\n"
    "  position, port, file, panel_id, panel, outcome, exit, reason, address, detail, model,\n"
    "  differences, adjusted, warnings, configuration, backup, backup_adjusted, started,\n"
    "  duration_ms, schema, run_id); --log FILE appends the same object with event, seq, tool_version, time,\n"
    "  host, user, station, operator, work_order and sha256, and file as an absolute path,\n"
    "  after a run record that opens the run. --skip-matching spares a panel that holds\n"
    "  the file already. --backup DIR saves what each panel held before it is written.\n"
    "\n"
    "Environment:\n"
    "  DURVEX_PORT   the serial port, when --port is not given\n"
    "  DURVEX_TRACE  a file to append a trace of every byte on the line to\n"
    "  DURVEX_STATION, DURVEX_OPERATOR, DURVEX_WORK_ORDER\n"
    "                the station, operator and work order the records name, when\n"
    "                --station, --operator and --work-order are not given\n"
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
    "\n";

CommandLine usageError(const QString &text)
{
    CommandLine line;
    line.action = CommandLine::Action::UsageError;
    line.error = text;
    return line;
}

std::optional<Command> commandNamed(const QString &word)
{
    for (const CommandHelp &help : commandHelp)
        if (word == QLatin1String(help.name))
            return help.command;
    return std::nullopt;
}

// Edits between two words, a swap of neighbours counting as one.
int distance(const QString &a, const QString &b)
{
    QList<QList<int>> d(a.size() + 1, QList<int>(b.size() + 1));
    for (qsizetype i = 0; i <= a.size(); ++i)
        d[i][0] = int(i);
    for (qsizetype j = 0; j <= b.size(); ++j)
        d[0][j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i)
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

QString unknownCommand(const QString &word)
{
    QString best;
    int bestDistance = 3; // further than two edits is no slip of the hand
    QStringList names{QStringLiteral("help")};
    for (const CommandHelp &help : commandHelp)
        names << QLatin1String(help.name);
    for (const QString &name : names)
        if (const int d = distance(word.toLower(), name); d < bestDistance) {
            bestDistance = d;
            best = name;
        }
    return best.isEmpty() ? QStringLiteral("unknown command '%1'").arg(word)
                          : QStringLiteral("unknown command '%1' (did you mean '%2'?)").arg(word, best);
}

// A first word that can only have been meant as a command: no path, no file ending, and
// nothing of that name here.
bool meantAsCommand(const QString &word)
{
    return !word.contains(QLatin1Char('/')) && !word.contains(QLatin1Char('\\'))
        && !word.endsWith(QLatin1String(".zcf"), Qt::CaseInsensitive) && !QFileInfo::exists(word);
}

QString optionName(const QCommandLineOption &option)
{
    return QStringLiteral("--") + option.names().constLast();
}

QString commandList(const QList<Command> &commands)
{
    QStringList names;
    for (const Command command : commands)
        if (command != Command::Window)
            names << CommandLine::commandName(command);
    if (names.size() == 1)
        return QStringLiteral("the %1 command").arg(names.constFirst());
    const QString last = names.takeLast();
    return QStringLiteral("the %1 and %2 commands").arg(names.join(QStringLiteral(", ")), last);
}

// A position's label is shown on the board and carried in JSON: printable text, no space
// (a scanned "LABEL ID" splits at it) and no = (which ends it).
QString labelRefusal(const QString &label)
{
    if (label.isEmpty())
        return QStringLiteral("--port =NAME: the label before = is empty");
    const QList<uint> codes = label.toUcs4();
    const bool printable = ArgumentText::encodable(label) && std::all_of(codes.cbegin(), codes.cend(), [](uint c) {
        return QChar::isPrint(char32_t(c)) && !QChar::isSpace(char32_t(c));
    });
    if (!printable)
        return QStringLiteral("the label %1 is not printable text without spaces").arg(ArgumentText::shown(label));
    return {};
}

} // namespace

QString CommandLine::commandName(Command command)
{
    const CommandHelp *help = helpOf(command);
    return help ? QString::fromLatin1(help->name) : QString();
}

namespace {

// One reading of the arguments, concern by concern; each step says why the line is refused,
// or nothing.
class Reading
{
public:
    explicit Reading(const QStringList &arguments) : m_arguments(arguments) {}

    CommandLine result()
    {
        if (!o.parser.parse(m_arguments))
            return usageError(o.parser.errorText());
        if (const QString error = commandWord(); !error.isEmpty())
            return usageError(error);
        if (m_helpWord || o.parser.isSet(o.help)) {
            if (m_helpWord && !m_operands.isEmpty())
                return usageError(QStringLiteral("help takes one command"));
            line.action = CommandLine::Action::Help;
            return line;
        }
        if (o.parser.isSet(o.version)) {
            if (line.command != Command::Window || !m_operands.isEmpty())
                return usageError(QStringLiteral("--version takes no command or file"));
            line.action = CommandLine::Action::Version;
            return line;
        }
        using Step = QString (Reading::*)();
        for (const Step step : {&Reading::options, &Reading::belonging, &Reading::operands, &Reading::portsGivenTwice,
                                &Reading::unencodable})
            if (const QString error = (this->*step)(); !error.isEmpty())
                return usageError(error);
        return line;
    }

private:
    // "help", a command's name, or a file for the window.
    QString commandWord()
    {
        m_operands = o.parser.positionalArguments();
        m_helpWord = m_operands.value(0) == QLatin1String("help");
        if (m_helpWord)
            m_operands.removeFirst();
        m_word = m_operands.value(0);
        if (const std::optional<Command> command = commandNamed(m_word)) {
            line.command = *command;
            m_operands.removeFirst();
        } else if (!m_word.isEmpty() && (m_helpWord || meantAsCommand(m_word))) {
            return unknownCommand(m_word);
        }
        return {};
    }

    // The options' values, each one given where the option takes one.
    QString options()
    {
        line.ports = o.parser.values(o.port);
        line.port = line.ports.value(0);
        line.trace = o.parser.value(o.trace);
        line.series = o.parser.isSet(o.series);
        line.waitForPanel = o.parser.isSet(o.waitForPanel);
        line.skipMatching = o.parser.isSet(o.skipMatching);
        line.backup = o.parser.value(o.backup);
        line.panelId = o.parser.value(o.panelId);
        line.requireId = o.parser.isSet(o.requireId);
        line.refuseDuplicates = o.parser.isSet(o.refuseDuplicates);
        line.idPattern = o.parser.value(o.idPattern);
        line.json = o.parser.isSet(o.json);
        line.events = o.parser.isSet(o.events);
        line.log = o.parser.value(o.log);
        line.quiet = o.parser.isSet(o.quiet);
        line.name = o.parser.value(o.name);
        line.output = o.parser.value(o.output);
        line.force = o.parser.isSet(o.force);
        line.station = o.parser.value(o.station);
        line.operatorName = o.parser.value(o.operatorName);
        line.workOrder = o.parser.value(o.workOrder);
        line.expectSha256 = o.parser.value(o.expectSha256).toLower();
        line.run = o.parser.value(o.run);
        line.unitId = o.parser.value(o.unitId);
        line.csv = o.parser.isSet(o.csv);
        for (const QCommandLineOption *option : {&o.trace, &o.name, &o.output, &o.count, &o.panelId, &o.log,
                                                 &o.station, &o.operatorName, &o.workOrder, &o.expectSha256,
                                                 &o.stopAfterFailures, &o.backup, &o.run, &o.since, &o.until, &o.unitId,
                                                 &o.scanWindow, &o.idTimeout, &o.idPattern})
            if (o.parser.isSet(*option) && o.parser.value(*option).isEmpty())
                return QStringLiteral("%1 needs a value").arg(optionName(*option));
        for (const auto &[option, value] : {std::pair{&o.station, line.station}, {&o.operatorName, line.operatorName},
                                            {&o.workOrder, line.workOrder}})
            if (const QString refused = CommandLine::stationTextRefusal(optionName(*option), value); !refused.isEmpty())
                return refused;
        if (o.parser.isSet(o.expectSha256)
            && !QRegularExpression(QStringLiteral("^[0-9a-f]{64}$")).match(line.expectSha256).hasMatch())
            return QStringLiteral("--expect-sha256 takes the file's SHA-256 as 64 hex digits: %1")
                .arg(ArgumentText::shown(o.parser.value(o.expectSha256)));
        if (o.parser.isSet(o.stopAfterFailures)) {
            bool number = false;
            line.stopAfterFailures = o.parser.value(o.stopAfterFailures).toInt(&number);
            if (!number || line.stopAfterFailures < 1)
                return QStringLiteral("--stop-after-failures takes a number of rejects in a row, 1 or more");
        }
        if (const QString error = positions(); !error.isEmpty())
            return error;
        for (const auto &[option, instant] : {std::pair{&o.since, &line.sinceMs}, std::pair{&o.until, &line.untilMs}})
            if (o.parser.isSet(*option) && !(*instant = ReportCommand::instant(o.parser.value(*option))))
                return QStringLiteral("%1 takes a time in ISO 8601 (2026-12-11T06:00, UTC when no zone is given): %2")
                    .arg(optionName(*option), ArgumentText::shown(o.parser.value(*option)));
        if (o.parser.isSet(o.count)) {
            bool number = false;
            line.count = o.parser.value(o.count).toInt(&number);
            if (!number || line.count < 1)
                return QStringLiteral("--count takes a number of panels, 1 or more");
        }
        // Whole numbers in a range a line can use: up to a minute, and a day.
        const struct
        {
            const QCommandLineOption &option;
            int &value;
            int most;
            const char *unit;
        } numbers[] = {{o.scanWindow, line.scanWindowMs, 60000, "milliseconds"},
                       {o.idTimeout, line.idTimeoutSeconds, 86400, "seconds"}};
        for (const auto &n : numbers) {
            if (!o.parser.isSet(n.option))
                continue;
            bool number = false;
            n.value = o.parser.value(n.option).toInt(&number);
            if (!number || n.value < 1 || n.value > n.most)
                return QStringLiteral("%1 takes a number of %2, 1 to %3")
                    .arg(optionName(n.option), QLatin1String(n.unit), QString::number(n.most));
        }
        if (!line.idPattern.isEmpty()) {
            const QRegularExpression pattern(line.idPattern);
            if (!pattern.isValid())
                return QStringLiteral("--id-pattern %1 is no regular expression: %2")
                    .arg(ArgumentText::shown(line.idPattern), pattern.errorString());
        }
        return {};
    }

    // Each option with a command it belongs to, and with the options it needs.
    QString belonging()
    {
        for (const auto &[option, commands] : o.owners)
            if (o.parser.isSet(*option) && !commands.contains(line.command))
                return QStringLiteral("%1 belongs to %2").arg(optionName(*option), commandList(commands));
        if (line.ports.size() > 1 && line.command != Command::Write && line.command != Command::Verify)
            return QStringLiteral("only write and verify take several ports");
        if ((line.waitForPanel || line.count || line.stopAfterFailures) && !line.series)
            return QStringLiteral("--wait-for-panel, --count and --stop-after-failures belong to a series: add --series");
        for (const QCommandLineOption *option : {&o.scanWindow, &o.idTimeout, &o.requireId, &o.refuseDuplicates, &o.idPattern})
            if (o.parser.isSet(*option) && !line.waitForPanel)
                return QStringLiteral("%1 belongs to a hands-free series: add --series --wait-for-panel").arg(optionName(*option));
        if (line.json && line.output == QLatin1String("-"))
            return QStringLiteral("--json and -o - both want standard output");
        if (line.json && line.events)
            return QStringLiteral("--json and --events both want standard output");
        if (line.csv && line.json)
            return QStringLiteral("--csv and --json both want standard output: give one");
        if (line.csv && !line.unitId.isEmpty())
            return QStringLiteral("--csv holds the figures; a unit's history (--id) is a table or --json");
        return {};
    }

    // Each --port a position: LABEL=PORT, or the port alone, named by itself; with several,
    // each --panel-id LABEL=ID gives one position its id.
    QString positions()
    {
        const QStringList given = o.parser.values(o.port);
        QList<bool> labelled;
        line.ports.clear();
        for (const QString &value : given) {
            const qsizetype equals = value.indexOf(QLatin1Char('='));
            const QString label = equals < 0 ? value : value.left(equals);
            const QString port = value.mid(equals + 1);
            if (port.isEmpty())
                return QStringLiteral("--port needs a value");
            if (equals >= 0) {
                if (const QString refused = labelRefusal(label); !refused.isEmpty())
                    return refused;
            }
            // Two ports without labels named alike are one port given twice, told later.
            if (const qsizetype earlier = line.labels.indexOf(label); earlier >= 0 && (equals >= 0 || labelled[earlier]))
                return QStringLiteral("the label %1 is given to two ports").arg(ArgumentText::shown(label));
            line.ports << port;
            line.labels << label;
            labelled << (equals >= 0);
        }
        line.port = line.ports.value(0);
        const QStringList ids = o.parser.values(o.panelId);
        // A position named by a label takes LABEL=ID as several do; elsewhere the id is whole.
        if (line.ports.size() < 2 && (!labelled.value(0) || ids.isEmpty())) {
            if (ids.size() > 1)
                return QStringLiteral("--panel-id is given twice for one port");
            return {};
        }
        line.panelIds = QStringList(line.ports.size(), QString());
        line.panelId.clear();
        for (const QString &value : ids) {
            const qsizetype equals = value.indexOf(QLatin1Char('='));
            if (line.ports.size() == 1 && equals < 0) {
                if (ids.size() > 1)
                    return QStringLiteral("--panel-id is given twice for one port");
                line.panelIds[0] = line.panelId = value;
                return {};
            }
            const qsizetype position = equals < 0 ? -1 : line.labels.indexOf(value.left(equals));
            if (position < 0)
                return QStringLiteral("%1 --panel-id takes LABEL=ID, LABEL one of %2: %3")
                    .arg(line.ports.size() > 1 ? QStringLiteral("with several ports,") : QStringLiteral("with a labelled port,"),
                         line.labels.join(QStringLiteral(", ")), ArgumentText::shown(value));
            if (!line.panelIds[position].isEmpty())
                return QStringLiteral("--panel-id is given twice for %1").arg(line.labels[position]);
            line.panelIds[position] = value.mid(equals + 1);
            if (line.panelIds[position].isEmpty())
                return QStringLiteral("--panel-id %1 needs an id after =").arg(ArgumentText::shown(value));
        }
        if (line.ports.size() == 1)
            line.panelId = line.panelIds[0];
        return {};
    }

    // What each command takes besides options: a file, or for read the panel's name.
    QString operands()
    {
        switch (line.command) {
        case Command::Window:
        case Command::Write:
        case Command::Verify:
        case Command::Check:
            if (m_operands.size() > 1)
                return QStringLiteral("Only one configuration file can be given: %1").arg(m_operands.join(QLatin1Char(' ')));
            if (line.command != Command::Window && m_operands.isEmpty())
                return QStringLiteral("%1 needs a configuration file").arg(m_word);
            line.file = m_operands.value(0);
            break;
        case Command::Ports:
            if (!m_operands.isEmpty())
                return QStringLiteral("ports takes no file");
            break;
        case Command::Diff:
            if (m_operands.size() != 2)
                return QStringLiteral("diff compares two configuration files: diff A.zcf B.zcf");
            line.file = m_operands[0];
            line.otherFile = m_operands[1];
            break;
        case Command::Report:
            if (m_operands.isEmpty())
                return QStringLiteral("report needs a log: report LOG... (- for standard input)");
            if (m_operands.count(QStringLiteral("-")) > 1)
                return QStringLiteral("report reads standard input (-) once");
            line.logs = m_operands;
            break;
        case Command::Read:
            if (!m_operands.isEmpty())
                return QStringLiteral("read takes no file; save to one with -o FILE");
            if (line.name.isEmpty())
                return QStringLiteral("read needs --name NAME, the panel name to save");
            // Refused as the panel name box refuses it.
            if (line.name.size() > ConfigRecord::panelNameLimit || !ConfigRecord::acceptable(line.name))
                return QStringLiteral("the panel name box would refuse \"%1\": at most %2 characters, "
                                      "no double quote or control character")
                    .arg(ArgumentText::shown(line.name), QString::number(ConfigRecord::panelNameLimit));
            break;
        }
        return {};
    }

    QString portsGivenTwice()
    {
        const auto twice = PortChoice::givenTwice(line.ports);
        if (!twice)
            return {};
        const QString &port = line.ports[twice->first], &earlier = line.ports[twice->second];
        return port == earlier ? QStringLiteral("port %1 is given twice").arg(ArgumentText::shown(port))
                               : QStringLiteral("port %1 is given twice (also as %2)")
                                     .arg(ArgumentText::shown(port), ArgumentText::shown(earlier));
    }

    // Before anything is opened: a name the system would not get back as given, and an id
    // that is not text.
    QString unencodable()
    {
        QList<ArgumentText::Path> paths = {{QStringLiteral("the file"), line.file},
                                           {QStringLiteral("the second file"), line.otherFile},
                                           {QStringLiteral("-o"), line.output},
                                           {QStringLiteral("--trace"), line.trace},
                                           {QStringLiteral("--log"), line.log}};
        for (const QString &log : std::as_const(line.logs))
            if (log != QLatin1String("-"))
                paths.append({QStringLiteral("the log"), log});
        for (const QString &port : std::as_const(line.ports))
            paths.append({QStringLiteral("--port"), port});
        if (const QString refused = ArgumentText::refusal(paths); !refused.isEmpty())
            return refused;
        // The id goes into JSON, which holds text only.
        for (const QString &id : line.panelIds + QStringList{line.panelId})
            if (!ArgumentText::encodable(id))
                return QStringLiteral("--panel-id %1 is not valid UTF-8, as the JSON output and the log must be; "
                                      "nothing was opened")
                    .arg(ArgumentText::shown(id));
        return {};
    }

    const QStringList m_arguments;
    Options o;
    CommandLine line;
    bool m_helpWord = false;
    QString m_word;         // the first word after any "help"
    QStringList m_operands; // the words after the command's
};

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    CommandLine line = Reading(arguments).result();
    line.arguments = arguments.mid(1);
    return line;
}

QString CommandLine::stationTextRefusal(const QString &what, const QString &value)
{
    const QList<uint> codes = value.toUcs4();
    const bool printable = ArgumentText::encodable(value) && std::all_of(codes.cbegin(), codes.cend(), [](uint c) {
        return QChar::isPrint(char32_t(c));
    });
    if (printable && codes.size() <= 64)
        return {};
    return QStringLiteral("%1 %2 is not printable text of at most 64 characters").arg(what, ArgumentText::shown(value));
}

QString CommandLine::takeStation(const std::function<QString(const char *)> &environment)
{
    const struct
    {
        const char *name;
        QString CommandLine::*field;
    } settings[] = {{"DURVEX_STATION", &CommandLine::station},
                    {"DURVEX_OPERATOR", &CommandLine::operatorName},
                    {"DURVEX_WORK_ORDER", &CommandLine::workOrder}};
    if (!fileCommands.contains(command)) // only the commands that write records take them
        return {};
    for (const auto &setting : settings) {
        if (!(this->*setting.field).isEmpty())
            continue;
        this->*setting.field = environment(setting.name);
        if (const QString refused = stationTextRefusal(QString::fromLatin1(setting.name), this->*setting.field);
            !refused.isEmpty())
            return refused;
    }
    return {};
}

QString CommandLine::helpText(Command command)
{
    Options o;
    const CommandHelp *help = helpOf(command);
    if (!help) {
        // Without an application object the parser cannot name the program itself.
        return o.parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("durvex-config"))
               + QString::fromLatin1(epilogue) + exitStatus(Command::Window);
    }
    QString text = wrapped(QStringLiteral("Usage: durvex-config "), QString::fromLatin1(help->usage), true)
                   + QStringLiteral("\n%1\n\nOptions:\n").arg(QString::fromLatin1(help->about));
    QList<const QCommandLineOption *> options;
    for (const auto &[option, commands] : o.owners)
        if (commands.contains(command))
            options << option;
    options << &o.help;
    for (const QCommandLineOption *option : std::as_const(options)) {
        QStringList names;
        for (const QString &name : option->names())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString flag = names.join(QStringLiteral(", "));
        if (!option->valueName().isEmpty())
            flag += QLatin1Char(' ') + option->valueName();
        text += wrapped(QStringLiteral("  %1 ").arg(flag, -24), option->description());
    }
    return text + QLatin1Char('\n') + exitStatus(command);
}

QString CommandLine::versionText()
{
    return QStringLiteral("durvex-config %1\n").arg(QStringLiteral(DURVEX_VERSION));
}

QString CommandLine::usage(Command command)
{
    const CommandHelp *help = helpOf(command);
    return help ? QString::fromLatin1(help->usage) : QString();
}

QStringList CommandLine::options(Command command)
{
    Options o;
    QStringList names;
    for (const auto &[option, commands] : o.owners)
        if (commands.contains(command))
            names << optionName(*option);
    return names;
}
