#pragma once

#include "config/panelconfiguration.h"
#include "transfer/transferoutcome.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

// One panel attempt of a command as the JSON output and the programming log record it:
// which command on which port with which file, how it ended, and what it found.
struct PanelAttempt
{
    // An item whose byte in the panel is not what a write of the file sends.
    struct Difference
    {
        int address;
        qint16 panel;
        qint16 file;
    };

    // The detail of a transfer ended by Ctrl+C.
    static inline const QString interrupted = QStringLiteral("INTERRUPTED");

    QString command;   // write, read, verify, check
    QString port;      // none for check
    QString file;
    QString panelId;
    int exitCode = 0;
    QString detail;    // what the status line or a message said, whole
    std::optional<qint16> model;
    std::optional<QList<Difference>> differences;     // verify, once the panel was read
    std::optional<PanelConfiguration> configuration;  // read and check
    qint64 durationMs = 0;

    // Keys: command, port, file, panel_id, outcome, exit, detail, model, differences,
    // configuration, duration_ms; what does not apply is null.
    QJsonObject toJson() const;

    // The exit code a transfer ends with.
    static int exitCodeOf(const TransferOutcome &outcome);
    static QList<Difference> differencesOf(const PanelConfiguration::MemoryImage &panel,
                                           const PanelConfiguration::MemoryImage &file);
    // "SW3: panel module C channel 9, file module C channel 10"
    static QString describe(const Difference &difference);
    static QJsonObject toJson(const PanelConfiguration &configuration);
};
