#include "statusline.h"

#include "announcer.h"

#include <QAccessibleWidget>
#include <QTimer>

namespace {

// A status bar named by its message and described by its detail while it shows one; its
// children are those of its announcers that carry the current message.
class StatusLineInterface : public QAccessibleWidget
{
public:
    explicit StatusLineInterface(StatusLine *line)
        : QAccessibleWidget(line, QAccessible::StatusBar)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        const auto *line = static_cast<const StatusLine *>(widget());
        if (line->isHidden())
            return {};
        if (t == QAccessible::Name)
            return line->text();
        if (t == QAccessible::Description)
            return line->spokenDetail(); // the message once, as the line's name
        return QAccessibleWidget::text(t);
    }
    // Found as visible and showing whatever it shows: a screen reader that asked for the status
    // bar while the line was hidden keeps what it learnt of its states, and would go on taking
    // it for hidden once it shows (a showing event updates one state, not the other).
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = false;
        return state;
    }
    int childCount() const override { return int(shown().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> children = shown();
        return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child ? int(shown().indexOf(qobject_cast<QWidget *>(child->object()))) : -1;
    }

private:
    QList<QWidget *> shown() const
    {
        QList<QWidget *> children;
        for (QWidget *child : widget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (!child->isHidden())
                children << child;
        return children;
    }
};

// Qt gives a label the static-text role; the line needs its own.
QAccessibleInterface *statusInterface(const QString &, QObject *object)
{
    if (auto *line = dynamic_cast<StatusLine *>(object))
        return new StatusLineInterface(line);
    return nullptr;
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
    // A label reports every new text as a name change, unless it has a name of its own. Qt 6.4
    // sends that event with the object, not the text, which the desktop's screen reader cannot
    // speak and then takes for "no change" ever after: the line's messages are spoken by its
    // notification instead, and the name it is read by is still its text (StatusLineInterface).
    setAccessibleName(QStringLiteral("Status"));
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::StrongFocus);
    m_news = new Announcer(this);
    m_alert = new Announcer(this, QAccessible::AlertMessage);
}

void StatusLine::setStatus(const QString &text, const QString &detail, const QColor &background, bool visible,
                           bool failure)
{
    if (this->text() != text) {
        setText(text);
        m_note.clear();
    }
    if (toolTip() != detail)
        setToolTip(detail);
    if (palette().color(QPalette::Window) != background) {
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, background);
        setPalette(palette);
    }
    setVisible(visible);
    m_failure = visible && failure;
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

bool StatusLine::setNote(const QString &note)
{
    m_note = note;
    return m_announcing && isNews(); // a note alone is no news for the line
}

bool StatusLine::isNews() const
{
    return !isHidden() && (text() != m_announced.text || toolTip() != m_announced.detail || !m_announced.shown);
}

QString StatusLine::spokenDetail() const
{
    QString detail = toolTip() != text() ? toolTip() : QString();
    if (detail.startsWith(text() + QLatin1Char('\n')))
        detail.remove(0, text().size() + 1);
    if (!m_note.isEmpty())
        detail += (detail.isEmpty() ? QString() : QStringLiteral("\n")) + m_note;
    return detail;
}

void StatusLine::announce()
{
    if (isHidden()) {
        m_news->clear();
        m_alert->clear();
        m_announced = {};
        return; // and when it comes back, its message is news again
    }
    const QString detail = spokenDetail();
    if (isNews()) {
        m_news->announce(text(), detail);
        if (m_failure)
            m_alert->announce(text(), detail);
    }
    // A message that turns into a failure after it was spoken is marked without being spoken again.
    if (m_failure && !m_alert->current())
        m_alert->announce(text(), detail);
    if (!m_failure)
        m_alert->clear();
    m_announced = {text(), toolTip(), true};
}
