#include "app/commandline.h"

#include <QProcess>
#include <QTest>

// The program's command line: what it takes, and that --help, --version and usage errors
// need no display.

Q_DECLARE_METATYPE(CommandLine::Action)

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
        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: durvex-config [options] [FILE.zcf]" << "";
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
            for (const char *word : {"--port", "--version", "DURVEX_PORT", "DURVEX_TRACE", "dialout", "64"})
                QVERIFY2(stdOut.contains(QLatin1String(word)), word);
    }
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
