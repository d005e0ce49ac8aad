#include "portbox.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QLineEdit>

namespace {

// On Linux Qt names an editable combo box by its text, so a screen reader would call the port
// box by the path it holds. Here the box keeps its own name, and the port is its value.
class PortBoxInterface : public QAccessibleWidget
{
public:
    explicit PortBoxInterface(PortBox *box)
        : QAccessibleWidget(box, QAccessible::ComboBox)
    {
    }
    PortBox *box() const { return static_cast<PortBox *>(widget()); }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? box()->currentText() : QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = true;
        state.expandable = true;
        state.expanded = box()->view()->isVisible();
        return state;
    }
    QStringList actionNames() const override { return QAccessibleWidget::actionNames() << showMenuAction(); }
    void doAction(const QString &action) override
    {
        if (action == showMenuAction())
            box()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface *portBoxInterface(const QString &className, QObject *object)
{
    if (className == QLatin1String("PortBox"))
        if (auto *box = qobject_cast<PortBox *>(object))
            return new PortBoxInterface(box);
    return nullptr;
}

} // namespace

PortBox::PortBox(QWidget *parent)
    : QComboBox(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(portBoxInterface);
        return true;
    }();
    Q_UNUSED(installed);
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    connect(this, &QComboBox::activated, this, [this](int index) {
        const QString name = itemData(index).toString();
        setEditText(name);
        commit(name);
    });
    connect(lineEdit(), &QLineEdit::editingFinished, this, [this] { commit(currentText().trimmed()); });
}

void PortBox::setPort(const QString &name)
{
    m_port = name;
    setEditText(name);
}

void PortBox::setRemembered(bool remembered, const QString &settingsFile)
{
    if (m_toolTip.isNull())
        m_toolTip = toolTip();
    const QString note = remembered ? QString()
                                    : QStringLiteral("THIS PORT IS USED UNTIL THE PROGRAM ENDS BUT NOT REMEMBERED FOR "
                                                     "THE NEXT RUN: %1 COULD NOT BE WRITTEN")
                                          .arg(settingsFile);
    setToolTip(note.isEmpty() ? m_toolTip : m_toolTip + QLatin1Char('\n') + note);
    setAccessibleDescription(note);
}

void PortBox::showPopup()
{
    const QString text = currentText();
    clear();
    for (const PortChoice::Port &port : m_lister()) {
        addItem(port.description.isEmpty() ? port.name : port.name + QStringLiteral("  ") + port.description, port.name);
        setItemData(count() - 1, port.description, Qt::ToolTipRole);
    }
    setCurrentIndex(findData(text));
    setEditText(text);
    QComboBox::showPopup();
}

void PortBox::commit(const QString &name)
{
    if (name.isEmpty()) {
        setEditText(m_port); // an emptied box keeps the port in use
        return;
    }
    if (name == m_port)
        return;
    m_port = name;
    emit chosen(name);
}
