#include "fakepanel.h"
#include "shownunder.h"
#include "truckfile.h"
#include "windowfixture.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

// Undo and redo of the window's content: a pick, a box's typing, a whole open or read.

namespace {

void undo(MainWindow &w) { QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w, Qt::Key_Z, Qt::ControlModifier); }
void redo(MainWindow &w, Qt::Key key = Qt::Key_Z)
{
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w, key,
                    key == Qt::Key_Z ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
}

} // namespace

class TestUndo : public QObject
{
    Q_OBJECT

private slots:
    void pickUndoneAndRedone_data()
    {
        QTest::addColumn<Qt::Key>("redoKey");
        QTest::newRow("Ctrl+Shift+Z") << Qt::Key_Z;
        QTest::newRow("Ctrl+Y") << Qt::Key_Y;
    }

    void pickUndoneAndRedone()
    {
        QFETCH(Qt::Key, redoKey);
        auto w = activeWindow();
        pick(*w, "List1", 3);
        pick(*w, "List2", 4);
        QCOMPARE(w->form().selectedCode(0), 24);
        undo(*w);
        QCOMPARE(w->position("List2"), -1);
        QCOMPARE(w->position("List1"), 3);
        QCOMPARE(w->form().channelCode(0), 0); // the record's codes come back too
        undo(*w);
        QCOMPARE(w->position("List1"), -1);
        QVERIFY(!shown(*w, "Text3") || w->boxText("Text3") == "DESIGNATION ");
        redo(*w, redoKey);
        redo(*w, redoKey);
        QCOMPARE(w->position("List2"), 4);
        QCOMPARE(w->form().selectedCode(0), 24);
    }

    // Screen readers hear what an undo or a redo did; the status line keeps its text.
    void spoken()
    {
        auto w = activeWindow();
        ShownUnder heard(w.get());
        undo(*w);
        QTRY_COMPARE(heard.shown, QStringList{"news: nothing to undo"});
        heard.shown.clear();
        pick(*w, "List5", 2);
        w->control<QLineEdit>("Text2")->setFocus();
        QTest::keyClicks(w->control("Text2"), "VAN");
        QTest::keyClick(w->control("Text2"), Qt::Key_Tab);
        undo(*w);
        undo(*w);
        redo(*w, Qt::Key_Y);
        redo(*w);
        redo(*w);
        QTRY_COMPARE(heard.shown, (QStringList{"news: undo typing in Panel name", "news: undo pick SW3 module",
                                            "news: redo pick SW3 module", "news: redo typing in Panel name",
                                            "news: nothing to redo"}));
        heard.shown.clear();
        QVERIFY(!shown(*w, "Text1"));
    }

    // Typing in a box is one step until the box is left; while the box has typing of its
    // own to undo, Ctrl+Z undoes that first.
    void typingIsOneStep()
    {
        auto w = activeWindow();
        auto *name = w->control<QLineEdit>("Text2");
        name->setFocus();
        QTest::keyClicks(name, "TRUCK");
        QTest::keyClick(name, Qt::Key_Tab);
        QCOMPARE(w->form().panelName(), QStringLiteral("TRUCK"));
        QCOMPARE(w->undo().stack().count(), 1);
        undo(*w);
        QCOMPARE(w->form().panelName(), QString());
        name->setFocus();
        QTest::keyClicks(name, "AB");
        undo(*w); // the box's own typing first
        QVERIFY(w->form().panelName().size() < 2);
    }

    void boxWithoutTypingPassesKeys_data()
    {
        QTest::addColumn<QString>("box");
        QTest::newRow("panel name") << "Text2";
        QTest::newRow("designation") << "Text3";
    }

    // In a box with no typing of its own since it took the focus, the keys undo and redo the
    // window's steps; typing made a step when the box was left is undone once, by the window.
    void boxWithoutTypingPassesKeys()
    {
        QFETCH(QString, box);
        auto w = activeWindow();
        auto *edit = w->control<QLineEdit>(box);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, "VAN");
        QTest::keyClick(edit, Qt::Key_Tab);
        pick(*w, "List5", 2);
        edit->setFocus();
        ShownUnder heard(w.get());
        undo(*w);
        QCOMPARE(w->position("List5"), -1);
        undo(*w);
        QVERIFY(edit->text() != QLatin1String("VAN"));
        const QString before = edit->text();
        undo(*w); // nothing left: the box's old typing is not undone again
        QCOMPARE(edit->text(), before);
        redo(*w, Qt::Key_Y);
        QCOMPARE(edit->text(), QStringLiteral("VAN"));
        redo(*w);
        QCOMPARE(w->position("List5"), 2);
        QTRY_COMPARE(heard.shown, (QStringList{"news: undo pick SW3 module",
                                            QStringLiteral("news: undo typing in %1").arg(edit->accessibleName()),
                                            "news: nothing to undo",
                                            QStringLiteral("news: redo typing in %1").arg(edit->accessibleName()),
                                            "news: redo pick SW3 module"}));
        heard.shown.clear();
        QCOMPARE(QApplication::focusWidget(), edit);
        // Typing there now is the box's own to undo first.
        QTest::keyClicks(edit, "X");
        undo(*w);
        QCOMPARE(edit->text(), QStringLiteral("VAN"));
        QCOMPARE(w->position("List5"), 2);
    }

    // A file open is one step, the box it may bring up included.
    void openUndone()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("truck.zcf"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(truckLine);
        file.close();
        auto w = activeWindow();
        w->setBoxText("Text2", "MINE");
        w->control("List1")->setFocus();
        w->openFile(file.fileName());
        QCOMPARE(w->form().panelName(), QStringLiteral("TRUCK 12"));
        undo(*w);
        QCOMPARE(w->form().panelName(), QStringLiteral("MINE"));
        QCOMPARE(w->position("List3"), -1);
        redo(*w);
        QCOMPARE(w->position("List3"), 2);
        QCOMPARE(w->boxText("Text4"), QStringLiteral("WIPERS"));
    }

    // A read clears the panel name and the designations; one key brings them back. Undo
    // does nothing while the read runs.
    void readUndone()
    {
        auto line = std::make_unique<FakeLine>();
        FakePanel panel(*line);
        auto w = activeWindow(std::move(line));
        w->setBoxText("Text2", "MINE");
        w->setBoxText("Text3", "HORN");
        w->control("List1")->setFocus();
        w->undo().typingDone();
        const int steps = w->undo().stack().count();
        w->session().onByte = [&](int address) {
            if (address == 5)
                undo(*w);
        };
        w->control<QAbstractButton>("READ_CONFIG")->click();
        QCOMPARE(w->statusText(), QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL"));
        QCOMPARE(w->undo().stack().count(), steps + 1);
        QCOMPARE(w->undo().stack().index(), steps + 1); // nothing was undone while it ran
        QCOMPARE(w->form().panelName(), QString());
        QVERIFY(!shown(*w, "Text3"));
        // What the read changed, in a sentence after its message; "Where am I" on the line finds it.
        const auto statusDescription = [&] {
            return QAccessible::queryAccessibleInterface(w->control("Text1"))->text(QAccessible::Description);
        };
        QVERIFY2(statusDescription().endsWith("\nread: 14 items changed, panel name and designations emptied"),
                 qPrintable(statusDescription()));
        QTest::qWait(0); // the read's message is spoken
        ShownUnder heard(w.get());
        undo(*w);
        QTRY_COMPARE(heard.shown, QStringList{"news: undo read: 14 items, panel name and designations back"});
        QVERIFY(statusDescription().endsWith("\nundo read: 14 items, panel name and designations back"));
        QCOMPARE(w->form().panelName(), QStringLiteral("MINE"));
        QCOMPARE(w->boxText("Text3"), QStringLiteral("HORN"));
        QVERIFY(shown(*w, "Text3"));
        // The status line tells what happened; it is no part of the content.
        QCOMPARE(w->statusText(), QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL"));
    }
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
