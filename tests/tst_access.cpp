#include "fakepanel.h"
#include "modaldriver.h"
#include "shownunder.h"
#include "ui/announcer.h"
#include "ui/focusring.h"
#include "ui/statusline.h"
#include "ui/windowfit.h"
#include "windowfixture.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cmath>

#ifdef VIRTUAL_PANEL_PATH
#include "link/serialportline.h"
#include "virtualpanel.h"
#endif

// The window as keyboard and screen-reader users meet it: names, roles and descriptions,
// the status line's announcements, the tab order, focus that stays where the user left it,
// the keys, the designation boxes, a focus that shows, and the busy cursor.

namespace {

QAccessibleInterface *face(MainWindow &w, const QString &name)
{
    return QAccessible::queryAccessibleInterface(w.control(name));
}

// WCAG 2 relative luminance and contrast ratio.
double luminance(const QColor &c)
{
    const auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void showStatus(MainWindow &w, const QString &text, FormModel::StatusColour colour)
{
    w.form().setStatusText(text);
    w.form().setStatusColour(colour);
    w.form().setStatusVisible(true);
}

QString focusName()
{
    QWidget *focus = QApplication::focusWidget();
    return focus ? focus->objectName() : QString();
}

// The names Tab visits from `from` until it comes back.
QStringList tabChain(const QString &from)
{
    QStringList chain{focusName()};
    for (int i = 0; i < 100; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (focusName() == from)
            return chain;
        chain << focusName();
    }
    return chain;
}

QStringList numbered(const char *pattern, int first, int last, int step = 1)
{
    QStringList list;
    for (int n = first; n <= last; n += step)
        list << QString::fromLatin1(pattern).arg(n);
    return list;
}

// A window with every item assigned, as a user would leave it before a save.
void assignAll(MainWindow &w)
{
    w.setBoxText("Text2", QStringLiteral("ACCESS"));
    for (int i = 0; i < 14; ++i) {
        w.selectPosition(itemControls[i].moduleList, 1 + i);
        w.selectPosition(itemControls[i].channelList, i % 10);
    }
}

} // namespace

// The names of the controls that took the focus, in order.
struct FocusLog : QObject
{
    QStringList names;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn && watched->isWidgetType())
            names << watched->objectName();
        return false;
    }
};

class TestAccess : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    }

    void names_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("description");

        const auto row = [](const QString &control, const QString &name, QAccessible::Role role, const QString &description) {
            QTest::newRow(qPrintable(control)) << control << name << int(role) << description;
        };
        for (int place = 0; place < 6; ++place)
            for (bool led : {false, true}) {
                const QString item = QStringLiteral("%1%2").arg(led ? "LED" : "SW").arg(place + 1);
                const int list = (led ? 21 : 1) + 2 * place;
                row(QStringLiteral("Text%1").arg((led ? 13 : 3) + place), item + " designation", QAccessible::EditableText,
                    QStringLiteral("ENTER %1 FUNCTION").arg(item));
                row(QStringLiteral("List%1").arg(list), item + " module", QAccessible::List,
                    QStringLiteral("nothing picked. %1 MODULE ASSIGNMENT").arg(item));
                row(QStringLiteral("List%1").arg(list + 1), item + " channel", QAccessible::List,
                    QStringLiteral("nothing picked. %1 CHANNEL ASSIGNMENT").arg(item));
            }
        row("List41", "Backlight module", QAccessible::List, "nothing picked. BACKLIGHTING MODULE ASSIGNMENT");
        row("List42", "Backlight channel", QAccessible::List, "nothing picked. BACKLIGHTING CHANNEL ASSIGNMENT");
        row("List43", "Dimming input module", QAccessible::List, "nothing picked. DIMMING MODULE ASSIGNMENT");
        row("List44", "Dimming input channel", QAccessible::List, "nothing picked. DIMMING CHANNEL ASSIGNMENT");
        row("List45", "Normal backlighting intensity", QAccessible::List, "BACKLIGHTING NORMAL INTENSITY (%)");
        row("List49", "Normal indicator intensity", QAccessible::List, "LED INDICATOR NORMAL INTENSITY (%)");
        row("List46", "Dimmed intensity", QAccessible::List, "DIMMED LIGHTING INTENSITY (%)");
        row("Text2", "Panel name", QAccessible::EditableText, "ENTER IDENTITY FOR FILE NAME");
        row("Combo1", "Serial port", QAccessible::ComboBox, "LEFT CLICK TO CHOOSE THE SERIAL PORT OF THE SWITCH PANEL");
        row("Option1", "SWITCH CHANNEL ASSIGNMENTS", QAccessible::RadioButton, "LEFT CLICK TO VIEW SWITCH CHANNEL ASSIGNMENTS");
        row("Option2", "LIGHTING CHANNEL ASSIGNMENTS", QAccessible::RadioButton, "LEFT CLICK TO VIEW LIGHTING CHANNEL ASSIGNMENTS");
        row("READ_FILE", "OPEN CONFIGURATION FILE", QAccessible::Button, "LEFT CLICK TO OPEN CONFIG FILE (Ctrl+O)");
        row("WRITE_FILE", "SAVE CONFIGURATION FILE", QAccessible::Button, "LEFT CLICK TO SAVE CONFIG FILE (Ctrl+S)");
        row("READ_CONFIG", "READ CONFIGURATION FROM SWITCH PANEL", QAccessible::Button,
            "LEFT CLICK TO READ CONFIG IN SWITCH PANEL (Ctrl+Shift+R)");
        row("WRITE_CONFIG", "WRITE CONFIGURATION TO SWITCH PANEL", QAccessible::Button,
            "LEFT CLICK TO SAVE CONFIG IN SWITCH PANEL (Ctrl+Shift+W)");
        row("COMPARE_CONFIG", "COMPARE WITH SWITCH PANEL", QAccessible::Button,
            "LEFT CLICK TO COMPARE CONFIG IN SWITCH PANEL (Ctrl+Shift+C)");
        row("Text1", "", QAccessible::StatusBar, "");
    }

    void names()
    {
        QFETCH(QString, control);
        auto w = makeWindow();
        QAccessibleInterface *iface = face(*w, control);
        QVERIFY(iface);
        QTEST(iface->text(QAccessible::Name), "name");
        QTEST(int(iface->role()), "role");
        QTEST(iface->text(QAccessible::Description), "description");
        // The tooltips themselves stay as they were.
        if (w->control(control)->metaObject()->className() != QByteArray("CaptionButton"))
            QCOMPARE(w->control(control)->toolTip(), iface->text(QAccessible::Description).remove("nothing picked. "));
    }

    // Whatever takes the keyboard focus has a name, no two lists sound the same, and the
    // labels beside a control are its label for a screen reader.
    void everyControlNamed()
    {
        auto w = makeWindow();
        showStatus(*w, QStringLiteral("COMMUNICATIONS OK"), FormModel::StatusColour::Yellow);
        QSet<QString> listNames;
        int lists = 0;
        for (QWidget *child : w->findChildren<QWidget *>()) {
            if (!(child->focusPolicy() & Qt::TabFocus) || child->focusProxy() || child->window() != w.get())
                continue;
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(child);
            QVERIFY2(!iface->text(QAccessible::Name).isEmpty(),
                     qPrintable(child->objectName() + QLatin1Char(' ') + child->metaObject()->className()));
            if (iface->role() == QAccessible::List) {
                ++lists;
                listNames.insert(iface->text(QAccessible::Name));
            }
        }
        QCOMPARE(lists, 31); // fourteen items of two selectors each, three intensities
        QCOMPARE(listNames.size(), 31);

        const std::pair<const char *, const char *> labelled[] = {
            {"Text2", "Label6"}, {"Combo1", "Label20"}, {"List41", "Label19"}, {"List43", "Label1"},
            {"List49", "Label17"}, {"List45", "Label15"}, {"List46", "Label16"}};
        for (auto [control, label] : labelled) {
            const auto relations = face(*w, label)->relations(QAccessible::Labelled);
            const bool found = std::any_of(relations.cbegin(), relations.cend(),
                                           [&](const auto &r) { return r.first->object() == w->control(control); });
            QVERIFY2(found, control);
        }
    }

    // The status line is a status bar named by its message and described by its detail. Each
    // message, once set whole, is spoken by a notification of its own in it; a failure is also
    // marked by an alert. Under the line a screen reader finds only what carries the current
    // message, and while the line is hidden nothing. (That screen readers hear them is
    // tst_accessbus's and tst_orca's to show.)
    void statusLine()
    {
        auto w = makeWindow();
        auto *line = dynamic_cast<StatusLine *>(w->control("Text1"));
        QVERIFY(line);
        QAccessibleInterface *status = QAccessible::queryAccessibleInterface(line);
        ShownUnder shown(line);
        const auto settle = [] { QCoreApplication::processEvents(); };
        // What a screen reader finds under the line.
        const auto under = [&] {
            QStringList found;
            for (int i = 0; i < status->childCount(); ++i)
                found << ShownUnder::describe(status->child(i));
            return found;
        };

        const QString starting = QStringLiteral("STARTING COMMUNICATIONS TO READ SWITCH PANEL CONFIGURATION");
        showStatus(*w, starting, FormModel::StatusColour::Yellow);
        settle();
        QCOMPARE(status->text(QAccessible::Name), starting);
        QCOMPARE(shown.take(), QStringList{"news: " + starting});
        QCOMPARE(under(), QStringList{"news: " + starting});

        // A failure as a transfer reports it: first the colour, then the text with its detail.
        const QString failure = QStringLiteral("COMMUNICATIONS FAILURE - PORT NOT FOUND");
        const QString detail = QStringLiteral("COMMUNICATIONS FAILURE - SERIAL PORT /dev/ttyUSB7 NOT FOUND");
        w->form().setStatusColour(FormModel::StatusColour::Red);
        w->form().setStatusText(failure, detail);
        settle();
        QCOMPARE(status->text(QAccessible::Name), failure);
        QCOMPARE(status->text(QAccessible::Description), detail);
        QCOMPARE(shown.take(), (QStringList{"news: " + failure, "alert: " + failure})); // once each
        QCOMPARE(under(), (QStringList{"news: " + failure, "alert: " + failure}));
        QCOMPARE(QAccessible::queryAccessibleInterface(line->news()->current())->text(QAccessible::Description), detail);

        const QString badData = QStringLiteral("COMMUNICATIONS FAILURE - BAD SWITCH PANEL DATA");
        w->form().setStatusText(badData);
        settle();
        w->form().setStatusText(badData); // the same message again is no news
        settle();
        QCOMPARE(shown.take(), (QStringList{"news: " + badData, "alert: " + badData}));
        // A detail that begins with the message: the description is what it adds, so that the
        // line taking the focus says the message once.
        w->form().setStatusText(badData, badData + QStringLiteral("\nPort /dev/ttyUSB7"));
        settle();
        QCOMPARE(status->text(QAccessible::Description), QStringLiteral("Port /dev/ttyUSB7"));
        shown.take();
        // A file command hides the line: nothing is left under it, and the same failure shown
        // again is news again.
        w->form().setStatusVisible(false);
        settle();
        QCOMPARE(under(), QStringList());
        QCOMPARE(status->text(QAccessible::Name), QString());
        QVERIFY(!line->news()->current() && !line->alert()->current());
        w->form().setStatusVisible(true);
        settle();
        QCOMPARE(shown.take(), (QStringList{"news: " + badData, "alert: " + badData}));

        // Success after a failure: the alert goes with its text, nothing stale stays.
        const QString success = QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL");
        w->form().setStatusText(success);
        w->form().setStatusColour(FormModel::StatusColour::Green);
        settle();
        QCOMPARE(shown.take(), QStringList{"news: " + success});
        QCOMPARE(under(), QStringList{"news: " + success});
        QCOMPARE(line->alert()->text(), QString());

        // A message first shown as progress and then turned red is marked, not spoken again.
        w->form().setStatusColour(FormModel::StatusColour::Red);
        settle();
        QCOMPARE(shown.take(), QStringList{"alert: " + success});

        // What is added for screen readers takes no room, no clicks, no focus, and changes no pixel.
        for (QWidget *added : {line->news()->current(), line->alert()->current()}) {
            QVERIFY(added->geometry().isEmpty());
            QVERIFY(added->testAttribute(Qt::WA_TransparentForMouseEvents));
            QCOMPARE(added->focusPolicy(), Qt::NoFocus);
        }
        const QImage announced = w->grab().toImage();
        line->news()->clear();
        line->alert()->clear();
        QCOMPARE(w->grab().toImage(), announced);
    }

    // The status line is on the keyboard's way, after the commands, and its text can be
    // selected and copied from the keyboard.
    void statusFromKeyboard()
    {
        auto w = activeWindow();
        showStatus(*w, QStringLiteral("COMMUNICATIONS FAILURE - PORT NOT FOUND"), FormModel::StatusColour::Red);
        w->control("COMPARE_CONFIG")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(focusName(), QStringLiteral("Text1"));
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(w->control("Text1"), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(w->control("Text1"), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("COMMUNICATIONS FAILURE - PORT NOT FOUND"));
    }

    void tabOrder_data()
    {
        QTest::addColumn<bool>("lighting");
        QTest::addColumn<QStringList>("chain");
        const QStringList commands{"Combo1", "READ_FILE", "WRITE_FILE", "READ_CONFIG", "WRITE_CONFIG", "COMPARE_CONFIG", "Text1"};
        QStringList switches{"Option1"};
        QStringList lighting{"Option2"};
        switches << commands;
        lighting << commands;
        for (int place = 0; place < 6; ++place) {
            switches << QStringLiteral("Text%1").arg(3 + place) << QStringLiteral("List%1").arg(1 + 2 * place)
                     << QStringLiteral("List%1").arg(2 + 2 * place);
            lighting << QStringLiteral("Text%1").arg(13 + place) << QStringLiteral("List%1").arg(21 + 2 * place)
                     << QStringLiteral("List%1").arg(22 + 2 * place);
        }
        lighting << numbered("List%1", 41, 44) << "List49" << "List45" << "List46";
        QTest::newRow("switch view") << false << (switches << "Text2");
        QTest::newRow("lighting view") << true << (lighting << "Text2");
    }

    // Tab follows the picture; Shift+Tab goes the same way back.
    void tabOrder()
    {
        QFETCH(bool, lighting);
        QFETCH(QStringList, chain);
        auto w = activeWindow();
        QCOMPARE(focusName(), QStringLiteral("List1")); // where the keyboard starts
        showStatus(*w, QStringLiteral("COMMUNICATIONS OK"), FormModel::StatusColour::Green);
        if (lighting)
            QTest::mouseClick(w->control("Option2"), Qt::LeftButton);
        w->control(chain.first())->setFocus(Qt::TabFocusReason);
        QCOMPARE(tabChain(chain.first()), chain);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(focusName(), chain.last());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(focusName(), chain[chain.size() - 2]);
        // Shift+Tab from the port box enters the view buttons at the selected one, as Tab does.
        // (Offscreen Qt does that by itself; on X11 it stops at the other button.)
        w->control("Combo1")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(focusName(), chain.first());
    }

    // The view buttons are one stop for Tab; the arrow keys move between them and switch the view.
    // Shift+Tab into the pair lands on the picked button; Up and Down pick the other one from
    // either, round the pair.
    void viewButtonsByArrows()
    {
        auto w = activeWindow();
        w->control("Combo1")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(w->control("Combo1"), Qt::Key_Backtab);
        QCOMPARE(focusName(), QStringLiteral("Option1"));
        for (const auto &[key, to] : {std::pair{Qt::Key_Down, "Option2"}, {Qt::Key_Down, "Option1"}, {Qt::Key_Up, "Option2"},
                                      {Qt::Key_Up, "Option1"}}) {
            QTest::keyClick(QApplication::focusWidget(), key);
            QCOMPARE(focusName(), QLatin1String(to));
            QVERIFY(w->control<QRadioButton>(to)->isChecked());
            QCOMPARE(shown(*w, "Frame1"), QLatin1String(to) == QLatin1String("Option2"));
        }
    }

    // The focus a screen reader is told of is where the keyboard is, also after the program
    // switched the view under a focused view button: Tab never passes through the button that
    // is no longer picked (Qt would send that button's focus first, then move on).
    void focusFollowsProgramViewSwitch()
    {
        auto w = activeWindow();
        w->control("Option1")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(w->control("Option1"), Qt::Key_Down); // the lighting view, by keys
        QCOMPARE(focusName(), QStringLiteral("Option2"));
        w->form().show_switch_view(); // as a save does
        QVERIFY(w->control<QRadioButton>("Option1")->isChecked());

        FocusLog log;
        qApp->installEventFilter(&log);
        QStringList landed; // one focus per key, on the control that keeps it
        for (const Qt::Key key : {Qt::Key_Backtab, Qt::Key_Tab, Qt::Key_Backtab}) {
            QTest::keyClick(QApplication::focusWidget(), key);
            landed << focusName();
        }
        qApp->removeEventFilter(&log);
        QCOMPARE(log.names, landed);
        QVERIFY(landed.contains("Option1"));
    }

    void programSelectionsKeepFocus_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("focus");
        QTest::newRow("codes shown as a load does") << "codes" << "List5";
        QTest::newRow("file opened") << "open" << "Text2";
        QTest::newRow("intensity reset") << "reset" << "List49";
#ifdef VIRTUAL_PANEL_PATH
        QTest::newRow("panel read") << "read" << "Text2";
        QTest::newRow("panel read from the port box") << "read" << "Combo1";
#endif
    }

    // Selections the program makes change what the lists show, not where the keyboard is:
    // the focus stays, and the current row (what Qt reports as the focus inside a list) of
    // every list without the focus stays where it was.
    void programSelectionsKeepFocus()
    {
        QFETCH(QString, how);
        QFETCH(QString, focus);
        std::unique_ptr<SerialLine> line = std::make_unique<FakeLine>();
#ifdef VIRTUAL_PANEL_PATH
        std::unique_ptr<VirtualPanel> panel;
        if (how == "read") {
            panel = std::make_unique<VirtualPanel>();
            line = std::make_unique<SerialPortLine>(panel->port());
        }
#endif
        auto w = activeWindow(std::move(line));
        ModalDriver driver;
        const QString path = dir.filePath("access.zcf");
        if (how == "open") {
            assignAll(*w);
            w->setFileDialog([&](bool, const QString &, const QString &, const QString &) { return path; });
            w->control<QAbstractButton>("WRITE_FILE")->click();
            QVERIFY(QFile::exists(path));
            w->selectPosition("List1", 0);
        }
        if (how == "reset")
            QTest::mouseClick(w->control("Option2"), Qt::LeftButton);
        w->control(focus)->setFocus(Qt::TabFocusReason);
        QMap<QString, int> current;
        for (SelectorList *list : w->findChildren<SelectorList *>())
            current[list->objectName()] = list->currentRow();

        if (how == "codes") {
            for (int i = 0; i < 14; ++i)
                w->form().show_code(i, qint16(10 * i + 3));
            w->form().storeIntensityCode(Backlighting, 3);
            w->form().storeIntensityCode(Indicator, 3);
            w->form().storeIntensityCode(Dimmed, 1);
            w->form().show_indpercent();
            w->form().show_blpercent();
            w->form().show_dindpercent();
            QCOMPARE(listOf(*w, "List5")->position(), 3);
        } else if (how == "open") {
            w->openFile(path);
            QCOMPARE(listOf(*w, "List1")->position(), 1);
        } else if (how == "reset") {
            QTest::keyClick(w->control("List49"), Qt::Key_Down); // indicator down to 90: the backlighting follows
            QTRY_COMPARE(driver.boxes.size(), 1);
            QCOMPARE(listOf(*w, "List45")->position(), 1);
        } else {
            w->control<QAbstractButton>("READ_CONFIG")->click();
            QCOMPARE(w->statusText(), QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL"));
            QCOMPARE(listOf(*w, "List1")->position(), 0);
        }
        // (The message box of the reset takes the activation with it; the window's focus stays.)
        QCOMPARE(w->focusWidget()->objectName(), focus);
        for (SelectorList *list : w->findChildren<SelectorList *>())
            if (list->objectName() != focus)
                QVERIFY2(list->currentRow() == current[list->objectName()], qPrintable(list->objectName()));
        if (auto *list = qobject_cast<SelectorList *>(w->control(focus)))
            QCOMPARE(list->currentRow(), list->position()); // the focused list moves with what it shows
    }

    void writeFromLightingView_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("after");
        QTest::newRow("on a list the switch hides") << "List49" << "WRITE_CONFIG";
        QTest::newRow("on the view button") << "Option2" << "Option2";
        QTest::newRow("in the panel name") << "Text2" << "Text2";
    }

    // A write switches to the switch view: the keyboard stays where it was while its control is
    // still shown, and otherwise goes to WRITE, never down the Tab chain; the switch is heard.
    void writeFromLightingView()
    {
        QFETCH(QString, focus);
        QFETCH(QString, after);
        auto line = std::make_unique<FakeLine>();
        FakePanel panel(*line);
        auto w = activeWindow(std::move(line));
        assignAll(*w);
        QTest::mouseClick(w->control("Option2"), Qt::LeftButton);
        w->control(focus)->setFocus(Qt::TabFocusReason);
        FocusLog log;
        qApp->installEventFilter(&log);
        ShownUnder heard(w.get());
        QTest::keyClick(w->control(focus), Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_COMPARE(w->statusText(), QStringLiteral("SWITCH PANEL HAS BEEN PROGRAMMED")); // a key animates the button
        qApp->removeEventFilter(&log);
        QVERIFY(w->control<QRadioButton>("Option1")->isChecked());
        QCOMPARE(focusName(), after);
        QCOMPARE(log.names, after == focus ? QStringList() : QStringList{after});
        QTRY_COMPARE(heard.shown, QStringList{"news: view: SWITCH CHANNEL ASSIGNMENTS"});
    }

    // The intensity rule's box is followed by what it did to the backlighting.
    void ruleConsequenceHeard()
    {
        auto w = activeWindow();
        ModalDriver driver;
        QTest::mouseClick(w->control("Option2"), Qt::LeftButton);
        w->control("List49")->setFocus(Qt::TabFocusReason);
        ShownUnder heard(w.get());
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(w->control("List49"), Qt::Key_Down); // indicator down to 70
        QTRY_COMPARE(driver.boxes.size(), 3);
        QTRY_COMPARE(heard.shown.filter(QStringLiteral("news: ")),
                     (QStringList{"news: NORMAL BACKLIGHTING set to 90 %", "news: NORMAL BACKLIGHTING set to 80 %",
                                  "news: NORMAL BACKLIGHTING set to 70 %"}));
    }

    // A list that takes the focus goes on from the row it shows.
    void focusTakesSelectedRow()
    {
        auto w = activeWindow();
        w->form().show_code(1, 53); // SW2: module F, channel 4
        w->control("Text4")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(focusName(), QStringLiteral("List3"));
        QTest::keyClick(w->control("List3"), Qt::Key_Down);
        QCOMPARE(listOf(*w, "List3")->position(), 7);
        pick(*w, "List4", 3);
        QCOMPARE(listOf(*w, "List4")->position(), 3); // a click picks what it hits
        QTest::keyClick(w->control("List4"), Qt::Key_Down);
        QCOMPARE(listOf(*w, "List4")->position(), 4);
    }

    // A list says whether it has a pick: its description begins with "nothing picked" while it
    // has none, a pick or an undo changes that, and focus alone picks nothing (no row becomes
    // current, so a screen reader hears no row); the first arrow key picks the first entry.
    void nothingPicked()
    {
        auto w = activeWindow();
        QAccessibleInterface *list = face(*w, "List3");
        QCOMPARE(list->text(QAccessible::Description), QStringLiteral("nothing picked. SW2 MODULE ASSIGNMENT"));
        w->control("Text4")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(focusName(), QStringLiteral("List3"));
        QCOMPARE(listOf(*w, "List3")->currentRow(), -1);
        QTest::keyClick(w->control("List3"), Qt::Key_Down);
        QCOMPARE(listOf(*w, "List3")->position(), 0);
        QCOMPARE(list->text(QAccessible::Description), QStringLiteral("SW2 MODULE ASSIGNMENT"));
        QTest::keyClick(w->control("List3"), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(listOf(*w, "List3")->position(), -1);
        QCOMPARE(list->text(QAccessible::Description), QStringLiteral("nothing picked. SW2 MODULE ASSIGNMENT"));
    }

    void keys_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("pressed");
        QTest::newRow("Return on OPEN") << "READ_FILE" << int(Qt::Key_Return) << 0 << "READ_FILE";
        QTest::newRow("Enter on SAVE") << "WRITE_FILE" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "WRITE_FILE";
        QTest::newRow("Return on READ") << "READ_CONFIG" << int(Qt::Key_Return) << 0 << "READ_CONFIG";
        QTest::newRow("Return on WRITE") << "WRITE_CONFIG" << int(Qt::Key_Return) << 0 << "WRITE_CONFIG";
        QTest::newRow("Ctrl+O") << "List1" << int(Qt::Key_O) << int(Qt::ControlModifier) << "READ_FILE";
        QTest::newRow("Ctrl+S in a box") << "Text3" << int(Qt::Key_S) << int(Qt::ControlModifier) << "WRITE_FILE";
        QTest::newRow("Ctrl+Shift+R") << "Option1" << int(Qt::Key_R) << int(Qt::ControlModifier | Qt::ShiftModifier)
                                      << "READ_CONFIG";
        QTest::newRow("Ctrl+Shift+W") << "Text2" << int(Qt::Key_W) << int(Qt::ControlModifier | Qt::ShiftModifier)
                                      << "WRITE_CONFIG";
        QTest::newRow("Ctrl+Shift+C") << "Text3" << int(Qt::Key_C) << int(Qt::ControlModifier | Qt::ShiftModifier)
                                      << "COMPARE_CONFIG";
        QTest::newRow("Ctrl+R is no key") << "List1" << int(Qt::Key_R) << int(Qt::ControlModifier) << "";
        QTest::newRow("Ctrl+W is no key") << "List1" << int(Qt::Key_W) << int(Qt::ControlModifier) << "";
        QTest::newRow("Return on a list") << "List1" << int(Qt::Key_Return) << 0 << "";
    }

    void keys()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, pressed);
        auto line = std::make_unique<FakeLine>();
        line->openFailure = SerialLine::OpenFailure{SerialLine::OpenFailure::Kind::NotFound, QStringLiteral("No such file")};
        auto w = activeWindow(std::move(line));
        ModalDriver driver;
        QStringList dialogs;
        w->setFileDialog([&](bool save, const QString &, const QString &, const QString &) {
            dialogs << (save ? "save" : "open");
            return std::optional<QString>();
        });
        if (pressed == "WRITE_FILE")
            assignAll(*w); // so that the save gets as far as its dialog
        QMap<QString, QSignalSpy *> spies;
        for (const char *name : {"READ_FILE", "WRITE_FILE", "READ_CONFIG", "WRITE_CONFIG", "COMPARE_CONFIG"})
            spies[name] = new QSignalSpy(w->control<QAbstractButton>(name), &QAbstractButton::clicked);
        w->control(focus)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QTest::qWait(200); // a key press animates the button for a moment
        for (auto [name, spy] : spies.asKeyValueRange()) {
            QVERIFY2(spy->count() == (name == pressed ? 1 : 0), qPrintable(name));
            delete spy;
        }
        // The command ran.
        if (pressed == "READ_FILE")
            QCOMPARE(dialogs, QStringList{"open"});
        else if (pressed == "WRITE_FILE")
            QCOMPARE(dialogs, QStringList{"save"});
        else if (!pressed.isEmpty())
            QCOMPARE(statusColour(*w), red);
        else
            QVERIFY(dialogs.isEmpty() && !shown(*w, "Text1"));
    }

    // During a transfer: a busy cursor over the window and its boxes, and the keys, as the
    // clicks, do nothing.
    void duringATransfer()
    {
        auto line = std::make_unique<FakeLine>();
        FakeLine *fake = line.get();
        auto w = activeWindow(std::move(line));
        ModalDriver driver;
        QStringList dialogs;
        w->setFileDialog([&](bool save, const QString &, const QString &, const QString &) {
            dialogs << (save ? "save" : "open");
            return std::optional<QString>();
        });
        QCOMPARE(w->control("Text3")->cursor().shape(), Qt::IBeamCursor);
        int attentions = 0;
        Qt::CursorShape windowCursor = Qt::ArrowCursor, boxCursor = Qt::ArrowCursor;
        fake->onOutput = [&](const QByteArray &bytes) {
            if (bytes != "A" || ++attentions > 1)
                return;
            windowCursor = w->cursor().shape();
            boxCursor = w->control("Text3")->cursor().shape();
            for (auto [key, modifiers] : {std::pair{Qt::Key_O, Qt::ControlModifier}, {Qt::Key_S, Qt::ControlModifier}})
                QTest::keyClick(w->control("List1"), key, modifiers);
            QTest::keyClick(w->control("List1"), Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
            w->control("READ_FILE")->setFocus();
            QTest::keyClick(w->control("READ_FILE"), Qt::Key_Return);
        };
        ShownUnder heard(w.get());
        w->control<QAbstractButton>("READ_CONFIG")->click(); // no panel answers
        QTRY_COMPARE(heard.shown, QStringList(4, "news: busy: reading the panel")); // heard only
        QVERIFY(!w->statusText().contains("busy"));
        QCOMPARE(windowCursor, Qt::BusyCursor);
        QCOMPARE(boxCursor, Qt::BusyCursor);
        QVERIFY(dialogs.isEmpty());
        QCOMPARE(fake->sent.count('A'), 6); // one read, its six attention commands, nothing else
        QCOMPARE(fake->sent.size(), 6);
        QCOMPARE(w->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(w->control("Text3")->cursor().shape(), Qt::IBeamCursor);
        QTest::qWait(150);
        QVERIFY(dialogs.isEmpty());
    }

    void designationSelectsStartingText_data()
    {
        QTest::addColumn<bool>("byClick");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("Tab, starting text") << false << "DESIGNATION " << "HEADLIGHTS";
        QTest::newRow("click, starting text") << true << "DESIGNATION " << "HEADLIGHTS";
        QTest::newRow("click, a name of the user's") << true << "HORN" << "HORNHEADLIGHTS";
    }

    // A box that still holds its starting text is replaced by what is typed; a name the user
    // gave is kept, and the click puts the cursor where it hits (here at the end).
    void designationSelectsStartingText()
    {
        QFETCH(bool, byClick);
        QFETCH(QString, before);
        auto w = activeWindow();
        auto *box = w->control<QLineEdit>("Text4");
        box->setText(before);
        if (byClick) {
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 3, box->height() / 2));
        } else {
            w->control("Text3")->setFocus(Qt::TabFocusReason);
            QTest::keyClick(w->control("List1"), Qt::Key_Tab); // Text3, List1, List2, Text4
            QTest::keyClick(w->control("List2"), Qt::Key_Tab);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(focusName(), QStringLiteral("Text4"));
        QTest::keyClicks(box, QStringLiteral("HEADLIGHTS"));
        QTEST(box->text(), "after");
        QTEST(w->form().designation(1), "after"); // saved as typed
    }

    void boxTextOneRun_data()
    {
        QTest::addColumn<QString>("box");
        QTest::newRow("panel name") << "Text2";
        QTest::newRow("designation") << "Text3";
    }

    // A screen reader builds the text it speaks from the box's attribute runs: each offset's run
    // holds it, and the runs together give the text whole, the last character included.
    void boxTextOneRun()
    {
        QFETCH(QString, box);
        auto w = activeWindow();
        auto *edit = w->control<QLineEdit>(box);
        edit->setText(QStringLiteral("WASHER"));
        edit->selectAll();
        QAccessibleTextInterface *text = face(*w, box)->textInterface();
        QVERIFY(text);
        QString spoken;
        for (int offset = 0; offset < text->characterCount();) {
            int start = -1, end = -1;
            text->attributes(offset, &start, &end);
            QVERIFY2(start <= offset && offset < end, qPrintable(QStringLiteral("%1: %2-%3").arg(offset).arg(start).arg(end)));
            spoken += text->text(offset, end);
            offset = end;
        }
        QCOMPARE(spoken, QStringLiteral("WASHER"));
        int start = -1, end = -1;
        text->selection(0, &start, &end);
        QCOMPARE(text->text(start, end), QStringLiteral("WASHER"));
    }

    void focusVisible_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("lighting");
        QTest::newRow("list with a selection") << "List1" << false;
        QTest::newRow("list without") << "List2" << false;
        QTest::newRow("list in a frame") << "List45" << true;
        QTest::newRow("option button") << "Option1" << false;
        QTest::newRow("command button") << "READ_CONFIG" << false;
        QTest::newRow("designation box") << "Text3" << false;
        QTest::newRow("panel name") << "Text2" << false;
        QTest::newRow("port box") << "Combo1" << false;
        QTest::newRow("status line") << "Text1" << false;
    }

    // The focus shows as a band at least two pixels wide all round the control, each of its
    // pixels changed by the focus at 3:1 or more and standing at 3:1 or more against what
    // lies around the control; the control does not move or grow.
    void focusVisible()
    {
        QFETCH(QString, control);
        QFETCH(bool, lighting);
        auto w = activeWindow();
        pick(*w, "List1", 2);
        showStatus(*w, QStringLiteral("COMMUNICATIONS OK"), FormModel::StatusColour::Yellow);
        if (lighting)
            QTest::mouseClick(w->control("Option2"), Qt::LeftButton);
        QWidget *target = w->control(control);
        const QRect geometry = target->geometry();
        w->control(control == "Text2" ? "Text8" : "Text2")->setFocus(Qt::TabFocusReason);
        const QImage before = w->grab().toImage();
        target->setFocus(Qt::TabFocusReason);
        QVERIFY(target->hasFocus());
        const QImage after = w->grab().toImage();
        QCOMPARE(target->geometry(), geometry);

        const QPoint origin = target->mapTo(w.get(), QPoint(0, 0));
        const QRect outer = FocusRing::outerRect(target).translated(origin);
        const QRect bounds = target->rect().translated(origin);
        const QRegion band = QRegion(outer) - QRegion(outer.adjusted(2, 2, -2, -2));
        int pixels = 0, unchanged = 0;
        double weakestChange = 21, weakestAgainstSurround = 21;
        for (const QRect &r : band)
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x) {
                    ++pixels;
                    const double change = contrast(before.pixelColor(x, y), after.pixelColor(x, y));
                    weakestChange = std::min(weakestChange, change);
                    if (change < 3)
                        ++unchanged;
                }
        // Around the control: the pixels just outside it, which the focus leaves alone.
        for (int x = bounds.left(); x <= bounds.right(); ++x)
            for (int y : {bounds.top() - 1, bounds.bottom() + 1}) {
                QCOMPARE(after.pixelColor(x, y), before.pixelColor(x, y));
                const int inside = y < bounds.top() ? outer.top() : outer.bottom();
                weakestAgainstSurround = std::min(weakestAgainstSurround, contrast(after.pixelColor(x, inside), after.pixelColor(x, y)));
            }
        for (int y = bounds.top(); y <= bounds.bottom(); ++y)
            for (int x : {bounds.left() - 1, bounds.right() + 1}) {
                QCOMPARE(after.pixelColor(x, y), before.pixelColor(x, y));
                const int inside = x < bounds.left() ? outer.left() : outer.right();
                weakestAgainstSurround = std::min(weakestAgainstSurround, contrast(after.pixelColor(inside, y), after.pixelColor(x, y)));
            }
        qInfo("%s: band of %d pixels, %d changed by less than 3:1 (weakest %.2f:1); against its surround at least %.2f:1",
              qPrintable(control), pixels, unchanged, weakestChange, weakestAgainstSurround);
        // Only antialiased glyph edges that reach into the band may have been dark already.
        QVERIFY2(unchanged * 50 <= pixels, qPrintable(QString::number(unchanged)));
        QVERIFY(weakestAgainstSurround >= 3);
    }

    // At the designed size nothing changes: a fixed window, the controls on it as designed.
    void designedSize()
    {
        auto w = makeWindow();
        QCOMPARE(w->size(), QSize(761, 593));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QVERIFY(!w->fit().scrollArea());
        QCOMPARE(w->control("READ_CONFIG")->parentWidget(), w.get());
    }
};

QTEST_MAIN(TestAccess)
#include "tst_access.moc"
