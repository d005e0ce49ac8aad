#include "statusline.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QTimer>

namespace {

// The alert a failure shows: it covers the line without painting or taking clicks.
class StatusAlert : public QWidget
{
public:
    using QWidget::QWidget;
};

// A status bar named by its message; its description is the tooltip, the detail.
class StatusLineInterface : public QAccessibleWidget
{
public:
    explicit StatusLineInterface(StatusLine *line)
        : QAccessibleWidget(line, QAccessible::StatusBar)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? static_cast<StatusLine *>(widget())->text() : QAccessibleWidget::text(t);
    }
};

// Qt gives a label the static-text role; the line and its alert need their own.
QAccessibleInterface *statusInterface(const QString &, QObject *object)
{
    if (auto *line = dynamic_cast<StatusLine *>(object))
        return new StatusLineInterface(line);
    if (auto *alert = dynamic_cast<StatusAlert *>(object))
        return new QAccessibleWidget(alert, QAccessible::AlertMessage);
    return nullptr;
}

void send(QWidget *widget, QAccessible::Event type)
{
    QAccessibleEvent event(widget, type);
    QAccessible::updateAccessibility(&event);
}

} // namespace

StatusLine::StatusLine(QWidget *parent)
    : QLabel(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(statusInterface);
        return true;
    }();
    Q_UNUSED(installed);
    // A label announces every new text itself, unless it has a name of its own. The line
    // announces its messages itself, once each is shown; the name it is spoken by is still
    // its text (StatusLineInterface).
    setAccessibleName(QStringLiteral("Status"));
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::StrongFocus);
    m_alert = new StatusAlert(this);
    m_alert->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_alert->setFocusPolicy(Qt::NoFocus);
    m_alert->hide();
}

void StatusLine::setStatus(const QString &text, const QString &detail, const QColor &background, bool visible,
                           bool failure)
{
    if (this->text() != text)
        setText(text);
    if (toolTip() != detail)
        setToolTip(detail);
    if (palette().color(QPalette::Window) != background) {
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, background);
        setPalette(palette);
    }
    setVisible(visible);
    m_failure = visible && failure;
    if (!m_failure)
        m_alert->hide();
    // The window sets a message field by field (colour, text, visibility); what is announced
    // is what the line shows once they are all set, when the event loop next runs (a transfer
    // runs it while it waits for the panel).
    if (!m_announcing) {
        m_announcing = true;
        QTimer::singleShot(0, this, [this] {
            m_announcing = false;
            announce();
        });
    }
}

void StatusLine::announce()
{
    if (isHidden()) {
        m_announced = {};
        return; // and when it comes back, its message is news again
    }
    const bool news = text() != m_announced.text || !m_announced.shown;
    if (toolTip() != m_announced.detail)
        send(this, QAccessible::DescriptionChanged);
    if (news)
        send(this, QAccessible::NameChanged);
    // The alert shows anew for every failure message, so that each one is reported.
    if (m_failure && (news || m_alert->isHidden())) {
        m_alert->hide();
        m_alert->setAccessibleName(text());
        m_alert->setAccessibleDescription(toolTip());
        m_alert->setGeometry(rect());
        m_alert->show();
    }
    m_announced = {text(), toolTip(), true};
}
