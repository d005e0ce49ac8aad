#include "mainwindow.h"

#include "controlnames.h"
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
    , m_form(*this)
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

    m_link = std::make_unique<PanelLink>(m_form, *m_line);
    m_transfer = std::make_unique<PanelTransfer>(m_form, *m_link);
    m_files = std::make_unique<FileCommands>(m_form);

    connectControls();
    connect(&m_form, &FormModel::changed, this, &MainWindow::sync);
    m_form.Form_Load();
}

MainWindow::~MainWindow()
{
    m_link->close_port();
}

void MainWindow::connectControls()
{
    for (int i = 0; i < int(itemControls.size()); ++i) {
        const ItemControls &item = itemControls[i];
        connect(list(item.moduleList), &SelectorList::positionChanged, this, [this, i](int position) {
            if (!m_syncing)
                m_form.selectModule(i, position);
        });
        connect(list(item.channelList), &SelectorList::positionChanged, this, [this, i](int position) {
            if (!m_syncing)
                m_form.selectChannel(i, position);
        });
        if (item.designationBox)
            connect(control<QLineEdit>(QString::fromLatin1(item.designationBox)), &QLineEdit::textChanged, this,
                    [this, i](const QString &text) {
                        if (!m_syncing)
                            m_form.setDesignation(i, text);
                    });
    }
    for (int k = 0; k < int(intensityControls.size()); ++k)
        connect(list(intensityControls[k].list), &SelectorList::positionChanged, this, [this, k](int position) {
            if (!m_syncing)
                m_form.selectIntensity(k, position);
        });
    connect(control<QLineEdit>(QStringLiteral("Text2")), &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!m_syncing)
            m_form.setPanelName(text);
    });
    // clicked, not toggled: selecting Option1 from the program must not run its handler.
    connect(control<QRadioButton>(QStringLiteral("Option1")), &QRadioButton::clicked, &m_form, &FormModel::Option1_Click);
    connect(control<QRadioButton>(QStringLiteral("Option2")), &QRadioButton::clicked, &m_form, &FormModel::Option2_Click);

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
    connect(port, &PortBox::chosen, this, [this, port](const QString &name) {
        m_line->setPortName(name);
        port->setRemembered(PortChoice::remember(name), PortChoice::settingsFile());
    });
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
        list(item.moduleList)->setPosition(m_form.modulePosition(i));
        list(item.channelList)->setPosition(m_form.channelPosition(i));
        setShown(item.moduleList, m_form.moduleVisible(i));
        setShown(item.channelList, m_form.channelVisible(i));
        if (item.designationBox) {
            setText(item.designationBox, m_form.designation(i));
            setShown(item.designationBox, m_form.designationVisible(i));
        }
    }
    for (int k = 0; k < int(intensityControls.size()); ++k) {
        list(intensityControls[k].list)->setPosition(m_form.intensityPosition(k));
        setShown(intensityControls[k].list, m_form.intensityVisible(k));
        setShown(intensityControls[k].label, m_form.intensityVisible(k));
    }
    setText("Text2", m_form.panelName());
    setShown("Frame1", m_form.framesVisible());
    setShown("Frame2", m_form.framesVisible());
    control<QRadioButton>(QString::fromLatin1(m_form.view() == FormModel::View::Switches ? "Option1" : "Option2"))
        ->setChecked(true);
    // Only what changed is set: the window redraws from the model after every change.
    for (int place = 0; place < int(itemLabels.size()); ++place) {
        auto *caption = control<QLabel>(QString::fromLatin1(itemLabels[place]));
        const QString name = QString::fromLatin1(assignmentItems[m_form.captionItem() + place].name);
        if (caption->text() != name)
            caption->setText(name);
    }

    const FormModel::Status &status = m_form.status();
    if (m_status->text() != status.text)
        m_status->setText(status.text);
    if (m_status->toolTip() != status.detail)
        m_status->setToolTip(status.detail);
    static const QColor colours[] = {Qt::white, QColor(255, 255, 0), QColor(255, 0, 0), QColor(0, 255, 0)};
    const QColor &colour = colours[int(status.colour)];
    if (m_status->palette().color(QPalette::Window) != colour) {
        QPalette palette = m_status->palette();
        palette.setColor(QPalette::Window, colour);
        m_status->setPalette(palette);
    }
    m_status->setVisible(status.visible);
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
    m_dialogFileName = QFileInfo(path).absoluteFilePath(); // the dialogs start in its folder
    runCommand(&MainWindow::openDialogFile);
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

// --- Controls by name ----------------------------------------------------------------------

SelectorList *MainWindow::list(const char *name) const
{
    return control<SelectorList>(QString::fromLatin1(name));
}

void MainWindow::setShown(const char *name, bool visible)
{
    m_controls.value(QString::fromLatin1(name))->setVisible(visible);
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
