#include "mainwindow.h"

#include "announcer.h"
#include "boxhistory.h"
#include "boxinterface.h"
#include "changesummary.h"
#include "controlnames.h"
#include "focusring.h"
#include "formlayout.h"
#include "modalreturn.h"
#include "panelcompare.h"
#include "panelface.h"
#include "portbox.h"
#include "quietselection.h"
#include "selectorlist.h"
#include "statusline.h"
#include "windowfit.h"
#include "windowinterface.h"

#include "platform/systemfolders.h"
#include "session/statustexts.h"

#include <QApplication>
#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QStandardPaths>

namespace {
const QColor windowColour(212, 208, 200); // the classic colour of inactive window borders
// The window's news comes after the changes it tells of, once a screen reader has caught up
// with them (see Announcer).
constexpr int settle = 1000; // ms
}

MainWindow::MainWindow(std::unique_ptr<SerialLine> line, QSettings *settings, QWidget *parent)
    : QWidget(parent)
    , m_session(*this, std::move(line), settings)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("DURVEX 4/6 BUTTON DIMMABLE SWITCH PANEL CONFIGURATION PROGRAM"));
    setFont(FormLayout::sansSerifFont(true));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, windowColour);
    setPalette(palette);
    setAutoFillBackground(true);
    setWindowIcon(PanelFace::windowIcon());

    WindowInterface::install();
    BoxInterface::install();
    m_controls = FormLayout::build(this);
    m_status = dynamic_cast<StatusLine *>(m_controls.value(QStringLiteral("Text1")));
    m_voice = new Announcer(this, QAccessible::Notification, settle);
    applyTabOrder();
    control(QStringLiteral("List1"))->setFocus(); // where the keyboard starts when the window opens
    new FocusRing(this);
    m_fit = new WindowFit(this, FormLayout::clientArea.size());
    connect(m_fit, &WindowFit::scrolling, this, &MainWindow::applyTabOrder);

    connectControls();
    connect(&form(), &FormModel::changed, this, &MainWindow::sync);
    sync(); // the form has run its start-up
    // After sync: its marks follow the controls as sync has just shown or hidden them.
    m_compare = new PanelCompare(
        this, m_session, m_undo, [this](const QString &name) { return control(name); },
        [this](const PanelConfiguration::MemoryImage &panel) { savePanelFile(panel); },
        control(QStringLiteral("COMPARE_CONFIG")), [this] { return m_commandRunning; });
}

MainWindow::~MainWindow() = default;

void MainWindow::connectControls()
{
    // A user's pick is one step to undo; typing in a box is one until the box is left.
    // A pick the intensity rule answers with its box moves the backlighting: said after the box.
    const auto picked = [this](SelectorList *selector, auto select) {
        const QString step = QStringLiteral("pick %1").arg(selector->accessibleName());
        connect(selector, &SelectorList::positionChanged, this, [this, select, step](int position) {
            if (m_syncing)
                return;
            const int boxes = m_boxesShown;
            m_undo.step(step, [&] { select(position); });
            if (m_boxesShown != boxes)
                intensityRuleHeard();
        });
    };
    const auto typed = [this](const char *box, auto edit) {
        auto *lineEdit = control<QLineEdit>(QString::fromLatin1(box));
        const QString step = QStringLiteral("typing in %1").arg(lineEdit->accessibleName());
        connect(lineEdit, &QLineEdit::textChanged, this, [this, edit, step](const QString &text) {
            if (m_syncing)
                return;
            m_undo.typing(step);
            edit(text);
        });
        connect(lineEdit, &QLineEdit::editingFinished, &m_undo, &FormUndo::typingDone);
        new BoxHistory(lineEdit);
        new QuietSelection(lineEdit);
    };
    for (int i = 0; i < int(itemControls.size()); ++i) {
        const ItemControls &item = itemControls[i];
        picked(list(item.moduleList), [this, i](int position) { m_form.selectModule(i, position); });
        picked(list(item.channelList), [this, i](int position) { m_form.selectChannel(i, position); });
        if (item.designationBox)
            typed(item.designationBox, [this, i](const QString &text) { m_form.setDesignation(i, text); });
    }
    for (int k = 0; k < int(intensityControls.size()); ++k)
        picked(list(intensityControls[k].list), [this, k](int position) { m_form.selectIntensity(k, position); });
    typed("Text2", [this](const QString &text) { m_form.setPanelName(text); });
    // clicked, not toggled: selecting Option1 from the program must not run its handler.
    connect(control<QRadioButton>(QStringLiteral("Option1")), &QRadioButton::clicked, &form(), &FormModel::Option1_Click);
    connect(control<QRadioButton>(QStringLiteral("Option2")), &QRadioButton::clicked, &form(), &FormModel::Option2_Click);

    for (const Command &entry : commands())
        if (entry.command != &MainWindow::openDialogFile) // the file named on the command line: no click of its own
            connect(control<QAbstractButton>(QString::fromLatin1(entry.button)), &QAbstractButton::clicked, this,
                    [this, command = entry.command] { runCommand(command); });

    // Undo and redo, but not while a transfer runs. A box being typed in takes Ctrl+Z for
    // its own typing first (BoxHistory).
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    for (const QKeySequence &key : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)})
        if (!redoKeys.contains(key))
            redoKeys << key;
    for (const bool redo : {false, true}) {
        auto *action = new QAction(this);
        action->setShortcuts(redo ? redoKeys : QKeySequence::keyBindings(QKeySequence::Undo));
        connect(action, &QAction::triggered, this, [this, redo] {
            m_commandRunning ? busy() : stepThroughHistory(redo);
        });
        addAction(action);
    }

    auto *port = control<PortBox>(QStringLiteral("Combo1"));
    new QuietSelection(port->lineEdit(), port); // a combo box hands its focus events to its line edit directly
    port->setPort(line().portName());
    connect(port, &PortBox::chosen, this, [this, port](const QString &name) {
        port->setRemembered(m_session.choosePort(name), m_session.settingsFile());
    });
}

// An undo or a redo, told to screen readers with what it did ("undo read", "redo pick SW3
// module"); the status line keeps its message, which is about the panel and the files.
void MainWindow::stepThroughHistory(bool redo)
{
    m_undo.typingDone();
    QUndoStack &stack = m_undo.stack();
    const QLatin1String word(redo ? "redo" : "undo");
    if (!(redo ? stack.canRedo() : stack.canUndo())) {
        m_voice->announce(QStringLiteral("nothing to %1").arg(word));
        return;
    }
    const QString step = redo ? stack.redoText() : stack.undoText();
    const ChangeSummary before(m_form);
    redo ? stack.redo() : stack.undo();
    const QString done = QStringLiteral("%1 %2").arg(word, step);
    if (std::ranges::any_of(commands(), [&](const Command &c) { return c.step && step == QLatin1String(c.step); }))
        tellChanges(done, before.since(m_form, true)); // a whole read or open: what came back
    else
        m_voice->announce(done);
}

// What a read or an open, or an undo or redo of one, did to the window, in a sentence: with the
// status line's new message if that is still to be spoken (one utterance, not one cut off by
// the next), else on its own. "Where am I" on the status line reads it again.
void MainWindow::tellChanges(const QString &what, const QString &changes)
{
    if (changes.isEmpty())
        return; // a failed read changes nothing, and its failure is heard
    const QString sentence = QStringLiteral("%1: %2").arg(what, changes);
    if (!m_status->setNote(sentence))
        m_voice->announce(sentence);
}

// The keyboard's way through the window follows the picture: the controls above it, then the
// grid in reading order, each item as designation, module, channel, then the lighting frames
// top to bottom and last the panel name. One chain serves both views: Tab passes over what the
// current view hides.
void MainWindow::applyTabOrder()
{
    QStringList chain;
    for (const char *name : commandControls)
        chain << QString::fromLatin1(name);
    for (const ItemControls &item : itemControls) {
        if (item.designationBox)
            chain << QString::fromLatin1(item.designationBox);
        chain << QString::fromLatin1(item.moduleList) << QString::fromLatin1(item.channelList);
    }
    for (int k : intensitiesTopDown)
        chain << QString::fromLatin1(intensityControls[k].list);
    chain << QStringLiteral("Text2");
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(control(chain[i - 1]), control(chain[i]));
}

// Draws the model: every selection, text, visibility, the view and the status line.
void MainWindow::sync()
{
    m_syncing = true;
    const auto setText = [this](const char *box, const QString &text) {
        auto *edit = control<QLineEdit>(QString::fromLatin1(box));
        if (edit->text() != text) // setText would reset the cursor of a box being typed in
            edit->setText(text);
    };
    for (int i = 0; i < int(itemControls.size()); ++i) {
        const ItemControls &item = itemControls[i];
        list(item.moduleList)->setPosition(form().modulePosition(i));
        list(item.channelList)->setPosition(form().channelPosition(i));
        setShown(item.moduleList, form().moduleVisible(i));
        setShown(item.channelList, form().channelVisible(i));
        if (item.designationBox) {
            setText(item.designationBox, form().designation(i));
            setShown(item.designationBox, form().designationVisible(i));
        }
    }
    for (int k = 0; k < int(intensityControls.size()); ++k) {
        list(intensityControls[k].list)->setPosition(form().intensityPosition(k));
        setShown(intensityControls[k].list, form().intensityVisible(k));
        setShown(intensityControls[k].label, form().intensityVisible(k));
    }
    setText("Text2", form().panelName());
    setShown("Frame1", form().framesVisible());
    setShown("Frame2", form().framesVisible());
    auto *view = control<QRadioButton>(QString::fromLatin1(form().view() == FormModel::View::Switches ? "Option1" : "Option2"));
    if (!view->isChecked()) {
        view->setChecked(true);
        if (m_commandRunning) // a user's own switch is heard on its button
            m_voice->announce(QStringLiteral("view: %1").arg(view->text()));
    }
    // Only what changed is set: the window redraws from the model after every change.
    for (int place = 0; place < int(itemLabels.size()); ++place) {
        auto *caption = control<QLabel>(QString::fromLatin1(itemLabels[place]));
        const QString name = PanelConfiguration::name(form().captionItem() + place);
        if (caption->text() != name)
            caption->setText(name);
    }

    const FormModel::Status &status = m_form.status();
    static const QColor colours[] = {Qt::white, QColor(255, 255, 0), QColor(255, 0, 0), QColor(0, 255, 0),
                                     QColor(255, 165, 0)};
    m_status->setStatus(status.text, status.detail, colours[int(status.colour)], status.visible,
                        status.colour == FormModel::StatusColour::Red);
    m_syncing = false;
}

void MainWindow::openFile(const QString &path)
{
    // Named on the command line, a folder is a slip worth a word (picked in the dialog, it is not).
    if (QFileInfo(path).isDir()) {
        messageBox(QStringLiteral("%1\nIS A FOLDER, NOT A CONFIGURATION FILE").arg(path),
                   QStringLiteral("READ CONFIGURATION FILE"));
        return;
    }
    m_fileArgument = QFileInfo(path).absoluteFilePath(); // once opened, the dialogs start in its folder
    runCommand(&MainWindow::openDialogFile);
}

// The commands with their buttons, and the undo step each is, if any: a read or an open is
// one step, with all the handlers and boxes it runs.
std::span<const MainWindow::Command> MainWindow::commands()
{
    static const Command table[] = {
        {"READ_CONFIG", &MainWindow::READ_CONFIG_Click, "read", "reading the panel"},
        {"WRITE_CONFIG", &MainWindow::WRITE_CONFIG_Click, nullptr, "writing the panel"},
        {"COMPARE_CONFIG", &MainWindow::COMPARE_CONFIG_Click, nullptr, "comparing with the panel"}, // changes nothing; its takes are steps
        {"READ_FILE", &MainWindow::READ_FILE_Click, "open", "opening a file"},
        {"WRITE_FILE", &MainWindow::WRITE_FILE_Click, nullptr, "saving a file"},
        {"READ_FILE", &MainWindow::openDialogFile, "open", "opening a file"}, // a file named on the command line
    };
    return table;
}

// A panel transfer runs inside its click handler and pumps events while it waits, so a
// second command could start inside it: while one runs, command clicks do nothing but say so.
void MainWindow::runCommand(void (MainWindow::*command)())
{
    if (m_commandRunning) {
        busy();
        return;
    }
    m_commandRunning = true;
    auto *port = control<PortBox>(QStringLiteral("Combo1"));
    const bool portHadFocus = port->hasFocus();
    port->setEnabled(false); // the port stays what the transfer opened
    QWidget *focusSentOn = QApplication::focusWidget();
    const Command &entry = *std::ranges::find(commands(), command, &Command::command);
    m_running = &entry;
    m_commandButton = control(QString::fromLatin1(entry.button));
    if (entry.step) {
        const ChangeSummary before(m_form);
        m_undo.step(QString::fromLatin1(entry.step), [&] { (this->*command)(); });
        tellChanges(QString::fromLatin1(entry.step), before.since(m_form, false));
    } else {
        (this->*command)();
    }
    m_commandButton = nullptr;
    m_running = nullptr;
    port->setEnabled(true);
    // Disabling the box sent the focus on; unless the user has moved it since, it comes back.
    if (portHadFocus && QApplication::focusWidget() == focusSentOn)
        port->setFocus(Qt::OtherFocusReason);
    m_commandRunning = false;
    if (m_closePending) {
        m_closePending = false;
        close();
    }
}

// "NORMAL BACKLIGHTING set to 70 %": where the rule's box left the backlighting.
void MainWindow::intensityRuleHeard()
{
    const IntensityControls &backlighting = intensityControls[ConfigItems::Backlighting];
    const QString label = control<QLabel>(QString::fromLatin1(backlighting.label))->text(); // "... (%)"
    const SelectorList *entries = list(backlighting.list);
    m_voice->announce(QStringLiteral("%1 set to %2 %")
                          .arg(label.section(QStringLiteral(" ("), 0, 0), entries->item(entries->position())->text()));
}

// Heard only: the status line stays the running command's.
void MainWindow::busy()
{
    m_voice->announce(QStringLiteral("busy: %1").arg(QLatin1String(m_running ? m_running->busy : "")));
}

void MainWindow::READ_CONFIG_Click()
{
    transfer([this] { m_session.readPanel(); });
}

void MainWindow::WRITE_CONFIG_Click()
{
    transfer([this] { m_session.writePanel(); });
}

void MainWindow::COMPARE_CONFIG_Click()
{
    transfer([this] { m_compare->run(); });
}

void MainWindow::READ_FILE_Click()
{
    const FileOutcome outcome = remembered(m_session.open([this] { return fileDialog(false); }));
    if (outcome.done())
        m_compare->clearMarks();
    fileBox(outcome);
}

void MainWindow::WRITE_FILE_Click()
{
    fileBox(remembered(m_session.save([this](const QString &proposedName) { return chooseSavePath(proposedName); })));
}

// SAVE PANEL CONFIGURATION: as a save, of what the compared panel holds.
void MainWindow::savePanelFile(const PanelConfiguration::MemoryImage &panel)
{
    fileBox(remembered(m_session.savePanel(panel, [this](const QString &proposedName) { return chooseSavePath(proposedName); })));
}

// The save dialog proposes the name in the folder of the last file used.
std::optional<QString> MainWindow::chooseSavePath(const QString &proposedName)
{
    const QString folder = QFileInfo(m_dialogFileName).path();
    m_dialogFileName = m_dialogFileName.isEmpty() ? proposedName : QDir(folder).filePath(proposedName);
    return fileDialog(true);
}

void MainWindow::openDialogFile()
{
    const FileOutcome outcome = remembered(m_session.open(m_fileArgument));
    if (outcome.done())
        m_compare->clearMarks();
    fileBox(outcome);
}

// The dialogs start from the last file saved or opened: one that failed is no place to
// come back to.
const FileOutcome &MainWindow::remembered(const FileOutcome &outcome)
{
    if (outcome.done())
        m_dialogFileName = QFileInfo(outcome.path).absoluteFilePath();
    return outcome;
}

void MainWindow::fileBox(const FileOutcome &outcome)
{
    if (const std::optional<StatusTexts::Box> box = StatusTexts::fileBox(outcome))
        messageBox(box->text, box->title);
}

// While a transfer waits for the panel the window stays responsive, but its commands do
// nothing: a busy cursor over the window says so. Only over this window: the message boxes
// a transfer brings up keep the arrow.
void MainWindow::transfer(const std::function<void()> &click)
{
    QList<std::pair<QPointer<QWidget>, QCursor>> ownCursors; // the boxes' text cursors
    for (QWidget *child : findChildren<QWidget *>())
        if (child->testAttribute(Qt::WA_SetCursor)) {
            ownCursors.append({child, child->cursor()});
            child->setCursor(Qt::BusyCursor);
        }
    setCursor(Qt::BusyCursor);
    m_compare->clearMarks(); // a read, a write and a new compare each make the last compare's marks stale
    click();
    unsetCursor();
    for (const auto &[child, cursor] : std::as_const(ownCursors))
        if (child)
            child->setCursor(cursor);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_commandRunning) {
        // End the transfer at its current wait; the window closes once it has unwound.
        m_closePending = true;
        m_session.abort();
        event->ignore();
        return;
    }
    event->accept();
}

// --- Controls by name ----------------------------------------------------------------------

SelectorList *MainWindow::list(const char *name) const
{
    return control<SelectorList>(QString::fromLatin1(name));
}

// A control the program hides while it has the keyboard would pass it down the Tab chain, into
// whatever comes next (a box, its text selected): during a command it goes to the command's
// button instead, before the control is hidden, so a screen reader hears one focus.
void MainWindow::setShown(const char *name, bool visible)
{
    QWidget *shown = m_controls.value(QString::fromLatin1(name));
    QWidget *focus = QApplication::focusWidget();
    if (!visible && m_commandButton && focus && shown->isVisible() && (shown == focus || shown->isAncestorOf(focus)))
        m_commandButton->setFocus(Qt::OtherFocusReason);
    shown->setVisible(visible);
}

int MainWindow::position(const QString &selector) const
{
    return control<SelectorList>(selector)->position();
}

void MainWindow::selectPosition(const QString &selector, int position)
{
    control<SelectorList>(selector)->setPosition(position);
}

QString MainWindow::boxText(const QString &box) const
{
    return control<QLineEdit>(box)->text();
}

void MainWindow::setBoxText(const QString &box, const QString &text)
{
    control<QLineEdit>(box)->setText(text);
}

// --- FormHost ------------------------------------------------------------------------------

void MainWindow::messageBox(const QString &text, const QString &title)
{
    ++m_boxesShown;
    const ModalReturn back(this, m_commandButton);
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, this);
    box.exec();
}

QString MainWindow::startFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// CommonDialog1: one dialog state for both commands, starting from the file last used.
std::optional<QString> MainWindow::fileDialog(bool save)
{
    const QString &title = save ? FileCommands::saveTitle : FileCommands::openTitle;
    const QString &filter = FileCommands::filter;
    std::optional<QString> chosen;
    // Never in a folder of the system's own, whatever led there.
    const QString start = SystemFolders::contains(m_dialogFileName)
        ? QDir(startFolder()).filePath(QFileInfo(m_dialogFileName).fileName())
        : m_dialogFileName;
    if (m_fileDialog) {
        chosen = m_fileDialog(save, title, filter, start);
    } else {
        const ModalReturn back(this, m_commandButton);
        QFileDialog dialog(this, title, QString(), filter);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (save)
            dialog.setDefaultSuffix(QStringLiteral("zcf"));
        // The folder of the last file used; before any, the user's documents.
        const QFileInfo last(start);
        dialog.setDirectory(last.isAbsolute() ? last.absolutePath() : startFolder());
        if (!start.isEmpty())
            dialog.selectFile(last.fileName());
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    return chosen;
}
