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
    if (attempts() == 0)
        return std::nullopt;
    return double(passed()) / attempts();
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
    return int(std::lround(passed() * 3600000.0 / double(durationMs)));
}

namespace {

QString percent(double fraction)
{
    const double tenths = std::round(fraction * 1000);
    return QStringLiteral("%1 %").arg(tenths / 10, 0, 'f', std::fmod(tenths, 10) == 0 ? 0 : 1);
}

QJsonValue fraction(const std::optional<double> &value)
{
    return value ? QJsonValue(std::round(*value * 10000) / 10000) : QJsonValue();
}

} // namespace

QString RunSummary::text() const
{
    QString text = QStringLiteral("SUMMARY: %1 UNITS, %2 PROGRAMMED, %3 UNCHANGED, %4 FAILED")
                       .arg(units.tried)
                       .arg(programmed())
                       .arg(unchanged())
                       .arg(failed());
    if (const std::optional<double> first = firstPassYield())
        text += QStringLiteral(", FIRST-PASS YIELD %1, FINAL YIELD %2").arg(percent(*first), percent(*finalYield()));
    return text;
}

QString RunSummary::totals() const
{
    QString text =
        QStringLiteral("TOTAL  %1 PROGRAMMED  %2 UNCHANGED  %3 FAILED").arg(programmed()).arg(unchanged()).arg(failed());
    if (const std::optional<double> first = firstPassYield())
        text += QStringLiteral("  FPY ") + percent(*first);
    if (const std::optional<int> rate = perHour())
        text += QStringLiteral("  %1 PANELS/HOUR").arg(*rate);
    return text;
}

QJsonObject RunSummary::toJson() const
{
    QJsonArray list;
    for (const Position &p : positions)
        list.append(QJsonObject{{"position", p.label}, {"port", p.port}, {"programmed", p.programmed},
                                {"unchanged", p.unchanged}, {"failed", p.failed}});
    return {{"event", "summary"},
            {"command", command},
            {"positions", list},
            {"attempts", attempts()},
            {"units", units.tried},
            {"programmed", programmed()},
            {"unchanged", unchanged()},
            {"failed", failed()},
            {"expired_ids", units.expiredIds},
            {"yield", fraction(yield())},
            {"first_pass_yield", fraction(firstPassYield())},
            {"final_yield", fraction(finalYield())},
            {"duration_ms", durationMs}};
}
