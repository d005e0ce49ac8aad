#include "filecommands.h"

#include "configrecord.h"
#include "regularfile.h"
#include "savetarget.h"

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
    m_cfg.error_flag = 0;
    m_cfg.wmodel = ConfigRecord::modelTag;
    m_form.gather_config();
    if (m_cfg.error_flag != 0) {
        m_form.setStatusVisible(true);
        m_form.setStatusColour(Colour::Red);
        m_form.setStatusText(m_cfg.error_flag == 1
            ? QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA")
            : QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL LED's AND BACKLIGHTING BEFORE WRITING DATA"));
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

    ConfigRecord record;
    record.model = m_cfg.wmodel;
    record.panel = panelName;
    for (int i = 0; i < int(assignmentItems.size()); ++i) {
        const AssignmentItem &item = assignmentItems[i];
        // The designation box's text; the backlight and the dimming input have their captions.
        record.pairs[i].text = item.designation ? m_form.designation(i) : QString::fromLatin1(item.name);
        record.pairs[i].code = m_cfg.*item.writeValue;
    }
    // The intensities with their captions, the indicator's first.
    const auto intensity = [&](int i) -> ConfigRecord::Pair {
        return {QString::fromLatin1(intensityItems[i].caption), m_cfg.*intensityItems[i].code};
    };
    record.pairs[14] = intensity(Indicator);
    record.pairs[15] = intensity(Backlighting);
    record.pairs[16] = intensity(Dimmed);

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

    // The whole record is accepted: store every value before the window shows any, so that
    // the intensity handlers compare the file's codes with each other.
    m_cfg.rmodel = record->model;
    m_cfg.panel = record->panel;
    for (int i = 0; i < gridItemCount; ++i) {
        m_cfg.*assignmentItems[i].designation = record->pairs[i].text;
        m_cfg.*assignmentItems[i].selected = record->pairs[i].code;
    }
    m_cfg.blchan = record->pairs[12].text;
    m_cfg.bl = record->pairs[12].code;
    m_cfg.dimchan = record->pairs[13].text;
    m_cfg.dimch = record->pairs[13].code;
    m_cfg.indpct = record->pairs[14].text;
    m_cfg.indpercent = record->pairs[14].code;
    m_cfg.blpct = record->pairs[15].text;
    m_cfg.blpercent = record->pairs[15].code;
    m_cfg.dindpct = record->pairs[16].text;
    m_cfg.dindpercent = record->pairs[16].code;

    m_form.setPanelName(m_cfg.panel);
    for (int i = 0; i < int(assignmentItems.size()); ++i) {
        const AssignmentItem &item = assignmentItems[i];
        if (item.designation)
            m_form.setDesignation(i, m_cfg.*item.designation);
        m_form.show_code(i, m_cfg.*item.selected);
    }
    m_form.show_blpercent();
    m_form.show_indpercent();
    m_form.show_dindpercent();
    m_form.show_switch_view();
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
