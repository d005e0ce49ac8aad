#pragma once

#include <QLineEdit>

// A designation box: while it still holds its starting text, taking focus by a click or by
// the keyboard selects that text, so that typing replaces it.
//
// No Q_OBJECT: it adds no signals or properties, and stays a QLineEdit to anything that asks.
class DesignationBox : public QLineEdit
{
public:
    DesignationBox(const QString &startingText, QWidget *parent = nullptr);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString m_startingText;
    bool m_selectAfterClick = false;
};
