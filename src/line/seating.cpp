#include "seating.h"

#include <QJsonArray>

namespace {

QJsonValue timeOrNull(const std::optional<QDateTime> &time)
{
    return time ? QJsonValue(time->toString(Qt::ISODateWithMs)) : QJsonValue();
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

} // namespace

QJsonObject Seating::toJson() const
{
    QJsonArray seq;
    for (int n : attempts)
        seq.append(n);
    return {{"event", "seating"},
            {"position", position},
            {"port", port},
            {"panel", panel},
            {"panel_id", textOrNull(panelId)},
            {"duplicate", duplicate},
            {"arrived", timeOrNull(arrived)},
            {"left", timeOrNull(left)},
            {"seq", seq},
            {"outcome", textOrNull(outcome)},
            {"first_pass", attempts.isEmpty() ? QJsonValue() : QJsonValue(firstPass)}};
}
