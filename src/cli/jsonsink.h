#pragma once

#include "cli/attemptsink.h"

class ProgressBoard;

// `--json`: each attempt as one JSON object a line on standard output.
class JsonSink : public AttemptSink
{
public:
    explicit JsonSink(ProgressBoard &board) : m_board(board) {}

    bool take(const PanelAttempt &attempt) override;

private:
    ProgressBoard &m_board;
};
