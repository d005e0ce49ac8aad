#include "virtualpanel.h"
#include "truckfile.h"

#include "line/panelpoller.h"
#include "link/panellink.h"
#include "link/serialportline.h"
#include "cli/portlisting.h"
#include "files/configrecord.h"
#include "session/panelbackup.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <tuple>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

// The production line on the command line: several panels at once, series at Enter and
// hands-free, the JSON output and the programming log, check and ports, run as a line
// controller would run the tool, against virtual panels on pseudo-terminals.

namespace {

// How xterm with its default resources shows the colours of an SGR sequence: its sixteen
// colours, the 256 colours' cube and greys, black text on white, and bold drawing colours 0
// to 7 as 8 to 15.
struct XtermColours
{
    using Rgb = quint32; // 0xRRGGBB

    Rgb foreground = 0x000000;
    Rgb background = 0xffffff;

    static Rgb palette(int index)
    {
        static const Rgb sixteen[] = {0x000000, 0xcd0000, 0x00cd00, 0xcdcd00, 0x0000ee, 0xcd00cd, 0x00cdcd, 0xe5e5e5,
                                       0x7f7f7f, 0xff0000, 0x00ff00, 0xffff00, 0x5c5cff, 0xff00ff, 0x00ffff, 0xffffff};
        if (index < 16)
            return sixteen[index];
        if (index >= 232) {
            const Rgb grey = 8 + 10 * (index - 232);
            return grey << 16 | grey << 8 | grey;
        }
        const Rgb levels[] = {0, 95, 135, 175, 215, 255};
        const int cube = index - 16;
        return levels[cube / 36] << 16 | levels[cube / 6 % 6] << 8 | levels[cube % 6];
    }

    // `codes`: what comes between ESC [ and m.
    static XtermColours of(const QString &codes)
    {
        XtermColours shown;
        bool bold = false;
        int basic = -1; // 30..37: the colour that bold brightens
        const QStringList list = codes.split(QLatin1Char(';'));
        for (int i = 0; i < list.size(); ++i) {
            const int code = list[i].toInt();
            if (code == 1)
                bold = true;
            else if (code >= 30 && code <= 37)
                basic = code - 30;
            else if (code >= 90 && code <= 97)
                basic = -1, shown.foreground = palette(code - 90 + 8);
            else if (code >= 40 && code <= 47)
                shown.background = palette(code - 40);
            else if (code >= 100 && code <= 107)
                shown.background = palette(code - 100 + 8);
            else if ((code == 38 || code == 48) && list.value(i + 1) == QLatin1String("5")) {
                (code == 38 ? shown.foreground : shown.background) = palette(list.value(i + 2).toInt());
                if (code == 38)
                    basic = -1;
                i += 2;
            }
        }
        if (basic >= 0)
            shown.foreground = palette(basic + (bold ? 8 : 0));
        return shown;
    }

    // The contrast ratio of two colours, 1 to 21, from their relative luminance.
    static double contrast(Rgb a, Rgb b)
    {
        const auto luminance = [](Rgb c) {
            const auto linear = [](Rgb v) {
                const double s = (v & 0xff) / 255.0;
                return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * linear(c >> 16) + 0.7152 * linear(c >> 8) + 0.0722 * linear(c);
        };
        const double la = luminance(a), lb = luminance(b);
        return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
    }
};

// The truck's seventeen bytes as a panel holds them once written.
const QByteArray truckMemory("\x00\x0b\x1d\xa0\xa0\xa0\x00\x0c\x1e\xa0\xa0\xa0\x9f\x9e\x06\x0a\x01", 17);

const QStringList attemptKeys = {"address", "adjusted", "backup", "backup_adjusted", "command", "configuration",
                                 "detail", "differences", "duration_ms", "exit", "file", "model", "outcome", "panel",
                                 "panel_id", "port", "position", "reason", "run_id", "schema", "started", "warnings"};

// What a write that reads first sends before any write: the attention, the model, and the
// first `reads` addresses.
QByteArray readsOnTheWire(int reads = 17)
{
    QByteArray bytes = "A" + PanelLink::readCommand(modelAddress);
    for (int a = 0; a < reads; ++a)
        bytes += PanelLink::readCommand(a);
    return bytes;
}

// The truck's bytes as --set options of a virtual panel, `last` instead of the last one.
QStringList truckPresets(int last = 1)
{
    QStringList options;
    for (int a = 0; a < 17; ++a)
        options << "--set" << QStringLiteral("%1=%2").arg(a).arg(a == 16 ? last : quint8(truckMemory[a]));
    return options;
}

// The README's table of every key of every kind: each kind's keys, sorted.
QMap<QString, QStringList> documentedKeys(const QString &table)
{
    QFile readme(QStringLiteral(README_PATH));
    if (!readme.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(readme.readAll());
    text = text.mid(text.indexOf("| " + table + " | keys |"));
    text.truncate(text.indexOf("\n\n"));
    QMap<QString, QStringList> kinds;
    for (const QString &row : text.split('\n').mid(2)) {
        const QStringList cells = row.split(" | ");
        QStringList keys = cells.value(1).remove('`').remove(" |").split(", ");
        keys.sort();
        kinds.insert(cells.value(0).mid(3).chopped(1), keys);
    }
    return kinds;
}

// The object's keys are those the README lists for its kind.
bool keysAsDocumented(const QMap<QString, QStringList> &documented, const QJsonObject &object)
{
    const QString kind = object["event"].toString();
    if (documented.value(kind) == object.keys())
        return true;
    qWarning().noquote() << kind << "has" << object.keys() << "\nthe README lists" << documented.value(kind);
    return false;
}

QProcessEnvironment environment(const QString &folder)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DURVEX_PORT", "DURVEX_TRACE"})
        env.remove(QString::fromLatin1(name));
    env.insert("XDG_CONFIG_HOME", folder + "/config"); // no remembered port but the test's own
    return env;
}

struct Run
{
    int exitCode = -1;
    QString out, err;
    QList<QJsonObject> objects; // standard output, when it is JSON lines

    // Every line of standard output is one JSON object with the attempt's keys.
    bool jsonLines() const
    {
        for (const QString &line : out.split('\n', Qt::SkipEmptyParts)) {
            const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8());
            if (!document.isObject())
                return false;
        }
        return true;
    }
};

QList<QJsonObject> parseLines(const QString &text)
{
    QList<QJsonObject> objects;
    for (const QString &line : text.split('\n', Qt::SkipEmptyParts))
        objects << QJsonDocument::fromJson(line.toUtf8()).object();
    return objects;
}

Run tool(const QStringList &arguments, const QString &folder, const QByteArray &input = {},
         const QProcessEnvironment &env = {})
{
    QProcess process;
    process.setProcessEnvironment(env.isEmpty() ? environment(folder) : env);
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral(TOOL_PATH), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        process.kill();
    Run run{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError()),
            {}};
    run.objects = parseLines(run.out);
    return run;
}

// The tool left running, its standard error read as it comes.
class Session
{
public:
    Session(const QStringList &arguments, const QString &folder)
    {
        m_process.setProcessEnvironment(environment(folder));
        m_process.setWorkingDirectory(folder);
        m_process.setReadChannel(QProcess::StandardError); // what waitFor() wakes on
        m_process.start(QStringLiteral(TOOL_PATH), arguments);
        m_process.waitForStarted();
    }
    ~Session()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    bool waitFor(const QString &text, int ms = 15000)
    {
        QDeadlineTimer deadline(ms);
        while (!err.contains(text) && !deadline.hasExpired()) {
            m_process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
            read();
            if (m_process.state() == QProcess::NotRunning)
                break;
        }
        read();
        if (!err.contains(text))
            qWarning().noquote() << "waited in vain for" << text << "in:\n" << err;
        return err.contains(text);
    }
    void type(const QByteArray &bytes) { m_process.write(bytes); }
    void endInput() { m_process.closeWriteChannel(); }
    void interrupt() { ::kill(pid_t(m_process.processId()), SIGINT); }
    int finish(int ms = 15000)
    {
        if (!m_process.waitForFinished(ms))
            return -1;
        read();
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    QString err;
    QString out;

private:
    void read()
    {
        err += QString::fromLocal8Bit(m_process.readAllStandardError());
        out += QString::fromLocal8Bit(m_process.readAllStandardOutput());
    }

    QProcess m_process;
};

using Panels = QList<QStringList>;

// The tool run with its standard error on a terminal of `columns` columns: all it showed there.
QByteArray onTerminal(const QStringList &arguments, const QString &folder, const QStringList &settings, int columns)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        return {};
    const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    termios mode {};
    ::tcgetattr(terminal, &mode);
    ::cfmakeraw(&mode);
    ::tcsetattr(terminal, TCSANOW, &mode);
    const winsize size{24, quint16(columns), 0, 0};
    ::ioctl(master, TIOCSWINSZ, &size);
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    QProcessEnvironment env = environment(folder);
    for (const QString &setting : settings)
        env.insert(setting.section('=', 0, 0), setting.section('=', 1));
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(folder);
    process.setChildProcessModifier([terminal] { ::dup2(terminal, 2); });
    process.start(QStringLiteral(TOOL_PATH), arguments);
    QByteArray shown;
    const auto drain = [&] {
        char buffer[4096];
        for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
            shown.append(buffer, n);
    };
    for (QDeadlineTimer deadline(30000); !process.waitForFinished(50) && !deadline.hasExpired();)
        drain();
    drain();
    ::close(terminal);
    ::close(master);
    return shown;
}

} // namespace

class TestProduction : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QFile truck(dir.filePath("truck.zcf"));
        QVERIFY(truck.open(QIODevice::WriteOnly));
        truck.write(truckLine);
        QFile notes(dir.filePath("notes.zcf"));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("shopping list\n");
        QVERIFY(QDir(dir.path()).mkpath("folder"));
    }

    // --- Several panels at once -----------------------------------------------------------

    void severalPorts_data()
    {
        QTest::addColumn<Panels>("panels"); // each port's panel options; "none" for a port with nothing there
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("outcomes");
        QTest::newRow("three panels") << Panels{{}, {}, {}} << 0 << QStringList{"done", "done", "done"};
        QTest::newRow("a silent one") << Panels{{}, {"--silent"}, {}} << 1 << QStringList{"done", "failed", "done"};
        QTest::newRow("the first failure in order")
            << Panels{{}, {"--model", "75"}, {"--silent"}} << 2 << QStringList{"done", "wrong-model", "failed"};
        QTest::newRow("a port that is not there") << Panels{{"none"}, {}, {}} << 1 << QStringList{"failed", "done", "done"};
    }

    // One panel per port, written at once; a panel that fails stops none of the others.
    void severalPorts()
    {
        QFETCH(Panels, panels);
        std::vector<std::unique_ptr<VirtualPanel>> virtualPanels;
        QStringList arguments{"write", "truck.zcf", "--json", "--trace", "trace.txt"};
        QStringList ports;
        for (const QStringList &options : panels) {
            const bool none = options == QStringList{"none"};
            virtualPanels.push_back(none ? nullptr : std::make_unique<VirtualPanel>(options));
            ports << (none ? dir.filePath("nothing-here") : virtualPanels.back()->port());
            arguments << "--port" << ports.constLast();
        }
        QFile::remove(dir.filePath("trace.txt"));
        const Run run = tool(arguments, dir.path());
        QFETCH(int, exitCode);
        QVERIFY2(run.exitCode == exitCode, qPrintable(run.err));

        QFETCH(QStringList, outcomes);
        QCOMPARE(run.objects.size(), ports.size());
        for (int i = 0; i < ports.size(); ++i) {
            const auto object = std::find_if(run.objects.begin(), run.objects.end(),
                                             [&](const QJsonObject &o) { return o["port"].toString() == ports[i]; });
            QVERIFY(object != run.objects.end());
            QCOMPARE((*object)["outcome"].toString(), outcomes[i]);
            if (outcomes[i] == "done")
                QCOMPARE(virtualPanels[i]->memory().left(17), truckMemory);
            // Each port's progress and outcome, and its row in the table at the end.
            QVERIFY(run.err.contains(ports[i] + ": STARTING COMMUNICATIONS TO WRITE SWITCH PANEL CONFIGURATION\n"));
            QVERIFY(run.err.contains(QRegularExpression("\n" + QRegularExpression::escape(ports[i]) + " +"
                                                        + outcomes[i] + " +\\S")));
        }
        QVERIFY(run.err.contains(QRegularExpression("\nPOSITION +OUTCOME +DETAIL\n")));
        // At once, not one after another: every panel answered before the first was done.
        const qsizetype firstDone = run.err.indexOf("SWITCH PANEL HAS BEEN PROGRAMMED");
        for (int i = 0; i < ports.size(); ++i)
            if (outcomes[i] == "done")
                QVERIFY(run.err.indexOf(ports[i] + ": COMMUNICATIONS OK") < firstDone);

        // The trace opens with the run, in UTC, then names the port on each line.
        QFile trace(dir.filePath("trace.txt"));
        QVERIFY(trace.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = trace.readAll().split('\n');
        const QString opening = QString::fromUtf8(lines.takeFirst());
        QVERIFY2(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z  RUN [0-9a-f-]{36} "
                                    "durvex-config \\S+$")
                     .match(opening)
                     .hasMatch(),
                 qPrintable(opening));
        for (const QByteArray &line : std::as_const(lines))
            if (!line.isEmpty())
                QVERIFY2(std::any_of(ports.begin(), ports.end(),
                                     [&](const QString &port) { return line.contains("  " + port.toLocal8Bit() + "  "); }),
                         line.constData());
    }

    void descriptorLimit_data()
    {
        QTest::addColumn<bool>("trace");
        QTest::addColumn<int>("shortBy"); // of the descriptors the run needs
        QTest::addColumn<bool>("softOnly");
        QTest::addColumn<int>("exitCode");
        for (const bool trace : {false, true}) {
            const char *with = trace ? ", traced" : "";
            QTest::addRow("just enough%s", with) << trace << 0 << false << 0;
            QTest::addRow("one short%s", with) << trace << 1 << false << 64;
            QTest::addRow("soft limit one short%s", with) << trace << 1 << true << 0;
        }
    }

    // Many positions and few descriptors: the run counts before it starts. With just enough
    // every panel is programmed; one short, it ends at once naming the limit and how many
    // ports fit; a soft limit short of the need is raised where the hard one suffices. Never
    // an abort, never a lock file left. The limits are set in the tool's process alone.
    void descriptorLimit()
    {
        QFETCH(bool, trace);
        QFETCH(int, shortBy);
        QFETCH(bool, softOnly);
        constexpr int positions = 6;
        std::vector<std::unique_ptr<VirtualPanel>> panels;
        QStringList arguments{"write", "truck.zcf", "--json"};
        QStringList locks;
        for (int i = 0; i < positions; ++i) {
            panels.push_back(std::make_unique<VirtualPanel>());
            arguments << "--port" << panels.back()->port();
            locks << "/run/lock/LCK.." + panels.back()->port().mid(5).replace('/', '_');
        }
        if (trace)
            arguments << "--trace" << "descriptors.trace";
        const auto limited = [&](rlim_t soft, rlim_t hard) {
            QProcess process;
            process.setProcessEnvironment(environment(dir.path()));
            process.setWorkingDirectory(dir.path());
            process.setChildProcessModifier([soft, hard] {
                const rlimit limit{soft, hard};
                ::setrlimit(RLIMIT_NOFILE, &limit);
            });
            process.start(QStringLiteral(TOOL_PATH), arguments);
            process.closeWriteChannel();
            if (!process.waitForFinished(30000))
                process.kill();
            return Run{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                       QString::fromLocal8Bit(process.readAllStandardOutput()),
                       QString::fromLocal8Bit(process.readAllStandardError()), {}};
        };
        const QRegularExpression refusal(QString("^durvex-config: %1 ports need (\\d+) open files \\(descriptors\\) at once, "
                                                 "more than the open-file limit of (\\d+) allows: (\\d+) fit\\. Give at "
                                                 "most \\3, or raise the limit \\(ulimit -n \\1\\)\n$")
                                             .arg(positions));
        // What the run needs, as a refusal says it.
        const Run few = limited(12, 12);
        const QRegularExpressionMatch said = refusal.match(few.err);
        QVERIFY2(few.exitCode == 64 && said.hasMatch(), qPrintable(few.err));
        const int needed = said.captured(1).toInt();

        const rlim_t limit = rlim_t(needed - shortBy);
        rlimit ours{};
        ::getrlimit(RLIMIT_NOFILE, &ours);
        const Run run = limited(limit, softOnly ? ours.rlim_max : limit);
        QFETCH(int, exitCode);
        QVERIFY2(run.exitCode == exitCode, qPrintable(run.err));
        if (exitCode == 0) {
            QCOMPARE(run.out.count("\"outcome\":\"done\""), positions);
        } else {
            const QRegularExpressionMatch short_ = refusal.match(run.err);
            QVERIFY2(short_.hasMatch(), qPrintable(run.err));
            QCOMPARE(short_.captured(2).toInt(), needed - shortBy);
            QCOMPARE(short_.captured(3).toInt(), positions - 1); // each position needs more than one
            QVERIFY(run.out.isEmpty());
            for (const auto &panel : panels)
                QVERIFY(panel->received().isEmpty());
        }
        for (const QString &lock : std::as_const(locks))
            QVERIFY2(!QFile::exists(lock), qPrintable(lock));
    }

    // Verify on several ports compares each panel, writes none, and names the port on
    // each line of the comparison.
    void verifyOnSeveralPorts()
    {
        VirtualPanel same({"--set", "0=0", "--set", "1=11", "--set", "2=29", "--set", "3=160", "--set", "4=160",
                           "--set", "5=160", "--set", "6=0", "--set", "7=12", "--set", "8=30", "--set", "9=160",
                           "--set", "10=160", "--set", "11=160", "--set", "12=159", "--set", "13=158", "--set",
                           "14=6", "--set", "15=10", "--set", "16=1"});
        VirtualPanel fresh;
        const Run run = tool({"verify", "truck.zcf", "--port", same.port(), "--port", fresh.port()}, dir.path());
        QCOMPARE(run.exitCode, 3);
        const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
        QVERIFY(lines.contains(same.port() + ": THE SWITCH PANEL MATCHES truck.zcf"));
        QVERIFY(lines.contains(fresh.port() + ": SW1: panel N/A, file module A channel 1"));
        QCOMPARE(lines.size(), 1 + 10); // a fresh panel differs in all but the blank items and one intensity
        QVERIFY(!same.received().contains('S'));
        QVERIFY(!fresh.received().contains('S'));
    }

    // A poll's acknowledgement that comes after the poll has closed the port stays queued
    // on a terminal held open at its other end; the write opens the port afresh and never
    // takes it for the answer to its own handshake.
    void lateAcknowledgementOfAPoll()
    {
        VirtualPanel panel;
        {
            SerialPortLine poll(panel.port());
            SerialLine::OpenFailure failure;
            QVERIFY(poll.open(&failure));
            poll.output("A");
            poll.close(); // before the panel answers
        }
        QTest::qWait(300);
        const Run run = tool({"write", "truck.zcf", "--port", panel.port()}, dir.path());
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    }

    // --- JSON and the log -------------------------------------------------------------------

    void json_data()
    {
        QTest::addColumn<QStringList>("panelOptions");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<int>("model"); // -1 for null
        QTest::addColumn<QStringList>("differences");
        QTest::newRow("write") << QStringList{} << QStringList{"write", "truck.zcf", "--panel-id", "SN-7"} << 0
                               << "done" << 74 << QStringList{};
        QTest::newRow("verify with differences")
            << QStringList{"--set", "2=28", "--set", "14=0"} << QStringList{"verify", "truck.zcf"} << 3 << "differs" << 74
            << QStringList{"SW1", "SW2", "SW3", "LED1", "LED2", "LED3", "BACKLIGHT", "DIMMING",
                           "NORMAL BACKLIGHTING (%)", "DIMMED BACKLIGHTING AND INDICATOR (%)"};
        QTest::newRow("no answer") << QStringList{"--silent"} << QStringList{"write", "truck.zcf"} << 1 << "failed" << -1
                                   << QStringList{};
        QTest::newRow("file refused") << QStringList{} << QStringList{"write", "notes.zcf"} << 4 << "file-refused" << -1
                                      << QStringList{};
    }

    // Standard output carries one object per attempt and nothing else; every object has
    // every key, with null where one does not apply.
    void json()
    {
        QFETCH(QStringList, panelOptions);
        QFETCH(QStringList, arguments);
        VirtualPanel panel(panelOptions);
        const Run run = tool(arguments + QStringList{"--json", "--port", panel.port()}, dir.path());
        QTEST(run.exitCode, "exitCode");
        QVERIFY2(run.jsonLines(), qPrintable(run.out));
        QCOMPARE(run.objects.size(), 1);
        const QJsonObject o = run.objects.constFirst();
        QCOMPARE(o.keys(), attemptKeys);
        QVERIFY(o["backup"].isNull() && o["backup_adjusted"].isNull());
        QCOMPARE(o["command"].toString(), arguments[0]);
        QCOMPARE(o["port"].toString(), panel.port());
        QCOMPARE(o["file"].toString(), arguments[1]);
        QTEST(o["outcome"].toString(), "outcome");
        QTEST(o["exit"].toInt(), "exitCode");
        QFETCH(int, model);
        QCOMPARE(o["model"].isNull() ? -1 : o["model"].toInt(), model);
        QCOMPARE(o["panel_id"].toString(), arguments.contains("--panel-id") ? "SN-7" : "");
        QCOMPARE(o["panel_id"].isNull(), !arguments.contains("--panel-id"));
        QVERIFY(!o["detail"].toString().isEmpty());
        QCOMPARE(o["configuration"].isNull(), true);

        QFETCH(QStringList, differences);
        QCOMPARE(o["differences"].isNull(), arguments[0] != "verify");
        QStringList items;
        for (const QJsonValue &d : o["differences"].toArray())
            items << d["item"].toString();
        QCOMPARE(items, differences);
        if (!differences.isEmpty()) {
            const QJsonObject sw3 = o["differences"].toArray()[2].toObject();
            QCOMPARE(sw3["panel"].toString(), "module C channel 9");
            QCOMPARE(sw3["file"].toString(), "module C channel 10");
            QCOMPARE(sw3["panel_code"].toInt(), 28);
            QCOMPARE(sw3["file_code"].toInt(), 29);
        }
    }

    // What a usage error and -q leave on the two streams.
    void streams_data()
    {
        QTest::addColumn<QStringList>("panelOptions");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("usage error, no object") << QStringList{} << QStringList{"read", "--name", "N", "-o", "-", "--json"}
                                                << 64 << ""
                                                << "durvex-config: --json and -o - both want standard output (see --help)\n";
        QTest::newRow("quiet success") << QStringList{} << QStringList{"write", "truck.zcf", "-q"} << 0 << "" << "";
        QTest::newRow("quiet failure")
            << QStringList{"--silent"} << QStringList{"write", "truck.zcf", "-q"} << 1 << ""
            << "COMMUNICATIONS FAILURE SWITCH PANEL FAILED TO RESPOND ON %1\n  No answer to the attention command\n";
    }

    void streams()
    {
        QFETCH(QStringList, panelOptions);
        QFETCH(QStringList, arguments);
        QFETCH(QString, err);
        VirtualPanel panel(panelOptions);
        const Run run = tool(arguments + QStringList{"--port", panel.port()}, dir.path());
        QTEST(run.exitCode, "exitCode");
        QTEST(run.out, "out");
        QCOMPARE(run.err, err.contains("%1") ? err.arg(panel.port()) : err);
    }

    // -o - writes the record a save would write to standard output.
    void readToStandardOutput()
    {
        VirtualPanel panel({"--set", "2=29"});
        const Run saved = tool({"read", "--name", "TRUCK 12", "-o", "saved.zcf", "--force", "--port", panel.port()},
                               dir.path());
        QCOMPARE(saved.exitCode, 0);
        const Run out = tool({"read", "--name", "TRUCK 12", "-o", "-", "--port", panel.port()}, dir.path());
        QCOMPARE(out.exitCode, 0);
        QFile file(dir.filePath("saved.zcf"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(out.out.toLatin1(), file.readAll());
    }

    // One line per attempt, appended: the attempt's object with the time, host, user and
    // the hash of the file written.
    void log()
    {
        VirtualPanel good;
        VirtualPanel silent({"--silent"});
        const QString logPath = dir.filePath("programming.log");
        QFile::remove(logPath);
        QCOMPARE(tool({"write", "truck.zcf", "--log", logPath, "--port", good.port()}, dir.path()).exitCode, 0);
        QCOMPARE(tool({"write", "truck.zcf", "--log", logPath, "--panel-id", "SN-9", "--port", silent.port()}, dir.path())
                     .exitCode,
                 1);
        // One run of two ports: one run id, the attempts numbered as they end.
        QCOMPARE(tool({"write", "truck.zcf", "--log", logPath, "--port", silent.port(), "--port", good.port()}, dir.path())
                     .exitCode,
                 1);

        QFile file(logPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QList<QJsonObject> lines = parseLines(QString::fromUtf8(file.readAll()));
        // Each run opens with its own record: the command as given, the file and its hash,
        // the positions.
        QCOMPARE(lines.size(), 10);
        const QMap<QString, QStringList> documented = documentedKeys("log record");
        for (const QJsonObject &line : std::as_const(lines))
            QVERIFY(keysAsDocumented(documented, line));
        for (const auto &[at, positions] : {std::pair{6, 2}, {3, 1}, {0, 1}}) {
            const QJsonObject run = lines.takeAt(at);
            QCOMPARE(run["event"].toString(), "run");
            QCOMPARE(run["run_id"], lines[at]["run_id"]);
            QCOMPARE(run["schema"].toInt(), 1);
            QCOMPARE(run["command"].toString(), "write");
            QCOMPARE(run["arguments"].toArray().first().toString(), "write");
            QCOMPARE(run["file"].toString(), QDir(dir.path()).absoluteFilePath("truck.zcf"));
            QCOMPARE(run["sha256"].toString(), QCryptographicHash::hash(truckLine, QCryptographicHash::Sha256).toHex());
            QCOMPARE(run["positions"].toArray().size(), positions);
        }
        // Each run ends with its summary: after one attempt, after one, after two.
        for (const auto &[at, programmed, failed] : {std::tuple{6, 1, 1}, {3, 0, 1}, {1, 1, 0}}) {
            const QJsonObject summary = lines.takeAt(at);
            QCOMPARE(summary["event"].toString(), "summary");
            QCOMPARE(summary["programmed"].toInt(), programmed);
            QCOMPARE(summary["failed"].toInt(), failed);
        }
        const QString version = tool({"--version"}, dir.path()).out;
        const QString sha256 = QCryptographicHash::hash(truckLine, QCryptographicHash::Sha256).toHex();
        const QRegularExpression utcMs("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z$");
        for (const QJsonObject &line : lines) {
            QStringList keys = attemptKeys + QStringList{"event", "host", "operator", "seq", "sha256", "station",
                                                         "time", "tool_version", "user", "work_order"};
            keys.sort();
            QCOMPARE(line.keys(), keys);
            QCOMPARE(line["sha256"].toString(), sha256);
            QVERIFY2(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z$")
                         .match(line["time"].toString())
                         .hasMatch(),
                     qPrintable(line["time"].toString()));
            QVERIFY(!line["host"].toString().isEmpty());
            QVERIFY(!line["user"].toString().isEmpty());
            QCOMPARE(line["event"].toString(), "attempt");
            QCOMPARE(line["file"].toString(), QDir(dir.path()).absoluteFilePath("truck.zcf"));
            QCOMPARE("durvex-config " + line["tool_version"].toString() + "\n", version);
            QVERIFY(!QUuid::fromString(line["run_id"].toString()).isNull());
            QVERIFY(utcMs.match(line["started"].toString()).hasMatch());
            QVERIFY(line["started"].toString() <= line["time"].toString());
        }
        QCOMPARE(lines[0]["seq"].toInt(), 1);
        QCOMPARE(lines[1]["seq"].toInt(), 1);
        QVERIFY(lines[0]["run_id"] != lines[1]["run_id"]);
        QCOMPARE(lines[2]["run_id"], lines[3]["run_id"]);
        QCOMPARE(lines[2]["seq"].toInt(), 1); // appended as they ended
        QCOMPARE(lines[3]["seq"].toInt(), 2);
        QCOMPARE(lines[1]["reason"].toString(), "no-response");
        QCOMPARE(lines[0]["port"].toString(), good.port());
        QCOMPARE(lines[0]["outcome"].toString(), "done");
        QCOMPARE(lines[1]["outcome"].toString(), "failed");
        QCOMPARE(lines[1]["panel_id"].toString(), "SN-9");
    }

    void station_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QStringList>("expected"); // station, operator, work order; "" for null
        QTest::newRow("none") << QStringList{} << QStringList{} << QStringList{"", "", ""};
        QTest::newRow("options") << QStringList{"--station", "EOL-3", "--operator", "Ana Ruiz", "--work-order", "WO 7/1"}
                                 << QStringList{} << QStringList{"EOL-3", "Ana Ruiz", "WO 7/1"};
        QTest::newRow("environment") << QStringList{}
                                     << QStringList{"DURVEX_STATION=EOL-4", "DURVEX_OPERATOR=Bo", "DURVEX_WORK_ORDER=W9"}
                                     << QStringList{"EOL-4", "Bo", "W9"};
        QTest::newRow("an option over the environment")
            << QStringList{"--operator", "Cy"} << QStringList{"DURVEX_STATION=EOL-4", "DURVEX_OPERATOR=Bo"}
            << QStringList{"EOL-4", "Cy", ""};
    }

    // Who worked where and for which order is in every record of the run.
    void station()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, environment);
        QFETCH(QStringList, expected);
        VirtualPanel panel;
        const QString logPath = dir.filePath("station.log");
        QFile::remove(logPath);
        QProcessEnvironment env = ::environment(dir.path());
        for (const QString &setting : environment)
            env.insert(setting.section('=', 0, 0), setting.section('=', 1));
        const Run run = tool(QStringList{"write", "truck.zcf", "--log", logPath, "--port", panel.port()} + options,
                             dir.path(), {}, env);
        QCOMPARE(run.exitCode, 0);
        QFile file(logPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QJsonObject> records = parseLines(QString::fromUtf8(file.readAll()));
        QVERIFY(!records.isEmpty());
        for (const QJsonObject &record : records) {
            const QJsonValue values[] = {record["station"], record["operator"], record["work_order"]};
            for (int i = 0; i < 3; ++i) {
                QCOMPARE(values[i].isNull(), expected[i].isEmpty());
                QCOMPARE(values[i].toString(), expected[i]);
            }
        }
    }

    void operatorAsked_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("answer"); // typed at the question, if it comes
        QTest::addColumn<QString>("recorded");  // "" for null
        QTest::addColumn<bool>("asked");
        QTest::newRow("a name") << QStringList{} << QByteArray("Ana Ruiz\n") << "Ana Ruiz" << true;
        QTest::newRow("none") << QStringList{} << QByteArray("\n") << "" << true;
        QTest::newRow("a control character, then a name") << QStringList{} << QByteArray("A\x1b[2J\nBo\n") << "Bo" << true;
        QTest::newRow("given") << QStringList{"--operator", "Cy"} << QByteArray() << "Cy" << false;
    }

    // A series on a terminal asks once who operates it, before its first round, unless it
    // has been told; the answer goes into the records.
    void operatorAsked()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, answer);
        QFETCH(bool, asked);
        VirtualPanel panel;
        const QString logPath = dir.filePath("operator.log");
        QFile::remove(logPath);
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
        termios mode {};
        ::tcgetattr(terminal, &mode);
        ::cfmakeraw(&mode);
        ::tcsetattr(terminal, TCSANOW, &mode);
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        QProcess process;
        process.setProcessEnvironment(environment(dir.path()));
        process.setWorkingDirectory(dir.path());
        process.setChildProcessModifier([terminal] {
            ::dup2(terminal, 0);
            ::dup2(terminal, 2);
        });
        process.start(QStringLiteral(TOOL_PATH),
                      QStringList{"write", "truck.zcf", "--series", "--log", logPath, "--port", panel.port()} + options);
        QByteArray shown;
        bool typed = false, ended = false;
        for (QDeadlineTimer deadline(20000); !process.waitForFinished(50) && !deadline.hasExpired();) {
            char buffer[4096];
            for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
                shown.append(buffer, n);
            if (!typed && shown.contains("Operator (Enter for none):")) {
                typed = true;
                QCOMPARE(::write(master, answer.constData(), size_t(answer.size())), ssize_t(answer.size()));
            }
            if (!ended && shown.contains("Connect panel 2")) {
                ended = true;
                QCOMPARE(::write(master, "q\n", 2), ssize_t(2));
            }
        }
        ::close(terminal);
        ::close(master);
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(shown.count("Operator (Enter for none):"), asked ? answer.count('\n') : 0); // again after a refusal
        QFile file(logPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QFETCH(QString, recorded);
        for (const QJsonObject &record : parseLines(QString::fromUtf8(file.readAll()))) {
            QCOMPARE(record["operator"].isNull(), recorded.isEmpty());
            QCOMPARE(record["operator"].toString(), recorded);
        }
    }

    void expectSha256_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("released"); // the file is the revision expected
        QTest::addColumn<int>("exitCode");
        QTest::newRow("write, the revision released") << "write" << true << 0;
        QTest::newRow("write, another revision") << "write" << false << 4;
        QTest::newRow("verify, another revision") << "verify" << false << 4;
        QTest::newRow("check, another revision") << "check" << false << 4;
    }

    // A file of another revision than the one released for the line touches no panel.
    void expectSha256()
    {
        QFETCH(QString, command);
        QFETCH(bool, released);
        VirtualPanel panel;
        const QString sha256 = QCryptographicHash::hash(truckLine, QCryptographicHash::Sha256).toHex();
        const QString expected = released ? sha256.toUpper() : QString(64, 'a');
        QStringList arguments{command, "truck.zcf", "--expect-sha256", expected};
        if (command != "check")
            arguments << "--port" << panel.port();
        const Run run = tool(arguments, dir.path());
        QTEST(run.exitCode, "exitCode");
        if (released) {
            QCOMPARE(panel.memory().left(17), truckMemory);
            return;
        }
        QCOMPARE(run.err.split('\n', Qt::SkipEmptyParts).value(0),
                 "durvex-config: truck.zcf is another revision: its SHA-256 is " + sha256 + ", not " + expected);
        QTest::qWait(200);
        QVERIFY(panel.received().isEmpty());
    }

    // A position that rejects panel after panel stops with CHECK FIXTURE, in the events and
    // the log; the other position goes on.
    void stopAfterFailures()
    {
        VirtualPanel good, silent({"--silent"});
        const QString logPath = dir.filePath("stopped.log");
        QFile::remove(logPath);
        Session tool({"write", "truck.zcf", "--series", "--stop-after-failures", "2", "--events", "--log", logPath,
                      "--port", "GOOD=" + good.port(), "--port", "BAD=" + silent.port()},
                     dir.path());
        // The second round, after the first has failed once.
        for (const QString prompt : {"Id of the panel at GOOD", "Id of the panel at BAD", "Press Enter to program"}) {
            QVERIFY(tool.waitFor(prompt));
            tool.type("\n");
        }
        QVERIFY(tool.waitFor("BAD: CHECK FIXTURE: 2 REJECTS IN A ROW, THIS POSITION HAS STOPPED\n"));
        tool.endInput();
        QCOMPARE(tool.finish(), 1);
        QVERIFY(tool.err.contains("2 PROGRAMMED, 0 UNCHANGED, 2 FAILED"));
        QList<QJsonObject> stops;
        for (const QJsonObject &event : parseLines(tool.out))
            if (event["event"] == "position-stopped")
                stops << event;
        QCOMPARE(stops.size(), 1);
        QVERIFY(keysAsDocumented(documentedKeys("event"), stops[0]));
        QCOMPARE(stops[0]["position"].toString(), "BAD");
        QCOMPARE(stops[0]["rejects"].toInt(), 2);
        QFile file(logPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString log = QString::fromUtf8(file.readAll());
        QCOMPARE(log.count("\"event\":\"position-stopped\""), 1);
        for (const QJsonObject &record : parseLines(log))
            QVERIFY(keysAsDocumented(documentedKeys("log record"), record));
    }

    void skipMatching_data()
    {
        QTest::addColumn<QStringList>("panelArgs");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<int>("reads"); // configuration bytes read before the write, if any
        QTest::newRow("holds the file") << truckPresets() << "unchanged" << 17;
        QTest::newRow("differs in the last byte") << truckPresets(2) << "done" << 17;
        QTest::newRow("a fresh panel") << QStringList{} << "done" << 1;
    }

    // --skip-matching: a panel that holds what the write sends is read, not written, and
    // recorded; one that differs is written as always, after the first byte that differs.
    void skipMatching()
    {
        QFETCH(QStringList, panelArgs);
        QFETCH(QString, outcome);
        QFETCH(int, reads);
        VirtualPanel panel(panelArgs);
        const QString logPath = dir.filePath("skip.log");
        QFile::remove(logPath);
        // A series of one round, as a line restarted with panels still seated runs it.
        const Run run = tool({"write", "truck.zcf", "--series", "--skip-matching", "--json", "--log", logPath, "--port",
                              panel.port()},
                             dir.path());
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.contains(outcome == "unchanged" ? "PANEL 1: UNCHANGED" : "PANEL 1: PROGRAMMED"), qPrintable(run.err));
        QCOMPARE(run.objects.size(), 1);
        QCOMPARE(run.objects[0]["outcome"].toString(), outcome);
        QVERIFY(run.objects[0]["reason"].isNull());
        QFile log(logPath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QJsonObject> records = parseLines(QString::fromUtf8(log.readAll()));
        QCOMPARE(records.value(0)["event"].toString(), "run");
        QCOMPARE(records.value(1)["outcome"].toString(), outcome);
        const QByteArray expected = readsOnTheWire(reads);
        QVERIFY(panel.received().startsWith(expected));
        QCOMPARE(panel.received().size() == expected.size(), outcome == "unchanged");
        QCOMPARE(panel.memory().left(17), truckMemory);
    }

    void backup_data()
    {
        QTest::addColumn<QStringList>("panelArgs");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QList<int>>("adjusted"); // the addresses the backup shows otherwise
        QTest::newRow("written") << truckPresets(2) << QStringList{} << "done" << QList<int>{};
        QTest::newRow("spared") << truckPresets() << QStringList{"--skip-matching"} << "unchanged" << QList<int>{};
        QTest::newRow("a code no list has")
            << QStringList{"--set", "2=200"} << QStringList{"--series", "--skip-matching"} << "done" << QList<int>{2};
    }

    // --backup: in the one opening of the port, every byte read and saved before the first
    // is written; the file holds what the panel held, under its own name.
    void backup()
    {
        QFETCH(QStringList, panelArgs);
        QFETCH(QStringList, options);
        QFETCH(QString, outcome);
        QFETCH(QList<int>, adjusted);
        VirtualPanel panel(panelArgs);
        // What the panel holds: a fresh one's bytes, then the presets.
        QByteArray held(14, char(160));
        held += QByteArray(3, char(10));
        for (int i = 1; i < panelArgs.size(); i += 2)
            held[panelArgs[i].section('=', 0, 0).toInt()] = char(panelArgs[i].section('=', 1).toInt());
        QTemporaryDir backups;
        const Run run = tool(QStringList{"write", "truck.zcf", "--json", "--backup", backups.path(), "--panel-id",
                                         "SN/7", "--port", "P1=" + panel.port()}
                                 + options,
                             dir.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.objects.size(), 1);
        const QJsonObject attempt = run.objects[0];
        QCOMPARE(attempt["outcome"].toString(), outcome);

        const QStringList files = QDir(backups.path()).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        QVERIFY2(QRegularExpression("^P1-SN-7-\\d{8}T\\d{6}\\.\\d{3}Z-74\\.zcf$").match(files[0]).hasMatch(),
                 qPrintable(files[0]));
        QCOMPARE(attempt["backup"].toString(), QDir(backups.path()).filePath(files[0]));
        QList<int> found;
        for (const QJsonValue a : attempt["backup_adjusted"].toArray())
            found << a["address"].toInt();
        QCOMPARE(found, adjusted);

        QFile file(QDir(backups.path()).filePath(files[0]));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::optional<ConfigRecord> record = ConfigRecord::parse(file.readAll());
        QVERIFY(record);
        const PanelConfiguration saved = record->configuration();
        QCOMPARE(saved.panelName, "BACKUP");
        for (int a = 0; a < 17; ++a)
            if (!adjusted.contains(a))
                QCOMPARE(saved.byte(a), qint16(quint8(held[a])));

        const QByteArray reads = readsOnTheWire();
        QVERIFY(panel.received().startsWith(reads));
        QCOMPARE(panel.received().size() == reads.size(), outcome == "unchanged");
        QCOMPARE(panel.memory().left(17), truckMemory);
    }

    // A backup folder that cannot take the backups stops the run before any panel is touched.
    void backupFolderRefused_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("missing") << "no such folder";
        QTest::newRow("a file") << "truck.zcf";
    }

    void backupFolderRefused()
    {
        QFETCH(QString, folder);
        VirtualPanel first, second;
        const Run run = tool({"write", "truck.zcf", "--json", "--backup", folder, "--port", first.port(), "--port",
                              second.port()},
                             dir.path());
        QCOMPARE(run.exitCode, 4);
        QVERIFY2(run.err.contains("durvex-config: cannot save backups: " + folder), qPrintable(run.err));
        QCOMPARE(run.objects.size(), 2);
        QCOMPARE(run.objects[0]["reason"].toString(), "file-refused");
        QTest::qWait(200);
        QVERIFY(first.received().isEmpty());
        QVERIFY(second.received().isEmpty());
    }

    // A backup that cannot be saved (here a name longer than a file name may be) stops its
    // panel after the reads, before any byte is written.
    void backupNotSaved()
    {
        VirtualPanel panel(truckPresets(2));
        QTemporaryDir backups;
        const QString label(300, 'P');
        const Run run = tool({"write", "truck.zcf", "--json", "--backup", backups.path(), "--port",
                              label + '=' + panel.port()},
                             dir.path());
        QCOMPARE(run.exitCode, 4);
        QCOMPARE(run.objects.size(), 1);
        QCOMPARE(run.objects[0]["reason"].toString(), "file-refused");
        QVERIFY(run.objects[0]["backup"].isNull());
        QCOMPARE(run.objects[0]["backup_adjusted"], QJsonArray());
        QVERIFY2(run.objects[0]["detail"].toString().contains("cannot save"), qPrintable(run.out));
        const QByteArray reads = readsOnTheWire();
        QCOMPARE(panel.received(), reads);
        QVERIFY(QDir(backups.path()).isEmpty());
    }

    // Backups of one name, made in the same millisecond, each keep a file of their own.
    void backupsInOneSecond()
    {
        QTemporaryDir backups;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const QString name = PanelBackup::fileName("P1", QString(), now, 74);
        QCOMPARE(name, "P1-noid-" + now.toString("yyyyMMddThhmmss.zzzZ") + "-74.zcf");
        PanelConfiguration::MemoryImage held{};
        held.fill(160);
        QStringList paths;
        for (int i = 0; i < 3; ++i) {
            const PanelBackup::Saved saved = PanelBackup::save(backups.path(), name, held);
            QVERIFY2(saved.done(), qPrintable(saved.reason));
            paths << QFileInfo(saved.path).fileName();
        }
        QCOMPARE(paths, (QStringList{name, name.chopped(4) + "-2.zcf", name.chopped(4) + "-3.zcf"}));
    }

    // A log that cannot be appended to stops the command before any panel is touched.
    void logNotWritable()
    {
        VirtualPanel panel;
        const Run run = tool({"write", "truck.zcf", "--log", "folder", "--port", panel.port()}, dir.path());
        QCOMPARE(run.exitCode, 4);
        QCOMPARE(run.err, "durvex-config: the log folder cannot be appended to: not a regular file\n");
        QTest::qWait(200);
        QVERIFY(panel.received().isEmpty());
    }

    // A log rotated between two panels of a series: the second panel's record and the
    // summary go to the new file, which opens with the run's record.
    void logRotatedDuringARun()
    {
        const QString logPath = dir.filePath("rotated.log"), rotated = logPath + ".1";
        QFile::remove(logPath);
        QFile::remove(rotated);
        VirtualPanel panel;
        Session tool({"write", "truck.zcf", "--series", "--log", logPath, "--port", panel.port()}, dir.path());
        QVERIFY(tool.waitFor("Connect panel 2"));
        QVERIFY(QFile::rename(logPath, rotated));
        tool.type("\n");
        QVERIFY(tool.waitFor("PANEL 2: PROGRAMMED"));
        tool.endInput();
        QCOMPARE(tool.finish(), 0);
        const auto events = [](const QString &path) {
            QFile file(path);
            QStringList found;
            if (file.open(QIODevice::ReadOnly))
                for (const QJsonObject &record : parseLines(QString::fromUtf8(file.readAll())))
                    found << record["event"].toString();
            return found;
        };
        QCOMPARE(events(rotated), (QStringList{"run", "attempt"}));
        QCOMPARE(events(logPath), (QStringList{"run", "attempt", "summary"}));
    }

    // An append that fails (here the file may grow no further) ends the run after the
    // panel under way, with the file's exit code. The limit's signal keeps its default: the
    // tool itself must turn it into a failed write.
    void logFull()
    {
        const QString logPath = dir.filePath("full.log");
        QFile::remove(logPath);
        constexpr int full = 100; // room for the port's lock file, none for another line
        {
            QFile log(logPath);
            QVERIFY(log.open(QIODevice::WriteOnly));
            log.write(QByteArray(full - 1, ' ') + '\n');
        }
        const QString link = dir.filePath("full-panel");
        VirtualPanel panel({"--link", link});
        QProcess process;
        process.setProcessEnvironment(environment(dir.path()));
        process.setWorkingDirectory(dir.path());
        process.setChildProcessModifier([] {
            const rlimit limit{full, full};
            ::signal(SIGXFSZ, SIG_DFL);
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        process.start(QStringLiteral(TOOL_PATH),
                      {"write", "truck.zcf", "--series", "--count", "3", "--log", logPath, "--port", link});
        QVERIFY(process.waitForFinished(15000));
        QCOMPARE(process.exitCode(), 4);
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(err.contains("durvex-config: the log " + logPath + " could not be appended to: File too large\n"),
                 qPrintable(err));
        QVERIFY(err.contains(link + ": PANEL 1: PROGRAMMED\n"));
        QVERIFY(!err.contains("PANEL 2"));
        QVERIFY(err.endsWith("SUMMARY: 1 UNITS, 1 PROGRAMMED, 0 UNCHANGED, 0 FAILED, FIRST-PASS YIELD 100 %, FINAL YIELD 100 %\n"));
    }

    // --- Series ---------------------------------------------------------------------------

    // At the Enter prompt the text typed or scanned first is the next panel's id; --count
    // ends the series without the end of input.
    void seriesAtEnter()
    {
        const QString link = dir.filePath("enter-panel");
        auto panel = std::make_unique<VirtualPanel>(QStringList{"--link", link});
        Session tool({"write", "truck.zcf", "--series", "--count", "2", "--json", "--panel-id", "FIRST", "--port", link},
                     dir.path());
        QVERIFY(tool.waitFor("Connect panel 2"));
        panel.reset(); // its link goes with it
        panel = std::make_unique<VirtualPanel>(QStringList{"--link", link});
        tool.type("SN-0042\n");
        QCOMPARE(tool.finish(), 0);
        QVERIFY(tool.err.endsWith("SUMMARY: 2 UNITS, 2 PROGRAMMED, 0 UNCHANGED, 0 FAILED, FIRST-PASS YIELD 100 %, FINAL YIELD 100 %\n"));
        QVERIFY(tool.err.contains(link + ": PANEL 2: PROGRAMMED\n"));
        const QList<QJsonObject> objects = parseLines(tool.out);
        QCOMPARE(objects.size(), 2);
        QCOMPARE(objects[0]["panel_id"].toString(), "FIRST");
        QCOMPARE(objects[1]["panel_id"].toString(), "SN-0042");
        QCOMPARE(panel->memory().left(17), truckMemory);
    }

    // Each round of a series at Enter tells its attempt's start, the second as the first.
    void seriesEventsEachRound()
    {
        const QString link = dir.filePath("rounds-panel");
        VirtualPanel panel({"--link", link});
        Session tool({"write", "truck.zcf", "--series", "--count", "2", "--events", "--port", link}, dir.path());
        QVERIFY(tool.waitFor("Connect panel 2"));
        tool.type("\n");
        QCOMPARE(tool.finish(), 0);
        QStringList programming;
        for (const QJsonObject &e : parseLines(tool.out))
            if (e["event"] == "programming")
                programming << QString::number(e["panel"].toInt());
        QCOMPARE(programming, (QStringList{"1", "2"}));
    }

    // A panel that answers its "A" 150 ms late is one the write's handshake takes: the polls
    // see it too, and it is programmed hands-free.
    void slowPanelSeen()
    {
        const QString link = dir.filePath("slow-panel");
        VirtualPanel panel({"--link", link, "--ack-late", "150"});
        Session tool({"write", "truck.zcf", "--series", "--wait-for-panel", "--count", "1", "--port", link}, dir.path());
        QCOMPARE(tool.finish(), 0);
        QVERIFY2(tool.err.contains(link + ": PANEL 1: PROGRAMMED"), qPrintable(tool.err));
        QCOMPARE(panel.memory().left(17), truckMemory);
    }

    // Two ports each with a series of their own, hands-free: each panel is programmed when
    // it answers, and the next waited for once it has gone; a panel that fails is not tried
    // again while it stays.
    void handsFree()
    {
        const QString one = dir.filePath("fixture-1"), two = dir.filePath("fixture-2");
        Session tool({"write", "truck.zcf", "--series", "--wait-for-panel", "--count", "2", "--json", "--port", one,
                      "--port", two},
                     dir.path());
        // Not there yet: said at once, and waited for.
        QVERIFY(tool.waitFor(one + ": SERIAL PORT " + one + " NOT FOUND - WAITING FOR IT"));
        QVERIFY(tool.waitFor(two + ": SERIAL PORT " + two + " NOT FOUND - WAITING FOR IT"));
        auto a = std::make_unique<VirtualPanel>(QStringList{"--link", one});
        auto b = std::make_unique<VirtualPanel>(QStringList{"--link", two, "--model", "75"});
        QVERIFY(tool.waitFor(one + ": PANEL 1: PROGRAMMED"));
        QVERIFY(tool.waitFor(two + ": PANEL 1: FAILED - SWITCH PANEL/CONFIGURATION MIS-MATCH"));
        QCOMPARE(a->memory().left(17), truckMemory);

        QTest::qWait(2500); // polls go on, and the failed panel is left alone
        QCOMPARE(b->received().count(PanelLink::readCommand(modelAddress)), 1);
        QVERIFY(b->received().endsWith("A"));

        a.reset();
        b.reset();
        QVERIFY(tool.waitFor(one + ": WAITING FOR PANEL 2"));
        QVERIFY(tool.waitFor(two + ": WAITING FOR PANEL 2"));
        a = std::make_unique<VirtualPanel>(QStringList{"--link", one});
        b = std::make_unique<VirtualPanel>(QStringList{"--link", two});
        QVERIFY(tool.waitFor(one + ": PANEL 2: PROGRAMMED"));
        QVERIFY(tool.waitFor(two + ": PANEL 2: PROGRAMMED"));
        QCOMPARE(a->memory().left(17), truckMemory);
        QCOMPARE(b->memory().left(17), truckMemory);

        b.reset(); // the first port has its two; the second one more to go
        QVERIFY(tool.waitFor(two + ": WAITING FOR PANEL 3"));
        b = std::make_unique<VirtualPanel>(QStringList{"--link", two});
        QCOMPARE(tool.finish(), 0);
        QVERIFY(tool.err.contains(two + ": PANEL 3: PROGRAMMED"));
        QVERIFY(!tool.err.contains(one + ": WAITING FOR PANEL 3"));
        QVERIFY(tool.err.endsWith("SUMMARY: 5 UNITS, 4 PROGRAMMED, 0 UNCHANGED, 1 FAILED, FIRST-PASS YIELD 80 %, FINAL YIELD 80 %\n"));
        QStringList outcomes;
        for (const QJsonObject &o : parseLines(tool.out))
            outcomes << o["outcome"].toString();
        QCOMPARE(outcomes.size(), 5);
        QCOMPARE(outcomes.count("done"), 4);
        QCOMPARE(outcomes.count("wrong-model"), 1);
    }

    // --- The board ---------------------------------------------------------------------------

    void board_data()
    {
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<bool>("colour");
        QTest::newRow("colour terminal") << QStringList{"TERM=xterm-256color"} << true;
        QTest::newRow("NO_COLOR") << QStringList{"TERM=xterm-256color", "NO_COLOR=1"} << false;
        QTest::newRow("dumb terminal") << QStringList{"TERM=dumb"} << false;
    }

    // On a terminal, a row per position: a pass and a reject in words of their own (green
    // and red where colour is wanted), counts and the totals, each row cut to the width.
    void board()
    {
        QFETCH(QStringList, settings);
        QFETCH(bool, colour);
        VirtualPanel good;
        VirtualPanel silent({"--silent"});
        constexpr int columns = 70;
        const QByteArray shown = onTerminal({"write", "truck.zcf", "--port", "GOOD=" + good.port(), "--port",
                                             "SILENT=" + silent.port()},
                                            dir.path(), settings, columns);
        QList<QByteArray> rows = QByteArray(shown).replace('\n', '\r').split('\r');
        for (QByteArray &row : rows)
            row.replace("\033[K", "").replace("\033[A", "");
        const auto last = [&](const QByteArray &start) {
            QByteArray found;
            for (const QByteArray &row : std::as_const(rows))
                if (row.contains(start) && row.contains(" PROGRAMMED "))
                    found = row;
            return found;
        };
        const QByteArray passed = last("GOOD "), failed = last("SILENT ");
        QVERIFY2(passed.contains("GOOD       1 PROGRAMMED    0 FAILED  PROGRAMMED"), passed.constData());
        QVERIFY2(failed.contains("SILENT     0 PROGRAMMED    1 FAILED  FAILED: "), failed.constData());
        QVERIFY(!failed.contains("FAILED  PROGRAMMED"));
        // Black on bright green and bright red, readable from across the line.
        for (const auto &[row, background] : {std::pair{passed, 102}, {failed, 101}}) {
            const QRegularExpressionMatch sgr = QRegularExpression("^\033\\[([0-9;]*)m").match(QString::fromLatin1(row));
            QCOMPARE(sgr.hasMatch(), colour);
            if (!colour)
                continue;
            const XtermColours shownAs = XtermColours::of(sgr.captured(1));
            QCOMPARE(shownAs.background, XtermColours::palette(background - 100 + 8));
            QVERIFY2(XtermColours::contrast(shownAs.foreground, shownAs.background) >= 4.5, row.constData());
        }
        QVERIFY(last("TOTAL").contains("TOTAL  1 PROGRAMMED  0 UNCHANGED  1 FAILED  FPY 50 %"));
        QCOMPARE(shown.contains("\033[1"), colour);
        for (QByteArray row : std::as_const(rows)) {
            if (!row.contains(" PROGRAMMED "))
                continue; // a line that scrolls, which may wrap: it is never redrawn
            row = QString::fromLatin1(row).remove(QRegularExpression("\033\\[[0-9;]*m")).toLatin1();
            QVERIFY2(row.size() < columns, row.constData());
        }
    }

    // --- Ids at the prompt ------------------------------------------------------------------

    // Two positions at Enter: the first round with the ids given, then one id asked for each
    // position in turn; a line typed while the panels were being tried answers nothing.
    void idsAtThePrompt()
    {
        VirtualPanel a, b({"--silent"});
        Session tool({"write", "truck.zcf", "--series", "--json", "--port", "A=" + a.port(), "--port",
                      "B=" + b.port(), "--panel-id", "A=SN-1", "--panel-id", "B=SN-2"},
                     dir.path());
        QVERIFY(tool.waitFor("A: PANEL 1: WRITING"));
        tool.type("SN-EARLY\n");
        QVERIFY(tool.waitFor("Id of the panel at A", 30000));
        QVERIFY2(tool.err.contains("ignored: SN-EARLY, entered before the prompt\n"), qPrintable(tool.err));
        tool.type("SN-3\n");
        QVERIFY(tool.waitFor("Id of the panel at B"));
        tool.type("\n");
        QVERIFY(tool.waitFor("Press Enter to program the fixture."));
        tool.type("\n");
        QVERIFY(tool.waitFor("A: PANEL 2: PROGRAMMED"));
        tool.endInput();
        QCOMPARE(tool.finish(30000), 1);
        QStringList ids;
        for (const QJsonObject &o : parseLines(tool.out))
            ids << o["position"].toString() + " " + o["panel_id"].toString();
        QCOMPARE(ids.size(), 4);
        ids.sort();
        QCOMPARE(ids, (QStringList{"A SN-1", "A SN-3", "B ", "B SN-2"}));
    }

    // --- Events ---------------------------------------------------------------------------

    // Hands-free with --events: a position whose port is missing says so at once and waits
    // for it; one whose port can never serve ends failed while the other goes on; a panel
    // that arrives, is programmed and is taken out; a scanned id; q ends with the summary.
    void events()
    {
        const QString link = dir.filePath("events-panel");
        Session tool({"write", "truck.zcf", "--series", "--wait-for-panel", "--events", "--port", "FX1=" + link,
                      "--port", "DIR=./folder"},
                     dir.path());
        QVERIFY(tool.waitFor("FX1: SERIAL PORT " + link + " NOT FOUND - WAITING FOR IT"));
        QVERIFY(tool.waitFor("folder IS A FOLDER, NOT A SERIAL PORT"));
        tool.type("FX1 SN-77\n");
        auto panel = std::make_unique<VirtualPanel>(QStringList{"--link", link});
        QVERIFY(tool.waitFor("FX1: PANEL 1: PROGRAMMED"));
        panel.reset();
        QVERIFY(tool.waitFor("FX1: WAITING FOR PANEL 2"));
        tool.type("q\n");
        QCOMPARE(tool.finish(), 1); // the folder's position failed
        QStringList fx1, dir;
        const QList<QJsonObject> events = parseLines(tool.out);
        QCOMPARE(events.size(), int(tool.out.count('\n')));
        // The run opens the stream; every event names it and the format.
        const QJsonObject run = events.value(0);
        QCOMPARE(run["event"].toString(), "run");
        QCOMPARE(run["arguments"].toArray().size(), 9);
        QCOMPARE(run["file"].toString(), QDir(this->dir.path()).absoluteFilePath("truck.zcf"));
        QCOMPARE(run["positions"].toArray()[1].toObject()["port"].toString(), "./folder");
        const QMap<QString, QStringList> documented = documentedKeys("event");
        for (const QJsonObject &e : events) {
            const QString name = e["event"].toString();
            QVERIFY(keysAsDocumented(documented, e));
            QCOMPARE(e["run_id"], run["run_id"]);
            QCOMPARE(e["schema"].toInt(), 1);
            QVERIFY(!e["time"].toString().isEmpty());
            if (name == "summary" || name == "run")
                continue;
            if (name == "attempt")
                QCOMPARE(e["panel"].toInt(), 1);
            QVERIFY(!e["time"].toString().isEmpty());
            (e["position"].toString() == "FX1" ? fx1 : dir) << name;
            QCOMPARE(e["port"].toString(), e["position"] == "FX1" ? link : "./folder");
            if (name == "attempt" && e["position"] == "FX1") {
                QCOMPARE(e["outcome"].toString(), "done");
                QCOMPARE(e["panel_id"].toString(), "SN-77");
            }
        }
        // The id scanned while the port was missing waits for the panel; the panel's seating
        // is told as it is taken out.
        QCOMPARE(fx1, (QStringList{"port-not-found", "id", "waiting", "present", "programming", "attempt", "seating",
                                   "removed", "waiting"}));
        QCOMPARE(dir, (QStringList{"port-unusable", "attempt"}));
        const QJsonObject summary = events.last();
        QCOMPARE(summary["event"].toString(), "summary");
        QCOMPARE(summary["programmed"].toInt(), 1);
        QCOMPARE(summary["failed"].toInt(), 1);
        QCOMPARE(summary["positions"].toArray().size(), 2);
    }

    // A port missing at the start that appears as something that can never serve (a link to
    // a regular file) is said as it would have been at the start, and its position ends.
    void portAppearingUnusable()
    {
        const QString link = dir.filePath("appearing-file");
        QFile::remove(link);
        Session tool({"write", "truck.zcf", "--series", "--wait-for-panel", "--events", "--port", "FX1=" + link},
                     dir.path());
        QVERIFY(tool.waitFor("FX1: SERIAL PORT " + link + " NOT FOUND - WAITING FOR IT"));
        QVERIFY(QFile::link(dir.filePath("truck.zcf"), link));
        QCOMPARE(tool.finish(), 1);
        QFile::remove(link);
        QStringList events;
        for (const QJsonObject &e : parseLines(tool.out))
            events << e["event"].toString();
        QCOMPARE(events, (QStringList{"run", "port-not-found", "port-unusable", "attempt", "summary"}));
    }

    void oneDeviceAppearingUnderTwoNames_data()
    {
        QTest::addColumn<QString>("first"); // the position whose name of the port appears first
        QTest::addColumn<QString>("second");
        QTest::newRow("the first position's first") << "A" << "B";
        QTest::newRow("the second position's first") << "B" << "A";
        QTest::newRow("both at once") << "" << ""; // as an adapter's two links come: either may keep it
    }

    // Two names that only show to be one port once a link appears: the position whose name
    // came second is refused as in use, and the panel is written once.
    void oneDeviceAppearingUnderTwoNames()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        const QString one = dir.filePath("twice-1"), two = dir.filePath("twice-2");
        Session tool({"write", "truck.zcf", "--series", "--wait-for-panel", "--json", "--port", "A=" + one, "--port",
                      "B=" + two},
                     dir.path());
        QVERIFY(tool.waitFor("B: SERIAL PORT " + two + " NOT FOUND"));
        const QString firstName = first == "B" ? two : one, secondName = first == "B" ? one : two;
        VirtualPanel panel({"--link", firstName});
        if (first.isEmpty())
            QVERIFY(QFile::link(QFileInfo(firstName).symLinkTarget(), secondName));
        QVERIFY(tool.waitFor(first + ": PANEL 1: PROGRAMMED"));
        if (!first.isEmpty())
            QVERIFY(QFile::link(QFileInfo(firstName).symLinkTarget(), secondName));
        QVERIFY(tool.waitFor(second + ": PANEL 1: FAILED"));
        QTest::qWait(1500);
        tool.interrupt();
        tool.finish();
        QFile::remove(secondName);
        QCOMPARE(panel.received().count(PanelLink::writeCommand(0, 0)), 1);
        QStringList outcomes;
        for (const QJsonObject &o : parseLines(tool.out))
            outcomes << o["position"].toString() + " " + o["outcome"].toString() + " " + o["detail"].toString();
        QCOMPARE(outcomes.size(), 2);
        QVERIFY2(outcomes.contains(QRegularExpression("(?s)^" + (second.isEmpty() ? "[AB]" : second) + " failed .*IN USE.*")),
                 qPrintable(outcomes.join('\n')));
    }

    // A trace that cannot be written is said once, however many ports meet it, and above
    // the board rather than through it.
    void traceWarnedOnce()
    {
        VirtualPanel a, b;
        const Run run = tool({"write", "truck.zcf", "--trace", "folder", "--port", a.port(), "--port", b.port()},
                             dir.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err.count("durvex-config: no byte trace: folder is not a writable regular file\n"), 1);
    }

    // A controller reading the results that has gone ends the line soon, also with no panel
    // seated: no new panel, the summary on standard error and in the log, and 4.
    void readerGone()
    {
        const QString logPath = dir.filePath("reader-gone.log");
        QFile::remove(logPath);
        QProcess process;
        process.setProcessEnvironment(environment(dir.path()));
        process.setWorkingDirectory(dir.path());
        QElapsedTimer clock;
        clock.start();
        process.start("bash", {"-c", "\"$0\" \"$@\" | true; exit ${PIPESTATUS[0]}", QStringLiteral(TOOL_PATH),
                               "write", "truck.zcf", "--series", "--wait-for-panel", "--json", "--log", logPath,
                               "--port", "FX1=" + dir.filePath("no-panel-here")});
        const bool ended = process.waitForFinished(10000);
        if (!ended) {
            process.kill();
            process.waitForFinished(1000);
        }
        QVERIFY(ended);
        QVERIFY2(clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(process.exitCode(), 4);
        QVERIFY(QString::fromLocal8Bit(process.readAllStandardError()).contains("SUMMARY: 0 UNITS, 0 PROGRAMMED, 0 UNCHANGED, 0 FAILED"));
        QFile log(logPath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QJsonObject> records = parseLines(QString::fromUtf8(log.readAll()));
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[0]["event"].toString(), "run");
        QCOMPARE(records[1]["event"].toString(), "summary");
    }

    // Events on a file that may grow no further (as on a full disk): the reason said, no
    // new panel, and the event that did not fit taken back, so that every line is whole.
    void eventsOnAFullDisk()
    {
        constexpr int limit = 1000;
        const QString out = dir.filePath("full-events.jsonl");
        QFile::remove(out);
        VirtualPanel panel;
        QProcess process;
        process.setProcessEnvironment(environment(dir.path()));
        process.setWorkingDirectory(dir.path());
        process.setStandardOutputFile(out);
        process.setChildProcessModifier([] {
            ::signal(SIGXFSZ, SIG_DFL);
            const rlimit size{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &size);
        });
        process.start(QStringLiteral(TOOL_PATH), {"write", "truck.zcf", "--series", "--wait-for-panel", "--count", "2",
                                                  "--events", "--port", "FX1=" + panel.port()});
        const bool ended = process.waitForFinished(15000);
        if (!ended) {
            process.kill();
            process.waitForFinished(1000);
        }
        QVERIFY(ended);
        QCOMPARE(process.exitCode(), 4);
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(err.contains("durvex-config: standard output could not be written (File too large): no new panel "
                              "starts\n"),
                 qPrintable(err));
        QVERIFY(!err.contains("no reader"));
        QFile written(out);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        QVERIFY(bytes.size() <= limit);
        QVERIFY2(bytes.isEmpty() || bytes.endsWith('\n'), bytes.right(80).constData());
        for (const QByteArray &line : bytes.split('\n'))
            QVERIFY2(line.isEmpty() || QJsonDocument::fromJson(line).isObject(), line.constData());
    }

    void interrupted_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("panels");
        QTest::addColumn<QString>("lastLine");
        QTest::newRow("hands-free, waiting") << QStringList{"--series", "--wait-for-panel"} << 0
                                             << "SUMMARY: 0 UNITS, 0 PROGRAMMED, 0 UNCHANGED, 0 FAILED";
        QTest::newRow("two ports writing") << QStringList{} << 2 << QString();
    }

    // Ctrl+C reaches every port: the transfers end at their current wait with the ports
    // closed, and a series with its summary.
    void interrupted()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, panels);
        std::vector<std::unique_ptr<VirtualPanel>> virtualPanels;
        QStringList ports{dir.filePath("no-panel-yet")};
        if (panels) {
            ports.clear();
            for (int i = 0; i < panels; ++i) {
                virtualPanels.push_back(std::make_unique<VirtualPanel>());
                ports << virtualPanels.back()->port();
            }
        }
        QStringList all{"write", "truck.zcf", "--json"};
        for (const QString &port : ports)
            all << "--port" << port;
        Session tool(all + arguments, dir.path());
        QTest::qWait(1200);
        tool.interrupt();
        QCOMPARE(tool.finish(2000), 130);
        QFETCH(QString, lastLine);
        if (!lastLine.isEmpty())
            QVERIFY2(tool.err.endsWith(lastLine + "\n"), qPrintable(tool.err));
        const QList<QJsonObject> objects = parseLines(tool.out);
        QCOMPARE(objects.size(), panels);
        for (const QJsonObject &o : objects)
            QCOMPARE(o["outcome"].toString(), "interrupted");
        for (const QString &port : std::as_const(ports)) {
            if (!QFileInfo::exists(port))
                continue;
            SerialPortLine again(port); // free again
            SerialLine::OpenFailure failure;
            QVERIFY(again.open(&failure));
        }
    }

    // --- check and ports -------------------------------------------------------------------

    void check_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("lastLine");
        QTest::newRow("a configuration") << "truck.zcf" << 0 << "truck.zcf IS READY TO WRITE";
        QTest::newRow("not there") << "missing.zcf" << 4 << "durvex-config: missing.zcf: No such file or directory";
        QTest::newRow("a folder") << "folder" << 4 << "durvex-config: folder: Is a directory";
        QTest::newRow("no configuration") << "notes.zcf" << 4
                                          << "  -------------THE FILE READ OPERATION IS BEING ABANDONED!--------------";
    }

    // Codes no list has load as something else: check says so, in words and in the JSON,
    // and shows what the file holds as a short table.
    void checkWarnsOfUnlistedCodes()
    {
        QFile odd(dir.filePath("odd.zcf"));
        QVERIFY(odd.open(QIODevice::WriteOnly));
        odd.write(QByteArray(truckLine).replace("\"BEACON\",29,", "\"BEACON\",999,").replace("(%)\",6,", "(%)\",-1,"));
        odd.close();
        const Run text = tool({"check", "odd.zcf"}, dir.path());
        QCOMPARE(text.exitCode, 0);
        const QStringList table = text.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(table.value(0).simplified(), "PANEL NAME TRUCK 12");
        QCOMPARE(table.value(3).simplified(), "SW2 B 2 WIPERS");
        QCOMPARE(table.value(4).simplified(), "SW3 N/A BEACON");
        QCOMPARE(table.value(16).simplified(), "NORMAL BACKLIGHTING (%) 100 %"); // as the window shows it
        QCOMPARE(table.size(), 19);
        QVERIFY2(text.err.contains("warning: SW3 (address 2): code 999 is in no list; the window shows N/A\n"),
                 qPrintable(text.err));
        QVERIFY(text.err.contains("warning: NORMAL BACKLIGHTING (%) (address 14): code -1 is in no list; the window "
                                  "shows 100 %\n"));
        QVERIFY(!text.err.contains("READY TO WRITE"));

        const Run json = tool({"check", "odd.zcf", "--json"}, dir.path());
        QCOMPARE(json.objects.size(), 1);
        const QJsonArray warnings = json.objects[0]["warnings"].toArray();
        QCOMPARE(warnings.size(), 2);
        QCOMPARE(warnings[0]["code"].toInt(), 999);
        QCOMPARE(warnings[0]["item"].toString(), "SW3");
        QCOMPARE(warnings[1]["address"].toInt(), 14);
        QCOMPARE(tool({"check", "truck.zcf", "--json"}, dir.path()).objects.value(0)["warnings"], QJsonArray());
    }

    void placeholdersInUserText_data()
    {
        QTest::addColumn<QStringList>("panelArgs");
        QTest::addColumn<QStringList>("arguments"); // @PORT@: the panel's
        QTest::addColumn<QString>("err");           // a line of standard error, as a pattern
        QTest::addColumn<QString>("jsonKey");       // and the --json object's value of a key, as given
        QTest::addColumn<QString>("jsonValue");
        QTest::newRow("a label") << QStringList{}
                                 << QStringList{"write", "truck.zcf", "--port", "FX%1=@PORT@", "--port", "B=@PORT2@"}
                                 << "\nFX%1 +done +SWITCH PANEL HAS BEEN PROGRAMMED\n" << "" << "";
        QTest::newRow("an id") << QStringList{} << QStringList{"write", "truck.zcf", "--panel-id", "ID%1%2", "--port", "@PORT@"}
                               << "" << "panel_id" << "ID%1%2";
        QTest::newRow("a file name") << QStringList{} << QStringList{"check", "c%1.zcf"}
                                     << "\nc%1\\.zcf CAN BE WRITTEN, BUT 2 OF ITS CODES ARE IN NO LIST" << "" << "";
        QTest::newRow("a panel's reply") << QStringList{"--reply", "5=5555%1\\x0d"}
                                         << QStringList{"verify", "truck.zcf", "--port", "@PORT@"}
                                         << "reply \"5555%1\\\\x0d\" reads \\d+, out of range" << "" << "";
    }

    // Text from the user, the files and the panel is shown as it came, never read as a
    // placeholder of the message it is put into.
    void placeholdersInUserText()
    {
        QFETCH(QStringList, panelArgs);
        QFETCH(QStringList, arguments);
        QFETCH(QString, jsonKey);
        QFile odd(dir.filePath("c%1.zcf")); // two codes no list has
        QVERIFY(odd.open(QIODevice::WriteOnly));
        odd.write(QByteArray(truckLine).replace("\"BEACON\",29,", "\"BEACON\",999,").replace("(%)\",6,", "(%)\",-1,"));
        odd.close();
        VirtualPanel panel(panelArgs), other;
        arguments.replaceInStrings("@PORT@", panel.port()).replaceInStrings("@PORT2@", other.port());
        const Run run = tool(arguments + QStringList{"--json"}, dir.path());
        QFETCH(QString, err);
        QVERIFY2(err.isEmpty() || run.err.contains(QRegularExpression(err)), qPrintable(run.err));
        QVERIFY2(!run.err.contains(QRegularExpression("%[2-9]")), qPrintable(run.err));
        if (!jsonKey.isEmpty())
            QTEST(run.objects.value(0)[jsonKey].toString(), "jsonValue");
        for (const QJsonObject &object : run.objects)
            QVERIFY(!object["detail"].toString().contains(QRegularExpression("%[2-9]")));
    }

    // check opens the file as write does and touches no port; --json carries what it holds.
    void check()
    {
        QFETCH(QString, file);
        const Run run = tool({"check", file, "--json"}, dir.path());
        QTEST(run.exitCode, "exitCode");
        QTEST(run.err.split('\n', Qt::SkipEmptyParts).constLast(), "lastLine");
        QCOMPARE(run.objects.size(), 1);
        const QJsonObject o = run.objects.constFirst();
        QCOMPARE(o.keys(), attemptKeys);
        QVERIFY(o["port"].isNull());
        QCOMPARE(o["configuration"].isNull(), run.exitCode != 0);
        if (run.exitCode != 0)
            return;
        const QJsonObject configuration = o["configuration"].toObject();
        QCOMPARE(configuration["panel_name"].toString(), "TRUCK 12");
        const QJsonArray items = configuration["items"].toArray();
        QCOMPARE(items.size(), 17);
        QCOMPARE(items[2]["item"].toString(), "SW3");
        QCOMPARE(items[2]["code"].toInt(), 29);
        QCOMPARE(items[2]["value"].toString(), "module C channel 10");
        QCOMPARE(items[2]["designation"].toString(), "BEACON");
        QCOMPARE(items[14]["item"].toString(), "NORMAL BACKLIGHTING (%)");
        QCOMPARE(items[14]["value"].toString(), "80 %");
    }

    void ports_data()
    {
        QTest::addColumn<QString>("environmentPort");
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QString>("why");
        QTest::newRow("from the environment") << "/dev/ttyFIXTURE" << "" << "from DURVEX_PORT";
        QTest::newRow("remembered") << "" << "/dev/ttyREMEMBERED" << "the port last chosen in the window";
    }

    // The default port is named also when the system does not list it.
    void ports()
    {
        QFETCH(QString, environmentPort);
        QFETCH(QString, remembered);
        QFETCH(QString, why);
        QTemporaryDir home;
        QProcessEnvironment env = environment(home.path());
        if (!environmentPort.isEmpty())
            env.insert("DURVEX_PORT", environmentPort);
        if (!remembered.isEmpty()) {
            QDir(home.path()).mkpath("config/durvex-config");
            QFile ini(home.filePath("config/durvex-config/durvex-config.ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[serial]\nport=" + remembered.toUtf8() + "\n");
        }
        const QString chosen = environmentPort + remembered;
        const Run text = tool({"ports"}, home.path(), {}, env);
        QCOMPARE(text.exitCode, 0);
        QVERIFY2(text.out.endsWith(QStringLiteral("default port: %1 (%2; not among the ports listed)\n").arg(chosen, why)),
                 qPrintable(text.out));

        const Run json = tool({"ports", "--json"}, home.path(), {}, env);
        QCOMPARE(json.exitCode, 0);
        QVERIFY(json.jsonLines());
        const QJsonObject last = json.objects.value(json.objects.size() - 1);
        QCOMPARE(last.keys(), (QStringList{"by_id", "by_path", "default", "description", "maker", "name", "pid",
                                           "serial_number", "vid"}));
        QCOMPARE(last["name"].toString(), chosen);
        QCOMPARE(last["default"].toBool(), true);
        QCOMPARE(std::count_if(json.objects.begin(), json.objects.end(), [](const QJsonObject &o) { return o["default"].toBool(); }),
                 1);
    }

    void adaptersAlike_data()
    {
        QTest::addColumn<QStringList>("adapters"); // "NAME VID:PID SERIAL", - for none
        QTest::addColumn<QStringList>("warnings");
        const QString lead = "warning: %1 %2, so one /dev/serial/by-id link stands for all of them: name those "
                             "positions by path: %3";
        const QString path = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:%1:1.0-port0";
        QTest::newRow("serial numbers of their own")
            << QStringList{"/dev/ttyUSB0 0403:6001 A1", "/dev/ttyUSB1 0403:6001 A2"} << QStringList{};
        QTest::newRow("one serial number")
            << QStringList{"/dev/ttyUSB0 0403:6001 A1", "/dev/ttyUSB1 0403:6001 A1", "/dev/ttyUSB2 0403:6001 B7"}
            << QStringList{lead.arg("/dev/ttyUSB0, /dev/ttyUSB1", "share the serial number A1",
                                    path.arg(0) + ", " + path.arg(1))};
        QTest::newRow("no serial numbers") << QStringList{"/dev/ttyUSB0 1a86:7523 -", "/dev/ttyUSB1 1a86:7523 -"}
                                           << QStringList{lead.arg("/dev/ttyUSB0, /dev/ttyUSB1", "have no serial number",
                                                                   path.arg(0) + ", " + path.arg(1))};
        QTest::newRow("one serial number, other models")
            << QStringList{"/dev/ttyUSB0 0403:6001 X", "/dev/ttyUSB1 067b:2303 X"} << QStringList{};
        QTest::newRow("no USB") << QStringList{"/dev/ttyS0 - -", "/dev/ttyS1 - -"} << QStringList{};
    }

    // Adapters udev cannot tell apart by id are said to be named by path; facts made by hand,
    // no device needed.
    void adaptersAlike()
    {
        QFETCH(QStringList, adapters);
        PortListing listing;
        for (const QString &adapter : adapters) {
            const QStringList f = adapter.split(' ');
            PortListing::Entry entry;
            entry.name = f[0];
            entry.byPath = QStringLiteral("/dev/serial/by-path/pci-0000:00:14.0-usb-0:%1:1.0-port0")
                               .arg(listing.entries.size());
            if (f[1] != "-") {
                entry.vendorId = f[1].section(':', 0, 0).toUShort(nullptr, 16);
                entry.productId = f[1].section(':', 1).toUShort(nullptr, 16);
            }
            entry.serialNumber = f[2] == "-" ? QString() : f[2];
            listing.entries.append(entry);
        }
        QTEST(listing.warnings(), "warnings");
        // The socket's name beside the port's, in words and in JSON.
        QVERIFY(listing.text().startsWith(adapters[0].section(' ', 0, 0) + "  " + listing.entries[0].byPath));
        QCOMPARE(PortListing::toJson(listing.entries[0])["by_path"].toString(), listing.entries[0].byPath);
    }

    // --- The presence rule -------------------------------------------------------------------

    void presence_data()
    {
        QTest::addColumn<bool>("departure");
        QTest::addColumn<QString>("polls"); // a: answered, s: silent, m: the port is missing
        QTest::addColumn<int>("decidedAt"); // the poll after which it is decided; -1: not
        QTest::newRow("two answers") << false << "aa" << 1;
        QTest::newRow("answers not in a row") << false << "asa" << -1;
        QTest::newRow("in a row at last") << false << "masaa" << 4;
        QTest::newRow("three silent") << true << "sss" << 2;
        QTest::newRow("an answer between") << true << "ssass" << -1;
        QTest::newRow("the port gone") << true << "am" << 1;
        QTest::newRow("silent then gone") << true << "ssm" << 2;
    }

    void presence()
    {
        QFETCH(bool, departure);
        QFETCH(QString, polls);
        PanelPoller poller;
        int asked = 0;
        poller.pollNow = [&] { ++asked; };
        QSignalSpy arrived(&poller, &PanelPoller::arrived);
        QSignalSpy gone(&poller, &PanelPoller::gone);
        departure ? poller.awaitDeparture() : poller.awaitArrival();
        QCOMPARE(asked, 1); // the first poll at once
        int decidedAt = -1;
        for (int i = 0; i < polls.size(); ++i) {
            poller.polled(polls[i] == 'a' ? ConnectionThread::Poll::Answered
                          : polls[i] == 's' ? ConnectionThread::Poll::Silent
                                            : ConnectionThread::Poll::PortMissing);
            if (decidedAt < 0 && arrived.size() + gone.size() > 0)
                decidedAt = i;
        }
        QTEST(decidedAt, "decidedAt");
        QCOMPARE((departure ? arrived : gone).size(), 0);
    }
};

QTEST_MAIN(TestProduction)
#include "tst_production.moc"
