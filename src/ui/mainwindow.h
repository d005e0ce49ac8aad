#pragma once

#include "files/filecommands.h"
#include "link/panellink.h"
#include "model/forminterface.h"
#include "model/panelconfig.h"
#include "model/selectortables.h"
#include "transfer/paneltransfer.h"

#include <QHash>
#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QRadioButton;
class SelectorList;

// Form1, the program's one window. It owns the configuration record and every control,
// runs the selection handlers, the two views and the intensity rule, and serves the link,
// the transfers and the file commands through FormInterface.
class MainWindow : public QWidget, public FormInterface
{
    Q_OBJECT

public:
    // The window takes the line it talks to the panel over (tests hand it one of theirs).
    explicit MainWindow(std::unique_ptr<SerialLine> line, QWidget *parent = nullptr);
    ~MainWindow() override;

    PanelConfig &config() { return m_cfg; }
    PanelLink &link() { return *m_link; }
    SerialLine &line() { return *m_line; }
    bool commandRunning() const { return m_commandRunning; }

    template <typename W = QWidget>
    W *control(const QString &name) const { return qobject_cast<W *>(m_controls.value(name)); }

    // Replaces the real file dialog: called with the dialog's kind, title, filter and the
    // file name it would start from; returns the chosen path, or nothing for a cancel.
    using FileDialog = std::function<std::optional<QString>(bool save, const QString &title,
                                                            const QString &filter, const QString &fileName)>;
    void setFileDialog(FileDialog dialog) { m_fileDialog = std::move(dialog); }
    QString dialogFileName() const { return m_dialogFileName; }

    void show_switch_view();

    // Opens a configuration file as OPEN CONFIGURATION FILE opens one the user picked.
    void openFile(const QString &path);

    // FormInterface
    void setStatusText(const QString &text, const QString &detail = QString()) override;
    QString statusText() const override;
    void setStatusColour(StatusColour colour) override;
    void setStatusVisible(bool visible) override;
    int position(const QString &selector) const override;
    int itemValue(const QString &selector, int position) const override;
    void selectPosition(const QString &selector, int position) override;
    QString boxText(const QString &box) const override;
    void setBoxText(const QString &box, const QString &text) override;
    void setBoxVisible(const QString &box, bool visible) override;
    QString caption(const QString &label) const override;
    void showSwitchView() override { show_switch_view(); }
    void messageBox(const QString &text, const QString &title = QString()) override;
    std::optional<QString> saveFileDialog(const QString &title, const QString &filter,
                                          const QString &proposedName) override;
    std::optional<QString> openFileDialog(const QString &title, const QString &filter) override;
    void pumpEvents(bool waitForMore) override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void connectHandlers();
    void moduleSelected(const AssignmentItem &item);   // List1_Click .. List43_Click
    void channelSelected(const AssignmentItem &item);  // List2_Click .. List42_Click
    void List45_Click();
    void List46_Click();
    void List49_Click();
    void Option1_Click();
    void Option2_Click();
    void runCommand(void (MainWindow::*command)());
    void READ_CONFIG_Click() { m_transfer->READ_CONFIG_Click(); }
    void WRITE_CONFIG_Click() { m_transfer->WRITE_CONFIG_Click(); }
    void READ_FILE_Click() { m_files->READ_FILE_Click(); }
    void WRITE_FILE_Click() { m_files->WRITE_FILE_Click(); }
    void openDialogFile();
    std::optional<QString> fileDialog(bool save, const QString &title, const QString &filter);
    static QString startFolder();

    SelectorList *list(const QString &name) const;
    SelectorList *list(const char *name) const { return list(QString::fromLatin1(name)); }
    void setVisible(const char *name, bool visible);
    void showChannelFor(const AssignmentItem &item);
    void setItemCaptions(int firstItem);

    PanelConfig m_cfg;
    QHash<QString, QWidget *> m_controls;
    QLabel *m_status = nullptr;
    std::unique_ptr<SerialLine> m_line;
    std::unique_ptr<PanelLink> m_link;
    std::unique_ptr<PanelTransfer> m_transfer;
    std::unique_ptr<FileCommands> m_files;
    FileDialog m_fileDialog;
    QString m_dialogFileName; // CommonDialog1's FileName, shared by save and open
    bool m_commandRunning = false;
    bool m_closePending = false;
};
