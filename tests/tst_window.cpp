#include "modaldriver.h"
#include "ui/captionbutton.h"
#include "ui/outlineshape.h"
#include "ui/panelface.h"
#include "windowfixture.h"

#include <QClipboard>
#include <QSignalSpy>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>

namespace {

QRect tw(int l, int t, int w, int h) { return QRect(l / 15, t / 15, w / 15, h / 15); }

const char *switchNames[] = {"SW1", "SW2", "SW3", "SW4", "SW5", "SW6"};

// The visibility of every control, for comparing one view with another.
QMap<QString, bool> snapshot(MainWindow &w)
{
    QMap<QString, bool> visibility;
    for (QWidget *child : w.findChildren<QWidget *>())
        if (!child->objectName().isEmpty())
            visibility[child->objectName()] = !child->isHidden();
    return visibility;
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tooltip");

        auto row = [](const char *name, const char *cls, QRect rect, QString text = {}, QString tip = {}) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(cls) << rect << text << tip;
        };
        row("Image1", "PanelFace", tw(960, 1440, 4695, 5175));
        row("Text1", "QLabel", tw(1680, 1680, 3255, 615));
        row("Label6", "QLabel", tw(2520, 5760, 1695, 255), "PANEL NAME");
        row("Text2", "QLineEdit", tw(2520, 6000, 1695, 285), "", "ENTER IDENTITY FOR FILE NAME");
        row("Label7", "QLabel", tw(1680, 6840, 3375, 375), "PROGRAMMING HEADER LOCATION");
        row("Shape1", "OutlineShape", tw(1080, 4560, 615, 975));
        row("Option1", "CaptionRadioButton", tw(4680, 240, 2415, 495), "SWITCH CHANNEL ASSIGNMENTS",
            "LEFT CLICK TO VIEW SWITCH CHANNEL ASSIGNMENTS");
        row("Option2", "CaptionRadioButton", tw(4680, 720, 2415, 495), "LIGHTING CHANNEL ASSIGNMENTS",
            "LEFT CLICK TO VIEW LIGHTING CHANNEL ASSIGNMENTS");
        row("READ_FILE", "CaptionButton", tw(6000, 1440, 2415, 855), "OPEN CONFIGURATION FILE", "LEFT CLICK TO OPEN CONFIG FILE");
        row("WRITE_FILE", "CaptionButton", tw(6000, 2520, 2415, 855), "SAVE CONFIGURATION FILE", "LEFT CLICK TO SAVE CONFIG FILE");
        row("READ_CONFIG", "CaptionButton", tw(8760, 1440, 2415, 855), "READ CONFIGURATION FROM SWITCH PANEL",
            "LEFT CLICK TO READ CONFIG IN SWITCH PANEL");
        row("WRITE_CONFIG", "CaptionButton", tw(8760, 2520, 2415, 855), "WRITE CONFIGURATION TO SWITCH PANEL",
            "LEFT CLICK TO SAVE CONFIG IN SWITCH PANEL");
        row("COMPARE_CONFIG", "CaptionButton", tw(9600, 3720, 1575, 1095), "COMPARE WITH SWITCH PANEL",
            "LEFT CLICK TO COMPARE CONFIG IN SWITCH PANEL");
        row("Label20", "QLabel", tw(8760, 240, 2415, 255), "SERIAL PORT:");
        row("Combo1", "PortBox", tw(8760, 495, 2415, 315), "FAKE", "LEFT CLICK TO CHOOSE THE SERIAL PORT OF THE SWITCH PANEL");
        row("Frame1", "QGroupBox", tw(6000, 3720, 3495, 1695), "LIGHTING CONTROL CHANNELS:");
        row("Label19", "QLabel", tw(480, 480, 1215, 255), "BACKLIGHT");
        row("List41", "SelectorList", tw(1680, 240, 855, 645), "", "BACKLIGHTING MODULE ASSIGNMENT");
        row("List42", "SelectorList", tw(2520, 240, 615, 645), "", "BACKLIGHTING CHANNEL ASSIGNMENT");
        row("Label1", "QLabel", tw(720, 1200, 975, 255), "DIMMING");
        row("List43", "SelectorList", tw(1680, 960, 855, 645), "", "DIMMING MODULE ASSIGNMENT");
        row("List44", "SelectorList", tw(2520, 960, 615, 645), "", "DIMMING CHANNEL ASSIGNMENT");
        row("Frame2", "QGroupBox", tw(6000, 5760, 5175, 2775), "LIGHTING INTENSITIES:");
        row("Label17", "QLabel", tw(600, 480, 2415, 255), "NORMAL INDICATOR (%)");
        row("List49", "SelectorList", tw(3120, 240, 735, 645), "", "LED INDICATOR NORMAL INTENSITY (%)");
        row("Label15", "QLabel", tw(240, 1200, 2895, 255), "NORMAL BACKLIGHTING (%)");
        row("List45", "SelectorList", tw(3120, 1080, 735, 645), "", "BACKLIGHTING NORMAL INTENSITY (%)");
        row("Label16", "QLabel", tw(600, 1920, 2535, 615), "DIMMED BACKLIGHTING AND INDICATOR (%)");
        row("List46", "SelectorList", tw(3120, 1920, 735, 645), "", "DIMMED LIGHTING INTENSITY (%)");

        const QPoint designation[] = {{1680, 2400}, {3480, 2400}, {1680, 3480}, {3480, 3480}, {1680, 4560}, {3480, 4560}};
        const QPoint module[] = {{1680, 2640}, {3480, 2640}, {1680, 3720}, {3480, 3720}, {1680, 4800}, {3480, 4800}};
        const QPoint channel[] = {{2520, 2640}, {4320, 2640}, {2520, 3720}, {4320, 3720}, {2520, 4800}, {4320, 4800}};
        const QPoint label[] = {{1200, 2760}, {5040, 2760}, {1200, 3840}, {5040, 3840}, {1200, 4920}, {5040, 4920}};
        for (int place = 0; place < 6; ++place) {
            for (bool led : {false, true}) {
                const QString item = QStringLiteral("%1%2").arg(led ? "LED" : "SW").arg(place + 1);
                const int text = (led ? 13 : 3) + place;
                const int list = (led ? 21 : 1) + 2 * place;
                const QByteArray box = "Text" + QByteArray::number(text);
                const QByteArray mod = "List" + QByteArray::number(list);
                const QByteArray chan = "List" + QByteArray::number(list + 1);
                row(box, "QLineEdit", tw(designation[place].x(), designation[place].y(), 1455, 285), "DESIGNATION ",
                    QStringLiteral("ENTER %1 FUNCTION").arg(item));
                row(mod, "SelectorList", tw(module[place].x(), module[place].y(), 855, 645), "",
                    QStringLiteral("%1 MODULE ASSIGNMENT").arg(item));
                row(chan, "SelectorList", tw(channel[place].x(), channel[place].y(), 615, 645), "",
                    QStringLiteral("%1 CHANNEL ASSIGNMENT").arg(item));
            }
            row(itemLabels[place], "QLabel", tw(label[place].x(), label[place].y(), 420, 195), switchNames[place]);
        }
    }

    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, tooltip);
        auto w = makeWindow();
        QWidget *c = w->control(name);
        QVERIFY2(c, qPrintable(name));
        QTEST(QString::fromLatin1(c->metaObject()->className()), "className");
        QTEST(c->geometry(), "rect");
        QCOMPARE(c->toolTip(), tooltip);
        QString shownText;
        if (auto *l = qobject_cast<QLabel *>(c))
            shownText = l->text();
        else if (auto *e = qobject_cast<QLineEdit *>(c))
            shownText = e->text();
        else if (auto *b = qobject_cast<QAbstractButton *>(c))
            shownText = b->text();
        else if (auto *g = qobject_cast<QGroupBox *>(c))
            shownText = g->title();
        else if (auto *combo = qobject_cast<QComboBox *>(c))
            shownText = combo->currentText();
        QCOMPARE(shownText, text);
    }

    void window()
    {
        auto w = makeWindow();
        QCOMPARE(w->objectName(), QStringLiteral("Form1"));
        QCOMPARE(w->windowTitle(), QStringLiteral("DURVEX 4/6 BUTTON DIMMABLE SWITCH PANEL CONFIGURATION PROGRAM"));
        QCOMPARE(w->size(), QSize(761, 593));
        QVERIFY(w->windowIcon().availableSizes().contains(QSize(40, 40)));
        QVERIFY(w->font().bold());
        QCOMPARE(w->control<QLineEdit>("Text2")->maxLength(), 12);
        QCOMPARE(w->control<QLabel>("Text1")->font().bold(), false);
        QCOMPARE(w->control("READ_CONFIG")->font().pointSizeF(), 9.75);
        QCOMPARE(w->control("Text3")->palette().color(QPalette::Text), QColor(0, 128, 0));
        QCOMPARE(w->control("Text13")->palette().color(QPalette::Text), QColor(192, 0, 0));
        // The header marker: a cyan rectangle, a line down from it and a line across to the label.
        auto *line1 = w->control<OutlineShape>("Line1");
        auto *line2 = w->control<OutlineShape>("Line2");
        QCOMPARE(line1->from(), QPoint(88, 368));
        QCOMPARE(line1->to(), QPoint(88, 464));
        QCOMPARE(line2->from(), QPoint(112, 464));
        QCOMPARE(line2->to(), QPoint(88, 464));
        const QImage plate = PanelFace::plate();
        QCOMPARE(plate.size(), QSize(575, 1061));
        QCOMPARE(plate.pixelColor(287, 530), QColor(96, 94, 93));
        QCOMPARE(plate.pixelColor(1, 1), QColor(Qt::white));
        QVERIFY(qGray(plate.pixel(12, 530)) < qGray(qRgb(96, 94, 93)));
    }

    // Both views keep their controls on the same six places.
    void gridPlacesMatch()
    {
        auto w = makeWindow();
        for (int i = 0; i < 6; ++i) {
            const ItemControls &sw = itemControls[i];
            const ItemControls &led = itemControls[i + 6];
            QCOMPARE(w->control(sw.designationBox)->geometry(), w->control(led.designationBox)->geometry());
            QCOMPARE(w->control(sw.moduleList)->geometry(), w->control(led.moduleList)->geometry());
            QCOMPARE(w->control(sw.channelList)->geometry(), w->control(led.channelList)->geometry());
        }
    }

    void startUp()
    {
        auto w = makeWindow();
        const FormModel &form = w->form();
        QCOMPARE(form.intensityCode(Indicator), 10);
        QCOMPARE(form.intensityCode(Backlighting), 10);
        QCOMPARE(form.intensityCode(Dimmed), 10);
        for (const char *name : {"List45", "List46", "List49"})
            QCOMPARE(listOf(*w, name)->position(), 0);
        for (const ItemControls &item : itemControls) {
            QCOMPARE(listOf(*w, item.moduleList)->position(), -1);
            QCOMPARE(listOf(*w, item.channelList)->position(), -1);
        }
        QVERIFY(!shown(*w, "Text1"));
        QVERIFY(w->control<QRadioButton>("Option1")->isChecked());
        QVERIFY(!shown(*w, "Frame1"));
        QVERIFY(!shown(*w, "Frame2"));
        for (int i = 0; i < 6; ++i) {
            QVERIFY(shown(*w, itemControls[i].designationBox));
            QVERIFY(shown(*w, itemControls[i].moduleList));
            QVERIFY(shown(*w, itemControls[i].channelList));
            QVERIFY(!shown(*w, itemControls[i + 6].designationBox));
            QVERIFY(!shown(*w, itemControls[i + 6].moduleList));
            QVERIFY(!shown(*w, itemControls[i + 6].channelList));
            QCOMPARE(w->control<QLabel>(itemLabels[i])->text(), QString::fromLatin1(switchNames[i]));
        }
        QCOMPARE(w->link().timer().isActive(), false);
        QCOMPARE(w->link().timer().interval(), 500);
    }

    // Focus makes a Qt list's first row current; that must not select it.
    void focusSelectsNothing()
    {
        auto w = makeWindow();
        w->activateWindow();
        SelectorList *list = listOf(*w, "List1");
        list->setFocus();
        QTest::keyClick(w.get(), Qt::Key_Tab);
        QTest::keyClick(w.get(), Qt::Key_Tab);
        list->setFocus();
        QCOMPARE(list->position(), -1);
        QCOMPARE(w->form().selectedCode(0), 0);
        QTest::keyClick(list, Qt::Key_Down);
        QVERIFY(list->position() >= 0);
    }

    void selectionEvents()
    {
        auto w = makeWindow();
        SelectorList *list = listOf(*w, "List3");
        QSignalSpy spy(list, &SelectorList::positionChanged);
        pick(*w, "List3", 4);                     // a user's click
        QCOMPARE(list->position(), 4);
        QCOMPARE(w->form().moduleCode(1), 30);
        list->setPosition(4);                     // no change, no event
        pick(*w, "List3", 4);
        QCOMPARE(spy.count(), 1);
        list->setPosition(2);                     // the program's selection runs the handler at once
        QCOMPARE(w->form().moduleCode(1), 10);
        QCOMPARE(spy.count(), 2);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          list->visualItemRect(list->item(2)).center());
        QCOMPARE(list->position(), 2);            // a list box cannot be emptied by the user
        QVERIFY(list->item(2)->isSelected());
    }

    void moduleAndChannelHandlers()
    {
        auto w = makeWindow();
        const FormModel &form = w->form();
        w->selectPosition("List5", 3);             // SW3 module C before any channel
        QCOMPARE(form.moduleCode(2), 20);
        QCOMPARE(form.selectedCode(2), 20);
        w->selectPosition("List6", 9);             // channel 10
        QCOMPARE(form.channelCode(2), 9);
        QCOMPARE(form.selectedCode(2), 29);
        w->selectPosition("List5", 0);             // N/A hides the channel, keeps its selection
        QCOMPARE(form.selectedCode(2), 160);
        QCOMPARE(form.moduleCode(2), 20);
        QVERIFY(!shown(*w, "List6"));
        QCOMPARE(listOf(*w, "List6")->position(), 9);
        w->selectPosition("List5", 16);            // P with the old channel
        QVERIFY(shown(*w, "List6"));
        QCOMPARE(form.selectedCode(2), 159);

        w->control("Text5")->hide();               // a channel pick shows the designation box
        w->selectPosition("List6", 0);
        QVERIFY(shown(*w, "Text5"));
        QCOMPARE(form.selectedCode(2), 150);
    }

    void lightingHandlers()
    {
        auto w = makeWindow();
        const FormModel &form = w->form();
        w->selectPosition("List41", 0);
        for (const char *name : {"List42", "List45", "Label15"})
            QVERIFY(!shown(*w, name));
        QCOMPARE(form.selectedCode(12), 160);
        QCOMPARE(form.intensityCode(Backlighting), 10);
        w->selectPosition("List41", 2);
        for (const char *name : {"List42", "List45", "Label15"})
            QVERIFY(shown(*w, name));
        w->selectPosition("List42", 4);
        QCOMPARE(form.selectedCode(12), 14);

        w->selectPosition("List43", 0);
        for (const char *name : {"List44", "List46", "Label16"})
            QVERIFY(!shown(*w, name));
        QCOMPARE(form.selectedCode(13), 160);
        w->selectPosition("List43", 3);
        QCOMPARE(form.selectedCode(13), 20);
        w->selectPosition("List44", 5);            // the dimming channel has no handler
        QCOMPARE(form.channelCode(13), 0);
        QCOMPARE(form.selectedCode(13), 20);
    }

    void lightingView()
    {
        auto w = makeWindow();
        w->selectPosition("List23", 0);            // LED2 on N/A
        w->selectPosition("List41", 0);
        QTest::mouseClick(w->control("Option2"), Qt::LeftButton);
        QVERIFY(w->control<QRadioButton>("Option2")->isChecked());
        QVERIFY(shown(*w, "Frame1") && shown(*w, "Frame2"));
        for (int i = 0; i < 6; ++i) {
            QVERIFY(!shown(*w, itemControls[i].designationBox));
            QVERIFY(!shown(*w, itemControls[i].moduleList));
            QVERIFY(!shown(*w, itemControls[i].channelList));
            QVERIFY(shown(*w, itemControls[i + 6].designationBox));
            QVERIFY(shown(*w, itemControls[i + 6].moduleList));
            QCOMPARE(shown(*w, itemControls[i + 6].channelList), i != 1);
            QCOMPARE(w->control<QLabel>(itemLabels[i])->text(), QStringLiteral("LED%1").arg(i + 1));
        }
        QVERIFY(shown(*w, "List41"));
        QVERIFY(!shown(*w, "List42"));
        QVERIFY(shown(*w, "List43") && shown(*w, "List44") && shown(*w, "List49"));

        const auto lighting = snapshot(*w);
        QTest::mouseClick(w->control("Option2"), Qt::LeftButton);
        QCOMPARE(snapshot(*w), lighting);

        QTest::mouseClick(w->control("Option1"), Qt::LeftButton);
        const auto switches = snapshot(*w);
        QVERIFY(w->control<QRadioButton>("Option1")->isChecked());
        QVERIFY(!shown(*w, "Frame1") && !shown(*w, "List41") && !shown(*w, "List42"));
        w->show_switch_view();
        QCOMPARE(snapshot(*w), switches);
    }

    // After a read the switch boxes stay hidden; the nested Option1 selection changes nothing.
    void switchViewAfterRead()
    {
        auto w = makeWindow();
        QTest::mouseClick(w->control("Option2"), Qt::LeftButton);
        w->selectPosition("List3", 0);
        w->form().show_switch_view(true);
        for (int i = 0; i < 6; ++i)
            QVERIFY(!shown(*w, itemControls[i].designationBox));
        QVERIFY(shown(*w, "List3"));
        QVERIFY(!shown(*w, "List4"));
        QVERIFY(w->control<QRadioButton>("Option1")->isChecked());
        w->selectPosition("List6", 2);             // a channel pick brings back its own box only
        QVERIFY(shown(*w, "Text5"));
        QVERIFY(!shown(*w, "Text3"));
        w->show_switch_view();
        QVERIFY(shown(*w, "Text3"));
    }

    void intensityRule_data()
    {
        QTest::addColumn<int>("indicator");   // start positions
        QTest::addColumn<int>("backlight");
        QTest::addColumn<QString>("pickList");
        QTest::addColumn<int>("pickPosition");
        QTest::addColumn<int>("boxes");
        QTest::addColumn<int>("indPosition");
        QTest::addColumn<int>("blPosition");
        QTest::addColumn<int>("indpercent");
        QTest::addColumn<int>("blpercent");

        QTest::newRow("both at 100") << 0 << 0 << "List45" << 0 << 0 << 0 << 0 << 10 << 10;
        QTest::newRow("backlight above indicator") << 5 << 5 << "List45" << 2 << 1 << 5 << 5 << 3 << 3;
        QTest::newRow("indicator below backlight") << 2 << 2 << "List49" << 4 << 1 << 4 << 4 << 4 << 4;
        QTest::newRow("both at 30, backlight up") << 7 << 7 << "List45" << 0 << 1 << 7 << 7 << 1 << 1;
        QTest::newRow("backlight down is fine") << 3 << 3 << "List45" << 6 << 0 << 3 << 6 << 5 << 2;
        QTest::newRow("indicator up is fine") << 3 << 3 << "List49" << 0 << 0 << 0 << 3 << 10 << 5;
        QTest::newRow("dimmed takes part in no rule") << 7 << 7 << "List46" << 0 << 0 << 7 << 7 << 1 << 1;
    }

    void intensityRule()
    {
        QFETCH(int, indicator);
        QFETCH(int, backlight);
        QFETCH(QString, pickList);
        QFETCH(int, pickPosition);
        auto w = makeWindow();
        ModalDriver driver;
        QTest::mouseClick(w->control("Option2"), Qt::LeftButton);
        pick(*w, "List45", backlight);
        pick(*w, "List49", indicator);
        QCOMPARE(driver.boxes.size(), 0);
        pick(*w, pickList, pickPosition);
        QTEST(int(driver.boxes.size()), "boxes");
        for (const ModalDriver::Box &box : driver.boxes) {
            QCOMPARE(box.title, QString());
            QCOMPARE(box.text, QStringLiteral("NORMAL INDICATOR INTENSITY must be set equal to\n"
                                              "or greater than NORMAL BACKLIGHTING INTENSITY."));
        }
        QTEST(listOf(*w, "List49")->position(), "indPosition");
        QTEST(listOf(*w, "List45")->position(), "blPosition");
        QTEST(int(w->form().intensityCode(Indicator)), "indpercent");
        QTEST(int(w->form().intensityCode(Backlighting)), "blpercent");
        if (pickList == "List46")
            QCOMPARE(w->form().intensityCode(Dimmed), 10);
    }

    // The same rule by keys, both lists, both directions: a pick that breaks it is said once,
    // as a click's is, and one that keeps it not at all.
    void intensityRuleByKeys_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("boxes");
        QTest::addColumn<int>("blPosition");
        QTest::addColumn<int>("indPosition");
        // Both start at "70" (position 3); Up goes towards "100".
        QTest::newRow("backlighting up") << "List45" << int(Qt::Key_Up) << 1 << 3 << 3;
        QTest::newRow("backlighting down") << "List45" << int(Qt::Key_Down) << 0 << 4 << 3;
        QTest::newRow("indicator up") << "List49" << int(Qt::Key_Up) << 0 << 3 << 2;
        QTest::newRow("indicator down") << "List49" << int(Qt::Key_Down) << 1 << 4 << 4;
    }

    void intensityRuleByKeys()
    {
        QFETCH(QString, list);
        QFETCH(int, key);
        auto w = activeWindow();
        ModalDriver driver;
        QTest::mouseClick(w->control("Option2"), Qt::LeftButton);
        w->selectPosition("List45", 3);
        w->selectPosition("List49", 3);
        QCOMPARE(driver.boxes.size(), 0);
        listOf(*w, list)->setFocus();
        QTest::keyClick(listOf(*w, list), Qt::Key(key));
        QTest::qWait(100); // whatever the key left queued
        QTEST(int(driver.boxes.size()), "boxes");
        QTEST(listOf(*w, "List45")->position(), "blPosition");
        QTEST(listOf(*w, "List49")->position(), "indPosition");
        QTEST(w->form().intensityPosition(Backlighting), "blPosition");
        QTEST(w->form().intensityPosition(Indicator), "indPosition");
    }

    // A load stores codes that the selectors do not show yet: the reset's nested handler
    // meets the rule broken again, and its own reset finds List45 in place and stops.
    void intensityRuleDuringLoad()
    {
        auto w = makeWindow();
        ModalDriver driver;
        w->form().storeIntensityCode(Indicator, 3); // as a load has stored it
        w->form().storeIntensityCode(Backlighting, 6);
        w->form().show_blpercent();            // List45 to "80"; List49 still shows "100"
        QCOMPARE(driver.boxes.size(), 2);
        QCOMPARE(listOf(*w, "List45")->position(), 0);
        QCOMPARE(w->form().intensityCode(Backlighting), 10);
        w->form().show_indpercent();           // then the indicator's own code
        QCOMPARE(listOf(*w, "List49")->position(), 5);
        QCOMPARE(listOf(*w, "List45")->position(), 5);
        QCOMPARE(w->form().intensityCode(Backlighting), 3);
        QCOMPARE(w->form().intensityCode(Indicator), 3);
        QCOMPARE(driver.boxes.size(), 3);
    }

    // The port box and its caption cover nothing in either view, and keep their font.
    void portBoxCoversNothing()
    {
        auto w = makeWindow();
        QCOMPARE(w->control("Combo1")->font().family(), w->control("Text2")->font().family());
        QCOMPARE(w->control("Combo1")->font().bold(), false);
        QCOMPARE(w->control("Label20")->font(), w->font());
        for (const char *view : {"Option1", "Option2"}) {
            QTest::mouseClick(w->control(view), Qt::LeftButton);
            for (QWidget *child : w->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
                const QString name = child->objectName();
                if (name.isEmpty() || name == "Combo1" || name == "Label20" || name == "Image1" || child->isHidden())
                    continue;
                for (const char *added : {"Combo1", "Label20"})
                    QVERIFY2(!w->control(added)->geometry().intersects(child->geometry()), qPrintable(name + " under " + added));
            }
        }
    }

    // A port failure fits the status line whole, even for a long link's name; the whole
    // text, path included, is the line's tooltip.
    void portMessagesFit_data()
    {
        QTest::addColumn<int>("kind");
        using Kind = SerialLine::OpenFailure::Kind;
        QTest::newRow("not found") << int(Kind::NotFound);
        QTest::newRow("permission") << int(Kind::PermissionDenied);
        QTest::newRow("in use") << int(Kind::InUse);
        QTest::newRow("not a serial port") << int(Kind::NotASerialPort);
        QTest::newRow("opens, no answer") << -1;
    }

    void portMessagesFit()
    {
        QFETCH(int, kind);
        const QString port = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
        QCOMPARE(port.size(), 62);
        auto line = std::make_unique<FakeLine>();
        line->name = port;
        if (kind >= 0)
            line->openFailure = SerialLine::OpenFailure{SerialLine::OpenFailure::Kind(kind), QStringLiteral("No such file or directory")};
        auto w = makeWindow(std::move(line));
        w->control<QAbstractButton>("READ_CONFIG")->click();
        auto *status = w->control<QLabel>("Text1");
        const QRect inside = status->contentsRect();
        const QRect needed = status->fontMetrics().boundingRect(inside, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, status->text());
        QVERIFY2(needed.height() <= inside.height() && needed.width() <= inside.width(), qPrintable(status->text()));
        QVERIFY(status->toolTip().contains(port));
        QVERIFY(status->textInteractionFlags() & Qt::TextSelectableByMouse);
    }

    void statusLine()
    {
        auto w = makeWindow();
        auto *status = w->control<QLabel>("Text1");
        const QString longest = QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL LED'S AND BACKLIGHTING BEFORE WRITING DATA");
        w->form().setStatusText(QStringLiteral("COMMUNICATIONS OK"));
        w->form().setStatusText(longest);
        w->form().setStatusColour(FormModel::StatusColour::Red);
        w->form().setStatusVisible(true);
        QCOMPARE(status->text(), longest);
        QCOMPARE(statusColour(*w), red);
        const QRect inside = status->contentsRect();
        const QRect needed = status->fontMetrics().boundingRect(inside, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, longest);
        QVERIFY2(needed.height() <= inside.height() && needed.width() <= inside.width(),
                 qPrintable(QStringLiteral("needs %1x%2 in %3x%4").arg(needed.width()).arg(needed.height())
                                .arg(inside.width()).arg(inside.height())));
    }

    void textBoxes()
    {
        auto w = makeWindow();
        auto *name = w->control<QLineEdit>("Text2");
        QTest::keyClicks(name, QStringLiteral("ABCDEFGHIJKLM"));
        QCOMPARE(name->text(), QStringLiteral("ABCDEFGHIJKL"));

        auto *box = w->control<QLineEdit>("Text3");
        box->clear();
        QTest::keyClicks(box, QStringLiteral("HO\"RN"));
        QCOMPARE(box->text(), QStringLiteral("HORN"));
        // The file's character set holds Ä and €, not Ж nor the C1 control U+0081.
        for (const QString &key : {QStringLiteral(" "), QString::fromUtf8("Ä"), QString::fromUtf8("€"),
                                   QString::fromUtf8("Ж"), QString(QChar(0x81))})
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, key, Qt::NoModifier);
        QCOMPARE(box->text(), QString::fromUtf8("HORN Ä€"));
        QGuiApplication::clipboard()->setText(QStringLiteral("A\"B"));
        box->paste();
        QCOMPARE(box->text(), QString::fromUtf8("HORN Ä€"));
        QGuiApplication::clipboard()->setText(QStringLiteral(", LOW"));
        box->paste();
        QCOMPARE(box->text(), QString::fromUtf8("HORN Ä€, LOW"));
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
