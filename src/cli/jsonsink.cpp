#include "jsonsink.h"

#include "cli/progressboard.h"

#include <QJsonDocument>

bool JsonSink::take(const PanelAttempt &attempt)
{
    m_board.print(QJsonDocument(attempt.toJson()).toJson(QJsonDocument::Compact));
    return true;
}
