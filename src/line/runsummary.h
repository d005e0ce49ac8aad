#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

// How a run went, position by position: the summary that ends standard error, the event
// stream and the log alike.
struct RunSummary
{
    struct Position
    {
        QString label;
        QString port;
        int programmed = 0; // written
        int unchanged = 0;  // passed without a write: the panel held it already
        int failed = 0;
        int passedUnits = 0; // units whose attempt here passed, each once
    };

    // A unit: the seatings of one id, or one seating without an id.
    struct Units
    {
        int tried = 0;     // units with an attempt
        int firstPass = 0; // whose first attempt passed
        int finalPass = 0; // whose last attempt passed
        int expiredIds = 0;
    };

    QString command; // write, verify
    QList<Position> positions;
    Units units;
    qint64 durationMs = 0;

    int programmed() const { return total(&Position::programmed); }
    int unchanged() const { return total(&Position::unchanged); }
    int failed() const { return total(&Position::failed); }
    int passed() const { return programmed() + unchanged(); }
    int attempts() const { return passed() + failed(); }
    // Attempts passed of all attempts, 0..1; none before any panel was tried.
    std::optional<double> yield() const;
    // Units whose first, or last, attempt passed, of all units tried; none before any.
    std::optional<double> firstPassYield() const;
    std::optional<double> finalYield() const;
    // Panels passed per hour of the run so far; none in its first seconds.
    std::optional<int> perHour() const;

    // "SUMMARY: 8 UNITS, 3 PROGRAMMED, 5 UNCHANGED, 0 FAILED, FIRST-PASS YIELD 100 %, FINAL YIELD 100 %"
    QString text() const;
    // The board's totals row: "TOTAL  3 PROGRAMMED  5 UNCHANGED  0 FAILED  FPY 100 %  118 PANELS/HOUR"
    QString totals() const;
    // Keys: event ("summary"), command, positions (label, port, programmed, unchanged, failed),
    // attempts, units, programmed, unchanged, failed, expired_ids, yield, first_pass_yield,
    // final_yield, duration_ms.
    QJsonObject toJson() const;

private:
    int total(int Position::*count) const;
};
