#include "cli/commandline.h"
#include "version.h"

#include <QProcess>
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
                                     "dialout", "64", "130"})
                QVERIFY2(stdOut.contains(QLatin1String(word)), word);
    }
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
