#include "filecommands.h"

#include "files/configrecord.h"
#include "platform/portablename.h"
#include "platform/regularfile.h"
#include "platform/savetarget.h"
#include "statustexts.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

using Kind = FileOutcome::Kind;

namespace {

FileOutcome outcome(Kind kind, const QString &path = QString(), const QString &reason = QString())
{
    FileOutcome outcome;
    outcome.kind = kind;
    outcome.path = path;
    outcome.reason = reason;
    return outcome;
}

} // namespace

FileCommands::FileCommands(FormModel &form)
    : m_form(form)
{
}

FileOutcome FileCommands::save(const ChooseSavePath &choose)
{
    m_form.setStatusVisible(false);
    const FormModel::Gathering gathering = m_form.gather();
    if (!gathering.complete()) {
        FileOutcome incomplete = outcome(Kind::Incomplete);
        incomplete.missing = gathering.missing;
        const StatusTexts::Report report = StatusTexts::incomplete(incomplete.missing, StatusTexts::MissingPicksFor::Save);
        m_form.setStatusVisible(true);
        m_form.setStatusColour(report.colour);
        m_form.setStatusText(report.text, report.detail);
        return incomplete;
    }
    const QString &panelName = gathering.configuration.panelName;
    if (panelName.isEmpty())
        return outcome(Kind::NoName);
    const std::optional<QString> path = choose(proposedFileName(panelName));
    if (!path)
        return outcome(Kind::Cancelled);
    return write(*path, gathering.configuration);
}

FileOutcome FileCommands::write(const QString &path, const PanelConfiguration &configuration)
{
    // A FIFO or a device named as the file stays what it is.
    if (const QString refusal = SaveTarget::notAFile(path); !refusal.isEmpty())
        return outcome(Kind::NotSaved, path, refusal);

    // Written beside the old file and renamed over it, so a failed save leaves it whole.
    // commit() alone misses a write that fails part-way (a full disk): flush first.
    QSaveFile file(path);
    // A user who may write the file but not its folder can still save over it, in place.
    const QFileInfo target(path);
    file.setDirectWriteFallback(!QFileInfo(target.absolutePath()).isWritable() && target.isFile() && target.isWritable());
    const QByteArray line = ConfigRecord::of(configuration).toLine();
    if (!file.open(QIODevice::WriteOnly) || file.write(line) != line.size() || !file.flush() || !file.commit()) {
        const int systemError = errno;
        QString reason = file.errorString();
        if (reason.isEmpty() || reason == QLatin1String("Unknown error"))
            reason = qt_error_string(systemError);
        file.cancelWriting();
        return outcome(Kind::NotSaved, path, reason);
    }
    return outcome(Kind::Done, path);
}

FileOutcome FileCommands::open(const ChooseOpenPath &choose)
{
    m_form.setStatusVisible(false);
    const std::optional<QString> path = choose();
    return path ? load(*path) : outcome(Kind::Cancelled);
}

FileOutcome FileCommands::open(const QString &path)
{
    m_form.setStatusVisible(false);
    return load(path);
}

FileOutcome FileCommands::load(const QString &path)
{
    // Nothing here may block: only a regular file is ever opened.
    const auto systemReason = [&] { return RegularFile::readProblem(path).value_or(QString()); };
    if (QFileInfo(path).isDir())
        return outcome(Kind::NoAccess, path, systemReason());
    QFile file;
    switch (RegularFile::openForReading(path, file)) {
    case RegularFile::Status::Ok:
        break;
    case RegularFile::Status::NoAccess:
        return outcome(Kind::NoAccess, path, systemReason());
    case RegularFile::Status::Missing:
        return outcome(Kind::Missing, path, systemReason());
    case RegularFile::Status::NotRegular:
        return outcome(Kind::NotAFile, path);
    }
    const QByteArray bytes = file.read(readLimit);
    file.close();

    const std::optional<ConfigRecord> record = ConfigRecord::parse(bytes);
    if (!record)
        return outcome(Kind::NotARecord, path);
    if (record->model != ConfigRecord::modelTag)
        return outcome(Kind::OtherModel, path);
    // The whole record is accepted: the labels beside the codes play no part.
    m_form.load(record->configuration());
    return outcome(Kind::Done, path);
}

QString FileCommands::proposedFileName(const QString &panelName)
{
    return PortableName::fileName(panelName + QStringLiteral(".zcf"));
}
