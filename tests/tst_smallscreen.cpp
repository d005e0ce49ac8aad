#include "modaldriver.h"
#include "ui/windowfit.h"
#include "windowfixture.h"

#include <QApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>

// The window at twice the scale on a 1280 x 1024 screen: 1522 x 1186 pixels would not fit,
// so its controls scroll, and every one of them can be reached from the keyboard and the mouse.

namespace {

// Where a control shows within the window, clipped to the scroll area's viewport.
QRect shownPart(MainWindow &w, QWidget *control)
{
    QScrollArea *area = w.fit().scrollArea();
    const QRect inViewport(control->mapTo(area->viewport(), QPoint(0, 0)), control->size());
    return inViewport.intersected(area->viewport()->rect());
}

} // namespace

class TestSmallScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry().size(), QSize(640, 512));
        QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
    }

    // The window takes the screen's free area; the controls keep their places on the canvas.
    void windowFits()
    {
        auto w = makeWindow();
        const QRect freeArea = w->screen()->availableGeometry();
        QVERIFY(freeArea.contains(w->frameGeometry()));
        QScrollArea *area = w->fit().scrollArea();
        QVERIFY(area);
        QCOMPARE(area->widget()->size(), QSize(761, 593));
        QCOMPARE(w->control("READ_CONFIG")->geometry(), QRect(584, 96, 161, 57));
        QCOMPARE(w->control("READ_CONFIG")->window(), w.get());
        QVERIFY(area->horizontalScrollBar()->maximum() > 0);
        QVERIFY(area->verticalScrollBar()->maximum() > 0);
        // What the designed window showed, it still shows: the grid's start-up state.
        QVERIFY(shown(*w, "List1") && shown(*w, "Text3") && !shown(*w, "List21") && !shown(*w, "Text1"));
        QVERIFY(!shown(*w, "Frame1"));
    }

    // Tab brings every control into view, the buttons and the port box above all.
    void keyboardReachesEverything()
    {
        auto w = makeWindow();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->form().setStatusText(QStringLiteral("COMMUNICATIONS OK"));
        w->form().setStatusVisible(true);
        QSet<QString> reached;
        for (int i = 0; i < 60; ++i) {
            QWidget *focus = QApplication::focusWidget();
            QVERIFY(focus);
            reached.insert(focus->objectName());
            const QRect part = shownPart(*w, focus);
            QVERIFY2(part.size() == focus->size(), qPrintable(focus->objectName()));
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        for (const char *name : {"Combo1", "READ_FILE", "WRITE_FILE", "READ_CONFIG", "WRITE_CONFIG", "COMPARE_CONFIG", "Text1", "Text2"})
            QVERIFY2(reached.contains(name), name);
    }

    // Scrolled into view, the buttons take the mouse's clicks.
    void mouseReachesTheButtons()
    {
        auto line = std::make_unique<FakeLine>();
        line->openFailure = SerialLine::OpenFailure{SerialLine::OpenFailure::Kind::NotFound, QStringLiteral("No such file")};
        auto w = makeWindow(std::move(line));
        ModalDriver driver;
        QScrollArea *area = w->fit().scrollArea();
        QWidget *button = w->control("WRITE_CONFIG");
        QVERIFY(shownPart(*w, button).isEmpty() || shownPart(*w, button).size() != button->size());
        area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum());
        QCOMPARE(shownPart(*w, button).size(), button->size());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(statusColour(*w), red); // the write ran: no port
        QVERIFY(shown(*w, "Text1"));
    }
};

int main(int argc, char *argv[])
{
    // A 1280 x 1024 screen at twice the scale, as QT_SCALE_FACTOR=2 gives on a real one.
    QTemporaryDir dir;
    QFile screens(dir.filePath(QStringLiteral("screens.json")));
    if (!screens.open(QIODevice::WriteOnly))
        return 1;
    screens.write(R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": 1280, "height": 1024,
                                   "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    screens.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens.fileName()));
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestSmallScreen test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_smallscreen.moc"
