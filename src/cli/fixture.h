#pragma once

#include "cli/commandline.h"
#include "line/linesink.h"
#include "line/productionline.h"

#include <QObject>
#include <memory>

class AttemptSink;
class BoardSink;
class EventSink;
class LineInput;
class ProgressBoard;
class QTimer;

// A fixture's run on the command line: the line with its board and events, the operator's
// input (Enter and ids at a prompt, scanned ids hands-free), a watch on the reader of the
// results, and the run's exit code.
class Fixture : public QObject, public LineSink
{
    Q_OBJECT

public:
    using Work = LineSettings::Work;
    using Position = LineSettings::Position;

    // `records` keep each attempt (the JSON output, the events, the log); `events`, one of
    // them if any, also tells the positions' changes; `summary` tells the run's counts.
    Fixture(const CommandLine &commandLine, const QList<Position> &positions, const Work &work, ProgressBoard &board,
            const QList<AttemptSink *> &records, EventSink *events, LineSink *summary, QObject *parent = nullptr);
    ~Fixture() override;

    // Runs until every port is done, in the event loop.
    RunResult run();
    // Ctrl+C: every transfer ends at its current wait, and the run with its summary.
    void interrupt();

    const ProductionLine &line() const { return m_line; }

    // LineSink
    void prompted(const Prompt &prompt) override;
    void stopping() override;
    void runEnded(const RunSummary &summary) override;
    bool readerThere() override;

private:
    static LineSettings settingsOf(const CommandLine &commandLine, const QList<Position> &positions, const Work &work);
    void scanned(const QString &text);
    void promptAnswered(const QString &text);
    void inputEnded();
    void ignored(const QString &text);

    CommandLine m_commandLine;
    ProgressBoard &m_board;
    ProductionLine m_line;
    std::unique_ptr<BoardSink> m_boardSink;
    LineInput *m_input = nullptr;
    QTimer *m_readerWatch = nullptr;
    bool m_readerGone = false;
};
