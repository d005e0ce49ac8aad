#include "jsonsink.h"

#include "cli/progressboard.h"
#include "cli/recordformat.h"

#include <QJsonDocument>

bool JsonSink::take(const PanelAttempt &attempt)
{
    m_board.print(QJsonDocument(RecordFormat::stamped(attempt.toJson(), m_runId)).toJson(QJsonDocument::Compact));
    return true;
}
