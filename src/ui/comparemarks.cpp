#include "comparemarks.h"

#include "controlnames.h"

#include "model/formmodel.h"
#include "model/selectortables.h"

#include <QPainter>

#include <algorithm>

namespace {

// Two outlines, the outer dashed: seen as a frame on any background, by anyone.
class MarkOutline : public QWidget
{
public:
    explicit MarkOutline(QWidget *parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        QPen outer(QColor(255, 140, 0), 2, Qt::DashLine);
        p.setPen(outer);
        p.drawRect(rect().adjusted(1, 1, -2, -2));
        p.setPen(QPen(Qt::black, 1));
        p.drawRect(rect().adjusted(3, 3, -4, -4));
    }
};

constexpr int margin = 4; // the outline stands this far outside the controls

} // namespace

CompareMarks::CompareMarks(QWidget *window, FormModel &form, std::function<QWidget *(const QString &)> controls)
    : QObject(window)
    , m_window(window)
    , m_form(form)
    , m_controls(std::move(controls))
{
    connect(&m_form, &FormModel::changed, this, &CompareMarks::follow);
}

void CompareMarks::mark(const ConfigComparison &comparison)
{
    clear();
    for (const ConfigComparison::Row &row : comparison.rows) {
        // An item's controls, or an intensity's list with its caption.
        QStringList names;
        if (PanelConfiguration::isItem(row.address)) {
            const ItemControls &item = itemControls[row.address];
            names << QString::fromLatin1(item.moduleList) << QString::fromLatin1(item.channelList);
            if (item.designationBox)
                names << QString::fromLatin1(item.designationBox);
        } else {
            const IntensityControls &intensity = intensityControls[PanelConfiguration::intensityAt(row.address)];
            names << QString::fromLatin1(intensity.list) << QString::fromLatin1(intensity.label);
        }
        QWidget *first = m_controls(names.constFirst());
        QRect area;
        for (const QString &name : std::as_const(names))
            if (QWidget *control = m_controls(name))
                area |= control->geometry();
        auto *outline = new MarkOutline(first->parentWidget());
        outline->setObjectName(QStringLiteral("CompareMark%1").arg(row.address));
        outline->setGeometry(area.adjusted(-margin, -margin, margin, margin));
        outline->setAccessibleName(QStringLiteral("%1 differs from the switch panel").arg(PanelConfiguration::name(row.address)));
        outline->setAccessibleDescription(QStringLiteral("PANEL: %1").arg(ConfigComparison::panelText(row)));
        outline->setToolTip(ConfigComparison::sentence(row));
        outline->raise();
        m_marks.insert(row.address, {outline, first, m_form.shownCode(row.address)});
    }
    follow();
}

void CompareMarks::clear()
{
    for (const Mark &mark : std::as_const(m_marks))
        delete mark.widget.data();
    m_marks.clear();
}

QList<int> CompareMarks::marked() const
{
    QList<int> addresses = m_marks.keys();
    std::sort(addresses.begin(), addresses.end());
    return addresses;
}

QWidget *CompareMarks::markOf(int address) const
{
    return m_marks.value(address).widget;
}

// A changed pick takes its mark away; the others show with their item's controls.
void CompareMarks::follow()
{
    for (auto it = m_marks.begin(); it != m_marks.end();) {
        if (m_form.shownCode(it.key()) != it->shown || !it->widget) {
            delete it->widget.data();
            it = m_marks.erase(it);
            continue;
        }
        it->widget->setVisible(it->follows && !it->follows->isHidden());
        ++it;
    }
}
