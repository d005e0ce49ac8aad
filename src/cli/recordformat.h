#pragma once

#include <QJsonObject>
#include <QString>

// The format every stream of a run shares: each --events event, --json attempt and log
// record carries the format's number and the run's id, so that a reader can join them and
// know what it is given. The number rises when a key is removed or renamed or changes its
// meaning; new keys leave it as it is.
namespace RecordFormat {

constexpr int schema = 1;

// The object with `schema` and `run_id`.
inline QJsonObject stamped(QJsonObject object, const QString &runId)
{
    object.insert(QStringLiteral("schema"), schema);
    object.insert(QStringLiteral("run_id"), runId);
    return object;
}

} // namespace RecordFormat
