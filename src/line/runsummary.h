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
        int programmed = 0;
        int failed = 0;
    };

    QString command; // write, verify
    QList<Position> positions;
    qint64 durationMs = 0;

    int programmed() const { return total(&Position::programmed); }
    int failed() const { return total(&Position::failed); }
    // Programmed of all tried, 0..1; none before any panel was tried.
    std::optional<double> yield() const;
    // Panels programmed per hour of the run so far; none in its first seconds.
    std::optional<int> perHour() const;

    // "SUMMARY: 4 PROGRAMMED, 1 FAILED, YIELD 80 %"
    QString text() const;
    // The board's totals row: "TOTAL  4 PROGRAMMED  1 FAILED  YIELD 80 %  115 PANELS/HOUR"
    QString totals() const;
    // Keys: event ("summary"), command, positions (label, port, programmed, failed),
    // programmed, failed, yield, duration_ms.
    QJsonObject toJson() const;

private:
    int total(int Position::*count) const;
};
