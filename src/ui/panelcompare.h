#pragma once

#include "session/configcomparison.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class Announcer;
class CompareDialog;
class CompareMarks;
class FormUndo;
class ModalReturn;
class Session;
class QWidget;

// The window's compare: the panel read as a read reads it and set beside the form, which it
// leaves as it was; the result on the status line, in the dialog COMPARE WITH SWITCH PANEL
// and as marks on the items that differ. A take puts the panel's value into the form as one
// step to undo; TAKE ALL is one step too.
class PanelCompare : public QObject
{
    Q_OBJECT

public:
    using SavePanel = std::function<void(const PanelConfiguration::MemoryImage &panel)>;

    // `controls` finds a control by name; `save` saves what the panel held; `button` is the
    // command's, where the keyboard goes when the dialog closes and nothing else can have it;
    // while `busy` says a command runs, the dialog's buttons do nothing, as the window's do.
    PanelCompare(QWidget *window, Session &session, FormUndo &undo, std::function<QWidget *(const QString &)> controls,
                 SavePanel save, QWidget *button, std::function<bool()> busy);
    ~PanelCompare() override;

    void run();
    // A read, an open, a write or a new compare: the marks of the last compare go.
    void clearMarks();

    CompareDialog *dialog() const { return m_dialog; }
    CompareMarks &marks() const { return *m_marks; }

private:
    void take(const QString &step, const QList<std::pair<int, qint16>> &bytes);
    void refresh();
    void showDialog();

    QWidget *m_window;
    Session &m_session;
    FormUndo &m_undo;
    SavePanel m_save;
    std::function<bool()> m_busy;
    QPointer<QWidget> m_button;
    CompareMarks *m_marks;
    CompareDialog *m_dialog;
    Announcer *m_voice; // a take and what still differs, heard in the dialog
    std::unique_ptr<ModalReturn> m_return; // while the dialog has the keyboard
    PanelConfiguration::MemoryImage m_panel{};
};
