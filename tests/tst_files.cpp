#include "files/configrecord.h"
#include "modaldriver.h"
#include "watchdog.h"
#include "windowfixture.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/sysmacros.h>
#endif

namespace {

const QString mismatchText = QStringLiteral(
    "AN ERROR HAS OCCURRED READING THE FILE BECAUSE THE FILE\n"
    "WAS NOT CREATED FOR THE 00-00531-(MDL) OR 00-00537-(MDL)\n"
    "-------------THE FILE READ OPERATION IS BEING ABANDONED!--------------");

const QByteArray exampleLine =
    "\"00-00531-MDL or 00-00537-MDL\",\"TRUCK 12\",\"HORN\",0,\"WIPERS\",11,\"BEACON\",29,\"DESIGNATION \",160,"
    "\"DESIGNATION \",160,\"DESIGNATION \",160,\"HORN ON\",0,\"WIPERS ON\",12,\"BEACON ON\",30,\"DESIGNATION \",160,"
    "\"DESIGNATION \",160,\"DESIGNATION \",160,\"BACKLIGHT\",159,\"DIMMING\",158,\"NORMAL INDICATOR (%)\",10,"
    "\"NORMAL BACKLIGHTING (%)\",6,\"DIMMED BACKLIGHTING AND INDICATOR (%)\",1\r\n";

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Everything a load could change: the form, every selection and box text.
struct WindowState
{
    FormModel::State form;
    QMap<QString, int> positions;
    QMap<QString, QString> texts;
    bool operator==(const WindowState &) const = default;
};

WindowState stateOf(MainWindow &w)
{
    WindowState s{w.form().state(), {}, {}};
    for (SelectorList *list : w.findChildren<SelectorList *>())
        s.positions[list->objectName()] = list->position();
    for (QLineEdit *box : w.findChildren<QLineEdit *>())
        s.texts[box->objectName()] = box->text();
    return s;
}

void typeInto(MainWindow &w, const char *box, const QString &text)
{
    auto *edit = w.control<QLineEdit>(box);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// A configuration as a technician sets it up: fourteen codes, the designations, intensities.
void setUp(MainWindow &w, const QList<int> &codes, const QStringList &designations, const QString &panelName,
           int indicatorPos, int backlightPos, int dimmedPos)
{
    for (int i = 0; i < 14; ++i) {
        const ItemControls &item = itemControls[i];
        w.selectPosition(item.moduleList, codes[i] == 160 ? 0 : codes[i] / 10 + 1);
        if (codes[i] != 160)
            w.selectPosition(item.channelList, codes[i] % 10);
        if (i < 12)
            w.setBoxText(item.designationBox, designations[i]);
    }
    w.setBoxText("Text2", panelName);
    w.selectPosition("List45", 7);
    w.selectPosition("List49", indicatorPos);
    w.selectPosition("List45", backlightPos);
    w.selectPosition("List46", dimmedPos);
}

// Answers the window's file dialog with a fixed path (or a cancel) and remembers the calls.
struct Dialogs
{
    std::optional<QString> answer;
    QStringList calls; // "save|title|filter|fileName"

    void attach(MainWindow &w)
    {
        w.setFileDialog([this](bool save, const QString &title, const QString &filter, const QString &fileName) {
            calls << QStringList{save ? "save" : "open", title, filter, fileName}.join('|');
            return answer;
        });
    }
};

// A window whose file dialog answers with `answer`, and whose boxes are answered OK.
struct FileFixture
{
    std::unique_ptr<MainWindow> w = makeWindow();
    ModalDriver driver;
    Dialogs dialogs;

    explicit FileFixture(std::optional<QString> answer = std::nullopt)
    {
        dialogs.answer = std::move(answer);
        dialogs.attach(*w);
    }
    void click(const char *button) { w->control<QAbstractButton>(QString::fromLatin1(button))->click(); }
};


} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    // The example configuration, set up with the mouse and keyboard, saves as its line.
    void exampleLine()
    {
        FileFixture f(dir.filePath("example.zcf"));
        QTest::keyClicks(f.w->control("Text2"), "TRUCK 12");
        const std::pair<const char *, const char *> names[] = {{"Text3", "HORN"}, {"Text4", "WIPERS"}, {"Text5", "BEACON"}};
        for (auto [box, text] : names)
            typeInto(*f.w, box, text);
        const std::pair<const char *, int> switchPicks[] = {{"List1", 1}, {"List2", 0}, {"List3", 2}, {"List4", 1},
                                                            {"List5", 3}, {"List6", 9}, {"List7", 0}, {"List9", 0},
                                                            {"List11", 0}};
        for (auto [list, position] : switchPicks)
            pick(*f.w, list, position);
        QTest::mouseClick(f.w->control("Option2"), Qt::LeftButton);
        const std::pair<const char *, const char *> ledNames[] = {{"Text13", "HORN ON"}, {"Text14", "WIPERS ON"}, {"Text15", "BEACON ON"}};
        for (auto [box, text] : ledNames)
            typeInto(*f.w, box, text);
        const std::pair<const char *, int> lightingPicks[] = {
            {"List21", 1}, {"List22", 0}, {"List23", 2}, {"List24", 2}, {"List25", 4}, {"List26", 0}, {"List27", 0},
            {"List29", 0}, {"List31", 0}, {"List41", 16}, {"List42", 9}, {"List43", 16}, {"List44", 8},
            {"List45", 2}, {"List46", 7}};
        for (auto [list, position] : lightingPicks)
            pick(*f.w, list, position);

        QTest::mouseClick(f.w->control("WRITE_FILE"), Qt::LeftButton);
        QCOMPARE(readFile(dir.filePath("example.zcf")), ::exampleLine);
        QCOMPARE(f.dialogs.calls, QStringList{"save|WRITE CONFIGURATION FILE|ZANTRO CONFIGURATION FILES (*.zcf)|TRUCK 12.zcf"});
        QVERIFY(f.w->control<QRadioButton>("Option1")->isChecked());
        QVERIFY(!shown(*f.w, "Text1"));
    }

    void roundTrip_data()
    {
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<QStringList>("designations");
        QTest::addColumn<QString>("panelName");
        QTest::addColumn<QList<int>>("intensities"); // positions: indicator, backlighting, dimmed

        QStringList plain;
        for (int i = 0; i < 12; ++i)
            plain << QStringLiteral("ITEM %1").arg(i + 1);
        QTest::newRow("all N/A") << QList<int>(14, 160) << plain << "ALL NA" << QList<int>{0, 0, 0};
        QTest::newRow("boundary codes")
            << QList<int>{0, 9, 10, 159, 160, 0, 9, 10, 159, 160, 99, 100, 0, 159} << plain << "BOUNDS" << QList<int>{1, 3, 7};
        QStringList commas = plain;
        commas[0] = "HORN, FRONT";
        commas[7] = " , ,";
        QTest::newRow("commas") << QList<int>(14, 42) << commas << "A, B" << QList<int>{7, 7, 0};
        QTest::newRow("empty designations") << QList<int>(14, 77) << QStringList(12, QString()) << " " << QList<int>{4, 6, 2};
        QStringList latin1 = plain;
        latin1[11] = QString::fromUtf8("GRÜN ÄÖ ½");
        QTest::newRow("Latin-1 texts") << QList<int>(14, 1) << latin1 << QString::fromUtf8("ÉTÉ 12") << QList<int>{2, 2, 5};
    }

    void roundTrip()
    {
        QFETCH(QList<int>, codes);
        QFETCH(QStringList, designations);
        QFETCH(QString, panelName);
        QFETCH(QList<int>, intensities);
        const QString path = dir.filePath("round.zcf");
        auto saver = makeWindow();
        Dialogs dialogs;
        dialogs.answer = path;
        dialogs.attach(*saver);
        setUp(*saver, codes, designations, panelName, intensities[0], intensities[1], intensities[2]);
        saver->control<QAbstractButton>("WRITE_FILE")->click();
        const WindowState saved = stateOf(*saver);

        auto loader = makeWindow();
        ModalDriver driver;
        dialogs.attach(*loader);
        setUp(*loader, QList<int>(14, 55), QStringList(12, "OLD"), "OLD", 0, 0, 0);
        QTest::mouseClick(loader->control("Option2"), Qt::LeftButton);
        loader->control<QAbstractButton>("READ_FILE")->click();

        QCOMPARE(driver.boxes.size(), 0);
        const WindowState loaded = stateOf(*loader);
        QCOMPARE(loaded.texts, saved.texts);
        for (int i = 0; i < 14; ++i) {
            const ItemControls &item = itemControls[i];
            QCOMPARE(loaded.positions[item.moduleList], saved.positions[item.moduleList]);
            if (codes[i] != 160)
                QCOMPARE(loaded.positions[item.channelList], saved.positions[item.channelList]);
            else
                QVERIFY(!shown(*loader, item.channelList));
        }
        for (const char *list : {"List45", "List46", "List49"})
            QCOMPARE(loaded.positions[list], saved.positions[list]);
        QCOMPARE(loader->form().intensityCode(Backlighting), saver->form().intensityCode(Backlighting));
        QCOMPARE(loader->form().intensityCode(Indicator), saver->form().intensityCode(Indicator));
        QCOMPARE(loader->form().intensityCode(Dimmed), saver->form().intensityCode(Dimmed));
        QCOMPARE(loader->form().panelName(), panelName);
        QVERIFY(loader->control<QRadioButton>("Option1")->isChecked());
        for (int i = 0; i < 6; ++i)
            QVERIFY(shown(*loader, itemControls[i].designationBox));
        QVERIFY(!shown(*loader, "Text1"));

        // Saved again, the loaded configuration gives the same file.
        const QByteArray first = readFile(path);
        loader->control<QAbstractButton>("WRITE_FILE")->click();
        QCOMPARE(readFile(path), first);
    }

    void opening_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("accepted");
        QByteArray other = ::exampleLine;
        QTest::newRow("the example") << ::exampleLine << true;
        QTest::newRow("another model") << QByteArray(other).replace("00537-MDL\"", "00538-MDL\"") << false;
        QTest::newRow("tag in other letter case") << QByteArray(other).replace("or 00-", "OR 00-") << false;
        QTest::newRow("tag with a trailing blank") << QByteArray(other).replace("MDL\",\"TRUCK", "MDL \",\"TRUCK") << false;
        QTest::newRow("35 fields") << other.left(other.lastIndexOf(',')) << false;
        QTest::newRow("code out of range") << QByteArray(other).replace(",159,", ",40000,") << false;
        QTest::newRow("code with a fraction") << QByteArray(other).replace(",159,", ",1.5,") << false;
        QTest::newRow("zero bytes") << QByteArray(300, '\0') << false;
        QTest::newRow("UTF-16") << QByteArray(reinterpret_cast<const char *>(QString::fromLatin1(other).utf16()), other.size() * 2) << false;
        QTest::newRow("10 MB of one line") << QByteArray(10 << 20, 'x') << false;
        QTest::newRow("the example, then 10 MB") << other + QByteArray(10 << 20, 'x') << true;
        QTest::newRow("designation of 40 000") << QByteArray(other).replace("\"HORN\"", '"' + QByteArray(40000, 'H') + '"') << false;
        QTest::newRow("panel name of 13") << QByteArray(other).replace("TRUCK 12", "TRUCK 12 LEFT") << false;
        QTest::newRow("undefined Windows-1252 byte") << QByteArray(other).replace("HORN", "HO\x81N") << false;
    }

    // A refused file changes nothing, the intensities included; an accepted one is shown.
    void opening()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, accepted);
        const QString path = dir.filePath("open.zcf");
        writeFile(path, contents);
        FileFixture f(path);
        setUp(*f.w, QList<int>(14, 55), QStringList(12, "OLD"), "OLD", 3, 5, 6);
        QTest::mouseClick(f.w->control("Option2"), Qt::LeftButton);
        f.w->form().setStatusVisible(true);
        const WindowState before = stateOf(*f.w);

        f.click("READ_FILE");

        QVERIFY(!shown(*f.w, "Text1"));
        QCOMPARE(f.dialogs.calls, QStringList{"open|READ CONFIGURATION FILE|ZANTRO CONFIGURATION FILES (*.zcf)|"});
        if (accepted) {
            QCOMPARE(f.driver.boxes.size(), 0);
            QCOMPARE(f.w->boxText("Text2"), QStringLiteral("TRUCK 12"));
            QCOMPARE(f.w->form().selectedCode(12), 159);
            QCOMPARE(f.w->boxText("Text15"), QStringLiteral("BEACON ON"));
        } else {
            QCOMPARE(f.driver.boxes.size(), 1);
            QCOMPARE(f.driver.boxes[0].title, QStringLiteral("FILE/MODEL MIS-MATCH"));
            QCOMPARE(f.driver.boxes[0].text, mismatchText);
            QVERIFY(stateOf(*f.w) == before);
            QVERIFY(f.w->control<QRadioButton>("Option2")->isChecked());
        }
    }

    // A file named on the command line opens as a picked one does; the dialogs then start
    // in its folder. A foreign one gets the box.
    void fileArgument()
    {
        const QString good = dir.filePath("argument.zcf");
        writeFile(good, ::exampleLine);
        FileFixture f;
        f.w->openFile(good);
        QCOMPARE(f.driver.boxes.size(), 0);
        QCOMPARE(f.w->boxText("Text2"), QStringLiteral("TRUCK 12"));
        QCOMPARE(f.w->form().selectedCode(12), 159);
        f.click("READ_FILE");
        QCOMPARE(f.dialogs.calls.value(0).section('|', 3), good);

        const QString foreign = dir.filePath("foreign.zcf");
        writeFile(foreign, QByteArray(::exampleLine).replace("00537-MDL\"", "00538-MDL\""));
        f.w->openFile(foreign);
        QCOMPARE(f.driver.boxes.size(), 1);
        QCOMPARE(f.driver.boxes[0].title, QStringLiteral("FILE/MODEL MIS-MATCH"));
        QCOMPARE(f.w->boxText("Text2"), QStringLiteral("TRUCK 12"));
    }

    // A folder named on the command line is a slip the user hears of.
    void folderAsFileArgument()
    {
        FileFixture f;
        const WindowState before = stateOf(*f.w);
        f.w->openFile(dir.path());
        QCOMPARE(f.driver.boxes.size(), 1);
        QCOMPARE(f.driver.boxes[0].title, QStringLiteral("READ CONFIGURATION FILE"));
        QCOMPARE(f.driver.boxes[0].text, dir.path() + "\nIS A FOLDER, NOT A CONFIGURATION FILE");
        QVERIFY(stateOf(*f.w) == before);
    }

    void openingFailures()
    {
        FileFixture f;
        const WindowState before = stateOf(*f.w);

        f.dialogs.answer.reset();                         // cancelled
        f.click("READ_FILE");
        f.dialogs.answer = dir.path();                    // a folder: silently
        f.click("READ_FILE");
        QCOMPARE(f.driver.boxes.size(), 0);
        f.dialogs.answer = dir.filePath("no-such-file.zcf"); // a name typed for no file
        f.click("READ_FILE");
        QCOMPARE(f.driver.boxes.size(), 1);
        QCOMPARE(f.driver.boxes[0].text, mismatchText);
        QVERIFY(stateOf(*f.w) == before);
    }

#ifdef Q_OS_UNIX
    // Only regular files are configuration files: a FIFO or a device gets the box at once
    // instead of blocking the window in open() or read().
    void openingWhatIsNoFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("pseudo-terminal") << "pty";
    }

    void openingWhatIsNoFile()
    {
        QFETCH(QString, kind);
        QString path = dir.filePath("x.zcf");
        int master = -1;
        if (kind == "fifo") {
            QFile::remove(path);
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else {
            master = ::posix_openpt(O_RDWR | O_NOCTTY);
            QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
            path = QString::fromLocal8Bit(::ptsname(master));
        }
        FileFixture f(path);
        const WindowState before = stateOf(*f.w);
        {
            Watchdog watchdog(5000);
            f.click("READ_FILE");
        }
        QCOMPARE(f.driver.boxes.size(), 1);
        QCOMPARE(f.driver.boxes[0].title, QStringLiteral("FILE/MODEL MIS-MATCH"));
        QVERIFY(stateOf(*f.w) == before);
        if (master >= 0)
            ::close(master);
        QFile::remove(dir.filePath("x.zcf"));
    }
#endif

    // The save proposes a file name, never a path; the panel name goes into the file unchanged.
    void proposedFileName_data()
    {
        QTest::addColumn<QString>("panelName");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("plain") << "TRUCK 12" << "TRUCK 12.zcf";
        QTest::newRow("slash") << "TRUCK 1/2" << "TRUCK 1-2.zcf";
        QTest::newRow("up two folders") << "../../x" << "..-..-x.zcf";
        QTest::newRow("Windows characters") << "A\\B:C*D?<>|" << "A-B-C-D----.zcf";
        QTest::newRow("dots stay") << ".." << "...zcf";
    }

    void proposedFileName()
    {
        QFETCH(QString, panelName);
        QFETCH(QString, fileName);
        FileFixture f(dir.filePath("proposed.zcf"));
        setUp(*f.w, QList<int>(14, 160), QStringList(12, "X"), panelName, 0, 0, 0);
        f.click("WRITE_FILE");
        QCOMPARE(f.dialogs.calls.value(0).section('|', 3), fileName);
        QVERIFY(readFile(dir.filePath("proposed.zcf")).contains(",\"" + panelName.toLatin1() + "\","));
    }

    // Codes outside 0..160 show as "N/A"; intensities without an entry show "100".
    void unusualCodes()
    {
        QByteArray line = ::exampleLine;
        line.replace("\"HORN\",0,", "\"HORN\",-7,").replace("\"WIPERS\",11,", "\"WIPERS\",161,")
            .replace("INDICATOR (%)\",1\r", "INDICATOR (%)\",9\r");
        const QString path = dir.filePath("unusual.zcf");
        writeFile(path, line);
        FileFixture f(path);
        f.click("READ_FILE");
        QCOMPARE(f.w->position("List1"), 0);
        QCOMPARE(f.w->position("List3"), 0);
        QVERIFY(!shown(*f.w, "List2") && !shown(*f.w, "List4"));
        QCOMPARE(f.w->position("List46"), 0);
        QCOMPARE(f.w->form().intensityCode(Dimmed), 10);
        f.dialogs.answer = dir.filePath("resaved.zcf");
        f.click("WRITE_FILE");
        QVERIFY(readFile(dir.filePath("resaved.zcf")).startsWith(
            "\"00-00531-MDL or 00-00537-MDL\",\"TRUCK 12\",\"HORN\",160,\"WIPERS\",160,"));
    }

    // Indicator below backlighting in a file: the rule's box comes up while the intensities are
    // shown; the indicator keeps the file's entry, the backlighting ends on the lower one.
    void intensityRuleDuringLoad()
    {
        QByteArray line = ::exampleLine;
        line.replace("INDICATOR (%)\",10,", "INDICATOR (%)\",3,");  // indicator 50 %, backlighting stays 80 %
        const QString path = dir.filePath("rule.zcf");
        writeFile(path, line);
        FileFixture f(path);
        f.click("READ_FILE");
        QVERIFY(f.driver.boxes.size() >= 1);
        QCOMPARE(f.w->position("List49"), 5);
        QCOMPARE(f.w->position("List45"), 5);
        QCOMPARE(f.w->form().intensityCode(Indicator), 3);
        QCOMPARE(f.w->form().intensityCode(Backlighting), 3);
        QCOMPARE(f.w->boxText("Text2"), QStringLiteral("TRUCK 12"));
    }

    void savingRefused()
    {
        FileFixture f(dir.filePath("refused.zcf"));
        f.click("WRITE_FILE");            // nothing picked
        QCOMPARE(f.w->statusText(), QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA"));
        QCOMPARE(statusColour(*f.w), red);
        QVERIFY(shown(*f.w, "Text1"));

        setUp(*f.w, QList<int>(14, 160), QStringList(12, "X"), "", 0, 0, 0);
        f.w->selectPosition("List43", 4);                                // dimming module, no channel
        QTest::mouseClick(f.w->control("Option2"), Qt::LeftButton);
        f.click("WRITE_FILE");
        QCOMPARE(f.w->statusText(), QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL LED's AND BACKLIGHTING BEFORE WRITING DATA"));
        QVERIFY(f.w->control<QRadioButton>("Option2")->isChecked());

        f.w->selectPosition("List43", 0);
        f.click("WRITE_FILE");            // no panel name
        QVERIFY(!shown(*f.w, "Text1"));
        QCOMPARE(f.driver.boxes.size(), 1);
        QCOMPARE(f.driver.boxes[0].text, QStringLiteral("Name must be entered in PANEL NAME field"));
        QCOMPARE(f.driver.boxes[0].title, QString());
        QVERIFY(f.w->control<QRadioButton>("Option1")->isChecked());
        QVERIFY(f.dialogs.calls.isEmpty());

        f.w->setBoxText("Text2", "NAME");
        f.dialogs.answer.reset();                                        // cancelled
        f.click("WRITE_FILE");
        QCOMPARE(f.driver.boxes.size(), 1);
        QVERIFY(!QFile::exists(dir.filePath("refused.zcf")));
        QCOMPARE(f.dialogs.calls.size(), 1);
    }

    // One dialog state for both commands: the open dialog starts from the saved file's name.
    void dialogState()
    {
        FileFixture f(dir.filePath("first.zcf"));
        setUp(*f.w, QList<int>(14, 160), QStringList(12, "X"), "NAME", 0, 0, 0);
        f.click("WRITE_FILE");
        f.dialogs.answer.reset();
        f.click("READ_FILE");
        f.click("WRITE_FILE");
        QCOMPARE(f.dialogs.calls[1], "open|READ CONFIGURATION FILE|ZANTRO CONFIGURATION FILES (*.zcf)|" + dir.filePath("first.zcf"));
        QCOMPARE(f.dialogs.calls[2].section('|', 3), dir.filePath("NAME.zcf"));
    }

    // The dialogs come back only to where a save or an open succeeded: a save refused in
    // /proc, or a file named on the command line that did not open, is no place to start from.
    void dialogRemembersOnlySuccess()
    {
        FileFixture f(dir.filePath("good.zcf"));
        setUp(*f.w, QList<int>(14, 160), QStringList(12, "X"), "NAME", 0, 0, 0);
        f.click("WRITE_FILE");
        f.dialogs.answer = QStringLiteral("/proc/bench.zcf");
        f.click("WRITE_FILE");
        QCOMPARE(f.driver.boxes.size(), 1);
        f.dialogs.answer.reset();
        f.click("WRITE_FILE");
        QCOMPARE(f.dialogs.calls.value(2).section('|', 3), dir.filePath("NAME.zcf"));
#ifdef Q_OS_LINUX
        f.w->openFile(QStringLiteral("/proc/version"));
        QCOMPARE(f.driver.boxes.size(), 2);
#endif
        f.w->openFile(dir.filePath("missing.zcf"));
        f.click("READ_FILE");
        QCOMPARE(f.dialogs.calls.value(3).section('|', 3), dir.filePath("NAME.zcf"));
    }

#ifdef Q_OS_LINUX
    // Even a save that succeeded there does not bring a dialog back to /dev (nor /proc, /sys).
    void dialogNeverStartsInSystemFolders()
    {
        const QString shared = QStringLiteral("/dev/shm/durvex-dialog-%1.zcf").arg(QCoreApplication::applicationPid());
        if (!QFileInfo(QStringLiteral("/dev/shm")).isWritable())
            QSKIP("no /dev/shm to save in");
        FileFixture f(shared);
        setUp(*f.w, QList<int>(14, 160), QStringList(12, "X"), "NAME", 0, 0, 0);
        f.click("WRITE_FILE");
        QVERIFY(QFile::remove(shared));
        f.dialogs.answer.reset();
        f.click("READ_FILE");
        const QString start = f.dialogs.calls.value(1).section('|', 3);
        QCOMPARE(QFileInfo(start).fileName(), QFileInfo(shared).fileName());
        QVERIFY2(!start.startsWith("/dev/"), qPrintable(start));
    }
#endif

    void failedSaveIsReported_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing folder") << dir.filePath("missing-folder/x.zcf");
#ifdef Q_OS_LINUX
        // Nothing, not even root, creates files in /proc: a folder that cannot be written,
        // with an existing file that must stay as it was.
        QTest::newRow("folder that cannot be written") << QStringLiteral("/proc/version");
#endif
    }

    void failedSaveIsReported()
    {
        QFETCH(QString, path);
        const QByteArray before = readFile(path);
        FileFixture f(path);
        setUp(*f.w, QList<int>(14, 160), QStringList(12, "X"), "NAME", 0, 0, 0);
        f.click("WRITE_FILE");
        QCOMPARE(f.driver.boxes.size(), 1);
        QCOMPARE(f.driver.boxes[0].title, QStringLiteral("WRITE CONFIGURATION FILE"));
        const QString text = f.driver.boxes[0].text;
        QVERIFY(text.startsWith("THE CONFIGURATION FILE COULD NOT BE SAVED\n" + path + "\n"));
        QVERIFY(text.size() > text.indexOf(path) + path.size() + 2); // and the system's reason
        QCOMPARE(readFile(path), before);
    }

#ifdef Q_OS_UNIX
    void savingOverWhatIsNoFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason"); // empty: saved
        QTest::newRow("FIFO") << "fifo" << "it is a FIFO, not a regular file, and is left as it is";
        QTest::newRow("device") << "device" << "it is a character device, not a regular file, and is left as it is";
        QTest::newRow("folder") << "folder" << "it is a folder";
        QTest::newRow("link to a regular file") << "link" << "";
    }

    // A save renames a new file over the old one: it must never put a plain file in place of
    // a FIFO or a device. A link to a regular file is saved through as before.
    void savingOverWhatIsNoFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir scratch;
        const QString path = scratch.filePath("target.zcf");
        const QByteArray name = QFile::encodeName(path);
        if (kind == "fifo")
            QCOMPARE(::mkfifo(name.constData(), 0644), 0);
        else if (kind == "device" && ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("mknod is not allowed here");
        else if (kind == "folder")
            QVERIFY(QDir(scratch.path()).mkdir("target.zcf"));
        else if (kind == "link") {
            writeFile(scratch.filePath("real.zcf"), ::exampleLine);
            QVERIFY(QFile::link(scratch.filePath("real.zcf"), path));
        }
        struct stat before {};
        QCOMPARE(::lstat(name.constData(), &before), 0);

        FileFixture f(path);
        setUp(*f.w, QList<int>(14, 160), QStringList(12, "X"), "NAME", 0, 0, 0);
        f.click("WRITE_FILE");

        struct stat after {};
        QCOMPARE(::lstat(name.constData(), &after), 0);
        QCOMPARE(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
        if (reason.isEmpty()) {
            QCOMPARE(f.driver.boxes.size(), 0);
            QVERIFY(readFile(scratch.filePath("real.zcf")).startsWith("\"00-00531-MDL or 00-00537-MDL\",\"NAME\","));
            return;
        }
        QCOMPARE(f.driver.boxes.size(), 1);
        QCOMPARE(f.driver.boxes[0].title, QStringLiteral("WRITE CONFIGURATION FILE"));
        QCOMPARE(f.driver.boxes[0].text, "THE CONFIGURATION FILE COULD NOT BE SAVED\n" + path + "\n" + reason);
    }

    // A save that fails part-way (here the file size limit, as a full disk would) leaves the
    // old file whole and says so.
    void failedSaveKeepsTheOldFile()
    {
        const QString path = dir.filePath("kept.zcf");
        writeFile(path, ::exampleLine);
        FileFixture f(path);
        setUp(*f.w, QList<int>(14, 160), QStringList(12, QString(200, 'L')), "NAME", 0, 0, 0);

        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 1024;
        setrlimit(RLIMIT_FSIZE, &small);
        f.click("WRITE_FILE");
        setrlimit(RLIMIT_FSIZE, &old);

        QCOMPARE(readFile(path), ::exampleLine);
        QCOMPARE(f.driver.boxes.size(), 1);
        QCOMPARE(f.driver.boxes[0].text, "THE CONFIGURATION FILE COULD NOT BE SAVED\n" + path + "\nFile too large");
        QCOMPARE(QDir(dir.path()).entryList({"kept.zcf*"}, QDir::Files | QDir::Hidden), QStringList{"kept.zcf"});
    }
#endif

#ifdef Q_OS_UNIX
    // A file the user may write in a folder the user may not: saved over in place, since no
    // file can be made beside it. Root writes everywhere, so as root the test runs itself
    // again as an unprivileged user.
    void saveInFolderThatCannotBeWritten()
    {
        QString folder = qEnvironmentVariable("DURVEX_LOCKED_FOLDER");
        QTemporaryDir locked;
        if (folder.isEmpty()) {
            folder = locked.path();
            writeFile(locked.filePath("panel.zcf"), ::exampleLine);
            if (::geteuid() == 0) {
                const QString setpriv = QStandardPaths::findExecutable("setpriv");
                if (setpriv.isEmpty())
                    QSKIP("setpriv is needed to test as an unprivileged user");
                QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
                QVERIFY(::chown(QFile::encodeName(locked.filePath("panel.zcf")).constData(), 65534, 65534) == 0);
                QProcess child;
                QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
                env.insert("DURVEX_LOCKED_FOLDER", folder);
                env.remove("XDG_RUNTIME_DIR");
                child.setProcessEnvironment(env);
                child.setProcessChannelMode(QProcess::MergedChannels);
                child.start(setpriv, {"--reuid=65534", "--regid=65534", "--clear-groups", "--",
                                      QCoreApplication::applicationFilePath(), "saveInFolderThatCannotBeWritten"});
                QVERIFY(child.waitForFinished(30000));
                const QByteArray output = child.readAll();
                QVERIFY2(child.exitCode() == 0, output.constData());
                QVERIFY2(output.contains("PASS   : TestFiles::saveInFolderThatCannotBeWritten()"), output.constData());
                return;
            }
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
        }
        const QString path = QDir(folder).filePath("panel.zcf");
        QVERIFY(!QFileInfo(folder).isWritable());
        FileFixture f(path);
        setUp(*f.w, QList<int>(14, 160), QStringList(12, "X"), "NAME", 0, 0, 0);
        f.click("WRITE_FILE");
        QCOMPARE(f.driver.boxes.size(), 0);
        QVERIFY(readFile(path).startsWith("\"00-00531-MDL or 00-00537-MDL\",\"NAME\","));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"panel.zcf"});
        ::chmod(QFile::encodeName(folder).constData(), 0700);
    }
#endif

    // The example files that ship load as they stand, every item picked, ready to write.
    void examples_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("panelName");
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("designation");
        QTest::newRow("the README's truck") << "truck.zcf" << "TRUCK 12" << 2 << "BEACON";
        QTest::newRow("every item on a channel") << "all-picked.zcf" << "BUS 7" << 11 << "KNEELING ON";
        QTest::newRow("Windows-1252 designations") << "windows-1252.zcf" << "WAGEN 3" << 6 << QString::fromUtf8("€-ZÄHLER");
    }

    void examples()
    {
        QFETCH(QString, file);
        QFETCH(int, item);
        FileFixture f;
        f.w->openFile(QStringLiteral(EXAMPLES_DIR "/") + file);
        QCOMPARE(f.driver.boxes.size(), 0);
        QTEST(f.w->boxText("Text2"), "panelName");
        QTEST(f.w->form().designation(item), "designation");
        QVERIFY(f.w->form().adjustments().isEmpty());
        QVERIFY(f.w->form().missingPicks().isEmpty());
        if (file == "all-picked.zcf")
            for (int i = 0; i < PanelConfiguration::itemCount; ++i)
                QVERIFY(*f.w->form().shownCode(i) != 160);
    }

    // The real dialog: a name typed without ".zcf" gets it.
    void realDialog()
    {
        auto w = makeWindow();
        ModalDriver driver;
        QDir::setCurrent(dir.path());
        driver.handler = [&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            if (!dialog)
                return false;
            if (dialog->acceptMode() == QFileDialog::AcceptSave) {
                dialog->setDirectory(dir.path());
                dialog->findChild<QLineEdit *>("fileNameEdit")->setText("typed");
            }
            QMetaObject::invokeMethod(dialog, "accept");
            return true;
        };
        setUp(*w, QList<int>(14, 160), QStringList(12, "X"), "NAME", 0, 0, 0);
        w->control<QAbstractButton>("WRITE_FILE")->click();
        QVERIFY(QFile::exists(dir.filePath("typed.zcf")));
        QCOMPARE(w->dialogFileName(), dir.filePath("typed.zcf"));
        w->setBoxText("Text2", "CHANGED");
        w->control<QAbstractButton>("READ_FILE")->click();    // starts from the saved file and opens it
        QCOMPARE(w->boxText("Text2"), QStringLiteral("NAME"));
        QCOMPARE(driver.boxes.size(), 0);
    }
};

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
