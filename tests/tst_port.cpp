#include "link/portchoice.h"
#include "ui/portbox.h"
#include "windowfixture.h"

#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>

// Which port the tool talks to, and the port box that chooses it.

using Ports = QList<PortChoice::Port>;
Q_DECLARE_METATYPE(Ports)

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
