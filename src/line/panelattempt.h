#pragma once

#include "line/attemptreason.h"
#include "config/panelconfiguration.h"
#include "model/formmodel.h"
#include "transfer/transferoutcome.h"

#include <QDateTime>
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
    // A code in a file that no list has: the window shows something else for it.
    struct Warning
    {
        int address;
        qint16 code;
    };

    // The detail of a transfer ended by Ctrl+C.
    static inline const QString interrupted = QStringLiteral("INTERRUPTED");

    QString command;   // write, read, verify, check
    QString position;  // the position's label; none for check
    QString port;      // none for check
    QString file;
    QString panelId;
    int panel = 0;     // the panel's number at its position; 0 outside a line
    int seq = 0;       // the attempt's number in the line's run; 0 outside a line
    int exitCode = 0;
    bool unchanged = false; // a write that found the panel holding what it would send
    AttemptReason::Reason reason = AttemptReason::Reason::None; // None: the exit code's, if any
    std::optional<int> address; // the memory address that failed
    QString detail;    // what the status line or a message said, whole
    std::optional<qint16> model;
    std::optional<QList<Difference>> differences;     // verify, once the panel was read
    std::optional<QList<Adjustment>> adjusted;        // once a file or a read was taken in
    std::optional<PanelConfiguration> configuration;  // read and check
    std::optional<QList<Warning>> warnings;           // check
    QString backup;    // a write's backup of what the panel held, once saved
    // Where the backup shows other than the panel held; a write with a backup only.
    std::optional<QList<Adjustment>> backupAdjusted;
    QDateTime started; // UTC
    qint64 durationMs = 0;

    // Keys: command, position, port, file, panel_id, panel, outcome, exit, reason, address, detail,
    // model, differences, adjusted, configuration, warnings, backup, backup_adjusted, started,
    // duration_ms; what does
    // not apply is null.
    QJsonObject toJson() const;
    // The outcome's word: "unchanged" for a write that was spared, else the exit code's.
    QString outcomeWord() const;
    // Done or unchanged.
    bool passed() const;
    // The reason's word, or empty.
    QString reasonWord() const;

    // How the transfer ended: exit code, reason, the address that failed and the model. A
    // transfer ended from outside takes the signal that ended the run, if one did.
    void take(const TransferOutcome &outcome);
    // An attempt that took `elapsedMs` and ends now (at `now`, UTC).
    void timed(qint64 elapsedMs);
    void timed(qint64 elapsedMs, const QDateTime &now);
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
    // "SW3 (address 2): code 999 is in no list; the window shows N/A".
    static QString describe(const Warning &warning);
    // What a configuration holds, as a short table: the items with module, channel and
    // designation, the intensities, the panel name.
    static QStringList table(const PanelConfiguration &configuration);
};
