#pragma once

#include "config/panelconfiguration.h"
#include "model/formmodel.h"
#include "transfer/transferoutcome.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

// One panel attempt of a command as the JSON output and the programming log record it:
// which command on which port with which file, how it ended, and what it found.
struct PanelAttempt
{
    // An item whose byte in the panel is not what a write of the file sends: the panel's,
    // the file's, and what a write sends, which the form's rules may have made of the file's.
    struct Difference
    {
        int address;
        qint16 panel;
        qint16 file;
        qint16 sent;
    };
    using Adjustment = FormModel::Adjustment;

    // The detail of a transfer ended by Ctrl+C.
    static inline const QString interrupted = QStringLiteral("INTERRUPTED");

    QString command;   // write, read, verify, check
    QString position;  // the position's label; none for check
    QString port;      // none for check
    QString file;
    QString panelId;
    int exitCode = 0;
    QString detail;    // what the status line or a message said, whole
    std::optional<qint16> model;
    std::optional<QList<Difference>> differences;     // verify, once the panel was read
    std::optional<QList<Adjustment>> adjusted;        // once a file or a read was taken in
    std::optional<PanelConfiguration> configuration;  // read and check
    qint64 durationMs = 0;

    // Keys: command, position, port, file, panel_id, outcome, exit, detail, model, differences,
    // adjusted, configuration, duration_ms; what does not apply is null.
    QJsonObject toJson() const;

    // The exit code a transfer ends with.
    static int exitCodeOf(const TransferOutcome &outcome);
    static QList<Difference> differencesOf(const PanelConfiguration::MemoryImage &panel,
                                           const PanelConfiguration::MemoryImage &sent,
                                           const PanelConfiguration::MemoryImage &file);
    // "SW3: panel module C channel 9, file module C channel 10"; where a write sends other
    // than the file holds, ", a write sends 50 %" follows.
    static QString describe(const Difference &difference);
    // The values a file brings once its adjustments are undone: what a write sends, as found.
    static PanelConfiguration::MemoryImage found(PanelConfiguration::MemoryImage sent, const QList<Adjustment> &adjusted);
    // What the form made of a value it took in from a file or a panel:
    // "ADJUSTED NORMAL BACKLIGHTING (%): file 80 %, a write sends 50 %".
    static QString describe(const Adjustment &adjustment, bool fromPanel);
    static QJsonObject toJson(const PanelConfiguration &configuration);
};
