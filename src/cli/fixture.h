#pragma once

#include "cli/commandline.h"
#include "line/linesink.h"
#include "line/productionline.h"

#include <QObject>
#include <functional>
#include <memory>

class BoardSink;
class EventSink;
class LineInput;
class ProgressBoard;
class QTimer;

// A fixture's run on the command line: the line with its board and events, the operator's
// input (Enter and ids at a prompt, scanned ids hands-free), a watch on the reader of the
// results, and the run's exit code. Every attempt is handed to `record`.
class Fixture : public QObject, public LineSink
{
    Q_OBJECT

public:
    using Work = LineSettings::Work;
    using Position = LineSettings::Position;

    // `record` hands an attempt on to the JSON output, the events and the log; false when the
    // log failed, which ends the run after the panels under way.
    Fixture(const CommandLine &commandLine, const QList<Position> &positions, const Work &work, ProgressBoard &board,
            std::function<bool(const PanelAttempt &)> record, QObject *parent = nullptr);
    ~Fixture() override;

    // Runs until every port is done, in the event loop; returns the exit code.
    int run();
    // Ctrl+C: every transfer ends at its current wait, and the run with its summary.
    void interrupt();

    const ProductionLine &line() const { return m_line; }

    // LineSink
    bool attemptEnded(const AttemptEnd &end) override;
    void prompted(const Prompt &prompt) override;
    void stopping() override;
    void runEnded() override;
    bool readerThere() override;

private:
    static LineSettings settingsOf(const CommandLine &commandLine, const QList<Position> &positions, const Work &work);
    void scanned(const QString &text);
    void promptAnswered(const QString &text);
    void inputEnded();
    void ignored(const QString &text);
    int exitCode() const;

    CommandLine m_commandLine;
    ProgressBoard &m_board;
    std::function<bool(const PanelAttempt &)> m_record;
    ProductionLine m_line;
    std::unique_ptr<BoardSink> m_boardSink;
    std::unique_ptr<EventSink> m_eventSink;
    LineInput *m_input = nullptr;
    QTimer *m_readerWatch = nullptr;
    bool m_readerGone = false;
};
