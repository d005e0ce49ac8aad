// The window's module as the program loads it: the program and the module share one core, so
// what the program sets in the core holds inside the window too. Here the program sets where
// the core's warnings go, and the window raises one: a read with a byte trace that cannot be
// written, on a port that is not there.

#include "platform/warnings.h"
#include "ui/windowmain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLibrary>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

QStringList heard; // what reached the program's sink
QElapsedTimer sinceShown;

// Runs in the module's application object, once the window is up: reads, answers the box the
// failed read shows, and closes the window once the warning came (or after a while, so that a
// warning lost elsewhere fails the test instead of hanging it).
void driveWindow()
{
    QTimer::singleShot(0, [] {
        sinceShown.start();
        auto *poll = new QTimer(qApp);
        QObject::connect(poll, &QTimer::timeout, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
            else if (!heard.isEmpty() || sinceShown.elapsed() > 5000)
                QApplication::closeAllWindows();
        });
        poll->start(20);
        for (QWidget *window : QApplication::topLevelWidgets())
            if (auto *read = window->findChild<QAbstractButton *>(QStringLiteral("READ_CONFIG")))
                read->click();
    });
}

} // namespace

class TestWindowModule : public QObject
{
    Q_OBJECT

private slots:
    void warningRaisedInTheWindowReachesTheProgramsSink()
    {
        QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
        qunsetenv("DURVEX_EXIT_AFTER_SHOW");
        QLibrary module(QStringLiteral(WINDOW_MODULE_PATH));
        const auto windowMain = reinterpret_cast<WindowMain>(module.resolve(windowEntryPoint));
        QVERIFY2(windowMain, qPrintable(module.errorString()));

        Warnings::setSink([](const QString &text) { heard << text; });
        qAddPreRoutine(driveWindow);
        const QString trace = home.filePath(QStringLiteral("missing-folder/trace.txt"));
        const WindowStart start{home.filePath(QStringLiteral("no-such-port")), {}, trace, {}};
        char programName[] = "durvex-config";
        QElapsedTimer sinceStart;
        sinceStart.start();
        windowMain(start, programName, sinceStart);
        Warnings::setSink({});

        QCOMPARE(heard, QStringList{QStringLiteral("durvex-config: no byte trace: %1 is not a writable regular file").arg(trace)});
    }
};

QTEST_APPLESS_MAIN(TestWindowModule)
#include "tst_windowmodule.moc"
