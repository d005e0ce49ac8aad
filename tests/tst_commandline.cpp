#include "cli/commandline.h"
#include "version.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The program's command line: what it takes, and that --help, --version and usage errors
// need no display.

Q_DECLARE_METATYPE(CommandLine::Action)
Q_DECLARE_METATYPE(CommandLine::Command)

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
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
        QTest::newRow("series to verify") << QStringList{"verify", "t.zcf", "--series"} << false << Command::Window
                                          << "" << "" << "" << false << false;
        QTest::newRow("name to write") << QStringList{"write", "t.zcf", "--name", "N"} << false << Command::Window << ""
                                       << "" << "" << false << false;
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
        QTest::newRow("the same device by a link") << QStringList{"verify", "t.zcf", "--port", "/dev/null", "--port",
                                                                  "/dev/../dev/null"}
                                                   << "port /dev/../dev/null is given twice" << QStringList{};
        QTest::newRow("read on two") << QStringList{"read", "--name", "N", "--port", "A", "--port", "B"}
                                     << "only write and verify take several ports" << QStringList{};
        QTest::newRow("hands-free") << QStringList{"write", "t.zcf", "--series", "--wait-for-panel", "--count", "5"}
                                    << "" << QStringList{};
        QTest::newRow("hands-free without a series") << QStringList{"write", "t.zcf", "--wait-for-panel"}
                                                     << "--wait-for-panel and --count belong to a series: add --series"
                                                     << QStringList{};
        QTest::newRow("no count") << QStringList{"write", "t.zcf", "--series", "--count", "0"}
                                  << "--count takes a number of panels, 1 or more" << QStringList{};
        QTest::newRow("one id for many") << QStringList{"write", "t.zcf", "--series", "--wait-for-panel", "--panel-id", "X"}
                                         << "--panel-id names one panel; a hands-free series programs many"
                                         << QStringList{};
        QTest::newRow("json to standard output twice") << QStringList{"read", "--name", "N", "-o", "-", "--json"}
                                                       << "--json and -o - both want standard output" << QStringList{};
        QTest::newRow("a port to check") << QStringList{"check", "t.zcf", "--port", "A"}
                                         << "--port belongs to the write, read and verify commands" << QStringList{};
        QTest::newRow("a log for ports") << QStringList{"ports", "--log", "L"}
                                         << "--log belongs to the write, read, verify and check commands"
                                         << QStringList{};
        QTest::newRow("json for the window") << QStringList{"t.zcf", "--json"}
                                             << "--json belongs to the write, read, verify, check and ports commands"
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
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        tool.setProcessEnvironment(env);
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
                                     "dialout", "64", "130", "check FILE", "ports", "--wait-for-panel", "--count",
                                     "--panel-id", "--json", "--log", "--quiet", "-V"})
                QVERIFY2(stdOut.contains(QLatin1String(word)), word);
    }
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
