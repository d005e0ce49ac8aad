#include "statusecho.h"

QStringList StatusEcho::update(const QString &text, const QString &detail)
{
    // The detail's further lines are indented, as a box's are.
    const auto indented = [](const QString &lines) {
        QStringList list = lines.split(QLatin1Char('\n'));
        for (qsizetype i = 1; i < list.size(); ++i)
            list[i].prepend(QStringLiteral("  "));
        return list;
    };
    QStringList lines;
    if (text != m_text) {
        lines = indented(detail);
    } else if (detail != m_detail) {
        const QString added = detail.section(QLatin1Char('\n'), 1);
        if (!added.isEmpty())
            lines = indented(QLatin1Char('\n') + added).mid(1);
    } else {
        return {};
    }
    m_text = text;
    m_detail = detail;
    return lines;
}
