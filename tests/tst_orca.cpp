#include "accessibilitybus.h"
#include "truckfile.h"
#include "virtualpanel.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The tool as its blind users meet it: driven by keys alone, with the desktop's screen reader
// Orca listening, and judged by what Orca says (its debug file's "SPEECH OUTPUT" lines).
// tests/accessbus.sh --orca runs this inside a private X server, window manager, D-Bus session and
// accessibility bus, with Orca speaking to a null audio device. The steps build on each other:
// the window opens with nothing picked, a read fails, a read succeeds, a list with a pick takes
// the focus, the read is undone, a file is opened by typing its name, the view buttons are
// worked, a write from the lighting view, a read and undo from the panel name and a designation,
// a command asked during a write, the intensity rule.

namespace {

// X key codes of the server's standard keyboard, and the modifiers.
enum Key : uint {
    Tab = 23,
    Return = 36,
    KeyR = 27,
    KeyA = 38,
    KeyO = 32,
    KeyZ = 52,
    KeyW = 25,
    KeyC = 54,
    Space = 65,
    Escape = 9,
    Up = 111,
    Down = 116,
    Control = 37,
    Shift = 50,
    KeypadEnter = 104, // Orca's "Where am I" (desktop layout)
    Insert = 118,      // the Orca key: with KeypadEnter the title, pressed twice the status bar
};

const QString windowTitle = QStringLiteral("DURVEX 4/6 BUTTON DIMMABLE SWITCH PANEL CONFIGURATION PROGRAM");

// What Orca has said so far, read from its debug file as it grows.
class Speech
{
public:
    explicit Speech(const QString &path)
        : m_file(path)
    {
    }

    // Everything said since the last mark.
    QStringList sinceMark()
    {
        read();
        return m_said.mid(m_mark);
    }
    void mark()
    {
        read();
        m_mark = int(m_said.size());
    }

    // Waits until Orca has said something that matches, since the last mark; true if it did.
    bool waitFor(const QRegularExpression &pattern, int ms)
    {
        QElapsedTimer timer;
        timer.start();
        do {
            const QStringList said = sinceMark();
            if (std::any_of(said.cbegin(), said.cend(), [&](const QString &s) { return pattern.match(s).hasMatch(); }))
                return true;
            QTest::qWait(50);
        } while (timer.elapsed() < ms);
        return false;
    }

    int count(const QRegularExpression &pattern)
    {
        const QStringList said = sinceMark();
        return int(std::count_if(said.cbegin(), said.cend(), [&](const QString &s) { return pattern.match(s).hasMatch(); }));
    }

private:
    // Lines "TIME - SPEECH OUTPUT: 'TEXT'{'established': ...}"; a text may span lines.
    void read()
    {
        if (!m_file.isOpen() && !m_file.open(QIODevice::ReadOnly))
            return;
        m_pending += m_file.readAll();
        static const QByteArray start = "SPEECH OUTPUT: '";
        static const QRegularExpression end(QStringLiteral("' ?\\{'established'"));
        for (;;) {
            const qsizetype from = m_pending.indexOf(start);
            if (from < 0) {
                m_pending.remove(0, std::max<qsizetype>(0, m_pending.lastIndexOf('\n')));
                return;
            }
            const QString rest = QString::fromUtf8(m_pending.mid(from + start.size()));
            const QRegularExpressionMatch m = end.match(rest);
            if (!m.hasMatch())
                return; // not all written yet
            m_said << rest.left(m.capturedStart()).simplified();
            m_pending.remove(0, from + start.size() + rest.left(m.capturedEnd()).toUtf8().size());
        }
    }

    QFile m_file;
    QByteArray m_pending;
    QStringList m_said;
    int m_mark = 0;
};

QRegularExpression heard(const QString &pattern)
{
    return QRegularExpression(pattern, QRegularExpression::CaseInsensitiveOption);
}

} // namespace

class TestOrca : public QObject
{
    Q_OBJECT

    QDBusConnection m_bus{QString()};
    QTemporaryDir m_home;
    QString m_port; // where the tool looks for the panel: nothing at first, then a link to one
    QProcess m_tool;
    std::unique_ptr<Speech> m_speech;
    std::unique_ptr<VirtualPanel> m_panel;
    static constexpr int patience = 20000; // ms: Orca and the tool share a loaded machine

    // Presses keys through the accessibility bus, as Orca's own tests do: modifiers held, the
    // last key pressed and released.
    void keys(std::initializer_list<uint> codes)
    {
        const auto send = [&](uint code, uint type) {
            QDBusMessage message = QDBusMessage::createMethodCall(
                QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("/org/a11y/atspi/registry/deviceeventcontroller"),
                QStringLiteral("org.a11y.atspi.DeviceEventController"), QStringLiteral("GenerateKeyboardEvent"));
            message << int(code) << QString() << type;
            const QDBusMessage reply = m_bus.call(message, QDBus::Block, 10000);
            QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        };
        enum : uint { press = 0, release = 1, pressRelease = 2 };
        const std::vector<uint> all(codes);
        for (size_t i = 0; i + 1 < all.size(); ++i)
            send(all[i], press);
        send(all.back(), pressRelease);
        for (size_t i = all.size() - 1; i-- > 0;)
            send(all[i], release);
    }

    // Marks the speech, presses the keys, and waits for Orca to say what matches.
    void expect(std::initializer_list<uint> codes, const QString &pattern)
    {
        m_speech->mark();
        keys(codes);
        if (QTest::currentTestFailed())
            return;
        if (!m_speech->waitFor(heard(pattern), patience))
            QFAIL(qPrintable(QStringLiteral("Orca did not say /%1/; it said:\n  %2")
                                 .arg(pattern, m_speech->sinceMark().join(QStringLiteral("\n  ")))));
    }

    // Presses the keys until Orca says what matches, at most `times` times.
    void until(std::initializer_list<uint> codes, const QString &pattern, int times)
    {
        for (int i = 0; i < times; ++i) {
            m_speech->mark();
            keys(codes);
            if (QTest::currentTestFailed() || m_speech->waitFor(heard(pattern), 3000))
                return;
        }
        QFAIL(qPrintable(QStringLiteral("Orca never said /%1/").arg(pattern)));
    }

    // Once a message has been spoken, it is not spoken again.
    void spokenOnce(const QString &pattern)
    {
        QTest::qWait(1500);
        QCOMPARE(m_speech->count(heard(pattern)), 1);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(qEnvironmentVariableIsSet("ORCA_DEBUG_FILE"), "run through tests/accessbus.sh --orca");
        QString error;
        m_bus = connectAccessibilityBus(&error);
        QVERIFY2(m_bus.isConnected(), qPrintable(error));
        m_speech = std::make_unique<Speech>(qEnvironmentVariable("ORCA_DEBUG_FILE"));

        m_port = m_home.filePath(QStringLiteral("panel"));
        m_speech->mark();
        startAccessible(m_tool, QStringLiteral(TOOL_PATH), m_home.path(), {QStringLiteral("--port"), m_port});
        QVERIFY(m_tool.waitForStarted(10000));
    }

    void cleanupTestCase()
    {
        m_tool.terminate();
        if (!m_tool.waitForFinished(5000))
            m_tool.kill();
    }

    // The window opens as a frame named by its caption, with the keyboard in SW1's module list,
    // which has no pick yet; "Where am I" says so too.
    void opens()
    {
        QVERIFY2(m_speech->waitFor(heard(QRegularExpression::escape(windowTitle)), patience),
                 qPrintable(m_speech->sinceMark().join(QStringLiteral("\n  "))));
        QVERIFY2(m_speech->waitFor(heard(QStringLiteral("^SW1 module\\.?$")), patience),
                 qPrintable(m_speech->sinceMark().join(QStringLiteral("\n  "))));
        QVERIFY2(m_speech->waitFor(heard(QStringLiteral("nothing picked")), patience),
                 qPrintable(m_speech->sinceMark().join(QStringLiteral("\n  "))));
        expect({KeypadEnter}, QStringLiteral("nothing picked"));
        // Orca's status-bar command before there is a message: an empty one (asked again below).
        m_speech->mark();
        keys({Insert, KeypadEnter});
        keys({Insert, KeypadEnter});
        QVERIFY2(m_speech->waitFor(heard(QStringLiteral("^status ?bar\\.?$")), patience),
                 qPrintable(m_speech->sinceMark().join(QStringLiteral("\n  "))));
    }

    // A read with no panel at the port fails: the failure is spoken, once.
    void failureSpoken()
    {
        const QString failure = QStringLiteral("^SERIAL PORT \\S*panel NOT FOUND - PLUG IN THE ADAPTER OR CHOOSE ANOTHER PORT\\.?$");
        expect({Control, Shift, KeyR}, failure);
        spokenOnce(QStringLiteral("NOT FOUND")); // the message, then only what its detail adds
        // Orca's status-bar command finds the line now, though it found none before.
        m_speech->mark();
        keys({Insert, KeypadEnter});
        keys({Insert, KeypadEnter});
        QVERIFY2(m_speech->waitFor(heard(QStringLiteral("NOT FOUND - PLUG IN")), patience),
                 qPrintable(m_speech->sinceMark().join(QStringLiteral("\n  "))));
    }

    // With a panel at the port the read succeeds: the success is spoken, once, with what the
    // read changed, also with the keyboard on a list the read changes.
    void successSpoken()
    {
        m_panel = std::make_unique<VirtualPanel>(QStringList{QStringLiteral("--set"), QStringLiteral("0=22")}); // SW1: C 3
        QVERIFY(!m_panel->port().isEmpty());
        QVERIFY(QFile::link(m_panel->port(), m_port));
        expect({Control, Shift, KeyR}, QStringLiteral("^SWITCH PANEL DATA READ SUCCESSFUL\\.?$"));
        QVERIFY2(m_speech->waitFor(heard(QStringLiteral("read: \\d+ items changed")), patience),
                 qPrintable(m_speech->sinceMark().join(QStringLiteral("\n  "))));
        spokenOnce(QStringLiteral("^SWITCH PANEL DATA READ SUCCESSFUL\\.?$"));
    }

    // On the status line a screen reader finds the current message, not the failure before it.
    void statusLineCurrent()
    {
        expect({Shift, Tab}, QStringLiteral("status ?bar")); // the last stop before SW1's module list
        spokenOnce(QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL")); // as its name, not again in its description
        const QStringList said = m_speech->sinceMark();
        QVERIFY2(said.join(QLatin1Char(' ')).contains(QLatin1String("SWITCH PANEL DATA READ SUCCESSFUL")), qPrintable(said.join('|')));
        QVERIFY2(!said.join(QLatin1Char(' ')).contains(QLatin1String("NOT FOUND")), qPrintable(said.join('|')));
        expect({Tab}, QStringLiteral("^SW1 module"));
    }

    // Orca's commands for the window's title and for its status bar speak them.
    void titleAndStatusBar()
    {
        expect({Insert, KeypadEnter}, QRegularExpression::escape(windowTitle));
        m_speech->mark();
        keys({Insert, KeypadEnter});
        keys({Insert, KeypadEnter});
        QVERIFY2(m_speech->waitFor(heard(QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL")), patience),
                 qPrintable(m_speech->sinceMark().join(QStringLiteral("\n  "))));
    }

    // A list that takes the focus says its pick; "Where am I" says it again.
    void pickSpokenOnFocus()
    {
        expect({Tab}, QStringLiteral("^3\\b"));
        QVERIFY(m_speech->count(heard(QStringLiteral("^SW1 channel"))) >= 1);
        expect({Shift, Tab}, QStringLiteral("^C\\b"));
        QVERIFY(m_speech->count(heard(QStringLiteral("^SW1 module"))) >= 1);
        expect({KeypadEnter}, QStringLiteral("\\bC\\b"));
        QVERIFY(m_speech->waitFor(heard(QStringLiteral("SW1 module")), patience)); // which list
    }

    // Undo says what it undid, with the keyboard on a list the undo changes.
    void undoSpoken()
    {
        expect({Control, KeyZ}, QStringLiteral("undo read: \\d+ items?.* back"));
        spokenOnce(QStringLiteral("undo read"));
    }

    // After a file dialog closed by Return, the keys reach the window at once, from the control
    // that had them.
    void keysBackAfterDialog()
    {
        QFile file(m_home.filePath(QStringLiteral("a")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(truckLine);
        file.close();
        expect({Control, KeyO}, QStringLiteral("READ CONFIGURATION FILE"));
        keys({KeyA});
        expect({Return}, QStringLiteral("^SW1 module"));
        expect({Tab}, QStringLiteral("^SW1 channel"));
        expect({Shift, Tab}, QStringLiteral("^SW1 module"));
    }

    // A box's text is heard whole, and once, when Tab selects it and when the focus comes back
    // to it after a dialog; leaving the box drops its selection without a word.
    void boxTextsWhole()
    {
        expect({Shift, Tab}, QStringLiteral("^HORN\\b")); // SW1's designation, from the file
        spokenOnce(QStringLiteral("^HORN\\b"));
        expect({Control, KeyO}, QStringLiteral("READ CONFIGURATION FILE"));
        expect({Escape}, QStringLiteral("^HORN\\b"));
        expect({Tab}, QStringLiteral("^SW1 module"));
        const QString said = m_speech->sinceMark().join(QLatin1Char('|'));
        QVERIFY2(!said.contains(QLatin1String("unselected"), Qt::CaseInsensitive), qPrintable(said));
        QVERIFY2(!said.contains(QRegularExpression(QStringLiteral("\\bHOR\\b"))), qPrintable(said));
    }

    // Shift+Tab onto the view buttons lands on the picked one; Down moves on from either. The
    // port on the way is named once.
    void viewButtons()
    {
        m_speech->mark();
        for (int i = 0; i < 6; ++i) // SW1's designation, COMPARE, WRITE, READ, SAVE, OPEN
            keys({Shift, Tab});
        expect({Shift, Tab}, QStringLiteral("^SERIAL PORT"));
        spokenOnce(QRegularExpression::escape(m_port));
        expect({Shift, Tab}, QStringLiteral("^SWITCH CHANNEL ASSIGNMENTS"));
        expect({Down}, QStringLiteral("^LIGHTING CHANNEL ASSIGNMENTS"));
        expect({Down}, QStringLiteral("^SWITCH CHANNEL ASSIGNMENTS"));
        expect({Down}, QStringLiteral("^LIGHTING CHANNEL ASSIGNMENTS"));
    }

    // A write from the lighting view switches to the switch view, heard; the keyboard, on a
    // list the switch hides, goes to WRITE and not into the panel name.
    void writeFromLightingView()
    {
        expect({Shift, Tab}, QStringLiteral("panel name"));
        expect({Shift, Tab}, QStringLiteral("^Dimmed intensity"));
        expect({Control, Shift, KeyW}, QStringLiteral("^SWITCH PANEL HAS BEEN PROGRAMMED"));
        QVERIFY(m_speech->waitFor(heard(QStringLiteral("view: SWITCH CHANNEL ASSIGNMENTS")), patience));
        QVERIFY(m_speech->waitFor(heard(QStringLiteral("WRITE CONFIGURATION TO SWITCH PANEL")), patience));
        const QString said = m_speech->sinceMark().join(QLatin1Char('|'));
        QVERIFY2(!said.contains(QLatin1String("panel name"), Qt::CaseInsensitive), qPrintable(said));
    }

    // With the keyboard in a box that has no typing of its own, Ctrl+Z and Ctrl+Shift+Z are the
    // window's: a read that emptied the panel name is undone from there.
    void undoFromBoxes()
    {
        for (int i = 0; i < 5; ++i) // READ, SAVE, OPEN, the port, the view button
            keys({Shift, Tab});
        expect({Shift, Tab}, QStringLiteral("panel name"));
        expect({Control, Shift, KeyR}, QStringLiteral("read: .*panel name"));
        expect({Control, KeyZ}, QStringLiteral("undo read: .*back"));
        expect({Control, Shift, KeyZ}, QStringLiteral("redo read: .*back"));
        expect({Control, KeyZ}, QStringLiteral("undo read: .*back"));
        keys({Shift, Tab}); // SW6's module
        expect({Shift, Tab}, QStringLiteral("SW6 designation"));
        expect({Control, KeyZ}, QStringLiteral("undo open: .*back"));
        expect({Control, Shift, KeyZ}, QStringLiteral("redo open: .*back"));
    }

    // A command asked while a transfer waits is answered by a word, not on the status line.
    void busyDuringTransfer()
    {
        QFile::remove(m_port);
        m_panel = std::make_unique<VirtualPanel>(QStringList{QStringLiteral("--silent")});
        QVERIFY(QFile::link(m_panel->port(), m_port));
        expect({Control, Shift, KeyW}, QStringLiteral("^STARTING COMMUNICATIONS TO WRITE"));
        expect({Control, Shift, KeyR}, QStringLiteral("busy: writing the panel"));
        // The message once, then the port by its whole name, as given with the device it leads to.
        QVERIFY(m_speech->waitFor(heard(QStringLiteral("FAILED TO RESPOND ON /dev/pts/\\d+")), patience));
        QVERIFY(m_speech->waitFor(heard(QStringLiteral("^Port \\S*panel \\(/dev/pts/\\d+\\)")), patience));
        spokenOnce(QStringLiteral("FAILED TO RESPOND"));
    }

    // The intensity rule's box is followed by what it did to the backlighting.
    void ruleConsequence()
    {
        until({Tab}, QStringLiteral("^SWITCH CHANNEL ASSIGNMENTS"), 30);
        expect({Down}, QStringLiteral("^LIGHTING CHANNEL ASSIGNMENTS"));
        until({Shift, Tab}, QStringLiteral("NORMAL INDICATOR"), 5);
        keys({Down}); // 90
        keys({Down}); // 80, as the backlighting
        expect({Down}, QStringLiteral("NORMAL INDICATOR INTENSITY must be set equal to"));
        expect({Return}, QStringLiteral("NORMAL BACKLIGHTING set to 70 %"));
    }

    // The compare heard: a panel just written matches; after an undo it differs, the dialog's
    // rows are each read as a sentence, and a take says what it took and what still differs,
    // undone from the window once the dialog is closed.
    void compareHeard()
    {
        QFile::remove(m_port);
        m_panel = std::make_unique<VirtualPanel>();
        QVERIFY(QFile::link(m_panel->port(), m_port));
        expect({Control, Shift, KeyW}, QStringLiteral("^SWITCH PANEL HAS BEEN PROGRAMMED"));
        expect({Control, Shift, KeyC}, QStringLiteral("^SWITCH PANEL MATCHES THIS CONFIGURATION\\.?$"));
        expect({Escape}, QStringLiteral("^WRITE CONFIGURATION TO SWITCH PANEL"));

        expect({Control, KeyZ}, QStringLiteral("undo pick Normal indicator")); // the intensity picked last, and the rule's move
        expect({Control, Shift, KeyC}, QStringLiteral("^SWITCH PANEL DIFFERS IN 2 ITEMS: "));
        // A row is read cell by cell, the cells together one sentence, once.
        const QString row = QStringLiteral("^NORMAL %1 \\(%\\):");
        QVERIFY2(m_speech->waitFor(heard(row.arg(QStringLiteral("BACKLIGHTING"))), patience),
                 qPrintable(m_speech->sinceMark().join(QStringLiteral("\n  "))));
        expect({Down}, row.arg(QStringLiteral("INDICATOR")));
        QVERIFY(m_speech->waitFor(heard(QStringLiteral("^a write sends 80 %")), patience));
        spokenOnce(row.arg(QStringLiteral("INDICATOR")));
        expect({Up}, row.arg(QStringLiteral("BACKLIGHTING")));
        expect({Tab}, QStringLiteral("^TAKE PANEL VALUE"));
        expect({Space}, QStringLiteral("take panel value NORMAL BACKLIGHTING \\(%\\): 1 item still differs"));
        expect({Escape}, QStringLiteral("^WRITE CONFIGURATION TO SWITCH PANEL"));
        expect({Control, KeyZ}, QStringLiteral("undo take panel value NORMAL BACKLIGHTING"));
    }
};

QTEST_GUILESS_MAIN(TestOrca)
#include "tst_orca.moc"
