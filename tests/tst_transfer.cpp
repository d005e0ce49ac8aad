#include "link/serialportline.h"
#include "modaldriver.h"
#include "virtualpanel.h"
#include "watchdog.h"
#include "windowfixture.h"

#include "link/portchoice.h"
#include "platform/termination.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QSettings>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>

// Reads and writes through QSerialPort on a pseudo-terminal, against the virtual panel
// with each of its behaviours. Every row checks the status line, the boxes, the exact bytes
// the panel received, what its memory holds and that the port is closed.

namespace {

using Codes = QList<int>; // fourteen address codes, then backlighting, indicator, dimmed

const Codes panelCodes = {0, 11, 29, 160, 45, 159, 0, 12, 30, 160, 99, 150, 159, 158, 6, 10, 1};
const Codes windowCodes = {5, 160, 17, 33, 160, 149, 0, 1, 2, 3, 4, 160, 100, 60, 5, 7, 2};
const Codes freshPanel = {160, 160, 160, 160, 160, 160, 160, 160, 160, 160, 160, 160, 160, 160, 10, 10, 10};

QStringList presets(const Codes &codes)
{
    QStringList args;
    for (int a = 0; a < codes.size(); ++a)
        args << QStringLiteral("--set") << QStringLiteral("%1=%2").arg(a).arg(codes[a]);
    return args;
}

QByteArray readCommand(int a) { return PanelLink::readCommand(a); }
QByteArray writeAndVerify(int a, int v) { return PanelLink::writeCommand(a, v) + PanelLink::readCommand(a); }

// What a panel receives: the attention commands, the model read, then `bytes` byte
// operations (reads, or writes with their read-back); `lastWriteOnly` cuts the last
// operation after its write command.
QByteArray expectedLog(bool write, int attentions, int bytes, bool lastWriteOnly = false)
{
    QByteArray log(attentions, 'A');
    if (bytes < 0)
        return log;
    log += readCommand(63);
    for (int a = 0; a < bytes; ++a) {
        if (!write)
            log += readCommand(a);
        else if (lastWriteOnly && a == bytes - 1)
            log += PanelLink::writeCommand(a, windowCodes[a]);
        else
            log += writeAndVerify(a, windowCodes[a]);
    }
    return log;
}

void configure(MainWindow &w, const Codes &codes)
{
    for (int i = 0; i < 14; ++i) {
        const ItemControls &item = itemControls[i];
        w.selectPosition(item.moduleList, codes[i] == 160 ? 0 : codes[i] / 10 + 1);
        if (codes[i] != 160)
            w.selectPosition(item.channelList, codes[i] % 10);
    }
    w.selectPosition("List45", intensityPosition(codes[14]));
    w.selectPosition("List49", intensityPosition(codes[15]));
    w.selectPosition("List46", intensityPosition(codes[16]));
}

// The code an item's selectors show, as a gathering would compute it; -1 when incomplete.
int shownCode(MainWindow &w, int i)
{
    if (i >= 14)
        return w.form().intensityCode(i - 14);
    const int module = w.position(itemControls[i].moduleList);
    const int channel = w.position(itemControls[i].channelList);
    if (module == 0)
        return 160;
    if (module < 0 || channel < 0)
        return -1;
    return moduleList[module].value + channelList[channel].value;
}

} // namespace

class TestTransfer : public QObject
{
    Q_OBJECT

    QTemporaryDir settingsDir;
    QSettings settings{settingsDir.filePath("durvex-config.ini"), QSettings::IniFormat};

private slots:

    void transfer_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<QStringList>("panelArgs");
        QTest::addColumn<int>("incomplete");     // write: 0, or the item left without a channel
        QTest::addColumn<QString>("status");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QString>("box");         // the message box's title, if one comes up
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<Codes>("memory");        // the panel's bytes 0..16 afterwards
        QTest::addColumn<Codes>("shownAfter");        // read: what the items show afterwards (-2: as before)

        const QString readOk = QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL");
        const QString written = QStringLiteral("SWITCH PANEL HAS BEEN PROGRAMMED");
        const QString noAnswer = QStringLiteral("COMMUNICATIONS FAILURE SWITCH PANEL FAILED TO RESPOND ON %1");
        const QString badData = QStringLiteral("COMMUNICATIONS FAILURE-BAD SWITCH PANEL DATA");
        const QString lost = QStringLiteral("COMMUNICATIONS FAILURE - SERIAL PORT %1 LOST");
        const QString mismatch = QStringLiteral("SWITCH PANEL/CONFIGURATION MIS-MATCH");
        const QStringList preset = presets(panelCodes);
        auto firstShown = [&](int n, Codes tail = {}) {
            Codes shown = panelCodes.mid(0, n) + tail;
            while (shown.size() < 17)
                shown << -2;
            return shown;
        };
        const Codes unchanged = firstShown(0);

        auto read = [&](const char *name, QStringList args, QString status, QColor colour, QString box,
                        QByteArray received, Codes shown, Codes memory = panelCodes) {
            QTest::newRow(name) << false << preset + args << 0 << status << colour << box << received << memory << shown;
        };
        read("read 74", {}, readOk, green, {}, expectedLog(false, 1, 17), panelCodes);
        read("read 80", {"--model", "80"}, readOk, green, {}, expectedLog(false, 1, 17), panelCodes);
        read("read, wrong model", {"--model", "75"}, "COMMUNICATIONS OK", yellow, mismatch, expectedLog(false, 1, 0), unchanged);
        read("read, model 0", {"--model", "0"}, "COMMUNICATIONS OK", yellow, mismatch, expectedLog(false, 1, 0), unchanged);
        read("read, model out of range", {"--reply", "63=02000"}, "ERROR - DATA OUT OF RANGE", yellow, mismatch,
             expectedLog(false, 1, 0), unchanged);
        read("read, short model reply", {"--reply", "63=74"}, badData, red, {}, expectedLog(false, 1, 0), unchanged);
        read("read, silent", {"--silent"}, noAnswer, red, {}, expectedLog(false, 6, -1), unchanged);
        read("read, answers the third A", {"--ack-from", "3"}, readOk, green, {}, expectedLog(false, 3, 17), panelCodes);
        read("read, lower-case ack", {"--ack-lowercase"}, noAnswer, red, {}, expectedLog(false, 1, -1), unchanged);
        read("read, ack with a sixth byte", {"--ack-extra"}, noAnswer, red, {}, expectedLog(false, 1, -1), unchanged);
        read("read, 161 at SW4", {"--reply", "3=01610"}, badData, red, {}, expectedLog(false, 1, 4), firstShown(3, {160}));
        read("read, negative at SW3", {"--reply", "2=-0010"}, badData, red, {}, expectedLog(false, 1, 3), firstShown(2, {160}));
        read("read, short reply at SW6", {"--reply", "5=12"}, badData, red, {}, expectedLog(false, 1, 6), firstShown(5));
        read("read, intensity 0 shows 100", {"--set", "16=0"}, readOk, green, {}, expectedLog(false, 1, 17),
             firstShown(16, {10}), panelCodes.mid(0, 16) + Codes{0});
        read("read, intensity out of range", {"--reply", "14=02000"}, badData, red, {}, expectedLog(false, 1, 15),
             firstShown(14, {10}));
        read("read, replies trickle in", {"--trickle", "2"}, readOk, green, {}, expectedLog(false, 1, 17), panelCodes);
        read("read, write faults play no part", {"--no-verify", "4", "--write-ack", "12=d000d"}, readOk, green, {},
             expectedLog(false, 1, 17), panelCodes);
        // Garble is no value: NULs from a broken cable, a late second "D000D", a number too large.
        read("read, NULs at SW2", {"--reply", "1=\\x00\\x00\\x00\\x00\\x00"}, badData, red, {}, expectedLog(false, 1, 2), firstShown(1));
        // A panel that answers an "A" late sends its "D000D" where the model's reply belongs.
        read("read, acknowledgement for the model", {"--reply", "63=D000D"}, badData, red, {}, expectedLog(false, 1, 0), unchanged);
        read("read, model too large to read", {"--reply", "63=1E400"}, "ERROR - DATA OUT OF RANGE", yellow, mismatch,
             expectedLog(false, 1, 0), unchanged);
        read("read, model wider than 32 bits", {"--reply", "63=&H1FFFFFFFF"}, "ERROR - DATA OUT OF RANGE", yellow, mismatch,
             expectedLog(false, 1, 0), unchanged);
        read("read, panel hangs up", {"--hangup-after", "6"}, lost, red, {}, expectedLog(false, 1, 5), firstShown(4));

        auto write = [&](const char *name, QStringList args, int incomplete, QString status, QColor colour, QString box,
                         QByteArray received, Codes memory) {
            QTest::newRow(name) << true << args << incomplete << status << colour << box << received << memory << Codes{};
        };
        write("write 74", {}, 0, written, green, {}, expectedLog(true, 1, 17), windowCodes);
        write("write 80", {"--model", "80"}, 0, written, green, {}, expectedLog(true, 1, 17), windowCodes);
        write("write, switch incomplete", {}, 3, "DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA",
              red, {}, {}, freshPanel);
        write("write, backlight incomplete", {}, 12,
              "DATA MUST BE ENTERED (CLICKED) FOR ALL LED'S AND BACKLIGHTING BEFORE WRITING DATA", red, {}, {}, freshPanel);
        write("write, wrong model", {"--model", "75"}, 0, "COMMUNICATIONS OK", yellow, mismatch, expectedLog(true, 1, 0),
              freshPanel);
        write("write, silent", {"--silent"}, 0, noAnswer, red, {}, expectedLog(true, 6, -1), freshPanel);
        write("write, answers the second A", {"--ack-from", "2"}, 0, written, green, {}, expectedLog(true, 2, 17), windowCodes);
        write("write, short model reply", {"--reply", "63=7"}, 0, badData, red, {}, expectedLog(true, 1, 0), freshPanel);
        write("write, bad ack at 12", {"--write-ack", "12=d000d"}, 0, badData, red, {}, expectedLog(true, 1, 13, true),
              windowCodes.mid(0, 13) + freshPanel.mid(13));
        write("write, ack with a sixth byte at 0", {"--write-ack", "0=D000DX"}, 0, badData, red, {},
              expectedLog(true, 1, 1, true), windowCodes.mid(0, 1) + freshPanel.mid(1));
        write("write, fails to verify at 4", {"--no-verify", "4"}, 0, badData, red, {}, expectedLog(true, 1, 5),
              windowCodes.mid(0, 4) + Codes{windowCodes[4] + 1} + freshPanel.mid(5));
        write("write, short read-back at 16", {"--reply", "16=5"}, 0, badData, red, {}, expectedLog(true, 1, 17), windowCodes);
        write("write, replies trickle in", {"--trickle", "3"}, 0, written, green, {}, expectedLog(true, 1, 17), windowCodes);
        write("write, model 0", {"--model", "0"}, 0, "COMMUNICATIONS OK", yellow, mismatch, expectedLog(true, 1, 0), freshPanel);
        write("write, model out of range", {"--reply", "63=-0100"}, 0, "ERROR - DATA OUT OF RANGE", yellow, mismatch,
              expectedLog(true, 1, 0), freshPanel);
        write("write, lower-case ack", {"--ack-lowercase"}, 0, noAnswer, red, {}, expectedLog(true, 1, -1), freshPanel);
        write("write, ack with a sixth byte", {"--ack-extra"}, 0, noAnswer, red, {}, expectedLog(true, 1, -1), freshPanel);
        write("write, read-back 161 at SW4", {"--reply", "3=01610"}, 0, badData, red, {}, expectedLog(true, 1, 4),
              windowCodes.mid(0, 4) + freshPanel.mid(4));
        write("write, NULs verify no 0 at LED1", {"--reply", "6=\\x00\\x00\\x00\\x00\\x00"}, 0, badData, red, {},
              expectedLog(true, 1, 7), windowCodes.mid(0, 7) + freshPanel.mid(7));
        write("write, panel hangs up", {"--hangup-after", "4"}, 0, lost, red, {}, expectedLog(true, 1, 2, true),
              windowCodes.mid(0, 1) + freshPanel.mid(1));

        // A panel that answers each "A" late, on a timer of its own, and everything else at
        // once: the handshake takes the first answer on a later attempt, and the answers to
        // the other "A"s come among the replies that follow. Every delay that six attempts
        // cover, each clear of a tick so that its attempt is certain.
        for (const int late : {110, 150, 210, 250, 310, 350, 410, 450, 550}) {
            const QByteArray name = QByteArray::number(late);
            const QStringList args = {"--ack-late", QString::number(late)};
            write(("write, answers each A " + name + " ms late").constData(), args, 0, written, green, {},
                  expectedLog(true, late / 100 + 1, 17), windowCodes);
            if (late % 100 == 50)
                read(("read, answers each A " + name + " ms late").constData(), args, readOk, green, {},
                     expectedLog(false, late / 100 + 1, 17), panelCodes);
        }
    }

    void transfer()
    {
        QFETCH(bool, write);
        QFETCH(QStringList, panelArgs);
        QFETCH(int, incomplete);
        QFETCH(QString, box);
        QFETCH(Codes, shownAfter);
        QFETCH(Codes, memory);

        VirtualPanel panel(panelArgs);
        QVERIFY(!panel.port().isEmpty());
        auto w = makeWindow(std::make_unique<SerialPortLine>(panel.port()));
        ModalDriver driver;
        if (write) {
            configure(*w, windowCodes);
            if (incomplete)
                w->selectPosition(itemControls[incomplete].moduleList, -1);
            QTest::mouseClick(w->control("Option2"), Qt::LeftButton);
        } else {
            w->control<QLineEdit>("Text2")->setText("OLD NAME");
        }

        w->control<QAbstractButton>(write ? "WRITE_CONFIG" : "READ_CONFIG")->click();

        QFETCH(QString, status);
        QCOMPARE(w->statusText(), status.contains("%1") ? status.arg(panel.port()) : status);
        QTEST(statusColour(*w), "colour");
        QVERIFY(shown(*w, "Text1"));
        QCOMPARE(driver.boxes.size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty()) {
            QCOMPARE(driver.boxes[0].title, box);
            QCOMPARE(driver.boxes[0].text, QStringLiteral("THE SWITCH PANEL THAT YOU HAVE ATTEMPTED TO %1 DOES NOT MATCH THIS CONFIGURATION PROGRAM")
                                               .arg(write ? "WRITE DATA TO" : "READ DATA FROM"));
        }
        QVERIFY(!w->line().isOpen());
        panel.waitForExit(200);
        QTEST(panel.received(), "received");
        const QByteArray bytes = panel.memory();
        QCOMPARE(bytes.size(), 64);
        for (int a = 0; a < 17; ++a)
            QCOMPARE(int(quint8(bytes[a])), memory[a]);

        // A complete gathering and every read end in the switch view; an incomplete one keeps the view.
        QCOMPARE(w->control<QRadioButton>("Option1")->isChecked(), incomplete == 0);
        if (!write) {
            QCOMPARE(w->control<QLineEdit>("Text2")->text(), QString());
            for (int i = 0; i < 17; ++i)
                QCOMPARE(shownCode(*w, i), shownAfter[i] == -2 ? (i < 14 ? -1 : 10) : shownAfter[i]);
            for (int i = 0; i < 6; ++i)
                QVERIFY(!shown(*w, itemControls[i].designationBox));
            for (int i = 0; i < 12 && shownAfter[i] != -2; ++i)
                QCOMPARE(w->boxText(itemControls[i].designationBox), QString());
        }
    }

    // What more there is to know stands in the status line's tooltip, after the text.
    void detailsInTheTooltip_data()
    {
        QTest::addColumn<QStringList>("panelArgs");
        QTest::addColumn<bool>("write");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<QStringList>("detail");
        QTest::newRow("read") << QStringList{} << false << true << QStringList{"Port %1, panel model 74"};
        QTest::newRow("read-back differs")
            << QStringList{"--no-verify", "2"} << true << true
            << QStringList{"SW3 (address 2): wrote module B channel 8, read back module B channel 9", "Port %1, panel model 74"};
        QTest::newRow("refused panel") << QStringList{"--model", "99"} << false << true
                                       << QStringList{"the panel reports model 99", "Port %1"};
        QTest::newRow("read byte fails") << QStringList{"--reply", "7=\\x00"} << false << true
                                         << QStringList{"LED2 (address 7): short reply \"\\x00\"", "Port %1, panel model 74"};
        QTest::newRow("incomplete") << QStringList{} << true << false
                                    << QStringList{"LED1, LED2, LED3, LED4, LED5, LED6, BACKLIGHT, DIMMING: no module"};
    }

    void detailsInTheTooltip()
    {
        QFETCH(QStringList, panelArgs);
        QFETCH(bool, write);
        QFETCH(bool, complete);
        QFETCH(QStringList, detail);
        VirtualPanel panel(panelArgs);
        auto w = makeWindow(std::make_unique<SerialPortLine>(panel.port()));
        if (complete)
            configure(*w, windowCodes);
        else
            for (int i = 0; i < 6; ++i)
                w->selectPosition(itemControls[i].moduleList, 0);
        ModalDriver driver;
        driver.handler = [](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (box)
                box->button(QMessageBox::Ok)->click();
            return box != nullptr;
        };
        w->control<QAbstractButton>(write ? "WRITE_CONFIG" : "READ_CONFIG")->click();
        const QStringList lines = w->control("Text1")->toolTip().split('\n');
        QCOMPARE(lines.value(0), w->statusText());
        QCOMPARE(lines.mid(1).join('\n'), detail.join('\n').arg(panel.port()));
    }

    // The trace: every byte each way, readable, with the port's opening and closing.
    void byteTrace()
    {
        QTemporaryDir dir;
        const QString tracePath = dir.filePath("trace.txt");
        VirtualPanel panel({"--model", "80"});
        auto w = makeWindow(std::make_unique<SerialPortLine>(panel.port(), tracePath));
        w->control<QAbstractButton>("READ_CONFIG")->click();
        QFile file(tracePath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2 + 2 + 2 * 18);
        const QRegularExpression stamp("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z  ");
        for (const QString &line : lines)
            QVERIFY2(stamp.match(line).hasMatch(), qPrintable(line));
        QVERIFY(lines[0].endsWith("OPEN " + panel.port() + " 9600,N,8,1"));
        QVERIFY(lines[1].contains(QRegularExpression(">  41 +A$")));
        QVERIFY(lines[2].contains(QRegularExpression("<  44 30 30 30 44 +D000D$")));
        QVERIFY(lines[3].contains(QRegularExpression(">  56 00 3F 30 30 56 +V.\\?00V$")));
        QVERIFY(lines[4].contains(QRegularExpression("<  30 30 38 30 30 +00800$")));
        QVERIFY(lines.last().endsWith("CLOSE " + panel.port()));
    }

    // A technician picks the panel's port in the box and writes; the next run reads the
    // panel on the same port without choosing again.
    void portChosenInTheBox()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("panel"); // a link that goes with its panel is kept
        VirtualPanel panel({"--link", link});
        {
            auto w = makeWindow(std::make_unique<SerialPortLine>(QStringLiteral("/dev/durvex-no-such-port")), &settings);
            auto *box = w->control<QComboBox>("Combo1");
            box->lineEdit()->selectAll();
            QTest::keyClicks(box->lineEdit(), link);
            QTest::keyClick(box->lineEdit(), Qt::Key_Return);
            configure(*w, windowCodes);
            w->control<QAbstractButton>("WRITE_CONFIG")->click();
            QCOMPARE(w->statusText(), QStringLiteral("SWITCH PANEL HAS BEEN PROGRAMMED"));
        }
        auto next = makeWindow(std::make_unique<SerialPortLine>(PortChoice::forThisRun(QString(), QString(), &settings)));
        QCOMPARE(next->control<QComboBox>("Combo1")->currentText(), link);
        next->control<QAbstractButton>("READ_CONFIG")->click();
        QCOMPARE(next->statusText(), QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL"));
        for (int i = 0; i < 17; ++i)
            QCOMPARE(shownCode(*next, i), windowCodes[i]);
    }

    // A flooding line costs the trace a bounded amount: past the limit, one line says so.
    void traceIsBounded()
    {
        QTemporaryDir dir;
        const QString tracePath = dir.filePath("trace.txt");
        VirtualPanel panel({"--model", "75", "--flood-after", "2"});
        auto w = makeWindow(std::make_unique<SerialPortLine>(panel.port(), tracePath));
        ModalDriver driver;
        driver.handler = [&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box)
                return false;
            QTest::qWait(1000);
            box->button(QMessageBox::Ok)->click();
            return true;
        };
        w->control<QAbstractButton>("READ_CONFIG")->click();
        const QByteArray trace = [&] { QFile f(tracePath); f.open(QIODevice::ReadOnly); return f.readAll(); }();
        // The line's input is capped, and so is what the trace makes of it.
        QVERIFY2(trace.size() < 32 * SerialPortLine::readBufferLimit, qPrintable(QString::number(trace.size())));
        QVERIFY(trace.trimmed().endsWith("CLOSE " + panel.port().toLocal8Bit()));

        // Past the limit of one transfer, one line says so; the next transfer traces again.
        QFile::remove(tracePath);
        ByteTrace direct(tracePath);
        direct.begin("OPEN");
        for (int i = 0; i < 40; ++i)
            direct.received(QByteArray(1024, 'x'));
        direct.begin("OPEN");
        direct.received("00740");
        QFile f(tracePath);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray limited = f.readAll();
        QCOMPARE(limited.count("THE REST IS NOT TRACED"), 1);
        QCOMPARE(limited.count("<  "), int(ByteTrace::receivedLimit / 16) + 1);
        QVERIFY(limited.trimmed().endsWith("00740"));
    }

#ifdef Q_OS_UNIX
    // A trace named on a FIFO or a device is left out; the transfer neither hangs nor suffers.
    void traceToWhatIsNoFile()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("trace-fifo");
        QCOMPARE(QProcess::execute("mkfifo", {fifo}), 0);
        VirtualPanel panel;
        auto w = makeWindow(std::make_unique<SerialPortLine>(panel.port(), fifo));
        {
            Watchdog watchdog(10000);
            w->control<QAbstractButton>("READ_CONFIG")->click();
        }
        QCOMPARE(w->statusText(), QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL"));
    }
#endif

    // Ports that cannot be opened: nothing is sent, nothing waits, and the message names
    // the port, says what to do and keeps the system's reason in its detail.
    void portThatCannotBeOpened_data()
    {
        QTest::addColumn<QString>("port");   // %1: a scratch folder
        QTest::addColumn<QString>("status"); // %1: the port
        QTest::newRow("missing path") << "/dev/durvex-no-such-port"
                                      << "SERIAL PORT %1 NOT FOUND - PLUG IN THE ADAPTER OR CHOOSE ANOTHER PORT";
        QTest::newRow("not a terminal") << "/dev/null" << "%1 IS NOT A SERIAL PORT - CHOOSE THE PORT OF THE SWITCH PANEL";
        QTest::newRow("a regular file") << "%1/file" << "%1 IS NOT A SERIAL PORT - CHOOSE THE PORT OF THE SWITCH PANEL";
        QTest::newRow("a FIFO") << "%1/fifo" << "%1 IS NOT A SERIAL PORT - CHOOSE THE PORT OF THE SWITCH PANEL";
        QTest::newRow("a folder") << "%1" << "%1 IS A FOLDER, NOT A SERIAL PORT - CHOOSE THE PORT OF THE SWITCH PANEL";
        QTest::newRow("a link loop") << "%1/loop"
                                     << "%1 IS A LINK THAT LEADS ROUND IN A CIRCLE - MEND THE LINK OR CHOOSE ANOTHER PORT";
        // Qt's lock file name for it would be too long: not found all the same.
        QTest::newRow("a long missing path") << "%1/" + QString(120, 'a') + "/" + QString(130, 'b')
                                             << "SERIAL PORT %1 NOT FOUND - PLUG IN THE ADAPTER OR CHOOSE ANOTHER PORT";
    }

    void portThatCannotBeOpened()
    {
        QFETCH(QString, port);
        QFETCH(QString, status);
        QTemporaryDir dir;
        port = port.arg(dir.path());
        QFile(dir.filePath("file")).open(QIODevice::WriteOnly);
        QProcess::execute("mkfifo", {dir.filePath("fifo")});
        QFile::link(dir.filePath("loop"), dir.filePath("loop"));
        auto w = makeWindow(std::make_unique<SerialPortLine>(port));
        configure(*w, windowCodes);
        QElapsedTimer clock;
        clock.start();
        w->control<QAbstractButton>("WRITE_CONFIG")->click();
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(w->statusText(), status.arg(SerialLine::shortName(port)));
        QCOMPARE(statusColour(*w), red);
        QVERIFY(!w->link().timer().isActive());
        const QString detail = w->control("Text1")->toolTip();
        // The message, then the port by its whole name where the line shortened it, then the reason.
        QVERIFY2(detail.startsWith(status.arg(SerialLine::shortName(port)) + "\n") && detail.contains(port)
                     && !detail.contains("No error"),
                 qPrintable(detail));
    }

    // Nothing picked and a port that will not open: the picks, known before the port was
    // touched, are what the line says; the port's failure follows in the detail.
    void missingPicksBeforeAMissingPort()
    {
        const QString port = QStringLiteral("/dev/durvex-no-such-port");
        auto w = makeWindow(std::make_unique<SerialPortLine>(port));
        w->control<QAbstractButton>("WRITE_CONFIG")->click();
        QCOMPARE(w->statusText(), QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA"));
        QCOMPARE(statusColour(*w), red);
        const QStringList detail = w->control("Text1")->toolTip().split('\n');
        QCOMPARE(detail.value(1), QStringLiteral("SW1, SW2, SW3, SW4, SW5, SW6, LED1, LED2, LED3, LED4, LED5, LED6, "
                                                 "BACKLIGHT, DIMMING: no module"));
        QVERIFY2(detail.value(2) == "SERIAL PORT " + port + " NOT FOUND - PLUG IN THE ADAPTER OR CHOOSE ANOTHER PORT"
                     && !detail.value(3).isEmpty(),
                 qPrintable(detail.join('\n')));
    }

    void portInUse_data()
    {
        QTest::addColumn<bool>("bareName");
        QTest::newRow("through a link") << false;
        QTest::newRow("by its bare name") << true; // pts/N, as typed into the box: in /dev, not here
    }

    // Two programs on one terminal, one through a link to it or by its bare name: the second
    // is told it is in use.
    void portInUse()
    {
        QFETCH(bool, bareName);
        QTemporaryDir dir;
        const QString link = dir.filePath("panel-link");
        VirtualPanel panel({"--link", link});
        const QString name = bareName ? panel.port().mid(QStringLiteral("/dev/").size()) : link;
        SerialPortLine first(panel.port());
        SerialLine::OpenFailure failure;
        QVERIFY(first.open(&failure));
        auto w = makeWindow(std::make_unique<SerialPortLine>(name));
        w->control<QAbstractButton>("READ_CONFIG")->click();
        QCOMPARE(w->statusText(), "SERIAL PORT " + SerialLine::shortName(name) + " IS IN USE BY ANOTHER PROGRAM - CLOSE IT AND TRY AGAIN");
        QVERIFY(panel.received().isEmpty());
        first.close();
        w->control<QAbstractButton>("READ_CONFIG")->click();
        QCOMPARE(w->statusText(), QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL"));
    }

    // A panel that floods the line while the mismatch box waits for the user: the input the
    // program holds stays bounded.
    void floodWithABoxOpen()
    {
        VirtualPanel panel({"--model", "75", "--flood-after", "2"});
        auto w = makeWindow(std::make_unique<SerialPortLine>(panel.port()));
        ModalDriver driver;
        qint64 held = -1;
        driver.handler = [&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box)
                return false;
            QTest::qWait(1000);
            held = w->line().inBufferCount();
            box->button(QMessageBox::Ok)->click();
            return true;
        };
        w->control<QAbstractButton>("READ_CONFIG")->click();
        QVERIFY2(held > 0 && held <= SerialPortLine::readBufferLimit, qPrintable(QString::number(held)));
        QVERIFY(!w->line().isOpen());
    }

    // While a transfer waits, the command buttons do nothing, and selectors keep working:
    // a write sends what the record holds when each byte goes out.
    void duringATransfer()
    {
        VirtualPanel panel;
        auto w = makeWindow(std::make_unique<SerialPortLine>(panel.port()));
        ModalDriver driver;
        configure(*w, windowCodes);
        QTimer::singleShot(400, w.get(), [&] {
            QVERIFY(w->commandRunning());
            w->control<QAbstractButton>("READ_CONFIG")->click();
            w->control<QAbstractButton>("WRITE_CONFIG")->click();
            w->control<QAbstractButton>("READ_FILE")->click();
            w->control<QAbstractButton>("WRITE_FILE")->click();
            w->selectPosition("List1", 5);      // SW1 was written already: only the record changes
            w->selectPosition("List41", 0);     // the backlight goes out later: 160 reaches the panel
            w->selectPosition("List46", 7);     // so does the dimmed intensity
        });
        w->control<QAbstractButton>("WRITE_CONFIG")->click();
        QCOMPARE(w->statusText(), QStringLiteral("SWITCH PANEL HAS BEEN PROGRAMMED"));
        QCOMPARE(driver.boxes.size(), 0);
        const QByteArray bytes = panel.memory();
        QCOMPARE(int(quint8(bytes[0])), windowCodes[0]);
        QCOMPARE(int(quint8(bytes[12])), 160);
        QCOMPARE(int(quint8(bytes[16])), 1);
        QCOMPARE(panel.received().count('A'), 1);
    }

    // Closing the window during a transfer ends it at its current wait and closes the port.
    void closeDuringATransfer()
    {
        VirtualPanel panel;
        auto w = makeWindow(std::make_unique<SerialPortLine>(panel.port()));
        QByteArray receivedAtClose;
        QTimer::singleShot(500, w.get(), [&] {
            w->close();
            receivedAtClose = panel.received();
        });
        QElapsedTimer clock;
        clock.start();
        w->control<QAbstractButton>("READ_CONFIG")->click();
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY(!w->line().isOpen());
        QVERIFY(!w->isVisible());
        QTest::qWait(150);
        QCOMPARE(panel.received(), receivedAtClose);
    }

    void signalDuringATransfer_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    // SIGTERM and SIGHUP close the window as its user would, wired as the program wires them:
    // the transfer ends at its current wait, the port closes, the window closes.
    void signalDuringATransfer()
    {
        QFETCH(int, signal);
        VirtualPanel panel;
        auto w = makeWindow(std::make_unique<SerialPortLine>(panel.port()));
        Termination termination;
        connect(&termination, &Termination::requested, qApp, &QApplication::closeAllWindows);
        QByteArray receivedAtSignal;
        QTimer::singleShot(500, w.get(), [&] {
            receivedAtSignal = panel.received();
            ::raise(signal);
        });
        QElapsedTimer clock;
        clock.start();
        w->control<QAbstractButton>("READ_CONFIG")->click();
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(Termination::received(), signal);
        QVERIFY(!w->line().isOpen());
        QVERIFY(!w->isVisible());
        QTest::qWait(150);
        QVERIFY(panel.received().size() - receivedAtSignal.size() <= 6); // at most the command under way
    }
};

QTEST_MAIN(TestTransfer)
#include "tst_transfer.moc"
