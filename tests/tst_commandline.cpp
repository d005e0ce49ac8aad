#include "cli/argumenttext.h"
#include "line/attemptreason.h"
#include "line/idrecord.h"
#include "line/seating.h"
#include "cli/commandline.h"
#include "cli/reportcommand.h"
#include "line/panelattempt.h"
#include "line/runsummary.h"
#include "cli/programminglog.h"
#include "cli/recordformat.h"
#include "platform/exitcode.h"
#include "truckfile.h"
#include "version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The program's command line: what it takes, and that --help, --version and usage errors
// need no display.

Q_DECLARE_METATYPE(CommandLine::Action)
Q_DECLARE_METATYPE(CommandLine::Command)

namespace {

// A byte that is not UTF-8, as the arguments carry it.
QString raw(uchar byte)
{
    return ArgumentText::decode(QByteArray(1, char(byte)));
}

QProcessEnvironment noDisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    return env;
}

const char noDisplayLine[] = "durvex-config: no display found to show the window on; the commands write, read, verify, "
                             "ports and check run without one (see --help)\n";

// The exit codes the program has; --help and the README list each once.
const QList<int> exitCodes = {0, 1, 2, 3, 4, 64, 69, 129, 130, 143};

QString fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

    QTemporaryDir links; // "null" leads to /dev/null, "zero" to /dev/zero

private slots:
    void initTestCase()
    {
        QVERIFY(QFile::link("/dev/null", links.filePath("null")));
        QVERIFY(QFile::link("/dev/zero", links.filePath("zero")));
    }

    void parse_data()
    {
        using Action = CommandLine::Action;
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("file");
        QTest::newRow("nothing") << QStringList{} << Action::Run << "" << "";
        QTest::newRow("port and file") << QStringList{"--port", "/dev/ttyUSB0", "truck.zcf"} << Action::Run << "/dev/ttyUSB0" << "truck.zcf";
        QTest::newRow("port=") << QStringList{"--port=COM3"} << Action::Run << "COM3" << "";
        QTest::newRow("help") << QStringList{"--help"} << Action::Help << "" << "";
        QTest::newRow("-h") << QStringList{"-h", "--bogus"} << Action::UsageError << "" << "";
        QTest::newRow("version") << QStringList{"--version"} << Action::Version << "" << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << Action::UsageError << "" << "";
        QTest::newRow("port without a name") << QStringList{"--port"} << Action::UsageError << "" << "";
        QTest::newRow("empty port") << QStringList{"--port="} << Action::UsageError << "" << "";
        QTest::newRow("two files") << QStringList{"a.zcf", "b.zcf"} << Action::UsageError << "" << "";
    }

    void commands_data()
    {
        using Command = CommandLine::Command;
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("series");
        QTest::addColumn<bool>("force");
        QTest::newRow("write") << QStringList{"write", "t.zcf", "--port", "P", "--trace", "T"} << true << Command::Write
                               << "t.zcf" << "" << "" << false << false;
        QTest::newRow("write a series") << QStringList{"write", "--series", "t.zcf"} << true << Command::Write << "t.zcf"
                                        << "" << "" << true << false;
        QTest::newRow("read") << QStringList{"read", "--name", "TRUCK 1", "-o", "x.zcf", "--force"} << true
                              << Command::Read << "" << "TRUCK 1" << "x.zcf" << false << true;
        QTest::newRow("verify") << QStringList{"verify", "t.zcf"} << true << Command::Verify << "t.zcf" << "" << ""
                                << false << false;
        QTest::newRow("write without a file") << QStringList{"write"} << false << Command::Window << "" << "" << ""
                                              << false << false;
        QTest::newRow("read with a file") << QStringList{"read", "--name", "N", "t.zcf"} << false << Command::Window
                                          << "" << "" << "" << false << false;
        QTest::newRow("read without a name") << QStringList{"read"} << false << Command::Window << "" << "" << ""
                                             << false << false;
        QTest::newRow("name with a quote") << QStringList{"read", "--name", "A\"B"} << false << Command::Window << ""
                                           << "" << "" << false << false;
        QTest::newRow("name of 12") << QStringList{"read", "--name", "TWELVE CHARS"} << true << Command::Read << ""
                                    << "TWELVE CHARS" << "" << false << false;
        QTest::newRow("diff") << QStringList{"diff", "a.zcf", "b.zcf", "--json"} << true << Command::Diff << "a.zcf"
                              << "" << "" << false << false;
        QTest::newRow("diff of one file") << QStringList{"diff", "a.zcf"} << false << Command::Window << "" << ""
                                          << "" << false << false;
        QTest::newRow("diff with a port") << QStringList{"diff", "a.zcf", "b.zcf", "--port", "P"} << false
                                          << Command::Window << "" << "" << "" << false << false;
        QTest::newRow("report") << QStringList{"report", "line.log", "-", "--since", "2026-12-11", "--csv"} << true
                                << Command::Report << "" << "" << "" << false << false;
        QTest::newRow("report without a log") << QStringList{"report", "--json"} << false << Command::Window << ""
                                              << "" << "" << false << false;
        QTest::newRow("report of standard input twice") << QStringList{"report", "-", "-"} << false << Command::Window
                                                        << "" << "" << "" << false << false;
        QTest::newRow("report in CSV and JSON") << QStringList{"report", "l.log", "--csv", "--json"} << false
                                                << Command::Window << "" << "" << "" << false << false;
        QTest::newRow("a history in CSV") << QStringList{"report", "l.log", "--id", "SN-1", "--csv"} << false
                                          << Command::Window << "" << "" << "" << false << false;
        QTest::newRow("a time that is no time") << QStringList{"report", "l.log", "--until", "noon"} << false
                                                << Command::Window << "" << "" << "" << false << false;
        QTest::newRow("a run to write") << QStringList{"write", "t.zcf", "--run", "r"} << false << Command::Window
                                        << "" << "" << "" << false << false;
        QTest::newRow("series to verify") << QStringList{"verify", "t.zcf", "--series"} << false << Command::Window
                                          << "" << "" << "" << false << false;
        QTest::newRow("name to write") << QStringList{"write", "t.zcf", "--name", "N"} << false << Command::Window << ""
                                       << "" << "" << false << false;
        // Names that are not UTF-8 would reach the system as other names.
        const QString latin1 = "lat" + raw(0xE9) + ".zcf";
        QTest::newRow("file not UTF-8") << QStringList{"write", latin1} << false << Command::Window << "" << "" << ""
                                        << false << false;
        QTest::newRow("window's file not UTF-8") << QStringList{latin1} << false << Command::Window << "" << "" << ""
                                                 << false << false;
        QTest::newRow("-o not UTF-8") << QStringList{"read", "--name", "N", "-o", latin1} << false << Command::Window
                                      << "" << "" << "" << false << false;
        QTest::newRow("--port not UTF-8") << QStringList{"verify", "t.zcf", "--port", "/dev/" + raw(0xFF)} << false
                                          << Command::Window << "" << "" << "" << false << false;
        QTest::newRow("--trace not UTF-8") << QStringList{"write", "t.zcf", "--trace=" + latin1} << false
                                           << Command::Window << "" << "" << "" << false << false;
        QTest::newRow("U+FFFD itself is UTF-8") << QStringList{"write", QString::fromUtf8("lat\uFFFD.zcf")} << true
                                                << Command::Write << QString::fromUtf8("lat\uFFFD.zcf") << "" << ""
                                                << false << false;
    }

    void argumentText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("encodable");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ASCII") << QByteArray("truck.zcf") << true << "truck.zcf";
        QTest::newRow("UTF-8") << QByteArray("\xC3\xA9t\xC3\xA9.zcf") << true << QString::fromUtf8("été.zcf");
        QTest::newRow("U+FFFD") << QByteArray("a\xEF\xBF\xBD") << true << QString::fromUtf8("a\uFFFD");
        QTest::newRow("Latin-1") << QByteArray("lat\xE9.zcf") << false << "lat\\xE9.zcf";
        QTest::newRow("two bytes, then UTF-8") << QByteArray("\xFF\xFE\xC3\xA9") << false << QString::fromUtf8("\\xFF\\xFEé");
        QTest::newRow("cut short") << QByteArray("x\xE2\x82") << false << "x\\xE2\\x82";
        QTest::newRow("overlong") << QByteArray("\xC0\xAF") << false << "\\xC0\\xAF";
        QTest::newRow("a surrogate") << QByteArray("\xED\xA0\x80") << false << "\\xED\\xA0\\x80";
        QTest::newRow("a line break") << QByteArray("A\nB") << true << "A\\x0AB";
        QTest::newRow("tab and delete") << QByteArray("\t\x7F") << true << "\\x09\\x7F";
    }

    // Arguments keep every byte: what is not UTF-8 can be told apart and shown as given.
    void argumentText()
    {
        QFETCH(QByteArray, bytes);
        const QString text = ArgumentText::decode(bytes);
        QTEST(ArgumentText::encodable(text), "encodable");
        QTEST(ArgumentText::shown(text), "shown");
        // What the system is given: UTF-8 on Linux, the same text as UTF-16 on Windows.
        if (ArgumentText::encodable(text))
            QCOMPARE(text.toUtf8(), bytes);
    }

    void refusedNameShownAsGiven_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("%1") << "50%1 OFF TOO LONG";
        QTest::newRow("%1 and %2") << "%2%1\"";
        QTest::newRow("a byte that is not UTF-8") << "A\"" + raw(0xE9);
    }

    // A refused panel name is echoed as it was given.
    void refusedNameShownAsGiven()
    {
        QFETCH(QString, name);
        const CommandLine line = CommandLine::parse({"durvex-config", "read", "--name", name});
        QCOMPARE(line.action, CommandLine::Action::UsageError);
        QCOMPARE(line.error, "the panel name box would refuse \"" + ArgumentText::shown(name)
                                 + "\": at most 12 characters, no double quote or control character");
    }

    void words_data()
    {
        using Action = CommandLine::Action;
        using Command = CommandLine::Command;
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("error");
        QTest::newRow("a slip") << QStringList{"wirte", "t.zcf"} << Action::UsageError << Command::Window
                                << "unknown command 'wirte' (did you mean 'write'?)";
        QTest::newRow("another") << QStringList{"chek"} << Action::UsageError << Command::Window
                                 << "unknown command 'chek' (did you mean 'check'?)";
        QTest::newRow("nothing like one") << QStringList{"frobnicate"} << Action::UsageError << Command::Window
                                          << "unknown command 'frobnicate'";
        QTest::newRow("a path is a file") << QStringList{"some/truck"} << Action::Run << Command::Window << "";
        QTest::newRow("a .zcf is a file") << QStringList{"TRUCK.ZCF"} << Action::Run << Command::Window << "";
        QTest::newRow("a file that is there") << QStringList{"truck"} << Action::Run << Command::Window << "";
        QTest::newRow("help of a command") << QStringList{"help", "write"} << Action::Help << Command::Write << "";
        QTest::newRow("-h after a command") << QStringList{"verify", "t.zcf", "-h"} << Action::Help << Command::Verify
                                            << "";
        QTest::newRow("help of a slip") << QStringList{"help", "raed"} << Action::UsageError << Command::Window
                                        << "unknown command 'raed' (did you mean 'read'?)";
        QTest::newRow("-V") << QStringList{"-V"} << Action::Version << Command::Window << "";
        QTest::newRow("-v no more") << QStringList{"-v"} << Action::UsageError << Command::Window
                                    << "Unknown option 'v'.";
        QTest::newRow("version with a command") << QStringList{"write", "t.zcf", "--version"} << Action::UsageError
                                                << Command::Window << "--version takes no command or file";
    }

    // The first word: a command, a file, or a slip of the hand, which never opens the window.
    void words()
    {
        QFETCH(QStringList, arguments);
        QTemporaryDir folder;
        QFile truck(folder.filePath("truck"));
        QVERIFY(truck.open(QIODevice::WriteOnly));
        const QString before = QDir::currentPath();
        QDir::setCurrent(folder.path());
        const CommandLine line = CommandLine::parse(QStringList{"durvex-config"} + arguments);
        QDir::setCurrent(before);
        QTEST(line.action, "action");
        QTEST(line.command, "command");
        QTEST(line.error, "error");
    }

    void production_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QStringList>("ports");
        QTest::newRow("several ports") << QStringList{"write", "t.zcf", "--port", "A", "--port", "B", "--port", "C"} << ""
                                       << QStringList{"A", "B", "C"};
        QTest::newRow("verify on two") << QStringList{"verify", "t.zcf", "--port", "A", "--port", "B"} << ""
                                       << QStringList{"A", "B"};
        QTest::newRow("the same port twice") << QStringList{"write", "t.zcf", "--port", "A", "--port", "B", "--port", "A"}
                                             << "port A is given twice" << QStringList{};
        // Any two spellings of one port, whether it is there or not: paths, devices and bare
        // names in /dev on Unix.
#ifdef Q_OS_UNIX
        QTest::newRow("the same device by a path") << QStringList{"verify", "t.zcf", "--port", "/dev/null", "--port",
                                                                  "/dev/../dev/null"}
                                                   << "port /dev/../dev/null is given twice (also as /dev/null)"
                                                   << QStringList{};
        QTest::newRow("a link and its device") << QStringList{"write", "t.zcf", "--port", "/dev/null", "--port",
                                                              links.filePath("null")}
                                               << "port " + links.filePath("null") + " is given twice (also as /dev/null)"
                                               << QStringList{};
        QTest::newRow("a bare name and its path") << QStringList{"write", "t.zcf", "--port", "pts/0", "--port", "/dev/pts/0"}
                                                  << "port /dev/pts/0 is given twice (also as pts/0)" << QStringList{};
        QTest::newRow("not there, spelt twice") << QStringList{"write", "t.zcf", "--port", "fx/dd", "--port", "fx/./dd"}
                                                << "port fx/./dd is given twice (also as fx/dd)" << QStringList{};
        QTest::newRow("not there, up and down") << QStringList{"write", "t.zcf", "--port", "/dev/fx/../fx//dd/",
                                                               "--port", "fx/dd"}
                                                << "port fx/dd is given twice (also as /dev/fx/../fx//dd/)"
                                                << QStringList{};
        QTest::newRow("relative and absolute") << QStringList{"write", "t.zcf", "--port", "./fx/dd", "--port",
                                                              QDir::currentPath() + "/fx/dd"}
                                               << "port " + QDir::currentPath() + "/fx/dd is given twice (also as ./fx/dd)"
                                               << QStringList{};
        QTest::newRow("a bare name is not the current folder's") << QStringList{"write", "t.zcf", "--port", "fx/dd",
                                                                                "--port", "./fx/dd"}
                                                                 << "" << QStringList{"fx/dd", "./fx/dd"};
        QTest::newRow("a link to another device") << QStringList{"write", "t.zcf", "--port", links.filePath("zero"),
                                                                 "--port", "/dev/null"}
                                                  << "" << QStringList{links.filePath("zero"), "/dev/null"};
#endif
        QTest::newRow("read on two") << QStringList{"read", "--name", "N", "--port", "A", "--port", "B"}
                                     << "only write and verify take several ports" << QStringList{};
        QTest::newRow("hands-free") << QStringList{"write", "t.zcf", "--series", "--wait-for-panel", "--count", "5"}
                                    << "" << QStringList{};
        QTest::newRow("hands-free without a series") << QStringList{"write", "t.zcf", "--wait-for-panel"}
                                                     << "--wait-for-panel, --count and --stop-after-failures belong to "
                                                        "a series: add --series"
                                                     << QStringList{};
        QTest::newRow("stop after failures") << QStringList{"write", "t.zcf", "--series", "--stop-after-failures", "3"}
                                             << "" << QStringList{};
        QTest::newRow("stop after no failures") << QStringList{"write", "t.zcf", "--series", "--stop-after-failures", "0"}
                                                << "--stop-after-failures takes a number of rejects in a row, 1 or more"
                                                << QStringList{};
        QTest::newRow("a station") << QStringList{"write", "t.zcf", "--station", "EOL 3", "--operator", QString(64, 'o'),
                                                  "--work-order", "WO-7/ü"}
                                   << "" << QStringList{};
        QTest::newRow("an operator too long") << QStringList{"write", "t.zcf", "--operator", QString(65, 'o')}
                                              << "--operator " + QString(65, 'o')
                                                     + " is not printable text of at most 64 characters"
                                              << QStringList{};
        QTest::newRow("a station with a control character")
            << QStringList{"check", "t.zcf", "--station", "EOL\x1b]0;X\a"}
            << "--station EOL\\x1B]0;X\\x07 is not printable text of at most 64 characters" << QStringList{};
        QTest::newRow("a work order not UTF-8") << QStringList{"read", "--name", "N", "--work-order", raw(0xFF) + "W"}
                                                << "--work-order \\xFFW is not printable text of at most 64 characters"
                                                << QStringList{};
        QTest::newRow("a station for ports") << QStringList{"ports", "--station", "S"}
                                             << "--station belongs to the write, read, verify, check and report commands"
                                             << QStringList{};
        QTest::newRow("a revision") << QStringList{"verify", "t.zcf", "--expect-sha256", QString(64, 'A')} << ""
                                    << QStringList{};
        QTest::newRow("a revision too short") << QStringList{"write", "t.zcf", "--expect-sha256", "abc"}
                                              << "--expect-sha256 takes the file's SHA-256 as 64 hex digits: abc"
                                              << QStringList{};
        QTest::newRow("no count") << QStringList{"write", "t.zcf", "--series", "--count", "0"}
                                  << "--count takes a number of panels, 1 or more" << QStringList{};
        // Hands-free, --panel-id is the first seating's id: a restart over seated panels.
        QTest::newRow("hands-free with an id") << QStringList{"write", "t.zcf", "--series", "--wait-for-panel", "--panel-id", "X"}
                                               << "" << QStringList{};
        QTest::newRow("id options without hands-free") << QStringList{"write", "t.zcf", "--series", "--require-id"}
                                                       << "--require-id belongs to a hands-free series: add --series "
                                                          "--wait-for-panel"
                                                       << QStringList{};
        QTest::newRow("no scan window") << QStringList{"write", "t.zcf", "--series", "--wait-for-panel", "--scan-window", "0"}
                                        << "--scan-window takes a number of milliseconds, 1 to 60000" << QStringList{};
        QTest::newRow("no id timeout") << QStringList{"write", "t.zcf", "--series", "--wait-for-panel", "--id-timeout", "x"}
                                       << "--id-timeout takes a number of seconds, 1 to 86400" << QStringList{};
        QTest::newRow("a broken pattern") << QStringList{"write", "t.zcf", "--series", "--wait-for-panel", "--id-pattern", "SN-("}
                                          << "--id-pattern SN-( is no regular expression: missing closing parenthesis"
                                          << QStringList{};
        QTest::newRow("an id not UTF-8") << QStringList{"write", "t.zcf", "--panel-id", raw(0xFF) + raw(0xFE) + "SN"}
                                         << "--panel-id \\xFF\\xFESN is not valid UTF-8, as the JSON output and the log "
                                            "must be; nothing was opened"
                                         << QStringList{};
        QTest::newRow("json to standard output twice") << QStringList{"read", "--name", "N", "-o", "-", "--json"}
                                                       << "--json and -o - both want standard output" << QStringList{};
        QTest::newRow("a port to check") << QStringList{"check", "t.zcf", "--port", "A"}
                                         << "--port belongs to the write, read and verify commands" << QStringList{};
        QTest::newRow("a log for ports") << QStringList{"ports", "--log", "L"}
                                         << "--log belongs to the write, read, verify and check commands"
                                         << QStringList{};
        QTest::newRow("json for the window") << QStringList{"t.zcf", "--json"}
                                             << "--json belongs to the write, read, verify, check, ports, diff and report commands"
                                             << QStringList{};
        QTest::newRow("ports with a file") << QStringList{"ports", "t.zcf"} << "ports takes no file" << QStringList{};
    }

    void production()
    {
        QFETCH(QStringList, arguments);
        const CommandLine line = CommandLine::parse(QStringList{"durvex-config"} + arguments);
        QTEST(line.error, "error");
        QCOMPARE(line.action, line.error.isEmpty() ? CommandLine::Action::Run : CommandLine::Action::UsageError);
        if (line.error.isEmpty())
            QTEST(line.ports, "ports");
    }

    void stationFromTheEnvironment_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QStringList>("taken"); // station, operator, work order
        QTest::newRow("all three") << QStringList{"write", "t.zcf"}
                                   << QStringList{"DURVEX_STATION=S", "DURVEX_OPERATOR=O", "DURVEX_WORK_ORDER=W"} << ""
                                   << QStringList{"S", "O", "W"};
        QTest::newRow("an option first") << QStringList{"check", "t.zcf", "--station", "T"}
                                         << QStringList{"DURVEX_STATION=S"} << "" << QStringList{"T", "", ""};
        QTest::newRow("refused") << QStringList{"verify", "t.zcf"} << QStringList{"DURVEX_OPERATOR=A\tB"}
                                 << "DURVEX_OPERATOR A\\x09B is not printable text of at most 64 characters"
                                 << QStringList{"", "A\tB", ""};
        QTest::newRow("not for ports") << QStringList{"ports"} << QStringList{"DURVEX_OPERATOR=A\tB"} << ""
                                       << QStringList{"", "", ""};
    }

    void stationFromTheEnvironment()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, environment);
        CommandLine line = CommandLine::parse(QStringList{"durvex-config"} + arguments);
        QVERIFY(line.error.isEmpty());
        const QString error = line.takeStation([&](const char *name) {
            for (const QString &setting : environment)
                if (setting.section('=', 0, 0) == QLatin1String(name))
                    return setting.section('=', 1);
            return QString();
        });
        QTEST(error, "error");
        QTEST((QStringList{line.station, line.operatorName, line.workOrder}), "taken");
    }

    // Each --port a position: LABEL=PORT names it, else the port as given does; with several,
    // --panel-id LABEL=ID gives each its first id.
    void positions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<QStringList>("ids");
        const QStringList write{"write", "t.zcf"};
        QTest::newRow("labelled") << write + QStringList{"--port", "FX1=/dev/ttyUSB0", "--port", "FX2=ttyUSB1"} << ""
                                  << QStringList{"FX1", "FX2"} << QStringList{"/dev/ttyUSB0", "ttyUSB1"} << QStringList{"", ""};
        QTest::newRow("named by the port, whole") << write + QStringList{"--port", "/dev/serial/by-id/usb-FX3-if00", "--port", "B=x"}
                                                  << "" << QStringList{"/dev/serial/by-id/usb-FX3-if00", "B"}
                                                  << QStringList{"/dev/serial/by-id/usb-FX3-if00", "x"} << QStringList{"", ""};
        QTest::newRow("not ASCII") << write + QStringList{"--port", "Stand-Ä=/dev/a"} << "" << QStringList{"Stand-Ä"}
                                   << QStringList{"/dev/a"} << QStringList{};
        QTest::newRow("ids per position") << write + QStringList{"--port", "A=a", "--port", "B=b", "--panel-id", "B=SN-2"}
                                          << "" << QStringList{"A", "B"} << QStringList{"a", "b"} << QStringList{"", "SN-2"};
        // One labelled position takes LABEL=ID as several do.
        QTest::newRow("one position's id by its label") << write + QStringList{"--port", "A=a", "--panel-id", "A=SN-1"} << ""
                                                        << QStringList{"A"} << QStringList{"a"} << QStringList{"SN-1"};
        QTest::newRow("one position's id alone") << write + QStringList{"--port", "A=a", "--panel-id", "SN-1"} << ""
                                                 << QStringList{"A"} << QStringList{"a"} << QStringList{"SN-1"};
        QTest::newRow("one position, another's label") << write + QStringList{"--port", "A=a", "--panel-id", "X=1"}
                                                       << "with a labelled port, --panel-id takes LABEL=ID, LABEL one of A: X=1"
                                                       << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("empty label") << write + QStringList{"--port", "=a"} << "--port =NAME: the label before = is empty"
                                     << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("label with a space") << write + QStringList{"--port", "F X=a"}
                                            << "the label F X is not printable text without spaces" << QStringList{}
                                            << QStringList{} << QStringList{};
        QTest::newRow("label with a control") << write + QStringList{"--port", "F\tX=a"}
                                              << "the label F\\x09X is not printable text without spaces"
                                              << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("no port after the label") << write + QStringList{"--port", "FX="} << "--port needs a value"
                                                 << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("a label twice") << write + QStringList{"--port", "A=a", "--port", "A=b"}
                                       << "the label A is given to two ports" << QStringList{} << QStringList{}
                                       << QStringList{};
        QTest::newRow("a label that is another's port") << write + QStringList{"--port", "b", "--port", "b=c"}
                                                        << "the label b is given to two ports" << QStringList{}
                                                        << QStringList{} << QStringList{};
        QTest::newRow("id without a label") << write + QStringList{"--port", "A=a", "--port", "B=b", "--panel-id", "SN"}
                                            << "with several ports, --panel-id takes LABEL=ID, LABEL one of A, B: SN"
                                            << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("id of no position") << write + QStringList{"--port", "A=a", "--port", "B=b", "--panel-id", "C=1"}
                                           << "with several ports, --panel-id takes LABEL=ID, LABEL one of A, B: C=1"
                                           << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("two ids for one") << write + QStringList{"--port", "A=a", "--port", "B=b", "--panel-id", "A=1",
                                                                "--panel-id", "A=2"}
                                         << "--panel-id is given twice for A" << QStringList{} << QStringList{}
                                         << QStringList{};
        QTest::newRow("events and json") << write + QStringList{"--events", "--json"}
                                         << "--json and --events both want standard output" << QStringList{}
                                         << QStringList{} << QStringList{};
    }

    void positions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        const CommandLine line = CommandLine::parse(QStringList{"durvex-config"} + arguments);
        QCOMPARE(line.error, error);
        if (!error.isEmpty())
            return;
        QTEST(line.labels, "labels");
        QTEST(line.ports, "ports");
        QTEST(line.panelIds, "ids");
    }

    void commandHelp_data()
    {
        using Command = CommandLine::Command;
        QTest::addColumn<Command>("command");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("notShown");
        QTest::newRow("write") << Command::Write
                               << QStringList{"Usage: durvex-config write FILE", "--series", "--wait-for-panel",
                                              "--count N", "--panel-id ID", "--json", "--log FILE", "-q, --quiet",
                                              "Exit status:", "  2    ", "  4    ", "  130  "}
                               << QStringList{"--name", "--force", "  3    "};
        QTest::newRow("read") << Command::Read
                              << QStringList{"Usage: durvex-config read --name NAME", "-o, --output FILE", "--force"}
                              << QStringList{"--series", "  3    "};
        QTest::newRow("verify") << Command::Verify << QStringList{"Usage: durvex-config verify FILE", "  3    "}
                                << QStringList{"--series", "--name"};
        QTest::newRow("check") << Command::Check << QStringList{"Usage: durvex-config check FILE", "--json", "  4    "}
                               << QStringList{"  --port", "  1    ", "  130  "};
        QTest::newRow("diff") << Command::Diff << QStringList{"Usage: durvex-config diff A.zcf B.zcf", "--json", "  3    ", "  4    "}
                              << QStringList{"  --port", "--log", "  1    "};
        QTest::newRow("report") << Command::Report
                                << QStringList{"Usage: durvex-config report LOG...", "--since TIME", "--csv", "--id ID",
                                               "--json", "  4    ", "  64   "}
                                << QStringList{"  --port", "--log", "  1    "};
        QTest::newRow("ports") << Command::Ports << QStringList{"Usage: durvex-config ports", "--json"}
                               << QStringList{"  --port", "--log", "  4    "};
    }

    // Each command's own usage, options and exit codes, and no other command's.
    void commandHelp()
    {
        QFETCH(CommandLine::Command, command);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, notShown);
        const QString text = CommandLine::helpText(command);
        for (const QString &part : shown)
            QVERIFY2(text.contains(part), qPrintable(part));
        for (const QString &part : notShown)
            QVERIFY2(!text.contains(part), qPrintable(part));
        // What the command says of itself is what its help shows.
        QVERIFY(text.contains(QStringLiteral("Usage: durvex-config ") + CommandLine::usage(command).left(40)));
        for (const QString &option : CommandLine::options(command))
            QVERIFY2(text.contains(option), qPrintable(option));
    }

    // Each command's synopsis names every option the command lists below it.
    void synopsisHasEveryOption()
    {
        using Command = CommandLine::Command;
        for (const Command command : {Command::Write, Command::Read, Command::Verify, Command::Check, Command::Diff,
                                      Command::Ports}) {
            const QString text = CommandLine::helpText(command);
            const QString synopsis = text.left(text.indexOf("\n\n"));
            const QString options = text.mid(text.indexOf("Options:"));
            for (const QRegularExpressionMatch &m :
                 QRegularExpression("^  (-\\w)?(?:, )?(--[a-z-]+)", QRegularExpression::MultilineOption).globalMatch(options)) {
                const QString shortName = m.captured(1), option = m.captured(2);
                const bool inSynopsis = synopsis.contains(option)
                    || (!shortName.isEmpty() && (synopsis.contains(shortName + ' ') || synopsis.contains(shortName + ']')));
                QVERIFY2(inSynopsis || option == "--help", qPrintable(CommandLine::commandName(command) + " " + option));
            }
        }
    }

    // --help's list of the --json object's keys is the object's.
    void jsonKeysInHelp()
    {
        QString help = CommandLine::helpText().simplified();
        help = help.mid(help.indexOf("(keys: ") + 7);
        help.truncate(help.indexOf(')'));
        QStringList keys = help.split(", ");
        keys.sort();
        QCOMPARE(keys, RecordFormat::stamped(PanelAttempt().toJson(), {}).keys());
    }

    void commands()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, accepted);
        const CommandLine line = CommandLine::parse(QStringList{"durvex-config"} + arguments);
        QCOMPARE(line.action == CommandLine::Action::Run, accepted);
        if (!accepted)
            return;
        QTEST(line.command, "command");
        QTEST(line.file, "file");
        QTEST(line.name, "name");
        QTEST(line.output, "output");
        QTEST(line.series, "series");
        QTEST(line.force, "force");
    }

    void parse()
    {
        QFETCH(QStringList, arguments);
        const CommandLine line = CommandLine::parse(QStringList{"durvex-config"} + arguments);
        QTEST(line.action, "action");
        QTEST(line.port, "port");
        QTEST(line.file, "file");
        QCOMPARE(line.error.isEmpty(), line.action != CommandLine::Action::UsageError);
    }

    // Run as a user would, with no display at all.
    void withoutADisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: durvex-config [options] [COMMAND] [FILE.zcf]" << "";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "durvex-config " DURVEX_VERSION "\n" << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 64 << ""
                                        << "durvex-config: Unknown option 'bogus'. (see --help)\n";
#ifndef Q_OS_WIN // where the window always has a display
        QTest::newRow("the window") << QStringList{} << 69 << "" << noDisplayLine;
        QTest::newRow("the window with a file") << QStringList{"--port", "/dev/ttyUSB9", README_PATH} << 69 << ""
                                                << noDisplayLine;
#endif
        QTest::newRow("help of a command") << QStringList{"help", "write"} << 0 << "Usage: durvex-config write FILE" << "";
        QTest::newRow("--help after a command") << QStringList{"check", "--help"} << 0
                                                << "Usage: durvex-config check FILE" << "";
        QTest::newRow("unknown command") << QStringList{"wirte", "truck.zcf"} << 64 << ""
                                         << "durvex-config: unknown command 'wirte' (did you mean 'write'?) (see "
                                            "--help)\n";
        QTest::newRow("a window's file not there") << QStringList{"/nonexistent/truck.zcf"} << 4 << ""
                                                   << "durvex-config: /nonexistent/truck.zcf: No such file or "
                                                      "directory\n";
    }

    void withoutADisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcess tool;
        tool.setProcessEnvironment(noDisplay());
        tool.start(QStringLiteral(TOOL_PATH), arguments);
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QTEST(tool.exitCode(), "exitCode");
        const QString stdOut = QString::fromLocal8Bit(tool.readAllStandardOutput());
        QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.startsWith(out), qPrintable(stdOut));
        QCOMPARE(QString::fromLocal8Bit(tool.readAllStandardError()), err);
        if (arguments == QStringList{"--help"})
            for (const char *word : {"--port", "--version", "--trace", "--series", "--name", "--output", "--force",
                                     "write FILE", "read --name", "verify FILE", "DURVEX_PORT", "DURVEX_TRACE",
                                     "dialout", "64", "69", "129", "130", "143", "check FILE", "ports",
                                     "--wait-for-panel", "--count", "--panel-id", "--json", "--log", "--quiet", "-V",
                                     "--skip-matching"})
                QVERIFY2(stdOut.contains(QLatin1String(word)), word);
    }

    // Qt's own options are not taken from the arguments, not even where they are values of
    // the program's: the window here would otherwise come up on Qt's offscreen platform.
    void qtTakesNoArguments()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows always gives the window a display, so Qt's -platform cannot be seen unused");
#endif
        QTemporaryDir dir;
        QFile file(dir.filePath("offscreen")); // a file the window would open without a box
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\"00-00531-MDL or 00-00537-MDL\",\"T\",\"A\",0,\"B\",0,\"C\",0,\"D\",0,\"E\",0,\"F\",0,"
                   "\"G\",0,\"H\",0,\"I\",0,\"J\",0,\"K\",0,\"L\",0,\"BACKLIGHT\",0,\"DIMMING\",0,"
                   "\"NORMAL INDICATOR (%)\",10,\"NORMAL BACKLIGHTING (%)\",10,\"DIMMED BACKLIGHTING AND INDICATOR (%)\",10\r\n");
        file.close();
        QProcess tool;
        QProcessEnvironment env = noDisplay();
        env.insert("DURVEX_EXIT_AFTER_SHOW", "1");
        tool.setProcessEnvironment(env);
        tool.setWorkingDirectory(dir.path());
        tool.start(QStringLiteral(TOOL_PATH), {"--trace", "-platform", "offscreen"});
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        const QString err = QString::fromLocal8Bit(tool.readAllStandardError());
        QVERIFY2(!err.contains("shown after"), qPrintable(err));
        QCOMPARE(tool.exitCode(), 69);
    }

    // Every exit code is in --help's list, in the README's table with its outcome words, and
    // in the manual page's EXIT STATUS, once.
    void exitCodesDocumented()
    {
        const QString help = CommandLine::helpText();
        const QString listed = help.mid(help.indexOf("Exit status:"));
        QList<int> inHelp;
        for (const QRegularExpressionMatch &m : QRegularExpression("^  (\\d+) ", QRegularExpression::MultilineOption).globalMatch(listed))
            inHelp << m.captured(1).toInt();
        QCOMPARE(inHelp, exitCodes);

        QFile readme(QStringLiteral(README_PATH));
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(readme.readAll());
        QString table = text.mid(text.indexOf("| exit code |"));
        table.truncate(table.indexOf("\n\n")); // the table alone
        QList<int> inReadme;
        QStringList outcomes, expected;
        for (const QRegularExpressionMatch &m :
             QRegularExpression("^\\| (\\d+) \\| ([^|]*) \\|", QRegularExpression::MultilineOption).globalMatch(table)) {
            inReadme << m.captured(1).toInt();
            outcomes << m.captured(2);
        }
        QCOMPARE(inReadme, exitCodes);
        for (const ExitCode::Meaning &row : ExitCode::meanings)
            expected << (!row.outcome        ? QStringLiteral("(no object)")
                         : row.otherOutcome ? QStringLiteral("`%1`, `%2`").arg(row.outcome, row.otherOutcome)
                                            : QStringLiteral("`%1`").arg(row.outcome));
        QCOMPARE(outcomes, expected);

        const QString manual = fileText(QFileInfo(README_PATH).dir().filePath("packaging/durvex-config.h2m"));
        QList<int> inManual;
        for (const QRegularExpressionMatch &m :
             QRegularExpression("^\\.B (\\d+)$", QRegularExpression::MultilineOption).globalMatch(manual.mid(manual.indexOf("[EXIT STATUS]"))))
            inManual << m.captured(1).toInt();
        QCOMPARE(inManual, exitCodes);
    }

    // diff: two files compared by what a write of each sends, names told apart, no port.
    void diff_data()
    {
        QTest::addColumn<QByteArray>("b");     // the truck's line, changed
        QTest::addColumn<bool>("json");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("out");  // lines of standard output, or the JSON's keys and values
        const QByteArray truck = truckLine;
        QTest::newRow("the same") << truck << false << 0 << QStringList();
        QTest::newRow("names only") << QByteArray(truck).replace("\"HORN\",0", "\"HOOTER\",0").replace("TRUCK 12", "TRUCK 13")
                                    << false << 0
                                    << QStringList{"SW1 NAME: a.zcf \"HORN\", b.zcf \"HOOTER\"",
                                                   "PANEL NAME: a.zcf \"TRUCK 12\", b.zcf \"TRUCK 13\""};
        QTest::newRow("one item") << QByteArray(truck).replace("\"BEACON\",29", "\"BEACON\",28") << false << 3
                                  << QStringList{"SW3: a.zcf module C channel 10, b.zcf module C channel 9"};
        // The rule takes b's backlighting down to its indicator: what a write sends differs.
        QTest::newRow("a value the rule adjusts")
            << QByteArray(truck).replace("(%)\",10,", "(%)\",5,") << false << 3
            << QStringList{"NORMAL BACKLIGHTING (%): a.zcf 80 %, b.zcf 80 % (a write sends 70 %)",
                           "NORMAL INDICATOR (%): a.zcf 100 %, b.zcf 70 %"};
        QTest::newRow("json") << QByteArray(truck).replace("\"BEACON\",29", "\"BEACON\",160").replace("TRUCK 12", "TRUCK 13")
                              << true << 3
                              << QStringList{"outcome=differs", "differences=SW3|2|module C channel 10|N/A|module C channel 10|N/A",
                                             "names=PANEL NAME|TRUCK 12|TRUCK 13"};
        QTest::newRow("a file that is not there") << QByteArray() << false << 4 << QStringList();
        QTest::newRow("a file for another model") << QByteArray(truck).replace("00537", "00538") << true << 4
                                                  << QStringList{"outcome=file-refused", "differences=", "names="};
    }

    void diff()
    {
        QFETCH(QByteArray, b);
        QFETCH(bool, json);
        QFETCH(QStringList, out);
        QTemporaryDir dir;
        QFile a(dir.filePath("a.zcf"));
        QVERIFY(a.open(QIODevice::WriteOnly) && a.write(truckLine) > 0);
        a.close();
        if (!b.isEmpty()) {
            QFile file(dir.filePath("b.zcf"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(b) > 0);
        }
        QProcess tool;
        tool.setProcessEnvironment(noDisplay());
        tool.setWorkingDirectory(dir.path());
        tool.start(TOOL_PATH, QStringList{"diff", "a.zcf", "b.zcf"} + (json ? QStringList{"--json"} : QStringList()));
        QVERIFY(tool.waitForFinished(20000));
        const QString err = QString::fromLocal8Bit(tool.readAllStandardError());
        QFETCH(int, exitCode);
        QVERIFY2(tool.exitCode() == exitCode, qPrintable(err));
        const QString stdOut = QString::fromLocal8Bit(tool.readAllStandardOutput());
        if (exitCode == 4)
            QVERIFY2(err.startsWith("durvex-config: b.zcf"), qPrintable(err));
        if (!json) {
            QCOMPARE(stdOut.split('\n', Qt::SkipEmptyParts), out);
            return;
        }
        // "key=value", an array as its first object's values joined by |, null as nothing.
        const QJsonObject object = QJsonDocument::fromJson(stdOut.toUtf8()).object();
        QCOMPARE(object.value("command").toString(), QStringLiteral("diff"));
        QCOMPARE(object.value("exit").toInt(), exitCode);
        for (const QString &expected : std::as_const(out)) {
            const QString key = expected.section('=', 0, 0);
            const QJsonValue value = object.value(key);
            QString shown;
            if (value.isArray()) {
                QStringList parts;
                const QJsonObject first = value.toArray().first().toObject();
                const QStringList keys = key == "differences" ? QStringList{"item", "address", "a", "b", "a_sends", "b_sends"}
                                                              : QStringList{"item", "a", "b"};
                for (const QString &k : keys)
                    parts << first.value(k).toVariant().toString();
                shown = parts.join('|');
            } else {
                shown = value.toVariant().toString();
            }
            QCOMPARE(key + '=' + shown, expected);
        }
    }

    // The example files the README's commands and the manual page name are there, and check
    // takes each as it stands, from where the commands run: the repository, or as installed.
    void examplesInTheDocs()
    {
        const QDir source = QFileInfo(README_PATH).dir();
        QStringList named;
        for (const QString &doc : {QStringLiteral(README_PATH), source.filePath("packaging/durvex-config.h2m")})
            for (const QRegularExpressionMatch &m :
                 QRegularExpression("examples/([a-z0-9-]+\\.zcf)").globalMatch(fileText(doc)))
                named << m.captured(1);
        named.removeDuplicates();
        QVERIFY(named.contains("truck.zcf"));
        const QSet<QString> examples(named.begin(), named.end());
        QCOMPARE(examples, (QSet<QString>{"truck.zcf", "all-picked.zcf", "windows-1252.zcf"}));
        for (const QString &example : std::as_const(named)) {
            QProcess tool;
            tool.setProcessEnvironment(noDisplay());
            tool.setWorkingDirectory(source.path());
            tool.start(TOOL_PATH, {"check", "examples/" + example});
            QVERIFY(tool.waitForFinished(20000));
            QVERIFY2(tool.exitCode() == 0, qPrintable(example + ": " + tool.readAllStandardError()));
        }
    }

    // The README's examples of a --json object and of a log record have the keys the
    // program gives them.
    void keysDocumented()
    {
        const QString text = fileText(README_PATH);
        // Each example's first line, by what it is: a --json object has no event.
        QMap<QString, QJsonObject> examples;
        for (const QRegularExpressionMatch &m : QRegularExpression("```json\\n(.*?)\\n",
                                                                   QRegularExpression::DotMatchesEverythingOption)
                                                    .globalMatch(text)) {
            const QJsonObject example = QJsonDocument::fromJson(m.captured(1).toUtf8()).object();
            examples.insert(example.value("event").toString(), example);
        }
        QVERIFY(examples.contains("") && examples.contains("attempt"));
        RunSummary summary;
        summary.positions.append(RunSummary::Position{});
        const QJsonObject summaryObject = summary.toJson();
        QJsonObject toldSummary = RecordFormat::stamped(summaryObject, {}); // as the events tell it
        toldSummary.insert("time", QString());
        QCOMPARE(examples["summary"].keys(), toldSummary.keys());
        QCOMPARE(examples["summary"]["positions"][0].toObject().keys(),
                 summaryObject["positions"][0].toObject().keys());
        const QJsonObject object = PanelAttempt().toJson();
        QCOMPARE(examples[""].keys(), RecordFormat::stamped(object, {}).keys()); // as JsonSink prints it

        QTemporaryDir dir;
        ProgrammingLog log;
        QString reason;
        QVERIFY(log.open(dir.filePath("programming.log"), &reason));
        QVERIFY(log.append(object, "00", &reason));
        // The line's own records, as the log writes them.
        QVERIFY(log.appendRecord(Seating().toJson(), &reason));
        QVERIFY(log.appendRecord(IdRecord().toJson(), &reason));
        QFile written(dir.filePath("programming.log"));
        QVERIFY(written.open(QIODevice::ReadOnly));
        for (const char *event : {"attempt", "seating", "id"}) {
            const QJsonObject record = QJsonDocument::fromJson(written.readLine()).object();
            QCOMPARE(record.value("event").toString(), QString::fromLatin1(event));
            QCOMPARE(examples[event].keys(), record.keys());
        }
    }

    // The report's figures: the README's table of them and its CSV example are the
    // program's, and `help report` gives the CSV's header as the program prints it.
    void reportDocumented()
    {
        const QString text = fileText(README_PATH);
        QString table = text.mid(text.indexOf("| figure |"));
        table.truncate(table.indexOf("\n\n"));
        QStringList inReadme;
        for (const QRegularExpressionMatch &m : QRegularExpression("^\\| `([a-z0-9_]+)` \\|", QRegularExpression::MultilineOption).globalMatch(table))
            inReadme << m.captured(1);
        QCOMPARE(inReadme, ReportCommand::figureKeys());
        const qsizetype csv = text.indexOf("```csv\n");
        QVERIFY(csv >= 0);
        QCOMPARE(text.mid(csv + 7).section('\n', 0, 0).toUtf8(), ReportCommand::csvHeader());
        QString help = CommandLine::helpText(CommandLine::Command::Report);
        QVERIFY2(help.remove(QRegularExpression("\\n\\s*")).contains(QString::fromUtf8(ReportCommand::csvHeader())),
                 qPrintable(help));
    }

    // The README's table of reasons is the program's, word for word and in order.
    void reasonsDocumented()
    {
        const QString text = fileText(README_PATH);
        QString table = text.mid(text.indexOf("| `reason` |"));
        table.truncate(table.indexOf("\n\n"));
        table.remove(0, table.indexOf('\n')); // the heading
        QStringList inReadme, inCode;
        for (const QRegularExpressionMatch &m : QRegularExpression("^\\| `([a-z-]+)` \\|", QRegularExpression::MultilineOption).globalMatch(table))
            inReadme << m.captured(1);
        for (const AttemptReason::Row &row : AttemptReason::rows)
            inCode << QString::fromLatin1(row.word);
        QCOMPARE(inReadme, inCode);
    }
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
