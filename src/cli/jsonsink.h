#pragma once

#include "cli/attemptsink.h"

#include <QString>

class ProgressBoard;

// `--json`: each attempt as one JSON object a line on standard output.
class JsonSink : public AttemptSink
{
public:
    // `runId`: the run's, as the other streams name it.
    JsonSink(ProgressBoard &board, const QString &runId) : m_board(board), m_runId(runId) {}

    bool take(const PanelAttempt &attempt) override;

private:
    ProgressBoard &m_board;
    QString m_runId;
};
