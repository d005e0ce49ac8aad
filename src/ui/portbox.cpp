#include "portbox.h"

#include <QLineEdit>

PortBox::PortBox(QWidget *parent)
    : QComboBox(parent)
{
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
