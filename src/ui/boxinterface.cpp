#include "boxinterface.h"

#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QLineEdit>
#include <QValidator>

namespace BoxInterface {
namespace {

class LineEditInterface : public QAccessibleWidget,
                          public QAccessibleTextInterface,
                          public QAccessibleEditableTextInterface
{
public:
    explicit LineEditInterface(QLineEdit *box)
        : QAccessibleWidget(box, QAccessible::EditableText)
    {
        addControllingSignal(QStringLiteral("textChanged(const QString&)"));
        addControllingSignal(QStringLiteral("returnPressed()"));
    }

    QLineEdit *box() const { return static_cast<QLineEdit *>(widget()); }
    bool shown() const { return box()->echoMode() == QLineEdit::Normal; }

    QString text(QAccessible::Text t) const override
    {
        QString text;
        if (t == QAccessible::Value)
            text = shown() ? box()->text()
                           : box()->echoMode() == QLineEdit::NoEcho ? QString()
                                                                     : QString(box()->text().size(), QLatin1Char('*'));
        if (text.isEmpty())
            text = QAccessibleWidget::text(t);
        if (text.isEmpty() && t == QAccessible::Description)
            text = box()->placeholderText();
        return text;
    }
    void setText(QAccessible::Text t, const QString &text) override
    {
        if (t != QAccessible::Value)
            return QAccessibleWidget::setText(t, text);
        if (acceptable(text))
            box()->setText(text);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = true;
        state.readOnly = box()->isReadOnly();
        state.passwordEdit = box()->echoMode() != QLineEdit::Normal;
        state.selectableText = true;
        return state;
    }
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (t == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // QAccessibleTextInterface
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (selectionIndex != 0)
            return;
        *startOffset = box()->selectionStart();
        *endOffset = box()->selectionEnd();
    }
    int selectionCount() const override { return box()->hasSelectedText() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex == 0)
            box()->deselect();
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex == 0)
            box()->setSelection(startOffset, endOffset - startOffset);
    }
    int cursorPosition() const override { return box()->cursorPosition(); }
    void setCursorPosition(int position) override { box()->setCursorPosition(position); }
    QString text(int startOffset, int endOffset) const override
    {
        if (startOffset > endOffset || !shown())
            return QString();
        return box()->text().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(box()->text().size()); }
    // A box has no attributes of its own: its whole text is one run, whatever the offset.
    QString attributes(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return QString();
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override
    {
        *start = *end = -1;
        return shown() ? QAccessibleTextInterface::textBeforeOffset(offset, type, start, end) : QString();
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override
    {
        *start = *end = -1;
        return shown() ? QAccessibleTextInterface::textAfterOffset(offset, type, start, end) : QString();
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override
    {
        *start = *end = -1;
        return shown() ? QAccessibleTextInterface::textAtOffset(offset, type, start, end) : QString();
    }
    // Where the box draws the character, as the box's text is short enough not to scroll.
    QRect characterRect(int offset) const override
    {
        const QString character = text(offset, offset + 1);
        if (character.isEmpty())
            return QRect();
        const QFontMetrics metrics(box()->font());
        const QRect inside = box()->contentsRect().marginsRemoved(box()->textMargins());
        const QRect rect(inside.left() + metrics.horizontalAdvance(box()->text().left(offset)),
                         inside.center().y() - metrics.height() / 2, metrics.horizontalAdvance(character),
                         metrics.height());
        return QRect(box()->mapToGlobal(rect.topLeft()), rect.size());
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        return box()->cursorPositionAt(box()->mapFromGlobal(point));
    }
    void scrollToSubstring(int startIndex, int endIndex) override
    {
        box()->setCursorPosition(endIndex);
        box()->setCursorPosition(startIndex);
    }

    // QAccessibleEditableTextInterface
    void deleteText(int startOffset, int endOffset) override { replaceText(startOffset, endOffset, QString()); }
    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }
    void replaceText(int startOffset, int endOffset, const QString &text) override
    {
        const QString replaced = box()->text().replace(startOffset, endOffset - startOffset, text);
        if (acceptable(replaced))
            box()->setText(replaced);
    }

private:
    bool acceptable(QString text) const
    {
        int position = 0;
        return !box()->validator() || box()->validator()->validate(text, position) == QValidator::Acceptable;
    }
};

QAccessibleInterface *boxInterface(const QString &className, QObject *object)
{
    if (className == QLatin1String("QLineEdit"))
        if (auto *box = qobject_cast<QLineEdit *>(object))
            return new LineEditInterface(box);
    return nullptr;
}

} // namespace

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(boxInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace BoxInterface
