#pragma once

#include "session/configcomparison.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class FormModel;

// The items a compare found differing, marked on the window: a broken double outline around
// each item's controls (its shape tells it, not its colour alone), shown while the item's
// controls are, in either view. A mark's accessible description says the panel's value. A mark
// goes when its item's pick changes; all go at clear().
class CompareMarks : public QObject
{
    Q_OBJECT

public:
    // `controls` finds a control of the window by its name.
    CompareMarks(QWidget *window, FormModel &form, std::function<QWidget *(const QString &)> controls);

    void mark(const ConfigComparison &comparison);
    void clear();

    // The marked addresses, and the mark of one (nothing when it has none).
    QList<int> marked() const;
    QWidget *markOf(int address) const;

private:
    struct Mark
    {
        QPointer<QWidget> widget;
        QPointer<QWidget> follows; // shown while this control is
        std::optional<qint16> shown; // what the window showed when marked
    };
    void follow();

    QWidget *m_window;
    FormModel &m_form;
    std::function<QWidget *(const QString &)> m_controls;
    QHash<int, Mark> m_marks;
};
