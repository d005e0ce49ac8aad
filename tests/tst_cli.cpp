#include "modaldriver.h"
#include "truckfile.h"
#include "virtualpanel.h"
#include "windowfixture.h"

#include "link/serialportline.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#ifdef Q_OS_LINUX
#include <sys/sysmacros.h>
#endif
#include <termios.h>
#include <unistd.h>

// The command line over a pseudo-terminal against the virtual panel, run as a user would,
// with no display: the same bytes on the wire as the window's, the same files, its exit codes.

namespace {

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

// How the tool's standard streams are set up: closed, on a full device, stderr on a pipe
// that nobody reads; and a file size limit, as a full disk gives.
struct Streams
{
    bool closed[3] = {false, false, false};
    bool fullOutput = false;
    bool brokenErrorPipe = false;
    rlim_t fileSizeLimit = 0;

    static Streams from(const QString &spec) // "closed 0 1 2", "full 1", "broken 2"
    {
        Streams streams;
        const QStringList words = spec.split(' ', Qt::SkipEmptyParts);
        for (const QString &word : words.mid(1)) {
            if (words.value(0) == "closed")
                streams.closed[word.toInt()] = true;
            else if (words.value(0) == "full")
                streams.fullOutput = true;
            else if (words.value(0) == "broken")
                streams.brokenErrorPipe = true;
        }
        return streams;
    }

    // Runs in the child between fork and exec: system calls only.
    void apply(QProcess &process) const
    {
        if (fullOutput)
            process.setStandardOutputFile(QStringLiteral("/dev/full"));
        process.setChildProcessModifier([streams = *this] {
            for (int fd = 0; fd < 3; ++fd)
                if (streams.closed[fd])
                    ::close(fd);
            int fds[2];
            if (streams.brokenErrorPipe && ::pipe(fds) == 0) {
                ::dup2(fds[1], 2);
                ::close(fds[0]);
                ::close(fds[1]);
            }
            if (streams.fileSizeLimit > 0) {
                ::signal(SIGXFSZ, SIG_DFL); // the tool turns the signal into a failed write
                const rlimit limit{streams.fileSizeLimit, streams.fileSizeLimit};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
        });
    }
};

Run tool(const QStringList &arguments, const QString &folder, const Streams &streams = {})
{
    QProcess process;
    process.setProcessEnvironment(noDisplay());
    process.setWorkingDirectory(folder);
    streams.apply(process);
    process.start(QStringLiteral(TOOL_PATH), arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()), QString::fromLocal8Bit(process.readAllStandardError())};
}

// The tool run with `raw` as the argument "@RAW@": bytes that are not UTF-8 cannot pass
// through QProcess's arguments, so a shell takes them from the environment.
Run toolWithRawArgument(const QStringList &arguments, const QByteArray &raw, const QString &folder)
{
    // "NAME=@RAW@" sets the environment variable NAME to the raw bytes.
    QString settings;
    QString script = QStringLiteral("exec \"$0\"");
    for (const QString &argument : arguments) {
        if (argument.endsWith("=@RAW@"))
            settings += argument.chopped(5) + "\"$DURVEX_TEST_RAW\" ";
        else
            script += argument == "@RAW@" ? QStringLiteral(" \"$DURVEX_TEST_RAW\"")
                                          : " '" + QString(argument).replace("'", "'\\''") + "'";
    }
    script.prepend(settings);
    qputenv("DURVEX_TEST_RAW", raw);
    QProcess process;
    process.setProcessEnvironment(noDisplay());
    qunsetenv("DURVEX_TEST_RAW");
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral("/bin/sh"), {"-c", script, QStringLiteral(TOOL_PATH)});
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()), QString::fromLocal8Bit(process.readAllStandardError())};
}

QString lastLine(const QString &text)
{
    const QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    return lines.value(lines.size() - 1);
}

// The write commands a panel received.
int writeCommands(const QByteArray &received)
{
    return int(received.count(QByteArray("S\0", 2)));
}

// Whether the process has its own handler for the signal yet (Linux).
bool catches(qint64 pid, int signal)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:"))
            return line.mid(7).trimmed().toULongLong(nullptr, 16) & (1ULL << (signal - 1));
    return false;
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

    // A panel whose indicator (50 %) is below its backlighting (80 %): the window's rule takes
    // the backlighting down as it reads, and the command line says so, in its lines and in
    // --json; verify of a file holding the same names the file's value and what a write sends.
    void adjustedValuesAreSaid()
    {
        VirtualPanel panel(truckPanel + QStringList{"--set", "15=3"});
        const Run read = tool({"read", "--name", "RULE", "--json", "--port", panel.port()}, dir.path());
        QCOMPARE(read.exitCode, 0);
        QVERIFY2(read.err.endsWith("ADJUSTED NORMAL BACKLIGHTING (%): panel 80 %, saved as 50 %\nSAVED RULE.zcf\n"),
                 qPrintable(read.err));
        QVERIFY(readAll(dir.filePath("RULE.zcf")).contains("\"NORMAL BACKLIGHTING (%)\",3,"));
        const QJsonArray adjusted = QJsonDocument::fromJson(read.out.toUtf8()).object()["adjusted"].toArray();
        QCOMPARE(adjusted.size(), 1);
        QCOMPARE(adjusted[0]["item"].toString(), "NORMAL BACKLIGHTING (%)");
        QCOMPARE(adjusted[0]["found"].toString(), "80 %");
        QCOMPARE(adjusted[0]["used"].toString(), "50 %");
        QCOMPARE(adjusted[0]["found_code"].toInt(), 6);
        QCOMPARE(adjusted[0]["used_code"].toInt(), 3);

        QFile file(dir.filePath("rule.zcf"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(truckLine).replace("INDICATOR (%)\",10,", "INDICATOR (%)\",3,"));
        file.close();
        const Run verify = tool({"verify", "rule.zcf", "--port", panel.port()}, dir.path());
        QCOMPARE(verify.exitCode, 3);
        QCOMPARE(verify.out, "NORMAL BACKLIGHTING (%): panel 80 %, file 80 %, a write sends 50 %\n");
        QVERIFY(verify.err.contains("ADJUSTED NORMAL BACKLIGHTING (%): file 80 %, a write sends 50 %\n"));
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

    // Each way a panel attempt ends has its one word and the address that failed, in the
    // JSON object; the signals' words are in interrupted(), the reasons no run as root can
    // meet in tst_attempt.
    void reasons_data()
    {
        QTest::addColumn<QStringList>("panelArgs");
        QTest::addColumn<QStringList>("arguments"); // %1: the panel's port
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("reason"); // empty: null
        QTest::addColumn<int>("address");    // -1: null
        const QStringList write = {"write", "truck.zcf", "--port", "%1"};
        const QStringList verify = {"verify", "truck.zcf", "--port", "%1"};
        QTest::newRow("done") << QStringList{} << write << 0 << "done" << "" << -1;
        QTest::newRow("differs") << QStringList{} << verify << 3 << "differs" << "" << -1;
        QTest::newRow("no-response") << QStringList{"--silent"} << write << 1 << "failed" << "no-response" << -1;
        QTest::newRow("no-acknowledgement") << QStringList{"--write-ack", "3=X"} << write << 1 << "failed"
                                            << "no-acknowledgement" << 3;
        QTest::newRow("verify-failed") << QStringList{"--no-verify", "1"} << write << 1 << "failed" << "verify-failed" << 1;
        QTest::newRow("bad-reply") << QStringList{"--reply", "4=xx"} << verify << 1 << "failed" << "bad-reply" << 4;
        QTest::newRow("bad-reply of the model") << QStringList{"--reply", "63=xx"} << write << 1 << "failed"
                                                << "bad-reply" << 63;
        QTest::newRow("out-of-range") << QStringList{"--reply", "5=02000"} << verify << 1 << "failed" << "out-of-range" << 5;
        // A, the model, the first byte's write and read-back; the panel hangs up at the next.
        QTest::newRow("line-lost") << QStringList{"--hangup-after", "4"} << write << 1 << "failed" << "line-lost" << 1;
        QTest::newRow("wrong-model") << QStringList{"--model", "75"} << write << 2 << "wrong-model" << "wrong-model" << -1;
        QTest::newRow("port-not-found") << QStringList{} << QStringList{"write", "truck.zcf", "--port", "/dev/durvex-none"}
                                        << 1 << "failed" << "port-not-found" << -1;
        QTest::newRow("not-a-serial-port") << QStringList{} << QStringList{"write", "truck.zcf", "--port", "/dev/null"}
                                           << 1 << "failed" << "not-a-serial-port" << -1;
        QTest::newRow("port-in-use") << QStringList{"hold"} << write << 1 << "failed" << "port-in-use" << -1;
        QTest::newRow("file-refused") << QStringList{} << QStringList{"write", "notes.zcf", "--port", "%1"} << 4
                                      << "file-refused" << "file-refused" << -1;
    }

    void reasons()
    {
        QFETCH(QStringList, panelArgs);
        QFETCH(QStringList, arguments);
        const bool hold = panelArgs == QStringList{"hold"};
        VirtualPanel panel(hold ? QStringList{} : panelArgs);
        SerialPortLine holder(panel.port()); // another program on the port
        SerialLine::OpenFailure failure;
        QVERIFY(!hold || holder.open(&failure));
        const Run run = tool(arguments.replaceInStrings("%1", panel.port()) << "--json", dir.path());
        QTEST(run.exitCode, "exitCode");
        const QJsonObject result = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QTEST(result.value("outcome").toString(), "outcome");
        QTEST(result.value("reason").toString(), "reason");
        QFETCH(QString, reason);
        QCOMPARE(result.value("reason").isNull(), reason.isEmpty());
        QTEST(result.value("address").toInt(-1), "address");
        QCOMPARE(result.value("exit").toInt(), run.exitCode);
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
        QVERIFY(err.contains("\nSUMMARY: 2 UNITS, 2 PROGRAMMED, 0 UNCHANGED, 1 FAILED, FIRST-PASS YIELD 50 %, FINAL YIELD 100 %\n"));
        const QByteArray written = panel->memory();
        for (int a = 0; a < 17; ++a)
            QCOMPARE(QString::number(quint8(written[a])), truckPanel[2 * a + 1].section('=', 1));
    }

    // A failed panel of a series is told by its own outcome, not by the status line's last
    // words ("COMMUNICATIONS OK" after the model byte).
    void seriesSaysWhy_data()
    {
        QTest::addColumn<QStringList>("panelArgs");
        QTest::addColumn<bool>("interrupt");
        QTest::addColumn<QString>("line");
        QTest::newRow("wrong model") << QStringList{"--model", "75"} << false
                                     << "PANEL 1: FAILED - SWITCH PANEL/CONFIGURATION MIS-MATCH";
        QTest::newRow("interrupted") << QStringList{"--ack-delay", "5000"} << true << "PANEL 1: FAILED - INTERRUPTED";
    }

    void seriesSaysWhy()
    {
        QFETCH(QStringList, panelArgs);
        QFETCH(bool, interrupt);
        VirtualPanel panel(panelArgs);
        QProcess process;
        process.setProcessEnvironment(noDisplay());
        process.setWorkingDirectory(dir.path());
        process.start(QStringLiteral(TOOL_PATH), {"write", "truck.zcf", "--series", "--port", panel.port()});
        QVERIFY(process.waitForStarted());
        if (interrupt) {
            QTest::qWait(500);
            ::kill(pid_t(process.processId()), SIGINT);
        } else {
            process.closeWriteChannel();
        }
        QVERIFY(process.waitForFinished(15000));
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        QFETCH(QString, line);
        QVERIFY2(err.contains(line), qPrintable(err));
        QVERIFY(!err.contains("FAILED - COMMUNICATIONS OK"));
    }

    void interrupted_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("Ctrl+C") << int(SIGINT) << 130 << "interrupted";
        QTest::newRow("SIGTERM") << int(SIGTERM) << 143 << "terminated";
        QTest::newRow("SIGHUP") << int(SIGHUP) << 129 << "hung-up";
    }

    // Ctrl+C, SIGTERM and SIGHUP end the transfer at its current wait, with the port closed
    // (its lock gone) and the trace ended; the result names the signal, and the model once read.
    void interrupted()
    {
        QFETCH(int, signal);
        QFETCH(QString, outcome);
        VirtualPanel panel;
        const QString trace = dir.filePath(QStringLiteral("interrupted-%1.trace").arg(signal));
        QProcess process;
        process.setProcessEnvironment(noDisplay());
        process.setWorkingDirectory(dir.path());
        process.start(QStringLiteral(TOOL_PATH),
                      {"write", "truck.zcf", "--port", panel.port(), "--trace", trace, "--json"});
        QVERIFY(process.waitForStarted());
        QTest::qWait(700);
        ::kill(pid_t(process.processId()), signal);
        QVERIFY(process.waitForFinished(1000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QTEST(process.exitCode(), "exitCode");
        QVERIFY(readAll(trace).endsWith("  CLOSE " + panel.port().toLocal8Bit() + "\n"));
        const QJsonObject result = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
        QCOMPARE(result.value("exit").toInt(), process.exitCode());
        QCOMPARE(result.value("outcome").toString(), outcome);
        QCOMPARE(result.value("reason").toString(), outcome);
        const QByteArray atExit = panel.received();
        if (writeCommands(atExit) > 0) // the model byte was read before the first write
            QCOMPARE(result.value("model").toInt(-1), 74);
        QVERIFY(atExit.size() > 1 && atExit.size() < 17 * 12);
        QTest::qWait(300);
        QCOMPARE(panel.received(), atExit);
        SerialPortLine again(panel.port()); // the port is free again
        SerialLine::OpenFailure failure;
        QVERIFY(again.open(&failure));
    }

    void signalAtThePrompt_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("Ctrl+C") << int(SIGINT) << 130;
        QTest::newRow("SIGTERM") << int(SIGTERM) << 143;
    }

    // A signal while --series waits for Enter is no end of input: the run was interrupted.
    void signalAtThePrompt()
    {
        QFETCH(int, signal);
        VirtualPanel panel;
        QProcess process;
        process.setProcessEnvironment(noDisplay());
        process.setWorkingDirectory(dir.path());
        process.setReadChannel(QProcess::StandardError);
        process.start(QStringLiteral(TOOL_PATH), {"write", "truck.zcf", "--series", "--port", panel.port()});
        QString err;
        while (!err.contains("Connect panel 2") && process.waitForReadyRead(10000))
            err += QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY(err.contains("Connect panel 2"));
        ::kill(pid_t(process.processId()), signal);
        QVERIFY(process.waitForFinished(3000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QTEST(process.exitCode(), "exitCode");
        err += QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY(err.endsWith("SUMMARY: 1 UNITS, 1 PROGRAMMED, 0 UNCHANGED, 0 FAILED, FIRST-PASS YIELD 100 %, FINAL YIELD 100 %\n"));
        QCOMPARE(writeCommands(panel.received()), 17);
    }

#ifdef Q_OS_LINUX
    void windowEndsOnSignals_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("SIGTERM") << int(SIGTERM) << 143;
        QTest::newRow("SIGHUP") << int(SIGHUP) << 129;
        QTest::newRow("Ctrl+C") << int(SIGINT) << 130;
    }

    // The window closes on SIGTERM and SIGHUP as when its user closes it.
    void windowEndsOnSignals()
    {
        QFETCH(int, signal);
        QProcess process;
        QProcessEnvironment env = noDisplay();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
        process.start(QStringLiteral(TOOL_PATH), {"--port", dir.filePath("no-port"), "truck.zcf"});
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(catches(process.processId(), signal), 10000);
        ::kill(pid_t(process.processId()), signal);
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QTEST(process.exitCode(), "exitCode");
    }
#endif

    void standardStreams_data()
    {
        QTest::addColumn<QStringList>("panelArgs");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("streams");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("writes");     // write commands the panel received
        QTest::addColumn<QString>("lastLine"); // of standard error, where there is one
        const QString lost = "durvex-config: the result could not be written to standard output: ";
        QTest::newRow("write, 0 1 2 closed") << QStringList{} << QStringList{"write", "truck.zcf"} << "closed 0 1 2" << 0
                                             << 17 << "";
        QTest::newRow("series, input closed") << QStringList{} << QStringList{"write", "truck.zcf", "--series"}
                                              << "closed 0" << 0 << 17 << "SUMMARY: 1 UNITS, 1 PROGRAMMED, 0 UNCHANGED, 0 FAILED, FIRST-PASS YIELD 100 %, FINAL YIELD 100 %";
        QTest::newRow("write, errors to a closed pipe") << QStringList{} << QStringList{"write", "truck.zcf"}
                                                        << "broken 2" << 0 << 17 << "";
        QTest::newRow("verify matches, output full") << truckPanel << QStringList{"verify", "truck.zcf"} << "full 1" << 4
                                                     << 0 << lost + "No space left on device";
        QTest::newRow("verify differs, output full") << truckPanel + QStringList{"--set", "2=28"}
                                                     << QStringList{"verify", "truck.zcf"} << "full 1" << 4 << 0
                                                     << lost + "No space left on device";
        QTest::newRow("help, output full") << QStringList{} << QStringList{"--help"} << "full 1" << 4 << 0
                                           << lost + "No space left on device";
        QTest::newRow("version, output full") << QStringList{} << QStringList{"--version"} << "full 1" << 4 << 0
                                              << lost + "No space left on device";
        QTest::newRow("verify, output closed") << truckPanel << QStringList{"verify", "truck.zcf"} << "closed 1" << 4
                                               << 0 << lost + "Bad file descriptor";
    }

    // Closed standard streams take no other file's place; a result that cannot be written is
    // an error, a status line that cannot be is not.
    void standardStreams()
    {
        QFETCH(QStringList, panelArgs);
        QFETCH(QStringList, arguments);
        QFETCH(QString, streams);
        QFETCH(QString, lastLine);
        if (streams.startsWith("full") && !QFile::exists("/dev/full"))
            QSKIP("no /dev/full here");
        VirtualPanel panel(panelArgs);
        const Run run = tool(arguments + QStringList{"--port", panel.port()}, dir.path(), Streams::from(streams));
        QTEST(run.exitCode, "exitCode");
        QTEST(writeCommands(panel.received()), "writes");
        if (!lastLine.isEmpty())
            QCOMPARE(::lastLine(run.err), lastLine);
    }

    // A trace that stops being written (a full disk) is said once; the transfer goes on.
    void traceOnAFullDisk()
    {
        VirtualPanel panel;
        Streams limited;
        limited.fileSizeLimit = 1000;
        const QString trace = dir.filePath("full-disk.trace");
        const Run run = tool({"write", "truck.zcf", "--port", panel.port(), "--trace", trace}, dir.path(), limited);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(writeCommands(panel.received()), 17);
        QCOMPARE(run.err.count("durvex-config: the byte trace stops here: " + trace + " could not be written: File too large\n"), 1);
        QVERIFY(QFileInfo(trace).size() <= 1000);
    }

    void nonUtf8Names_data()
    {
        QTest::addColumn<QStringList>("arguments"); // @RAW@: lat\xE9.zcf; @PORT@: the panel
        QTest::addColumn<QString>("lastLine");
        const QString refused = "durvex-config: %1 lat\\xE9.zcf is not valid UTF-8, as names of files and ports must be; "
                                "nothing was opened (see --help)";
        QTest::newRow("-o") << QStringList{"read", "--name", "A", "-o", "@RAW@", "--port", "@PORT@"} << refused.arg("-o");
        QTest::newRow("the file to write") << QStringList{"write", "@RAW@", "--port", "@PORT@"} << refused.arg("the file");
        QTest::newRow("the file to verify") << QStringList{"verify", "@RAW@", "--port", "@PORT@"} << refused.arg("the file");
        QTest::newRow("--trace") << QStringList{"write", "truck.zcf", "--trace", "@RAW@", "--port", "@PORT@"}
                                 << refused.arg("--trace");
        QTest::newRow("--port") << QStringList{"write", "truck.zcf", "--port", "@RAW@"} << refused.arg("--port");
        QTest::newRow("the window's file") << QStringList{"@RAW@"} << refused.arg("the file");
        QTest::newRow("DURVEX_PORT") << QStringList{"DURVEX_PORT=@RAW@", "write", "truck.zcf"} << refused.arg("DURVEX_PORT");
        QTest::newRow("DURVEX_TRACE") << QStringList{"DURVEX_TRACE=@RAW@", "write", "truck.zcf", "--port", "@PORT@"}
                                      << refused.arg("DURVEX_TRACE");
    }

    // A name that is not UTF-8 cannot reach the system through Qt unchanged: it is refused
    // before anything is opened, shown as given; no file is read or written.
    void nonUtf8Names()
    {
        QFETCH(QStringList, arguments);
        const QByteArray raw = "lat\xE9.zcf";
        QTemporaryDir folder;
        const QByteArray rawPath = QFile::encodeName(folder.path()) + '/' + raw;
        const int fd = ::open(rawPath.constData(), O_WRONLY | O_CREAT, 0644); // a good file by that name
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, truckLine.constData(), size_t(truckLine.size())), ssize_t(truckLine.size()));
        ::close(fd);
        QVERIFY(QFile::copy(dir.filePath("truck.zcf"), folder.filePath("truck.zcf")));
        const QStringList before = QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
        VirtualPanel panel;
        arguments.replaceInStrings("@PORT@", panel.port());
        const Run run = toolWithRawArgument(arguments, raw, folder.path());
        QCOMPARE(run.exitCode, 64);
        QTEST(lastLine(run.err), "lastLine");
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System), before);
        QVERIFY(panel.received().isEmpty());
        QCOMPARE(::unlink(rawPath.constData()), 0); // beyond QDir's reach
    }

    void outputCheckedFirst_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message"); // the start of the last line; %1: the scratch folder
        QTest::addColumn<QString>("node");    // what must still be there: "fifo", "device"
        const QString cannot = "durvex-config: cannot save to ";
        QTest::newRow("a folder") << QStringList{"-o", "folder"} << cannot + "folder: it is a folder" << "";
        QTest::newRow("a folder, --force") << QStringList{"-o", "folder", "--force"} << cannot + "folder: it is a folder"
                                           << "";
        QTest::newRow("a missing folder") << QStringList{"-o", "missing/x.zcf", "--force"}
                                          << cannot + "missing/x.zcf: there is no folder %1/missing" << "";
        const QString tooLong = QString(300, 'x') + ".zcf";
        QTest::newRow("a name too long") << QStringList{"-o", tooLong, "--force"}
                                         << cannot + tooLong + ": the name is too long" << "";
        QTest::newRow("a place that cannot be written") << QStringList{"-o", "/proc/durvex.zcf", "--force"}
                                                        << cannot + "/proc/durvex.zcf: the folder /proc cannot be written: "
                                                        << "";
        QTest::newRow("a FIFO") << QStringList{"-o", "fifo", "--force"}
                                << cannot + "fifo: it is a FIFO, not a regular file, and is left as it is" << "fifo";
        QTest::newRow("a device") << QStringList{"-o", "device", "--force"}
                                  << cannot + "device: it is a character device, not a regular file, and is left as it is"
                                  << "device";
    }

    // read looks at where it will save before it touches the panel, and never puts a plain
    // file in place of a FIFO or a device.
    void outputCheckedFirst()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QFETCH(QString, node);
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir("folder"));
        QCOMPARE(::mkfifo(QFile::encodeName(folder.filePath("fifo")).constData(), 0644), 0);
        const QByteArray device = QFile::encodeName(folder.filePath("device"));
        if (node == "device" && ::mknod(device.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("mknod is not allowed here");
        VirtualPanel panel(truckPanel);
        const Run run = tool(QStringList{"read", "--name", "A", "--port", panel.port()} + arguments, folder.path());
        QCOMPARE(run.exitCode, 4);
        QVERIFY2(lastLine(run.err).startsWith(message.replace("%1", folder.path())), qPrintable(run.err));
        QVERIFY(panel.received().isEmpty());
        struct stat st {};
        if (node == "fifo")
            QVERIFY(::lstat(QFile::encodeName(folder.filePath("fifo")).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
        if (node == "device")
            QVERIFY(::lstat(device.constData(), &st) == 0 && S_ISCHR(st.st_mode));
    }

    // On a terminal narrower than the progress line, the line is cut to fit: one that wraps
    // leaves a line behind at every redraw.
    void progressFitsTheTerminal()
    {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
        QVERIFY(terminal >= 0);
        termios mode {};
        ::tcgetattr(terminal, &mode);
        ::cfmakeraw(&mode);
        ::tcsetattr(terminal, TCSANOW, &mode);
        const winsize size{24, 50, 0, 0};
        QCOMPARE(::ioctl(master, TIOCSWINSZ, &size), 0);
        ::fcntl(master, F_SETFL, O_NONBLOCK);

        VirtualPanel panel;
        QProcess process;
        process.setProcessEnvironment(noDisplay());
        process.setWorkingDirectory(dir.path());
        process.setChildProcessModifier([terminal] { ::dup2(terminal, 2); });
        process.start(QStringLiteral(TOOL_PATH), {"write", "truck.zcf", "--port", panel.port()});
        QByteArray shown;
        const auto drain = [&] {
            char buffer[4096];
            for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
                shown.append(buffer, n);
        };
        while (!process.waitForFinished(50))
            drain();
        drain();
        ::close(terminal);
        ::close(master);
        QCOMPARE(process.exitCode(), 0);

        int drawn = 0;
        for (QByteArray piece : shown.replace('\n', '\r').split('\r')) {
            piece.replace("\033[K", "");
            if (!piece.startsWith('['))
                continue; // a status line, which may wrap: it is never redrawn
            ++drawn;
            QVERIFY2(piece.size() < 50, piece.constData());
        }
        QVERIFY(drawn >= 17);
    }
};

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
