#include "mainwindow.h"

#include "formlayout.h"
#include "panelface.h"
#include "portbox.h"
#include "selectorlist.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QStandardPaths>

namespace {
const QColor windowColour(212, 208, 200); // the classic colour of inactive window borders
}

MainWindow::MainWindow(std::unique_ptr<SerialLine> line, QWidget *parent)
    : QWidget(parent)
    , m_line(std::move(line))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("DURVEX 4/6 BUTTON DIMMABLE SWITCH PANEL CONFIGURATION PROGRAM"));
    setFixedSize(FormLayout::clientArea.size());
    setFont(FormLayout::sansSerifFont(true));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, windowColour);
    setPalette(palette);
    setAutoFillBackground(true);
    QIcon icon;
    for (int size : {16, 24, 32, 40, 48, 64})
        icon.addPixmap(QPixmap::fromImage(PanelFace::icon(size)));
    setWindowIcon(icon);

    m_controls = FormLayout::build(this);
    m_status = control<QLabel>(QStringLiteral("Text1"));

    m_link = std::make_unique<PanelLink>(m_cfg, *this, *m_line);
    m_transfer = std::make_unique<PanelTransfer>(m_cfg, *this, *m_link);
    m_files = std::make_unique<FileCommands>(m_cfg, *this);

    connectHandlers();
    Form_Load();
}

MainWindow::~MainWindow()
{
    m_link->close_port();
}

void MainWindow::connectHandlers()
{
    for (const AssignmentItem &item : assignmentItems) {
        connect(list(item.moduleList), &SelectorList::positionChanged, this, [this, &item] { moduleSelected(item); });
        if (item.channelHandler)
            connect(list(item.channelList), &SelectorList::positionChanged, this, [this, &item] { channelSelected(item); });
    }
    connect(list("List45"), &SelectorList::positionChanged, this, &MainWindow::List45_Click);
    connect(list("List46"), &SelectorList::positionChanged, this, &MainWindow::List46_Click);
    connect(list("List49"), &SelectorList::positionChanged, this, &MainWindow::List49_Click);
    // clicked, not toggled: selecting Option1 from the program must not run its handler.
    connect(control<QRadioButton>(QStringLiteral("Option1")), &QRadioButton::clicked, this, &MainWindow::Option1_Click);
    connect(control<QRadioButton>(QStringLiteral("Option2")), &QRadioButton::clicked, this, &MainWindow::Option2_Click);

    const std::pair<const char *, void (MainWindow::*)()> commands[] = {
        {"READ_CONFIG", &MainWindow::READ_CONFIG_Click},
        {"WRITE_CONFIG", &MainWindow::WRITE_CONFIG_Click},
        {"READ_FILE", &MainWindow::READ_FILE_Click},
        {"WRITE_FILE", &MainWindow::WRITE_FILE_Click},
    };
    for (auto [name, command] : commands)
        connect(control<QAbstractButton>(QString::fromLatin1(name)), &QAbstractButton::clicked, this,
                [this, command = command] { runCommand(command); });

    auto *port = control<PortBox>(QStringLiteral("Combo1"));
    port->setPort(m_line->portName());
    connect(port, &PortBox::chosen, this, [this](const QString &name) {
        m_line->setPortName(name);
        PortChoice::remember(name);
    });
}

void MainWindow::openFile(const QString &path)
{
    m_dialogFileName = QFileInfo(path).absoluteFilePath(); // the dialogs start in its folder
    runCommand(&MainWindow::openDialogFile);
}

void MainWindow::openDialogFile()
{
    m_files->openFile(m_dialogFileName);
}

void MainWindow::Form_Load()
{
    m_cfg.indpercent = 10;
    m_cfg.blpercent = 10;
    m_cfg.dindpercent = 10;
    list("List45")->setPosition(0);
    list("List46")->setPosition(0);
    list("List49")->setPosition(0);
    show_switch_view();
}

// A panel transfer runs inside its click handler and pumps events while it waits, so a
// second command could start inside it: while one runs, command clicks do nothing.
void MainWindow::runCommand(void (MainWindow::*command)())
{
    if (m_commandRunning)
        return;
    m_commandRunning = true;
    auto *port = control<PortBox>(QStringLiteral("Combo1"));
    port->setEnabled(false); // the port stays what the transfer opened
    (this->*command)();
    port->setEnabled(true);
    m_commandRunning = false;
    if (m_closePending) {
        m_closePending = false;
        close();
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_commandRunning) {
        // End the transfer at its current wait; the window closes once it has unwound.
        m_closePending = true;
        m_link->abort();
        event->ignore();
        return;
    }
    event->accept();
}

// --- Assignment selection handlers -----------------------------------------------------

void MainWindow::moduleSelected(const AssignmentItem &item)
{
    const SelectorList *modules = list(item.moduleList);
    const int p = modules->position();
    if (p < 0)
        return;
    const bool assigned = p != 0;
    setVisible(item.channelList, assigned);
    for (const char *follower : item.followers)
        if (follower)
            setVisible(follower, assigned);
    if (!assigned) {
        m_cfg.*item.selected = qint16(modules->itemValue(p));
        return;
    }
    m_cfg.*item.moduleCode = qint16(modules->itemValue(p));
    m_cfg.*item.selected = qint16(m_cfg.*item.channelCode + m_cfg.*item.moduleCode);
}

void MainWindow::channelSelected(const AssignmentItem &item)
{
    const SelectorList *channels = list(item.channelList);
    const int q = channels->position();
    if (q < 0)
        return;
    m_cfg.*item.channelCode = qint16(channels->itemValue(q));
    m_cfg.*item.selected = qint16(m_cfg.*item.moduleCode + m_cfg.*item.channelCode);
    if (item.designationBox)
        setVisible(item.designationBox, true);
}

// --- Lighting intensities ----------------------------------------------------------------

namespace {
const QString intensityRule = QStringLiteral("NORMAL INDICATOR INTENSITY must be set equal to\n"
                                             "or greater than NORMAL BACKLIGHTING INTENSITY.");

int selectedCode(SelectorList *list)
{
    if (list->position() == -1)
        list->setPosition(0); // runs the handler for "100" first
    return list->itemValue(list->position());
}
} // namespace

void MainWindow::List46_Click()
{
    m_cfg.dindpercent = qint16(selectedCode(list("List46")));
}

void MainWindow::List45_Click()
{
    SelectorList *backlighting = list("List45");
    const SelectorList *indicator = list("List49");
    m_cfg.blpercent = qint16(selectedCode(backlighting));
    if (m_cfg.indpercent < m_cfg.blpercent) {
        messageBox(intensityRule);
        backlighting->setPosition(std::max(indicator->position(), 0));
        m_cfg.blpercent = qint16(backlighting->itemValue(backlighting->position()));
    }
}

void MainWindow::List49_Click()
{
    SelectorList *indicator = list("List49");
    SelectorList *backlighting = list("List45");
    m_cfg.indpercent = qint16(selectedCode(indicator));
    if (m_cfg.indpercent < m_cfg.blpercent) {
        messageBox(intensityRule);
        // The backlighting follows the indicator down, never the other way round.
        backlighting->setPosition(indicator->position());
        m_cfg.indpercent = qint16(indicator->itemValue(indicator->position()));
    }
}

// --- Views -------------------------------------------------------------------------------

void MainWindow::showChannelFor(const AssignmentItem &item)
{
    setVisible(item.channelList, list(item.moduleList)->position() != 0);
}

void MainWindow::setItemCaptions(int firstItem)
{
    static const char *const itemLabels[] = {"Label2", "Label3", "Label4", "Label5", "Label8", "Label9"};
    for (int i = 0; i < 6; ++i)
        control<QLabel>(QString::fromLatin1(itemLabels[i]))->setText(QString::fromLatin1(assignmentItems[firstItem + i].name));
}

void MainWindow::show_switch_view()
{
    setVisible("Frame1", false);
    setVisible("Frame2", false);
    control<QRadioButton>(QStringLiteral("Option1"))->setChecked(true);
    for (int i = 0; i < switchCount; ++i)
        setVisible(assignmentItems[i].designationBox, m_cfg.config_flag == 0);
    for (int i = switchCount; i < gridItemCount; ++i)
        setVisible(assignmentItems[i].designationBox, false);
    for (int i = 0; i < switchCount; ++i) {
        setVisible(assignmentItems[i].moduleList, true);
        showChannelFor(assignmentItems[i]);
    }
    for (int i = switchCount; i <= gridItemCount; ++i) { // the LEDs, then the backlight
        setVisible(assignmentItems[i].moduleList, false);
        setVisible(assignmentItems[i].channelList, false);
    }
    setItemCaptions(0);
}

void MainWindow::Option1_Click()
{
    show_switch_view();
}

void MainWindow::Option2_Click()
{
    setVisible("Frame1", true);
    setVisible("Frame2", true);
    for (int i = 0; i < switchCount; ++i)
        setVisible(assignmentItems[i].designationBox, false);
    for (int i = switchCount; i < gridItemCount; ++i)
        setVisible(assignmentItems[i].designationBox, true);
    for (int i = 0; i < switchCount; ++i) {
        setVisible(assignmentItems[i].moduleList, false);
        setVisible(assignmentItems[i].channelList, false);
    }
    for (int i = switchCount; i <= gridItemCount; ++i) { // the LEDs, then the backlight
        setVisible(assignmentItems[i].moduleList, true);
        showChannelFor(assignmentItems[i]);
    }
    setItemCaptions(switchCount);
}

// --- FormInterface -----------------------------------------------------------------------

SelectorList *MainWindow::list(const QString &name) const
{
    return control<SelectorList>(name);
}

void MainWindow::setVisible(const char *name, bool visible)
{
    m_controls.value(QString::fromLatin1(name))->setVisible(visible);
}

void MainWindow::setStatusText(const QString &text, const QString &detail)
{
    m_status->setText(text);
    m_status->setToolTip(detail.isEmpty() ? text : detail);
}

QString MainWindow::statusText() const
{
    return m_status->text();
}

void MainWindow::setStatusColour(StatusColour colour)
{
    QPalette palette = m_status->palette();
    switch (colour) {
    case StatusColour::Yellow: palette.setColor(QPalette::Window, QColor(255, 255, 0)); break;
    case StatusColour::Red: palette.setColor(QPalette::Window, QColor(255, 0, 0)); break;
    case StatusColour::Green: palette.setColor(QPalette::Window, QColor(0, 255, 0)); break;
    }
    m_status->setPalette(palette);
}

void MainWindow::setStatusVisible(bool visible)
{
    m_status->setVisible(visible);
}

int MainWindow::position(const QString &selector) const
{
    return list(selector)->position();
}

int MainWindow::itemValue(const QString &selector, int position) const
{
    return list(selector)->itemValue(position);
}

void MainWindow::selectPosition(const QString &selector, int position)
{
    list(selector)->setPosition(position);
}

QString MainWindow::boxText(const QString &box) const
{
    return control<QLineEdit>(box)->text();
}

void MainWindow::setBoxText(const QString &box, const QString &text)
{
    control<QLineEdit>(box)->setText(text);
}

void MainWindow::setBoxVisible(const QString &box, bool visible)
{
    m_controls.value(box)->setVisible(visible);
}

QString MainWindow::caption(const QString &label) const
{
    return control<QLabel>(label)->text();
}

void MainWindow::messageBox(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, this);
    box.exec();
}

std::optional<QString> MainWindow::saveFileDialog(const QString &title, const QString &filter,
                                                  const QString &proposedName)
{
    const QString folder = QFileInfo(m_dialogFileName).path();
    m_dialogFileName = m_dialogFileName.isEmpty() ? proposedName : QDir(folder).filePath(proposedName);
    return fileDialog(true, title, filter);
}

std::optional<QString> MainWindow::openFileDialog(const QString &title, const QString &filter)
{
    return fileDialog(false, title, filter);
}

QString MainWindow::startFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

std::optional<QString> MainWindow::fileDialog(bool save, const QString &title, const QString &filter)
{
    std::optional<QString> chosen;
    if (m_fileDialog) {
        chosen = m_fileDialog(save, title, filter, m_dialogFileName);
    } else {
        QFileDialog dialog(this, title, QString(), filter);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (save)
            dialog.setDefaultSuffix(QStringLiteral("zcf"));
        // The folder of the last file used; before any, the user's documents.
        const QFileInfo last(m_dialogFileName);
        dialog.setDirectory(last.isAbsolute() ? last.absolutePath() : startFolder());
        if (!m_dialogFileName.isEmpty())
            dialog.selectFile(last.fileName());
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    if (chosen)
        m_dialogFileName = *chosen;
    return chosen;
}

void MainWindow::pumpEvents(bool waitForMore)
{
    QCoreApplication::processEvents(waitForMore ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
}
