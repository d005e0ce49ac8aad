#include "fakepanel.h"
#include "modaldriver.h"
#include "windowfixture.h"

#include "ui/comparedialog.h"
#include "ui/comparemarks.h"
#include "ui/panelcompare.h"
#ifdef VIRTUAL_PANEL_PATH
#include "link/serialportline.h"
#include "virtualpanel.h"
#endif

#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {

enum class Setup { Match, SwitchDiffers, RuleAdjusts, UnlistedCode, NotPicked, WrongModel, NoAnswer };

const QColor orange(255, 165, 0);

// A window over a panel played in-process. Every item is picked (item i on module position
// i + 1, channel position i % 10), and the panel holds the same, until a case says otherwise.
struct CompareFixture
{
    FakeLine *line = new FakeLine;
    FakePanel panel{*line};
    std::unique_ptr<MainWindow> w = activeWindow(std::unique_ptr<SerialLine>(line));
    ModalDriver driver;

    explicit CompareFixture(Setup setup = Setup::Match)
    {
        for (int i = 0; i < PanelConfiguration::itemCount; ++i) {
            w->selectPosition(itemControls[i].moduleList, i + 1);
            w->selectPosition(itemControls[i].channelList, i % 10);
            panel.memory[i] = *w->form().shownCode(i);
        }
        w->show_switch_view();
        w->setBoxText("Text2", "TRUCK 12");
        switch (setup) {
        case Setup::Match: break;
        case Setup::SwitchDiffers: panel.memory[2] += 1; break;
        case Setup::RuleAdjusts: panel.memory[14] = 6; panel.memory[15] = 5; break;
        case Setup::UnlistedCode: panel.memory[16] = 9; break;
        case Setup::NotPicked: w->form().selectModule(3, -1); w->form().selectChannel(3, -1); break;
        case Setup::WrongModel: panel.memory[63] = 99; break;
        case Setup::NoAnswer: panel.silent = true; break;
        }
    }
    ~CompareFixture() { dialog()->close(); }

    CompareDialog *dialog() const { return w->compare().dialog(); }
    QStringList tableItems() const
    {
        QStringList items;
        for (int r = 0; r < dialog()->table()->rowCount(); ++r)
            items << dialog()->table()->item(r, 0)->text();
        return items;
    }
    void click(const char *button) { w->control<QAbstractButton>(QString::fromLatin1(button))->click(); }
    void clickInDialog(const char *button) { dialog()->findChild<QPushButton *>(QString::fromLatin1(button))->click(); }
};

} // namespace

// The window's compare: its button, its key, what it finds and says over a panel played
// in-process, the dialog and its takes, the marks, and the wire it uses, a read's.
class TestCompare : public QObject
{
    Q_OBJECT

private slots:
    // A command button like the others, in a place free in both views, a Tab stop after WRITE.
    void button()
    {
        CompareFixture f;
        auto *button = f.w->control<QPushButton>("COMPARE_CONFIG");
        QVERIFY(button);
        QCOMPARE(button->text(), QStringLiteral("COMPARE WITH SWITCH PANEL"));
        QCOMPARE(button->toolTip(), QStringLiteral("LEFT CLICK TO COMPARE CONFIG IN SWITCH PANEL"));
        QCOMPARE(button->font(), f.w->control("WRITE_CONFIG")->font());
        for (const char *option : {"Option1", "Option2"}) {
            QTest::mouseClick(f.w->control(option), Qt::LeftButton);
            const QRect place(button->mapTo(f.w.get(), QPoint()), button->size());
            for (QWidget *other : f.w->findChildren<QWidget *>()) {
                if (other == button || other->objectName().isEmpty() || other->objectName().startsWith("qt_")
                    || !other->isVisibleTo(f.w.get()) || other->isAncestorOf(button))
                    continue;
                const QRect rect(other->mapTo(f.w.get(), QPoint()), other->size());
                QVERIFY2(!rect.intersects(place), qPrintable(other->objectName()));
            }
        }
        QWidget *next = f.w->control("WRITE_CONFIG")->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus)
            next = next->nextInFocusChain();
        QCOMPARE(next, button);
    }

    // Ctrl+Shift+C compares wherever the keyboard is.
    void keyFromAnyControl_data()
    {
        QTest::addColumn<QString>("control");
        for (const char *name : {"Text3", "Text2", "List1", "Combo1", "READ_FILE"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void keyFromAnyControl()
    {
        QFETCH(QString, control);
        CompareFixture f;
        QWidget *target = f.w->control(control);
        target->setFocus();
        QTRY_VERIFY(target->hasFocus() || target->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_COMPARE(f.w->statusText(), QStringLiteral("SWITCH PANEL MATCHES THIS CONFIGURATION"));
        QVERIFY(f.dialog()->isVisible());
    }

    void compare_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QStringList>("sends"); // the A WRITE SENDS column
        QTest::newRow("match") << Setup::Match << QStringList() << "SWITCH PANEL MATCHES THIS CONFIGURATION" << green
                               << QStringList();
        QTest::newRow("one switch differs") << Setup::SwitchDiffers << QStringList{"SW3"}
                                            << "SWITCH PANEL DIFFERS IN 1 ITEM: SW3" << orange
                                            << QStringList{"module C channel 3"};
        QTest::newRow("intensities the rule adjusts")
            << Setup::RuleAdjusts << QStringList{"NORMAL BACKLIGHTING (%)", "NORMAL INDICATOR (%)"}
            << "SWITCH PANEL DIFFERS IN 2 ITEMS: NORMAL BACKLIGHTING (%), NORMAL INDICATOR (%)" << orange
            << QStringList{"100 % - A WRITE WOULD CORRECT THE PANEL", "100 % - A WRITE WOULD CORRECT THE PANEL"};
        QTest::newRow("a code no list holds")
            << Setup::UnlistedCode << QStringList{"DIMMED BACKLIGHTING AND INDICATOR (%)"}
            << "SWITCH PANEL DIFFERS IN 1 ITEM: DIMMED BACKLIGHTING AND INDICATOR (%)" << orange
            << QStringList{"100 % - A WRITE WOULD CORRECT THE PANEL"};
        QTest::newRow("an item not picked") << Setup::NotPicked << QStringList{"SW4"}
                                            << "SWITCH PANEL DIFFERS IN 1 ITEM: SW4" << orange
                                            << QStringList{"NOTHING: NOT PICKED"};
        QTest::newRow("wrong model") << Setup::WrongModel << QStringList() << "COMMUNICATIONS OK" << yellow
                                     << QStringList();
        QTest::newRow("no answer") << Setup::NoAnswer << QStringList()
                                   << "COMMUNICATIONS FAILURE SWITCH PANEL FAILED TO RESPOND ON FAKE" << red
                                   << QStringList();
    }

    void compare()
    {
        QFETCH(Setup, setup);
        QFETCH(QStringList, items);
        QFETCH(QStringList, sends);
        CompareFixture f(setup);
        const FormModel::State before = f.w->form().state();
        const int steps = f.w->undo().stack().count();
        f.click("COMPARE_CONFIG");
        QTEST(f.w->statusText(), "status");
        QTEST(statusColour(*f.w), "colour");
        QVERIFY(f.w->form().state() == before);
        QCOMPARE(f.w->boxText("Text2"), QStringLiteral("TRUCK 12"));
        QCOMPARE(f.w->undo().stack().count(), steps); // a compare is no step
        const bool read = setup != Setup::WrongModel && setup != Setup::NoAnswer;
        QCOMPARE(f.driver.boxes.size(), setup == Setup::WrongModel ? 1 : 0);
        QCOMPARE(f.dialog()->isVisible(), read);
        if (!read)
            return;
        QCOMPARE(f.tableItems(), items);
        QStringList shownSends;
        for (int r = 0; r < f.dialog()->table()->rowCount(); ++r)
            shownSends << f.dialog()->table()->item(r, 3)->text();
        QCOMPARE(shownSends, sends);
        // Each row reads as one sentence, cell by cell as a screen reader reads a row.
        for (int r = 0; r < f.dialog()->table()->rowCount(); ++r) {
            QStringList spoken;
            for (int c = 0; c < f.dialog()->table()->columnCount(); ++c)
                spoken << f.dialog()->table()->item(r, c)->data(Qt::AccessibleTextRole).toString();
            QCOMPARE(spoken.join(QLatin1Char(' ')), ConfigComparison::sentence(f.dialog()->comparison().rows[r]));
            QVERIFY(spoken.join(QLatin1Char(' ')).startsWith(items[r] + ": window "));
        }
        QList<int> marked;
        for (const ConfigComparison::Row &row : f.dialog()->comparison().rows)
            marked << row.address;
        QCOMPARE(f.w->compare().marks().marked(), marked);
    }

    // One row taken, all rows taken: each one step, undone by Ctrl+Z.
    void takes()
    {
        CompareFixture f(Setup::SwitchDiffers);
        f.panel.memory[6] = 160;  // LED1 N/A
        f.panel.memory[16] = 3;   // dimmed 50 %
        const FormModel::State before = f.w->form().state();
        f.click("COMPARE_CONFIG");
        QCOMPARE(f.tableItems(), (QStringList{"SW3", "LED1", "DIMMED BACKLIGHTING AND INDICATOR (%)"}));
        f.dialog()->table()->setCurrentCell(1, 0);
        f.clickInDialog("TakePanelValue");
        QCOMPARE(f.w->form().shownCode(6), std::optional<qint16>(160));
        QCOMPARE(f.tableItems(), (QStringList{"SW3", "DIMMED BACKLIGHTING AND INDICATOR (%)"}));
        QCOMPARE(f.w->undo().stack().undoText(), QStringLiteral("take panel value LED1"));
        f.clickInDialog("TakeAllPanelValues");
        QVERIFY(f.dialog()->comparison().matches());
        QCOMPARE(f.w->position("List46"), 5);
        QCOMPARE(f.w->boxText("Text3"), QStringLiteral("DESIGNATION ")); // a take keeps the names
        QCOMPARE(f.w->undo().stack().undoText(), QStringLiteral("take all panel values"));
        f.w->activateWindow();
        QTRY_VERIFY(f.w->isActiveWindow());
        QTest::keyClick(f.w.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.tableItems(), (QStringList{"SW3", "DIMMED BACKLIGHTING AND INDICATOR (%)"}));
        QTest::keyClick(f.w.get(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(f.w->form().state() == before);
    }

    // The marks: with their item's controls in either view, not picked up by Tab, gone when
    // the item's pick changes, all gone at a read.
    void marks()
    {
        CompareFixture f(Setup::SwitchDiffers);
        f.panel.memory[6] += 1; // LED1
        f.click("COMPARE_CONFIG");
        CompareMarks &marks = f.w->compare().marks();
        QCOMPARE(marks.marked(), (QList<int>{2, 6}));
        QVERIFY(marks.markOf(2)->isVisibleTo(f.w.get()));
        QVERIFY(!marks.markOf(6)->isVisibleTo(f.w.get()));
        QCOMPARE(marks.markOf(2)->accessibleDescription(), QStringLiteral("PANEL: module C channel 4"));
        QCOMPARE(marks.markOf(2)->focusPolicy(), Qt::NoFocus);
        QVERIFY(marks.markOf(2)->geometry().contains(f.w->control("List5")->geometry()));
        QTest::mouseClick(f.w->control("Option2"), Qt::LeftButton);
        QVERIFY(!marks.markOf(2)->isVisibleTo(f.w.get()));
        QVERIFY(marks.markOf(6)->isVisibleTo(f.w.get()));
        pick(*f.w, "List22", 9);
        QCOMPARE(marks.marked(), QList<int>{2});
        f.click("READ_CONFIG");
        QVERIFY(marks.marked().isEmpty());
    }

    // Esc closes the dialog, and the keyboard is back where it was, as after a box.
    void escapeGivesTheKeyboardBack()
    {
        CompareFixture f(Setup::SwitchDiffers);
        QWidget *list = f.w->control("List1");
        list->setFocus();
        QTRY_VERIFY(list->hasFocus());
        QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(f.dialog()->isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), f.dialog()->table());
        QTest::keyClick(f.dialog()->table(), Qt::Key_Escape);
        QVERIFY(!f.dialog()->isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), list);
    }

    // SAVE PANEL CONFIGURATION: the window's panel name proposed, the panel's values saved with
    // the designations emptied, the window as it was.
    void savePanelConfiguration()
    {
        QTemporaryDir dir;
        CompareFixture f(Setup::SwitchDiffers);
        QStringList proposed;
        f.w->setFileDialog([&](bool save, const QString &, const QString &, const QString &fileName) {
            proposed << (save ? "save|" : "open|") + fileName;
            return std::optional<QString>(dir.filePath("panel.zcf"));
        });
        const FormModel::State before = f.w->form().state();
        f.click("COMPARE_CONFIG");
        f.clickInDialog("SavePanelConfiguration");
        QCOMPARE(proposed, QStringList{"save|TRUCK 12.zcf"});
        QVERIFY(f.w->form().state() == before);
        QFile saved(dir.filePath("panel.zcf"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray line = saved.readAll();
        QVERIFY2(line.startsWith("\"00-00531-MDL or 00-00537-MDL\",\"TRUCK 12\",\"\",0,\"\",11,\"\",23,"), line.constData());
    }

#ifdef VIRTUAL_PANEL_PATH
    // Over a real line a compare sends and receives what a read does, byte for byte.
    void wireIsARead()
    {
        QTemporaryDir dir;
        const QString tracePath = dir.filePath("trace.txt");
        VirtualPanel panel({"--model", "80"});
        auto w = makeWindow(std::make_unique<SerialPortLine>(panel.port(), tracePath));
        ModalDriver driver;
        qsizetype seen = 0; // lines of the trace already looked at
        const auto traced = [&] {
            QFile file(tracePath);
            file.open(QIODevice::ReadOnly);
            QStringList lines;
            for (const QString &line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts).mid(seen))
                lines << line.mid(23); // without the time
            seen += lines.size();
            return lines;
        };
        w->control<QAbstractButton>("COMPARE_CONFIG")->click();
        const QStringList compared = traced();
        const QByteArray received = panel.received();
        w->control<QAbstractButton>("READ_CONFIG")->click();
        QCOMPARE(traced(), compared);
        QCOMPARE(compared.size(), 2 + 2 + 2 * 18);
        QCOMPARE(panel.received(), received + received);
        w->compare().dialog()->close();
    }
#endif
};

QTEST_MAIN(TestCompare)
#include "tst_compare.moc"
