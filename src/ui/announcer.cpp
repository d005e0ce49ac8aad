#include "announcer.h"

#include <QAccessibleWidget>

namespace {

// The message is the name and description screen readers read; kept apart from the widget's
// own accessible name, whose every change Qt would report as a name change.
class AnnouncerInterface : public QAccessibleWidget
{
public:
    explicit AnnouncerInterface(Announcer *announcer)
        : QAccessibleWidget(announcer, announcer->role())
    {
    }
    QString text(QAccessible::Text t) const override
    {
        const auto *announcer = static_cast<const Announcer *>(widget());
        switch (t) {
        case QAccessible::Name: return announcer->text();
        case QAccessible::Description: return announcer->description();
        default: return {};
        }
    }
};

QAccessibleInterface *announcerInterface(const QString &, QObject *object)
{
    if (auto *announcer = dynamic_cast<Announcer *>(object))
        return new AnnouncerInterface(announcer);
    return nullptr;
}

} // namespace

Announcer::Announcer(QWidget *parent, QAccessible::Role role)
    : QWidget(parent)
    , m_role(role)
{
    static const bool installed = [] {
        QAccessible::installFactory(announcerInterface);
        return true;
    }();
    Q_UNUSED(installed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(0, 0, 0, 0);
    hide();
}

void Announcer::announce(const QString &text, const QString &description)
{
    hide();
    m_text = text;
    m_description = description;
    show();
    if (m_role == QAccessible::AlertMessage) {
        QAccessibleEvent event(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&event);
    }
}

void Announcer::clear()
{
    hide();
    m_text.clear();
    m_description.clear();
}
