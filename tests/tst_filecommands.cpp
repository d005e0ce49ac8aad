#include "fakeline.h"
#include "platform/portablename.h"
#include "recordinghost.h"
#include "session/session.h"
#include "session/statustexts.h"
#include "truckfile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using Kind = FileOutcome::Kind;

namespace {

// A session over an in-process line: its form, and the files it saves and opens.
struct Fixture
{
    RecordingHost host;
    Session session{host, std::make_unique<FakeLine>()};
    FormModel &form = session.form();

    // Every item on "N/A" but the one left without a module (-1 for none), and a name.
    void setUp(int unpicked, const QString &panelName)
    {
        for (int i = 0; i < 14; ++i)
            form.selectModule(i, i == unpicked ? -1 : 0);
        form.setPanelName(panelName);
    }
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

// The save and open verbs of the session: each ends in an outcome that says what came of it,
// with the path and the system's reason, and shows no box of its own.
class TestFileCommands : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void save_data()
    {
        QTest::addColumn<int>("unpicked");
        QTest::addColumn<QString>("panelName");
        QTest::addColumn<QString>("path"); // empty: the dialog is cancelled
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("status"); // the red line, or empty for a hidden one
        QTest::addColumn<bool>("asked");     // the path was asked for
        QTest::newRow("saved") << -1 << "TRUCK" << "saved.zcf" << Kind::Done << "" << true;
        QTest::newRow("a switch not picked")
            << 2 << "TRUCK" << "x.zcf" << Kind::Incomplete
            << "DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA" << false;
        // The save's own spelling, unlike the panel write's "LED'S".
        QTest::newRow("an LED not picked")
            << 7 << "TRUCK" << "x.zcf" << Kind::Incomplete
            << "DATA MUST BE ENTERED (CLICKED) FOR ALL LED's AND BACKLIGHTING BEFORE WRITING DATA" << false;
        QTest::newRow("no name") << -1 << "" << "x.zcf" << Kind::NoName << "" << false;
        QTest::newRow("cancelled") << -1 << "TRUCK" << "" << Kind::Cancelled << "" << true;
        QTest::newRow("missing folder") << -1 << "TRUCK" << "missing/x.zcf" << Kind::NotSaved << "" << true;
        QTest::newRow("a folder") << -1 << "TRUCK" << "." << Kind::NotSaved << "" << true;
    }

    void save()
    {
        QFETCH(int, unpicked);
        QFETCH(QString, panelName);
        QFETCH(QString, path);
        QFETCH(Kind, kind);
        QFETCH(QString, status);
        Fixture f;
        f.setUp(unpicked, panelName);
        f.form.setStatusVisible(true);
        const QString target = path.isEmpty() ? QString() : QDir(dir.path()).filePath(path);
        QStringList asked;
        const FileOutcome outcome = f.session.save([&](const QString &proposed) {
            asked << proposed;
            return target.isEmpty() ? std::nullopt : std::optional<QString>(target);
        });

        QCOMPARE(outcome.kind, kind);
        QTEST(!asked.isEmpty(), "asked");
        if (!asked.isEmpty())
            QCOMPARE(asked, QStringList{panelName + ".zcf"});
        QCOMPARE(f.form.status().visible, !status.isEmpty());
        if (!status.isEmpty())
            QCOMPARE(f.form.status().text, status);
        QCOMPARE(outcome.missing.isEmpty(), kind != Kind::Incomplete);
        QCOMPARE(outcome.path, asked.isEmpty() ? QString() : target);
        // A file that could not be saved says why, in the system's words.
        QCOMPARE(!outcome.reason.isEmpty(), kind == Kind::NotSaved);
        QVERIFY(f.host.boxes.isEmpty());
        QCOMPARE(StatusTexts::fileBox(outcome).has_value(), kind == Kind::NoName || kind == Kind::NotSaved);
    }

    void open_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("box");
        QTest::newRow("a configuration") << "truck.zcf" << truckLine << Kind::Done << "" << false;
        QTest::newRow("not there") << "absent.zcf" << QByteArray() << Kind::Missing << "No such file or directory" << true;
        QTest::newRow("a folder") << "." << QByteArray() << Kind::NoAccess << "Is a directory" << false;
        QTest::newRow("no record") << "notes.zcf" << QByteArray("shopping list\n") << Kind::NotARecord << "" << true;
        QTest::newRow("another model") << "other.zcf" << QByteArray(truckLine).replace("00537-MDL\"", "00538-MDL\"")
                                       << Kind::OtherModel << "" << true;
#ifdef Q_OS_UNIX
        QTest::newRow("a FIFO") << "fifo.zcf" << QByteArray() << Kind::NotAFile << "" << true;
#endif
    }

    // Only a file that is accepted changes the form; every refusal leaves it as it was.
    void open()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        QFETCH(Kind, kind);
        const QString path = QDir(dir.path()).filePath(name);
        if (!contents.isEmpty())
            writeFile(path, contents);
#ifdef Q_OS_UNIX
        if (kind == Kind::NotAFile)
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
        Fixture f;
        f.setUp(-1, "OLD");
        const FormModel::State before = f.form.state();
        f.form.setStatusVisible(true);

        const FileOutcome outcome = f.session.open(path);

        QCOMPARE(outcome.kind, kind);
        QCOMPARE(outcome.path, path);
        QTEST(outcome.reason, "reason");
        QTEST(StatusTexts::fileBox(outcome).has_value(), "box");
        QVERIFY(!f.form.status().visible);
        if (kind == Kind::Done)
            QCOMPARE(f.form.panelName(), QStringLiteral("TRUCK 12"));
        else
            QVERIFY(f.form.state() == before);
    }

    // The open dialog's cancel changes nothing and hides the status line, as every open does.
    void openCancelled()
    {
        Fixture f;
        const FormModel::State before = f.form.state();
        f.form.setStatusVisible(true);
        const FileOutcome outcome = f.session.open([] { return std::optional<QString>(); });
        QCOMPARE(outcome.kind, Kind::Cancelled);
        QVERIFY(!f.form.status().visible);
        QVERIFY(f.form.state() == before);
    }

    // One rule for items not picked; the command gives the spelling.
    void missingPicksSpelling()
    {
        const QList<MissingPick> led{{7, true}};
        QCOMPARE(StatusTexts::incomplete(led, StatusTexts::MissingPicksFor::PanelWrite).text,
                 QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL LED'S AND BACKLIGHTING BEFORE WRITING DATA"));
        QCOMPARE(StatusTexts::incomplete(led, StatusTexts::MissingPicksFor::Save).text,
                 QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL LED's AND BACKLIGHTING BEFORE WRITING DATA"));
        const QList<MissingPick> both{{2, false}, {12, true}};
        for (auto command : {StatusTexts::MissingPicksFor::PanelWrite, StatusTexts::MissingPicksFor::Save}) {
            const StatusTexts::Report report = StatusTexts::incomplete(both, command);
            QCOMPARE(report.text, QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA"));
            QCOMPARE(report.detail, report.text + "\nSW3: no channel; BACKLIGHT: no module");
        }
    }

    // A panel's name makes a file name that Windows saves as a file, wherever it is proposed.
    void proposedFileName_data()
    {
        QTest::addColumn<QString>("panelName");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("plain") << "TRUCK 12" << "TRUCK 12.zcf";
        QTest::newRow("refused characters") << "A/B\\C:D*?\"<>|" << "A-B-C-D------.zcf";
        QTest::newRow("control character") << "A\tB" << "A-B.zcf";
        QTest::newRow("device") << "CON" << "CON-.zcf";
        QTest::newRow("device in small letters") << "nul" << "nul-.zcf";
        QTest::newRow("device, spaces before the dot") << "AUX  " << "AUX  -.zcf";
        QTest::newRow("device with a dot after") << "PRN.OLD" << "PRN-.OLD.zcf";
        QTest::newRow("COM ports") << "COM1" << "COM1-.zcf";
        QTest::newRow("LPT ports") << "LPT9" << "LPT9-.zcf";
        QTest::newRow("superscript digit") << QString::fromUtf8("COM\u00b9") << QString::fromUtf8("COM\u00b9-.zcf");
        QTest::newRow("no port 0") << "COM0" << "COM0.zcf";
        QTest::newRow("two digits") << "COM10" << "COM10.zcf";
        QTest::newRow("device inside a name") << "CONSOLE" << "CONSOLE.zcf";
        QTest::newRow("device after a start") << "MY CON" << "MY CON.zcf";
        QTest::newRow("dots stay inside") << ".." << "...zcf";
    }

    void proposedFileName()
    {
        QFETCH(QString, panelName);
        QFETCH(QString, fileName);
        QCOMPARE(FileCommands::proposedFileName(panelName), fileName);
    }

    // Names that end as Windows would not keep them: saved and backed-up names alike.
    void portableName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("portable");
        QTest::newRow("trailing dot") << "TRUCK 12.zcf." << "TRUCK 12.zcf";
        QTest::newRow("trailing dots and spaces") << "A. . " << "A";
        QTest::newRow("nothing left") << " ." << "-";
        QTest::newRow("empty") << "" << "-";
        QTest::newRow("device bare") << "com3" << "com3-";
        QTest::newRow("device, trailing dot") << "LPT1." << "LPT1-";
    }

    void portableName()
    {
        QFETCH(QString, name);
        QFETCH(QString, portable);
        QCOMPARE(PortableName::fileName(name), portable);
    }
};

QTEST_GUILESS_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
