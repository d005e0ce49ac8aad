#include "filecommands.h"

#include "files/configrecord.h"
#include "platform/regularfile.h"
#include "platform/savetarget.h"
#include "statustexts.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

using Colour = FormModel::StatusColour;
using SaveOutcome = FileCommands::SaveOutcome;
using OpenOutcome = FileCommands::OpenOutcome;

FileCommands::FileCommands(FormModel &form)
    : m_form(form)
    , m_cfg(form.config())
{
}

SaveOutcome FileCommands::WRITE_FILE_Click()
{
    m_form.setStatusVisible(false);
    m_cfg.wmodel = ConfigRecord::modelTag;
    if (const std::optional<MissingPick> missing = m_form.gather_config()) {
        m_form.setStatusVisible(true);
        m_form.setStatusColour(Colour::Red);
        const QString text = missing->item < switchCount
            ? QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA")
            : QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL LED's AND BACKLIGHTING BEFORE WRITING DATA");
        m_form.setStatusText(text, text + QLatin1Char('\n') + StatusTexts::missing(m_form.missingPicks()));
        return SaveOutcome::Incomplete;
    }
    const QString panelName = m_form.panelName();
    if (panelName.isEmpty()) {
        m_form.host().messageBox(QStringLiteral("Name must be entered in PANEL NAME field"));
        return SaveOutcome::NoName;
    }
    const std::optional<QString> path = m_form.host().saveFileDialog(QStringLiteral("WRITE CONFIGURATION FILE"), filter,
                                                                     proposedFileName(panelName));
    if (!path)
        return SaveOutcome::Cancelled;
    // A FIFO or a device named as the file stays what it is.
    if (const QString refusal = SaveTarget::notAFile(*path); !refusal.isEmpty()) {
        m_form.host().messageBox(QStringLiteral("THE CONFIGURATION FILE COULD NOT BE SAVED\n%1\n%2").arg(*path, refusal),
                                 QStringLiteral("WRITE CONFIGURATION FILE"));
        return SaveOutcome::Failed;
    }

    const ConfigRecord record = ConfigRecord::of(m_form.configuration(), m_cfg.wmodel);

    // Written beside the old file and renamed over it, so a failed save leaves it whole.
    // commit() alone misses a write that fails part-way (a full disk): flush first.
    QSaveFile file(*path);
    // A user who may write the file but not its folder can still save over it, in place.
    const QFileInfo target(*path);
    file.setDirectWriteFallback(!QFileInfo(target.absolutePath()).isWritable() && target.isFile() && target.isWritable());
    const QByteArray line = record.toLine();
    if (!file.open(QIODevice::WriteOnly) || file.write(line) != line.size() || !file.flush() || !file.commit()) {
        const int systemError = errno;
        QString reason = file.errorString();
        if (reason.isEmpty() || reason == QLatin1String("Unknown error"))
            reason = qt_error_string(systemError);
        file.cancelWriting();
        m_form.host().messageBox(QStringLiteral("THE CONFIGURATION FILE COULD NOT BE SAVED\n%1\n%2").arg(*path, reason),
                                 QStringLiteral("WRITE CONFIGURATION FILE"));
        return SaveOutcome::Failed;
    }
    return SaveOutcome::Saved;
}

void FileCommands::READ_FILE_Click()
{
    m_form.setStatusVisible(false);
    const std::optional<QString> path =
        m_form.host().openFileDialog(QStringLiteral("READ CONFIGURATION FILE"), filter);
    if (path)
        load(*path);
}

OpenOutcome FileCommands::openFile(const QString &path)
{
    m_form.setStatusVisible(false);
    return load(path);
}

OpenOutcome FileCommands::load(const QString &path)
{
    // A folder or a file that may not be read ends the command silently; a name typed for
    // a file that does not exist, and anything that is not a regular file (a FIFO, a
    // device), gets the box. Nothing here may block.
    if (QFileInfo(path).isDir())
        return OpenOutcome::NoAccess;
    QFile file;
    switch (RegularFile::openForReading(path, file)) {
    case RegularFile::Status::Ok:
        break;
    case RegularFile::Status::NoAccess:
        return OpenOutcome::NoAccess;
    case RegularFile::Status::Missing:
    case RegularFile::Status::NotRegular:
        showMismatch();
        return OpenOutcome::Refused;
    }
    const QByteArray bytes = file.read(readLimit);
    file.close();

    const std::optional<ConfigRecord> record = ConfigRecord::parse(bytes);
    if (!record || record->model != ConfigRecord::modelTag) {
        showMismatch();
        return OpenOutcome::Refused;
    }

    // The whole record is accepted. The texts of the backlight, the dimming input and the
    // intensities are kept as the file has them.
    m_cfg.rmodel = record->model;
    static constexpr TextField labels[] = {&PanelConfig::blchan, &PanelConfig::dimchan, &PanelConfig::indpct,
                                           &PanelConfig::blpct, &PanelConfig::dindpct}; // pairs 12..16
    for (int i = 0; i < int(std::size(labels)); ++i)
        m_cfg.*labels[i] = record->pairs[ConfigRecord::designationCount + i].text;
    m_form.load(record->configuration());
    return OpenOutcome::Loaded;
}

QString FileCommands::proposedFileName(const QString &panelName)
{
    QString name = panelName;
    for (QChar &c : name)
        if (QStringLiteral("/\\:*?<>|").contains(c))
            c = QLatin1Char('-');
    return name + QStringLiteral(".zcf");
}

void FileCommands::showMismatch()
{
    m_form.host().messageBox(QStringLiteral("AN ERROR HAS OCCURRED READING THE FILE BECAUSE THE FILE\n"
                                     "WAS NOT CREATED FOR THE 00-00531-(MDL) OR 00-00537-(MDL)\n"
                                     "-------------THE FILE READ OPERATION IS BEING ABANDONED!--------------"),
                      QStringLiteral("FILE/MODEL MIS-MATCH"));
}
