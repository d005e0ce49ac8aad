#include "accessibilitybus.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The tool as a screen reader meets it: through the desktop's accessibility bus (AT-SPI),
// as a client of the bus. tests/accessbus.sh runs this inside a private X server and D-Bus
// session; the tool runs as its own process with Qt's bus bridge switched on.

namespace {

struct Node
{
    QString service;
    QString path;
    bool operator==(const Node &) const = default;
};

const QString registry = QStringLiteral("org.a11y.atspi.Registry");
const QString accessible = QStringLiteral("org.a11y.atspi.Accessible");

// The controls a screen reader lands on, by their role names on the bus.
const QStringList controlRoles = {"list", "push button", "radio button", "combo box", "text", "entry", "status bar"};

} // namespace

class TestAccessBus : public QObject
{
    Q_OBJECT

    QDBusConnection m_bus{QString()};
    QProcess m_tool;
    QTemporaryDir m_home;
    Node m_app;
    struct Event
    {
        QString member, kind;
        int detail;
        Node source;
    };
    QList<Event> m_events;

    QDBusMessage call(const Node &node, const QString &interface, const QString &method, const QVariantList &args = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(node.service, node.path, interface, method);
        message.setArguments(args);
        return m_bus.call(message, QDBus::Block, 5000);
    }

    QString property(const Node &node, const QString &name)
    {
        const QDBusMessage reply = call(node, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                        {accessible, name});
        return reply.arguments().value(0).value<QDBusVariant>().variant().toString();
    }

    uint role(const Node &node)
    {
        return call(node, accessible, QStringLiteral("GetRole")).arguments().value(0).toUInt();
    }

    QString roleName(const Node &node)
    {
        return call(node, accessible, QStringLiteral("GetRoleName")).arguments().value(0).toString();
    }

    QList<Node> children(const Node &node)
    {
        QList<Node> list;
        const QDBusMessage reply = call(node, accessible, QStringLiteral("GetChildren"));
        if (reply.type() != QDBusMessage::ReplyMessage)
            return list;
        const QDBusArgument argument = reply.arguments().value(0).value<QDBusArgument>();
        argument.beginArray();
        while (!argument.atEnd()) {
            Node child;
            QDBusObjectPath path;
            argument.beginStructure();
            argument >> child.service >> path;
            argument.endStructure();
            child.path = path.path();
            list << child;
        }
        argument.endArray();
        return list;
    }

    // Every object below the tool's application, the items of lists left out.
    QList<Node> tree()
    {
        QList<Node> all, queue{m_app};
        while (!queue.isEmpty()) {
            const Node node = queue.takeFirst();
            all << node;
            if (roleName(node) != QLatin1String("list"))
                queue << children(node);
        }
        return all;
    }

    int eventCount(const QString &kind, const Node &source, int detail = -1) const
    {
        return int(std::count_if(m_events.cbegin(), m_events.cend(), [&](const Event &e) {
            return e.kind == kind && e.source == source && (detail < 0 || e.detail == detail);
        }));
    }

private slots:
    void onEvent(const QDBusMessage &message)
    {
        const QVariantList args = message.arguments();
        m_events.append({message.member(), args.value(0).toString(), args.value(1).toInt(),
                         {message.service(), message.path()}});
    }

    void initTestCase()
    {
        QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "run through tests/accessbus.sh");
        QString error;
        m_bus = connectAccessibilityBus(&error);
        QVERIFY2(m_bus.isConnected(), qPrintable(error));

        // A screen reader's subscriptions, made before the tool starts, which reads them once.
        for (const char *event : {"object:property-change:accessible-name", "object:state-changed:showing"}) {
            const QDBusMessage reply = call({registry, QStringLiteral("/org/a11y/atspi/registry")}, registry,
                                            QStringLiteral("RegisterEvent"), {QString::fromLatin1(event)});
            QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        }
        for (const char *member : {"PropertyChange", "StateChanged"})
            QVERIFY(m_bus.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Object"),
                                  QString::fromLatin1(member), this, SLOT(onEvent(QDBusMessage))));

        // The tool, talking to a port that is not there, so that a read fails at once.
        startAccessible(m_tool, QStringLiteral(TOOL_PATH), m_home.path(),
                        {QStringLiteral("--port"), m_home.filePath(QStringLiteral("no-port"))});
        QVERIFY(m_tool.waitForStarted(10000));

        // Its application among those the registry knows, found by its process.
        const Node root{registry, QStringLiteral("/org/a11y/atspi/accessible/root")};
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                for (const Node &app : children(root))
                    if (m_bus.interface()->servicePid(app.service).value() == quint32(m_tool.processId())) {
                        m_app = app;
                        return !children(app).isEmpty(); // its window is up
                    }
                return false;
            }(),
            20000);
    }

    void cleanupTestCase()
    {
        m_tool.terminate();
        if (!m_tool.waitForFinished(5000))
            m_tool.kill();
    }

    // Every control has a name, and no two lists share one.
    void names()
    {
        QMap<QString, int> listNames;
        int controls = 0;
        for (const Node &node : tree()) {
            const QString role = roleName(node);
            if (!controlRoles.contains(role) || role == QLatin1String("status bar")) // the status line: below
                continue;
            ++controls;
            const QString name = property(node, QStringLiteral("Name"));
            QVERIFY2(!name.isEmpty(), qPrintable(role + QLatin1Char(' ') + node.path));
            if (role == QLatin1String("list"))
                ++listNames[name];
        }
        QVERIFY2(controls >= 31 + 12 + 1 + 1 + 2 + 4, qPrintable(QString::number(controls)));
        QCOMPARE(listNames.size(), 31);
        QVERIFY(listNames.contains(QStringLiteral("SW1 module")));
        QVERIFY(listNames.contains(QStringLiteral("Dimmed intensity")));
    }

    // A screen reader presses READ; the status line's messages are announced by notifications
    // that show, and the failure also by an alert.
    void statusAnnounced()
    {
        Node read, status;
        for (const Node &node : tree()) {
            const QString role = roleName(node);
            if (role == QLatin1String("push button")
                && property(node, QStringLiteral("Name")) == QLatin1String("READ CONFIGURATION FROM SWITCH PANEL"))
                read = node;
            if (role == QLatin1String("status bar"))
                status = node;
        }
        QVERIFY(!read.path.isEmpty());
        QVERIFY(!status.path.isEmpty());
        QCOMPARE(property(status, QStringLiteral("Name")), QString()); // hidden, no message yet

        const QString action = QStringLiteral("org.a11y.atspi.Action");
        int press = -1;
        const int actions = call(read, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                 {action, QStringLiteral("NActions")})
                                .arguments().value(0).value<QDBusVariant>().variant().toInt();
        for (int i = 0; i < actions; ++i)
            if (call(read, action, QStringLiteral("GetName"), {i}).arguments().value(0).toString().compare(
                    QLatin1String("press"), Qt::CaseInsensitive) == 0)
                press = i;
        QVERIFY(press >= 0);
        m_events.clear();
        QVERIFY(call(read, action, QStringLiteral("DoAction"), {press}).arguments().value(0).toBool());

        // The failure is announced: a notification that speaks it shows in the status bar, and
        // an alert beside it; the status bar is read by the same message.
        const auto shownAs = [&](const QString &roleText) {
            return std::find_if(m_events.cbegin(), m_events.cend(), [&](const Event &e) {
                return e.kind == QLatin1String("showing") && e.detail == 1 && children(status).contains(e.source)
                    && roleName(e.source) == roleText;
            });
        };
        QTRY_VERIFY_WITH_TIMEOUT(shownAs(QStringLiteral("alert message")) != m_events.cend(), 10000);
        const auto notification = shownAs(QStringLiteral("notification"));
        QVERIFY(notification != m_events.cend());
        const QString failure = property(status, QStringLiteral("Name"));
        QVERIFY2(failure.contains(QLatin1String("NOT FOUND")), qPrintable(failure)); // the port's failure
        QCOMPARE(property(notification->source, QStringLiteral("Name")), failure);
        QCOMPARE(property(shownAs(QStringLiteral("alert message"))->source, QStringLiteral("Name")), failure);
        QCOMPARE(property(status, QStringLiteral("Description")).isEmpty(), false);
    }
};

QTEST_GUILESS_MAIN(TestAccessBus)
#include "tst_accessbus.moc"
