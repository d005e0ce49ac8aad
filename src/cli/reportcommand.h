#pragma once

#include "cli/toolcommand.h"
#include "line/shiftreport.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// report: a shift's figures from its programming logs, as a table, JSON or CSV; or one
// unit's history. The figures are the line's; this prints them.
class CommandStage;

class ReportCommand : public ToolCommand
{
public:
    // Standard output takes the report, standard error the warnings.
    using Print = std::function<void(const QByteArray &line)>;
    using Say = std::function<void(const QString &line, bool failure)>;

    ReportCommand(const CommandLine &commandLine, Print print, Say say);
    explicit ReportCommand(CommandStage &stage);

    // Ends in 0, or 4 when a log could not be read.
    RunResult run() override;

    // A time given as ISO 8601, UTC when it names no zone: "2026-12-11", "2026-12-11T06:00",
    // "2026-12-11 06:00:00+01:00"; none for anything else.
    static std::optional<qint64> instant(const QString &text);
    // The CSV's header, its columns' keys joined.
    static QByteArray csvHeader();
    // The keys of a run's figures in --json and the CSV, in order.
    static QStringList figureKeys();

private:
    int report();
    bool read(ShiftReport &report);
    void printTable(const ShiftReport::Result &result);
    void printCsv(const ShiftReport::Result &result);
    void printJson(const ShiftReport::Result &result);
    void printHistory(const QList<LogRecord> &records);

    CommandLine m_commandLine;
    Print m_print;
    Say m_say;
};
