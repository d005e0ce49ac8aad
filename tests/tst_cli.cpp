#include "modaldriver.h"
#include "virtualpanel.h"
#include "windowfixture.h"

#include "link/serialportline.h"

#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

// The command line over a pseudo-terminal against the virtual panel, run as a user would,
// with no display: the same bytes on the wire as the window's, the same files, its exit codes.

namespace {

const QByteArray truckLine =
    "\"00-00531-MDL or 00-00537-MDL\",\"TRUCK 12\",\"HORN\",0,\"WIPERS\",11,\"BEACON\",29,\"DESIGNATION \",160,"
    "\"DESIGNATION \",160,\"DESIGNATION \",160,\"HORN ON\",0,\"WIPERS ON\",12,\"BEACON ON\",30,\"DESIGNATION \",160,"
    "\"DESIGNATION \",160,\"DESIGNATION \",160,\"BACKLIGHT\",159,\"DIMMING\",158,\"NORMAL INDICATOR (%)\",10,"
    "\"NORMAL BACKLIGHTING (%)\",6,\"DIMMED BACKLIGHTING AND INDICATOR (%)\",1\r\n";
// The truck's seventeen bytes, as a panel holds them once written.
const QStringList truckPanel = {"--set", "0=0", "--set", "1=11", "--set", "2=29", "--set", "3=160", "--set", "4=160",
                                "--set", "5=160", "--set", "6=0", "--set", "7=12", "--set", "8=30", "--set", "9=160",
                                "--set", "10=160", "--set", "11=160", "--set", "12=159", "--set", "13=158",
                                "--set", "14=6", "--set", "15=10", "--set", "16=1"};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Run
{
    int exitCode = -1;
    QString out, err;
};

QProcessEnvironment noDisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DURVEX_PORT"})
        env.remove(QString::fromLatin1(name));
    return env;
}

Run tool(const QStringList &arguments, const QString &folder)
{
    QProcess process;
    process.setProcessEnvironment(noDisplay());
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral(TOOL_PATH), arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()), QString::fromLocal8Bit(process.readAllStandardError())};
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QFile f(dir.filePath("truck.zcf"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(truckLine);
        QFile notes(dir.filePath("notes.zcf")); // there, but no configuration
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("shopping list\n");
    }

    // write sends exactly the bytes the window's write sends for the same file.
    void writeAsTheWindowDoes()
    {
        VirtualPanel byTool;
        const Run run = tool({"write", "truck.zcf", "--port", byTool.port()}, dir.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QStringLiteral("STARTING COMMUNICATIONS TO WRITE SWITCH PANEL CONFIGURATION\n"
                                         "COMMUNICATIONS OK\nSWITCH PANEL HAS BEEN PROGRAMMED\n"
                                         "  Port %1, panel model 74\n")
                              .arg(byTool.port()));

        VirtualPanel byWindow;
        auto w = makeWindow(std::make_unique<SerialPortLine>(byWindow.port()));
        w->openFile(dir.filePath("truck.zcf"));
        w->control<QAbstractButton>("WRITE_CONFIG")->click();
        QCOMPARE(w->statusText(), QStringLiteral("SWITCH PANEL HAS BEEN PROGRAMMED"));
        QCOMPARE(byTool.received(), byWindow.received());
        QCOMPARE(byTool.memory(), byWindow.memory());
    }

    // read saves the record that the window's read and save give.
    void readAsTheWindowDoes()
    {
        VirtualPanel panel(truckPanel);
        const Run run = tool({"read", "--name", "FROM PANEL", "--port", panel.port()}, dir.path());
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.endsWith("SAVED FROM PANEL.zcf\n"));

        auto w = makeWindow(std::make_unique<SerialPortLine>(panel.port()));
        ModalDriver driver;
        w->control<QAbstractButton>("READ_CONFIG")->click();
        w->setBoxText("Text2", "FROM PANEL");
        w->setFileDialog([&](bool, const QString &, const QString &, const QString &) {
            return std::optional<QString>(dir.filePath("window.zcf"));
        });
        w->control<QAbstractButton>("WRITE_FILE")->click();
        QCOMPARE(readAll(dir.filePath("FROM PANEL.zcf")), readAll(dir.filePath("window.zcf")));
        QCOMPARE(driver.boxes.size(), 0);
    }

    void verify_data()
    {
        QTest::addColumn<QStringList>("panelArgs");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::newRow("matches") << truckPanel << 0 << "THE SWITCH PANEL MATCHES truck.zcf\n";
        QTest::newRow("a switch") << truckPanel + QStringList{"--set", "2=28"} << 3
                                  << "SW3: panel module C channel 9, file module C channel 10\n";
        QTest::newRow("an LED") << truckPanel + QStringList{"--set", "9=5"} << 3
                                << "LED4: panel module A channel 6, file N/A\n";
        QTest::newRow("the backlight") << truckPanel + QStringList{"--set", "12=160"} << 3
                                       << "BACKLIGHT: panel N/A, file module P channel 10\n";
        QTest::newRow("an intensity") << truckPanel + QStringList{"--set", "14=0"} << 3
                                      << "NORMAL BACKLIGHTING (%): panel 100 % (code 0), file 80 %\n";
    }

    // verify reads the panel, never writes it, and names what differs as the window shows it.
    void verify()
    {
        QFETCH(QStringList, panelArgs);
        VirtualPanel panel(panelArgs);
        QTRY_VERIFY(panel.memory().size() == 64);
        const QByteArray before = panel.memory();
        const Run run = tool({"verify", "truck.zcf", "--port", panel.port()}, dir.path());
        QTEST(run.exitCode, "exitCode");
        QTEST(run.out, "out");
        QCOMPARE(panel.memory(), before);
        QVERIFY(!panel.received().contains('S'));
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("panelArgs");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("lastLine");
        // The status line's detail, on the lines after it.
        QTest::addColumn<QStringList>("detail");
        QTest::newRow("programmed") << QStringList{} << QStringList{"write", "truck.zcf"} << 0
                                    << "SWITCH PANEL HAS BEEN PROGRAMMED" << QStringList{"  Port %1, panel model 74"};
        QTest::newRow("no answer") << QStringList{"--silent"} << QStringList{"write", "truck.zcf"} << 1
                                   << "COMMUNICATIONS FAILURE SWITCH PANEL FAILED TO RESPOND ON %1"
                                   << QStringList{"  No answer to the attention command"};
        QTest::newRow("bad data") << QStringList{"--reply", "4=xx"} << QStringList{"verify", "truck.zcf"} << 1
                                  << "COMMUNICATIONS FAILURE-BAD SWITCH PANEL DATA"
                                  << QStringList{"  SW5 (address 4): short reply \"xx\"", "  Port %1, panel model 74"};
        QTest::newRow("read-back differs") << QStringList{"--no-verify", "1"} << QStringList{"write", "truck.zcf"} << 1
                                           << "COMMUNICATIONS FAILURE-BAD SWITCH PANEL DATA"
                                           << QStringList{"  SW2 (address 1): wrote module B channel 2, read back "
                                                          "module B channel 3",
                                                          "  Port %1, panel model 74"};
        QTest::newRow("wrong model") << QStringList{"--model", "75"} << QStringList{"write", "truck.zcf"} << 2
                                     << "SWITCH PANEL/CONFIGURATION MIS-MATCH: THE SWITCH PANEL THAT YOU HAVE ATTEMPTED "
                                        "TO WRITE DATA TO DOES NOT MATCH THIS CONFIGURATION PROGRAM"
                                     << QStringList{"  the panel reports model 75", "  Port %1"};
        QTest::newRow("file refused") << QStringList{} << QStringList{"write", "notes.zcf"} << 4
                                      << "  -------------THE FILE READ OPERATION IS BEING ABANDONED!--------------"
                                      << QStringList{};
        QTest::newRow("file missing") << QStringList{} << QStringList{"write", "missing.zcf"} << 4
                                      << "durvex-config: missing.zcf: No such file or directory" << QStringList{};
        QTest::newRow("file exists") << QStringList{} << QStringList{"read", "--name", "TRUCK 12", "-o", "truck.zcf"} << 4
                                     << "durvex-config: truck.zcf exists; --force replaces it" << QStringList{};
        QTest::newRow("name the box refuses") << QStringList{} << QStringList{"read", "--name", "THIRTEEN CHAR"} << 64
                                              << "durvex-config: the panel name box would refuse \"THIRTEEN CHAR\": at "
                                                 "most 12 characters, no double quote or control character (see --help)"
                                              << QStringList{};
        QTest::newRow("usage") << QStringList{} << QStringList{"verify"} << 64
                               << "durvex-config: verify needs a configuration file (see --help)" << QStringList{};
    }

    void exitCodes()
    {
        QFETCH(QStringList, panelArgs);
        QFETCH(QStringList, arguments);
        QFETCH(QString, lastLine);
        VirtualPanel panel(panelArgs);
        const Run run = tool(arguments + QStringList{"--port", panel.port()}, dir.path());
        QTEST(run.exitCode, "exitCode");
        QFETCH(QStringList, detail);
        const QStringList lines = run.err.split('\n', Qt::SkipEmptyParts);
        const auto onPort = [&](const QString &line) { return line.contains("%1") ? line.arg(panel.port()) : line; };
        QCOMPARE(lines.value(lines.size() - 1 - detail.size()), onPort(lastLine));
        for (int i = 0; i < detail.size(); ++i)
            QCOMPARE(lines.value(lines.size() - detail.size() + i), onPort(detail[i]));
    }

    // A production line: two panels programmed with a failed one between, tried again.
    void series()
    {
        const QString link = dir.filePath("panel");
        auto panel = std::make_unique<VirtualPanel>(QStringList{"--link", link});
        QProcess process;
        process.setProcessEnvironment(noDisplay());
        process.setWorkingDirectory(dir.path());
        process.setReadChannel(QProcess::StandardError);
        process.start(QStringLiteral(TOOL_PATH), {"write", "truck.zcf", "--series", "--port", link});
        QString err;
        const auto waitFor = [&](const QString &text) {
            while (!err.contains(text) && process.waitForReadyRead(10000))
                err += QString::fromLocal8Bit(process.readAllStandardError());
            return err.contains(text);
        };
        QVERIFY(waitFor("Connect panel 2"));
        panel.reset(); // its link goes with it
        panel = std::make_unique<VirtualPanel>(QStringList{"--link", link, "--silent"}); // a panel that fails
        process.write("\n");
        QVERIFY(waitFor("Press Enter to try panel 2 again"));
        panel.reset();
        panel = std::make_unique<VirtualPanel>(QStringList{"--link", link});
        process.write("\n");
        QVERIFY(waitFor("Connect panel 3"));
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(10000));
        err += QString::fromLocal8Bit(process.readAllStandardError());
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(err.contains("PANEL 1: PROGRAMMED"));
        QVERIFY(err.contains("PANEL 2: FAILED - COMMUNICATIONS FAILURE SWITCH PANEL FAILED TO RESPOND ON"));
        QVERIFY(err.contains("PANEL 2: PROGRAMMED"));
        QVERIFY(err.endsWith("SUMMARY: 2 PROGRAMMED, 1 FAILED\n"));
        const QByteArray written = panel->memory();
        for (int a = 0; a < 17; ++a)
            QCOMPARE(QString::number(quint8(written[a])), truckPanel[2 * a + 1].section('=', 1));
    }

    // Ctrl+C ends the transfer at its current wait, with the port closed.
    void interrupted()
    {
        VirtualPanel panel;
        QProcess process;
        process.setProcessEnvironment(noDisplay());
        process.setWorkingDirectory(dir.path());
        process.start(QStringLiteral(TOOL_PATH), {"write", "truck.zcf", "--port", panel.port()});
        QVERIFY(process.waitForStarted());
        QTest::qWait(700);
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(1000));
        QCOMPARE(process.exitCode(), 130);
        const QByteArray atExit = panel.received();
        QVERIFY(atExit.size() > 1 && atExit.size() < 17 * 12);
        QTest::qWait(300);
        QCOMPARE(panel.received(), atExit);
        SerialPortLine again(panel.port()); // the port is free again
        SerialLine::OpenFailure failure;
        QVERIFY(again.open(&failure));
    }
};

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
