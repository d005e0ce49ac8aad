#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The program's command line, read before any application object exists, so that --help,
// --version, usage errors and the commands need no display.
//
//   durvex-config [--port NAME] [FILE.zcf]                  the window
//   durvex-config write FILE [--port NAME]... [--series]    program panels from a file
//   durvex-config read --name NAME [-o FILE] [--force]      read a panel into a file
//   durvex-config verify FILE [--port NAME]...              compare panels with a file
//   durvex-config check FILE                                open a file as write would
//   durvex-config diff A.zcf B.zcf                          compare two files, no port
//   durvex-config ports                                     list the serial ports
//   durvex-config report LOG...                             a shift's figures from its logs
//   durvex-config help [COMMAND]                            the help of one command
struct CommandLine
{
    enum class Action { Run, Help, Version, UsageError };
    enum class Command { Window, Write, Read, Verify, Check, Ports, Diff, Report };

    Action action = Action::Run;
    // With Help, the command whose help is asked for; Window for the program's.
    Command command = Command::Window;
    QString port;       // the first --port's port
    QStringList ports;  // every --port's port, in the order given
    // Each --port is a position of the fixture, named by LABEL= before its port or else by
    // the port as given; parallel to ports.
    QStringList labels;
    // With several positions, the id --panel-id LABEL=ID gives each (empty: none); parallel
    // to ports.
    QStringList panelIds;
    QString trace;  // --trace, else DURVEX_TRACE
    QString environmentPort; // DURVEX_PORT
    QString file;   // the configuration file to open, write, verify or check; diff's first
    QString otherFile; // diff's second file
    bool series = false;
    bool waitForPanel = false; // --wait-for-panel: a series that needs no keyboard
    bool skipMatching = false; // --skip-matching: a panel that holds what a write sends is not written
    QString backup;            // --backup: the folder each panel's backup is saved in; empty: none
    int count = 0;             // --count: panels programmed on each port before a series ends; 0 for no end
    QString panelId;           // --panel-id
    // Hands-free ids: --scan-window, --id-timeout, --require-id, --refuse-duplicates, --id-pattern.
    int scanWindowMs = 1000;
    int idTimeoutSeconds = 60;
    bool requireId = false;
    bool refuseDuplicates = false;
    QString idPattern;
    bool json = false;
    bool events = false;       // --events: one JSON object per position event
    QString log;               // --log: the programming log
    bool quiet = false;
    QString name;   // read: the panel name
    QString output; // read: -o; "-" is standard output
    bool force = false;
    // Who works where and for which order, as the records name them; empty: not given.
    QString station;      // --station, else DURVEX_STATION
    QString operatorName; // --operator, else DURVEX_OPERATOR
    QString workOrder;    // --work-order, else DURVEX_WORK_ORDER
    QString expectSha256;  // --expect-sha256: the file's revision, lower-case hex
    int stopAfterFailures = 0; // --stop-after-failures: rejects in a row that stop a position; 0 for never
    QStringList arguments; // as given, after the program's name
    // report: the logs ("-" standard input) and which of their records count (also by
    // --station and --work-order)
    QStringList logs;
    QString run;
    std::optional<qint64> sinceMs; // UTC ms since the epoch
    std::optional<qint64> untilMs;
    QString unitId; // --id: one unit's history
    bool csv = false;
    QString error;  // one line, for a usage error

    static CommandLine parse(const QStringList &arguments);
    // The station's settings from the environment (DURVEX_STATION, DURVEX_OPERATOR,
    // DURVEX_WORK_ORDER) where no option gave them, for the commands that write records;
    // why one is refused, or nothing.
    QString takeStation(const std::function<QString(const char *)> &environment);
    // Why a station, operator or work order cannot go into the records, or nothing:
    // printable text without control characters, at most 64 characters.
    static QString stationTextRefusal(const QString &what, const QString &value);
    // The program's help, or one command's.
    static QString helpText(Command command = Command::Window);
    static QString versionText();
    static QString commandName(Command command);
    // A command's usage after the program's name, and its options ("--port" ...), as its
    // help gives them.
    static QString usage(Command command);
    static QStringList options(Command command);
};
