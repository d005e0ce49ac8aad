#include "runsummary.h"

#include <QJsonArray>
#include <cmath>

int RunSummary::total(int Position::*count) const
{
    int sum = 0;
    for (const Position &p : positions)
        sum += p.*count;
    return sum;
}

std::optional<double> RunSummary::yield() const
{
    const int tried = programmed() + failed();
    if (tried == 0)
        return std::nullopt;
    return double(programmed()) / tried;
}

std::optional<double> RunSummary::firstPassYield() const
{
    return units.tried ? std::optional(double(units.firstPass) / units.tried) : std::nullopt;
}

std::optional<double> RunSummary::finalYield() const
{
    return units.tried ? std::optional(double(units.finalPass) / units.tried) : std::nullopt;
}

std::optional<int> RunSummary::perHour() const
{
    // A rate over a few seconds says nothing about the shift.
    if (durationMs < 10000)
        return std::nullopt;
    return int(std::lround(programmed() * 3600000.0 / double(durationMs)));
}

namespace {

QString percent(double fraction)
{
    const double tenths = std::round(fraction * 1000);
    return QStringLiteral("%1 %").arg(tenths / 10, 0, 'f', std::fmod(tenths, 10) == 0 ? 0 : 1);
}

} // namespace

QString RunSummary::text() const
{
    QString text = QStringLiteral("SUMMARY: %1 PROGRAMMED, %2 FAILED").arg(programmed()).arg(failed());
    if (const std::optional<double> y = yield())
        text += QStringLiteral(", YIELD ") + percent(*y);
    return text;
}

QString RunSummary::totals() const
{
    QString text = QStringLiteral("TOTAL  %1 PROGRAMMED  %2 FAILED").arg(programmed()).arg(failed());
    if (const std::optional<double> y = yield())
        text += QStringLiteral("  YIELD ") + percent(*y);
    if (const std::optional<int> rate = perHour())
        text += QStringLiteral("  %1 PANELS/HOUR").arg(*rate);
    return text;
}

QJsonObject RunSummary::toJson() const
{
    QJsonArray list;
    for (const Position &p : positions)
        list.append(QJsonObject{{"position", p.label}, {"port", p.port}, {"programmed", p.programmed},
                                {"failed", p.failed}});
    const std::optional<double> y = yield();
    return {{"event", "summary"},
            {"command", command},
            {"positions", list},
            {"programmed", programmed()},
            {"failed", failed()},
            {"yield", y ? QJsonValue(std::round(*y * 10000) / 10000) : QJsonValue()},
            {"duration_ms", durationMs}};
}
