#pragma once

#include "cli/statusecho.h"
#include "line/linesink.h"

#include <vector>

class ProductionLine;
class ProgressBoard;

// The line on standard error: a row per position with its state and counts, the lines its
// status adds, a series' line per panel, and the closing table. On a terminal the rows
// stay in place; elsewhere only the lines show.
class BoardSink : public LineSink
{
public:
    // `jsonOut`: standard output carries JSON alone, so a verify's comparison goes to
    // standard error.
    BoardSink(const ProductionLine &line, ProgressBoard &board, bool jsonOut);

    void positionChanged(const PositionChange &change) override;
    void attemptStarted(int position, int panel) override;
    void byteStarting(int position, int address) override;
    void byteDone(int position, int address, const LinkResult &result, const QString &status) override;
    void modelRefused(int position, qint16 model) override;
    void transferEnded(int position, const TransferOutcome &outcome,
                       const std::optional<StatusTexts::Report> &status) override;
    void idRecorded(int position, const IdRecord &record) override;
    bool attemptEnded(const AttemptEnd &end) override;
    void runEnded(const RunSummary &summary) override;

private:
    void showRow(int index);
    void showStatus(int index, const QString &text, const QString &detail, bool failure = false);
    // A line of a series names its position also where the board would not.
    QString seriesLine(int index, const QString &text) const;
    void printTable(const RunSummary &summary);

    const ProductionLine &m_line;
    ProgressBoard &m_board;
    bool m_jsonOut;
    std::vector<StatusEcho> m_echoes;
};
