#include "idrecord.h"

QString IdRecord::word(Bound bound)
{
    static const char *const words[] = {"current", "next", "replaced", "expired", "refused"};
    return QString::fromLatin1(words[int(bound)]);
}

QJsonObject IdRecord::toJson() const
{
    return {{"event", "id"},
            {"position", position},
            {"port", port},
            {"panel_id", panelId},
            {"bound", word(bound)},
            {"panel", panel ? QJsonValue(*panel) : QJsonValue()},
            {"duplicate", duplicate}};
}
