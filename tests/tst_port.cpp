#include "link/portadvice.h"
#include "link/portchoice.h"
#include "ui/portbox.h"
#include "windowfixture.h"
#ifdef VIRTUAL_PANEL_PATH
#include "virtualpanel.h"
#endif

#include <QLineEdit>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/sysmacros.h>
#endif

// Which port the tool talks to, and the port box that chooses it.

using Ports = QList<PortChoice::Port>;
Q_DECLARE_METATYPE(Ports)
using Groups = QList<uint>;
Q_DECLARE_METATYPE(PortAdvice::Device::State)

namespace {

const PortChoice::Port usb0{"/dev/ttyUSB0", "FT232R USB UART, FTDI, A50285BI", true};
const PortChoice::Port acm0{"/dev/ttyACM0", "Arduino Uno", true};
const PortChoice::Port s1{"/dev/ttyS1", "", false};

PortBox *portBox(MainWindow &w) { return w.control<PortBox>(QStringLiteral("Combo1")); }

} // namespace

class TestPort : public QObject
{
    Q_OBJECT

    QTemporaryDir settingsDir;
    std::unique_ptr<QSettings> settings;

private slots:
    void init()
    {
        QFile::remove(settingsDir.filePath("durvex-config.ini"));
        settings = std::make_unique<QSettings>(settingsDir.filePath("durvex-config.ini"), QSettings::IniFormat);
    }

    void resolve_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<Ports>("ports");
        QTest::addColumn<QString>("port");
        const Ports two{usb0, acm0, s1};
        QTest::newRow("command line first") << "/dev/pts/4" << "/dev/ttyUSB1" << "/dev/ttyS2" << two << "/dev/pts/4";
        QTest::newRow("then the environment") << "" << "/dev/ttyUSB1" << "/dev/ttyS2" << two << "/dev/ttyUSB1";
        QTest::newRow("then the remembered port") << "" << "" << "/dev/ttyS2" << Ports{usb0} << "/dev/ttyS2";
        QTest::newRow("then the one USB adapter") << "" << "" << "" << Ports{s1, usb0} << "/dev/ttyUSB0";
        QTest::newRow("two adapters: the first port") << "" << "" << "" << two << PortChoice::firstPort();
        QTest::newRow("none: the first port") << "" << "" << "" << Ports{} << PortChoice::firstPort();
    }

    void resolve()
    {
        QFETCH(QString, commandLine);
        QFETCH(QString, environment);
        QFETCH(QString, remembered);
        QFETCH(Ports, ports);
        QTEST(PortChoice::resolve({commandLine, environment, remembered, ports}), "port");
    }

#ifdef VIRTUAL_PANEL_PATH
    // A pseudo-terminal's number goes to other programs once its panel has gone: it is used
    // for the run it was chosen in and not kept; a link that goes with the panel is. An
    // adapter is kept by its by-id path, which finds it again on another ttyUSBn.
    void nameToRemember_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("kept");
        QTest::newRow("a pseudo-terminal") << "pts" << "";
        QTest::newRow("a link to one") << "link" << "link";
        QTest::newRow("an adapter with a by-id path") << "adapter" << "by-id";
        QTest::newRow("a port that is not there") << "/dev/durvex-gone" << "/dev/durvex-gone";
    }

    void nameToRemember()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, kept);
        QTemporaryDir dir;
        VirtualPanel panel({"--link", dir.filePath("link")});
        QVERIFY(QDir(dir.path()).mkdir("by-id"));
        QFile(dir.filePath("ttyUSB5")).open(QIODevice::WriteOnly); // stands in for the adapter's device
        QVERIFY(QFile::link(dir.filePath("ttyUSB5"), dir.filePath("by-id/usb-Maker_Serial_A1-if00-port0")));
        const QMap<QString, QString> names = {{"pts", panel.port()},
                                              {"link", dir.filePath("link")},
                                              {"adapter", dir.filePath("ttyUSB5")},
                                              {"by-id", dir.filePath("by-id/usb-Maker_Serial_A1-if00-port0")}};
        QCOMPARE(PortChoice::nameToRemember(names.value(chosen, chosen), dir.filePath("by-id")),
                 names.value(kept, kept));

        // Chosen in the box, a pseudo-terminal is used and nothing is said against it.
        if (chosen == "pts") {
            auto w = makeWindow(std::make_unique<FakeLine>(), settings.get());
            PortBox *box = portBox(*w);
            const QString toolTip = box->toolTip();
            box->setFocus();
            box->lineEdit()->selectAll();
            QTest::keyClicks(box->lineEdit(), panel.port());
            QTest::keyClick(box->lineEdit(), Qt::Key_Return);
            QCOMPARE(w->line().portName(), panel.port());
            QCOMPARE(PortChoice::remembered(*settings), QString());
            QCOMPARE(box->toolTip(), toolTip);
        }
    }
#endif

    // --port and DURVEX_PORT hold for one run; the box's choice is kept for the next.
    void rememberedAcrossRuns()
    {
        QCOMPARE(PortChoice::remembered(*settings), QString());
        {
            auto first = makeWindow(std::make_unique<FakeLine>(), settings.get());
            PortBox *box = portBox(*first);
            box->setFocus();
            box->lineEdit()->selectAll();
            QTest::keyClicks(box->lineEdit(), "/dev/ttyUSB3");
            QTest::keyClick(box->lineEdit(), Qt::Key_Return);
            QCOMPARE(first->line().portName(), QStringLiteral("/dev/ttyUSB3"));
        }
        QCOMPARE(PortChoice::forThisRun(QString(), QString(), settings.get()), QStringLiteral("/dev/ttyUSB3"));
        QCOMPARE(PortChoice::forThisRun(QString(), "/dev/ttyACM9", settings.get()), QStringLiteral("/dev/ttyACM9"));
        QCOMPARE(PortChoice::forThisRun("/dev/pts/9", "/dev/ttyACM9", settings.get()), QStringLiteral("/dev/pts/9"));
        QCOMPARE(PortChoice::remembered(*settings), QStringLiteral("/dev/ttyUSB3"));
    }

    // The list is read anew each time it opens; a pick shows the port's system name.
    void listReadWhenOpened()
    {
        auto w = makeWindow(std::make_unique<FakeLine>(), settings.get());
        PortBox *box = portBox(*w);
        int reads = 0;
        Ports offered{s1};
        box->setLister([&] {
            ++reads;
            return offered;
        });
        QCOMPARE(reads, 0);
        box->showPopup();
        QCOMPARE(box->count(), 1);
        box->hidePopup();
        offered = {usb0, s1}; // an adapter plugged in
        box->showPopup();
        QCOMPARE(reads, 2);
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->itemText(0), QStringLiteral("/dev/ttyUSB0  FT232R USB UART, FTDI, A50285BI"));
        QCOMPARE(box->currentText(), QStringLiteral("FAKE")); // opening it chooses nothing
        box->hidePopup();
        emit box->activated(0);
        QCOMPARE(box->currentText(), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(w->line().portName(), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(PortChoice::remembered(*settings), QStringLiteral("/dev/ttyUSB0"));
    }

    // A typed name is taken when the box is left; an emptied box keeps the port in use.
    void typedNames()
    {
        auto w = makeWindow(std::make_unique<FakeLine>(), settings.get());
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        PortBox *box = portBox(*w);
        box->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), "/dev/serial/by-id/usb-x");
        QCOMPARE(w->line().portName(), QStringLiteral("FAKE"));
        w->control("Text2")->setFocus();
        QCOMPARE(w->line().portName(), QStringLiteral("/dev/serial/by-id/usb-x"));
        box->setFocus();
        box->lineEdit()->clear();
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        QCOMPARE(box->currentText(), QStringLiteral("/dev/serial/by-id/usb-x"));
    }

    // A choice that cannot be kept for the next run is still used, and the box says so.
    void notRemembered()
    {
        QTemporaryDir scratch;
        const QString notAFolder = scratch.filePath("file");
        QFile(notAFolder).open(QIODevice::WriteOnly);
        QSettings store(notAFolder + "/durvex-config/durvex-config.ini", QSettings::IniFormat);
        auto w = makeWindow(std::make_unique<FakeLine>(), &store);
        PortBox *box = portBox(*w);
        const QString toolTip = box->toolTip();
        box->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), "/dev/ttyUSB7");
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        QCOMPARE(w->line().portName(), QStringLiteral("/dev/ttyUSB7"));
        const QString note = "THIS PORT IS USED UNTIL THE PROGRAM ENDS BUT NOT REMEMBERED FOR THE NEXT RUN: " + notAFolder
                             + "/durvex-config/durvex-config.ini COULD NOT BE WRITTEN";
        QCOMPARE(box->toolTip(), toolTip + "\n" + note);
        QCOMPARE(box->accessibleDescription(), note);

        QFile::remove(notAFolder); // the settings can be written again: the note goes
        QVERIFY(QDir().mkpath(notAFolder + "/durvex-config"));
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), "/dev/ttyUSB8");
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        QCOMPARE(PortChoice::remembered(store), QStringLiteral("/dev/ttyUSB8"));
        QCOMPARE(box->toolTip(), toolTip);
        QCOMPARE(box->accessibleDescription(), QString());
    }

    // Qt opens a bare name in /dev, whatever the current folder holds.
    void systemLocation_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("location");
        QTest::newRow("bare") << "ttyUSB0" << "/dev/ttyUSB0";
        QTest::newRow("bare, in a folder") << "pts/4" << "/dev/pts/4";
        QTest::newRow("absolute") << "/dev/serial/by-id/usb-x" << "/dev/serial/by-id/usb-x";
        QTest::newRow("here") << "./panel" << "./panel";
        QTest::newRow("up") << "../panel" << "../panel";
    }

    void systemLocation()
    {
        QFETCH(QString, name);
#ifdef Q_OS_UNIX
        QTEST(PortAdvice::systemLocation(name), "location");
#else
        QCOMPARE(PortAdvice::systemLocation(name), name);
#endif
    }

    void advice_data()
    {
        using State = PortAdvice::Device::State;
        using Kind = SerialLine::OpenFailure::Kind;
        QTest::addColumn<State>("state");
        QTest::addColumn<int>("error");      // errno of the look at the path
        QTest::addColumn<int>("mode");       // st_mode
        QTest::addColumn<bool>("terminal");  // the controlling terminal
        QTest::addColumn<bool>("accessible");
        QTest::addColumn<QString>("group");
        QTest::addColumn<Groups>("process"); // the process's groups
        QTest::addColumn<Groups>("account"); // the groups the next login has
        QTest::addColumn<int>("qtError");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");   // for the port "P"; empty: the kind's own text

        const Groups user{1000}, dialout{1000, 20};
        const int tty = 020660, ttyOwnerOnly = 020600;
        const int permission = int(QSerialPort::PermissionError);
        const QString denied = "Permission denied", locked = "Permission error while locking the device";
        const QString choose = " - CHOOSE THE PORT OF THE SWITCH PANEL";

        // Its existence counts before the lock's: a long name's lock file cannot even be made.
        QTest::newRow("missing") << State::Missing << ENOENT << 0 << false << false << "" << user << user << permission
                                 << locked << int(Kind::NotFound) << "";
        QTest::newRow("name too long") << State::Missing << ENAMETOOLONG << 0 << false << false << "" << user << user
                                       << permission << locked << int(Kind::NotFound) << "";
        QTest::newRow("a folder") << State::Folder << 0 << 040755 << false << true << "root" << user << user << 0 << ""
                                  << int(Kind::NotASerialPort) << "P IS A FOLDER, NOT A SERIAL PORT" + choose;
        QTest::newRow("a link loop") << State::LinkLoop << ELOOP << 0 << false << false << "" << user << user << 0 << ""
                                     << int(Kind::NotASerialPort)
                                     << "P IS A LINK THAT LEADS ROUND IN A CIRCLE - MEND THE LINK OR CHOOSE ANOTHER PORT";
        QTest::newRow("/dev/tty") << State::Present << 0 << 020666 << true << true << "tty" << user << user << 0 << ""
                                  << int(Kind::NotASerialPort)
                                  << "P IS THE TERMINAL THIS PROGRAM RUNS IN, NOT A SERIAL PORT" + choose;
        QTest::newRow("a regular file") << State::Present << 0 << 0100644 << false << true << "root" << user << user << 0
                                        << "" << int(Kind::NotASerialPort) << "";
        QTest::newRow("not a terminal") << State::Present << 0 << 020666 << false << true << "root" << user << user
                                        << int(QSerialPort::UnsupportedOperationError) << qt_error_string(ENOTTY)
                                        << int(Kind::NotASerialPort) << "";
        QTest::newRow("held by another program") << State::Present << 0 << tty << false << true << "dialout" << dialout
                                                 << dialout << permission << locked << int(Kind::InUse) << "";
        QTest::newRow("not in the group") << State::Present << 0 << tty << false << false << "dialout" << user << user
                                          << permission << denied << int(Kind::PermissionDenied)
                                          << "NO PERMISSION FOR PORT P - JOIN THE dialout GROUP, THEN LOG IN AGAIN";
        QTest::newRow("joined since this login") << State::Present << 0 << tty << false << false << "dialout" << user
                                                 << dialout << permission << denied << int(Kind::PermissionDenied)
                                                 << "NO PERMISSION FOR PORT P - LOG IN AGAIN: YOU JOINED THE dialout "
                                                    "GROUP AFTER THIS LOGIN";
        QTest::newRow("another group") << State::Present << 0 << tty << false << false << "uucp" << user << user
                                       << permission << denied << int(Kind::PermissionDenied)
                                       << "NO PERMISSION FOR PORT P - JOIN THE uucp GROUP, THEN LOG IN AGAIN";
        QTest::newRow("in the group, owner only") << State::Present << 0 << ttyOwnerOnly << false << false << "dialout"
                                                  << dialout << dialout << permission << denied
                                                  << int(Kind::PermissionDenied)
                                                  << "NO PERMISSION FOR PORT P (OWNER root, GROUP dialout, MODE crw-------)"
                                                     " - ASK YOUR ADMINISTRATOR FOR ACCESS";
        QTest::newRow("in the group, still refused") << State::Present << 0 << tty << false << false << "dialout"
                                                     << dialout << dialout << permission << denied
                                                     << int(Kind::PermissionDenied)
                                                     << "NO PERMISSION FOR PORT P (OWNER root, GROUP dialout, MODE "
                                                        "crw-rw----) - ASK YOUR ADMINISTRATOR FOR ACCESS";
        QTest::newRow("a group that grants nothing") << State::Present << 0 << ttyOwnerOnly << false << false << "root"
                                                     << user << user << permission << denied
                                                     << int(Kind::PermissionDenied)
                                                     << "NO PERMISSION FOR PORT P (OWNER root, GROUP root, MODE "
                                                        "crw-------) - ASK YOUR ADMINISTRATOR FOR ACCESS";
        QTest::newRow("path not searchable") << State::Unknown << EACCES << 0 << false << false << "" << user << user
                                             << permission << denied << int(Kind::PermissionDenied)
                                             << "NO PERMISSION FOR PORT P - ASK YOUR ADMINISTRATOR FOR ACCESS";
        QTest::newRow("anything else") << State::Present << 0 << tty << false << true << "dialout" << dialout << dialout
                                       << int(QSerialPort::ResourceError) << "Input/output error" << int(Kind::Other)
                                       << "";
    }

#ifdef Q_OS_UNIX
    void examine_data()
    {
        using State = PortAdvice::Device::State;
        QTest::addColumn<QString>("path"); // %1: a scratch folder
        QTest::addColumn<State>("state");
        QTest::addColumn<bool>("characterDevice");
        QTest::addColumn<bool>("terminal");
        QTest::newRow("missing") << "%1/none" << State::Missing << false << false;
        QTest::newRow("missing, a name too long") << "%1/" + QString(300, 'x') << State::Missing << false << false;
        QTest::newRow("a folder") << "%1" << State::Folder << false << false;
        QTest::newRow("a link loop") << "%1/loop" << State::LinkLoop << false << false;
        QTest::newRow("a FIFO") << "%1/fifo" << State::Present << false << false;
        QTest::newRow("a device") << "%1/device" << State::Present << true << false;
        QTest::newRow("/dev/tty") << "/dev/tty" << State::Present << true << true;
        QTest::newRow("a link to /dev/tty") << "%1/tty" << State::Present << true << true;
    }

    // The facts are looked at, never opened: /dev/tty is the terminal the program runs in.
    void examine()
    {
        QFETCH(QString, path);
        QFETCH(bool, characterDevice);
        QTemporaryDir scratch;
        QFile::link(scratch.filePath("loop"), scratch.filePath("loop"));
        QFile::link("/dev/tty", scratch.filePath("tty"));
        QCOMPARE(::mkfifo(QFile::encodeName(scratch.filePath("fifo")).constData(), 0600), 0);
        const QByteArray device = QFile::encodeName(scratch.filePath("device"));
        if (path.endsWith("/device") && ::mknod(device.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
            QSKIP("mknod is not allowed here");
        if (path.endsWith("tty") && !QFile::exists("/dev/tty"))
            QSKIP("no /dev/tty here");
        const PortAdvice::Device facts = PortAdvice::examine(path.replace("%1", scratch.path()));
        QTEST(facts.state, "state");
        QCOMPARE(facts.characterDevice, characterDevice);
        QTEST(facts.controllingTerminal, "terminal");
    }
#endif

    // What the user is told, from the device's and the user's facts: root, which passes every
    // permission check, can try every case here.
    void advice()
    {
        QFETCH(PortAdvice::Device::State, state);
        QFETCH(int, error);
        QFETCH(int, mode);
        QFETCH(bool, terminal);
        QFETCH(bool, accessible);
        QFETCH(QString, group);
        QFETCH(Groups, process);
        QFETCH(Groups, account);
        QFETCH(int, qtError);
        QFETCH(QString, reason);
        PortAdvice::Device device;
        device.state = state;
        device.error = error;
        device.mode = quint32(mode);
        device.characterDevice = (mode & 0170000) == 020000;
        device.controllingTerminal = terminal;
        device.accessible = accessible;
        device.owner = QStringLiteral("root");
        device.group = group;
        device.groupId = group == "dialout" ? 20 : group == "uucp" ? 14 : 0;
        std::optional<SerialLine::OpenFailure> failure = PortAdvice::beforeOpen(device);
        if (!failure)
            failure = PortAdvice::afterOpen(device, {process, account}, QSerialPort::SerialPortError(qtError), reason);
        QTEST(int(failure->kind), "kind");
        QTEST(failure->advice.isEmpty() ? QString() : failure->advice.arg(QStringLiteral("P")), "text");
    }

    // While a transfer runs the box cannot be changed.
    void lockedDuringATransfer()
    {
        auto line = std::make_unique<FakeLine>();
        FakeLine *fake = line.get();
        auto w = makeWindow(std::move(line), settings.get());
        bool enabledDuring = true;
        fake->onOutput = [&](const QByteArray &) { enabledDuring = portBox(*w)->isEnabled(); };
        w->control<QAbstractButton>("READ_CONFIG")->click();
        QVERIFY(!enabledDuring);
        QVERIFY(portBox(*w)->isEnabled());
    }
};

QTEST_MAIN(TestPort)
#include "tst_port.moc"
