#pragma once

#include "model/formhost.h"
#include "formundo.h"
#include "session/session.h"

#include <QHash>
#include <QWidget>
#include <functional>
#include <memory>
#include <span>

class Announcer;
class PanelCompare;
class QSettings;
class SelectorList;
class StatusLine;
class WindowFit;

// Form1, the program's one window. It draws the form model in its controls, hands the
// user's clicks and keys to it, and serves it as its host: the message boxes, the file
// dialogs and the events that run while a transfer waits.
class MainWindow : public QWidget, public FormHost
{
    Q_OBJECT

public:
    // The window takes the line it talks to the panel over (tests hand it one of theirs)
    // and the settings that keep the port chosen in its box.
    explicit MainWindow(std::unique_ptr<SerialLine> line, QSettings *settings = nullptr, QWidget *parent = nullptr);
    ~MainWindow() override;

    Session &session() { return m_session; }
    FormUndo &undo() { return m_undo; }
    FormModel &form() { return m_form; }
    PanelLink &link() { return m_session.link(); }
    SerialLine &line() { return m_session.line(); }
    bool commandRunning() const { return m_commandRunning; }
    PanelCompare &compare() const { return *m_compare; }

    template <typename W = QWidget>
    W *control(const QString &name) const { return qobject_cast<W *>(m_controls.value(name)); }

    // The controls by name, as a user works them: a selection runs its handler at once.
    int position(const QString &selector) const;
    void selectPosition(const QString &selector, int position);
    QString boxText(const QString &box) const;
    void setBoxText(const QString &box, const QString &text);
    QString statusText() const { return m_form.status().text; }

    // Keeps the window within its screen's free area, scrolling its controls where needed.
    WindowFit &fit() const { return *m_fit; }

    // Replaces the real file dialog: called with the dialog's kind, title, filter and the
    // file name it would start from; returns the chosen path, or nothing for a cancel.
    using FileDialog = std::function<std::optional<QString>(bool save, const QString &title,
                                                            const QString &filter, const QString &fileName)>;
    void setFileDialog(FileDialog dialog) { m_fileDialog = std::move(dialog); }
    QString dialogFileName() const { return m_dialogFileName; }

    void show_switch_view() { form().show_switch_view(); }

    // Opens a configuration file as OPEN CONFIGURATION FILE opens one the user picked.
    void openFile(const QString &path);

    // FormHost
    void messageBox(const QString &text, const QString &title = QString()) override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void connectControls();
    void applyTabOrder();
    void sync();
    struct Command
    {
        const char *button;
        void (MainWindow::*command)();
        const char *step; // its name as one step to undo, if it is one
        const char *busy; // what it is doing, for a command asked while it runs
    };
    static std::span<const Command> commands();
    void runCommand(void (MainWindow::*command)());
    void stepThroughHistory(bool redo);
    void tellChanges(const QString &what, const QString &changes);
    void READ_CONFIG_Click();
    void WRITE_CONFIG_Click();
    void COMPARE_CONFIG_Click();
    void savePanelFile(const PanelConfiguration::MemoryImage &panel);
    std::optional<QString> chooseSavePath(const QString &proposedName);
    void transfer(const std::function<void()> &click);
    void READ_FILE_Click();
    void WRITE_FILE_Click();
    void openDialogFile();
    void fileBox(const FileOutcome &outcome);
    const FileOutcome &remembered(const FileOutcome &outcome);
    std::optional<QString> fileDialog(bool save);
    static QString startFolder();

    SelectorList *list(const char *name) const;
    void setShown(const char *name, bool visible);
    void busy();
    void intensityRuleHeard();

    Session m_session;
    FormModel &m_form = m_session.form();
    FormUndo m_undo{m_form};
    QHash<QString, QWidget *> m_controls;
    StatusLine *m_status = nullptr;
    Announcer *m_voice = nullptr; // the window's own news: undo and redo, the view, a busy command
    const Command *m_running = nullptr;
    QWidget *m_commandButton = nullptr; // of the command running, where the focus falls back to
    WindowFit *m_fit = nullptr;
    PanelCompare *m_compare = nullptr;
    FileDialog m_fileDialog;
    QString m_dialogFileName; // CommonDialog1's FileName, shared by save and open
    QString m_fileArgument;   // the file named on the command line
    bool m_commandRunning = false;
    int m_boxesShown = 0;
    bool m_closePending = false;
    bool m_syncing = false; // the window follows the model: its own signals are not news
};
