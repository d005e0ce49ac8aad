#include "changesummary.h"

#include "model/formmodel.h"

#include <QStringList>

ChangeSummary::ChangeSummary(const FormModel &form)
{
    for (int i = 0; i < ConfigItems::itemCount; ++i)
        m_picks[i] = {form.modulePosition(i), form.channelPosition(i)};
    for (int k = 0; k < ConfigItems::intensityCount; ++k)
        m_intensities[k] = form.intensityPosition(k);
    for (int i = 0; i < ConfigItems::designationCount; ++i)
        m_designations[i] = form.designation(i);
    m_panelName = form.panelName();
}

QString ChangeSummary::since(const FormModel &form, bool back) const
{
    int items = 0;
    for (int i = 0; i < ConfigItems::itemCount; ++i)
        items += m_picks[i] != std::pair{form.modulePosition(i), form.channelPosition(i)};
    for (int k = 0; k < ConfigItems::intensityCount; ++k)
        items += m_intensities[k] != form.intensityPosition(k);
    int designations = 0;
    bool emptied = true; // every text that changed is empty now
    for (int i = 0; i < ConfigItems::designationCount; ++i)
        if (m_designations[i] != form.designation(i)) {
            ++designations;
            emptied = emptied && form.designation(i).isEmpty();
        }
    const bool panelName = m_panelName != form.panelName();
    emptied = emptied && (!panelName || form.panelName().isEmpty());

    QStringList texts;
    if (panelName)
        texts << QStringLiteral("panel name");
    if (designations == ConfigItems::designationCount)
        texts << QStringLiteral("designations");
    else if (designations > 0)
        texts << (designations == 1 ? QStringLiteral("1 designation") : QStringLiteral("%1 designations").arg(designations));
    const QString joinedTexts = texts.join(QStringLiteral(" and "));
    const QString pickText = items == 1 ? QStringLiteral("1 item") : QStringLiteral("%1 items").arg(items);

    if (items == 0 && texts.isEmpty())
        return {};
    if (back)
        return QStringLiteral("%1 back").arg(items == 0 ? joinedTexts
                                             : texts.isEmpty() ? pickText
                                                               : QStringLiteral("%1, %2").arg(pickText, joinedTexts));
    const QString textVerb = emptied ? QStringLiteral("emptied") : QStringLiteral("changed");
    if (items == 0)
        return QStringLiteral("%1 %2").arg(joinedTexts, textVerb);
    if (texts.isEmpty())
        return QStringLiteral("%1 changed").arg(pickText);
    return QStringLiteral("%1 changed, %2 %3").arg(pickText, joinedTexts, textVerb);
}
