#include "panelcompare.h"

#include "announcer.h"
#include "comparedialog.h"
#include "comparemarks.h"
#include "formundo.h"
#include "modalreturn.h"

#include "session/session.h"

#include <QTableWidget>
#include <QWidget>

PanelCompare::PanelCompare(QWidget *window, Session &session, FormUndo &undo,
                           std::function<QWidget *(const QString &)> controls, SavePanel save, QWidget *button,
                           std::function<bool()> busy)
    : QObject(window)
    , m_window(window)
    , m_session(session)
    , m_undo(undo)
    , m_save(std::move(save))
    , m_busy(std::move(busy))
    , m_button(button)
    , m_marks(new CompareMarks(window, session.form(), std::move(controls)))
    , m_dialog(new CompareDialog(window))
    , m_voice(new Announcer(m_dialog))
{
    connect(m_dialog, &CompareDialog::takeRequested, this, [this](int address) {
        take(QStringLiteral("take panel value %1").arg(PanelConfiguration::name(address)), {{address, m_panel[address]}});
    });
    connect(m_dialog, &CompareDialog::takeAllRequested, this, [this] {
        take(QStringLiteral("take all panel values"), m_dialog->comparison().takes());
    });
    connect(m_dialog, &CompareDialog::saveRequested, this, [this] {
        if (!m_busy())
            m_save(m_panel);
    });
    // Closed however it is, the keyboard goes back to the window as after a box.
    connect(m_dialog, &QDialog::finished, this, [this] { m_return.reset(); });
    // An undo or a redo changes what the rows compare.
    connect(&m_undo.stack(), &QUndoStack::indexChanged, this, [this] {
        if (m_dialog->isVisible())
            refresh();
    });
}

PanelCompare::~PanelCompare() = default;

void PanelCompare::run()
{
    clearMarks();
    const Session::Compared compared = m_session.comparePanel();
    if (!compared.outcome.done())
        return;
    m_panel = compared.panel;
    m_marks->mark(compared.comparison);
    m_dialog->setComparison(compared.comparison);
    showDialog();
}

void PanelCompare::clearMarks()
{
    m_marks->clear();
}

void PanelCompare::take(const QString &step, const QList<std::pair<int, qint16>> &bytes)
{
    if (bytes.isEmpty() || m_busy())
        return;
    m_undo.step(step, [&] { m_session.form().take(bytes); });
    refresh();
    // The rows change under the keyboard, which stays on the button: a screen reader hears
    // nothing of them unless told.
    const qsizetype left = m_dialog->comparison().rows.size();
    const QString rest = left == 0 ? QStringLiteral("the window matches the panel")
        : left == 1                ? QStringLiteral("1 item still differs")
                                   : QStringLiteral("%1 items still differ").arg(left);
    m_voice->announce(QStringLiteral("%1: %2").arg(step, rest));
}

void PanelCompare::refresh()
{
    m_dialog->setComparison(ConfigComparison::ofForm(m_session.form(), m_panel));
}

void PanelCompare::showDialog()
{
    if (!m_dialog->isVisible())
        m_return = std::make_unique<ModalReturn>(m_window, m_button);
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
    m_dialog->table()->setFocus(Qt::OtherFocusReason);
}
