#include "announcer.h"

#include <QAccessibleWidget>
#include <QTimer>
#include <QWidget>

namespace {

// Long enough for a screen reader busy with other events to come to a message's own, and to
// read it from its object.
constexpr int keptAfterHiding = 30'000; // ms

// One message: its text and description are the object's name and description for screen
// readers, fixed for its life.
class Notice : public QWidget
{
public:
    Notice(QWidget *host, QAccessible::Role role, const QString &text, const QString &description)
        : QWidget(host)
        , role(role)
        , text(text)
        , description(description)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(0, 0, 0, 0);
    }

    const QAccessible::Role role;
    const QString text, description;
};

class NoticeInterface : public QAccessibleWidget
{
public:
    explicit NoticeInterface(Notice *notice)
        : QAccessibleWidget(notice, notice->role)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        const auto *notice = static_cast<const Notice *>(widget());
        switch (t) {
        case QAccessible::Name: return notice->text;
        case QAccessible::Description: return notice->description;
        default: return {};
        }
    }
};

QAccessibleInterface *noticeInterface(const QString &, QObject *object)
{
    if (auto *notice = dynamic_cast<Notice *>(object))
        return new NoticeInterface(notice);
    return nullptr;
}

} // namespace

Announcer::Announcer(QWidget *host, QAccessible::Role role, int settle)
    : QObject(host)
    , m_host(host)
    , m_role(role)
    , m_settle(settle)
{
    static const bool installed = [] {
        QAccessible::installFactory(noticeInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

QString Announcer::text() const
{
    return m_current ? static_cast<const Notice *>(m_current.data())->text : QString();
}

void Announcer::announce(const QString &text, const QString &description)
{
    if (m_settle > 0)
        QTimer::singleShot(m_settle, this, [this, text, description] { show(text, description); });
    else
        show(text, description);
}

void Announcer::show(const QString &text, const QString &description)
{
    clear();
    m_current = new Notice(m_host, m_role, text, description);
    m_current->show();
    if (m_role == QAccessible::AlertMessage) {
        QAccessibleEvent event(m_current, QAccessible::Alert);
        QAccessible::updateAccessibility(&event);
    }
}

void Announcer::clear()
{
    if (!m_current)
        return;
    m_current->hide();
    QTimer::singleShot(keptAfterHiding, m_current, &QObject::deleteLater);
    m_current = nullptr;
}
