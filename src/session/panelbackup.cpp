#include "panelbackup.h"

#include "files/configrecord.h"
#include "model/quiethost.h"
#include "platform/portablename.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>

namespace {

// Files of one name in one folder: enough for every panel of a shift in the same millisecond.
constexpr int namesTried = 1000;

} // namespace

QString PanelBackup::folderProblem(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.exists())
        return QStringLiteral("%1 does not exist").arg(folder);
    if (!info.isDir())
        return QStringLiteral("%1 is not a folder").arg(folder);
    // Permission bits do not tell it all (a read-only mount, root): a file is made and removed.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".durvex-backup-XXXXXX")));
    if (!probe.open())
        return QStringLiteral("%1 cannot be written: %2").arg(folder, probe.errorString());
    return {};
}

QString PanelBackup::fileName(const QString &position, const QString &panelId, const QDateTime &when, qint16 model)
{
    const QString stamp = when.toUTC().toString(QStringLiteral("yyyyMMddThhmmss.zzzZ"));
    return PortableName::fileName(QStringLiteral("%1-%2-%3-%4.zcf")
                                      .arg(position, panelId.isEmpty() ? QStringLiteral("noid") : panelId, stamp)
                                      .arg(model));
}

PanelBackup::Saved PanelBackup::save(const QString &folder, const QString &name,
                                     const PanelConfiguration::MemoryImage &held)
{
    // The panel's bytes through the form, as a read shows them: the file holds what the
    // window would make of them.
    QuietHost host;
    FormModel form(host);
    for (int address = 0; address < PanelConfiguration::byteCount; ++address)
        form.applyReadByte(address, held[address]);
    form.show_switch_view(true);
    for (int item = 0; item < PanelConfiguration::designationCount; ++item)
        form.setDesignation(item, QString());
    form.setPanelName(panelName);

    Saved saved;
    saved.adjusted = form.adjustments();
    const QDir dir(folder);
    saved.path = dir.filePath(name);
    const FormModel::Gathering gathering = form.gather();
    if (!gathering.complete()) {
        saved.reason = QStringLiteral("the panel holds items that no list has");
        return saved;
    }
    const QByteArray line = ConfigRecord::of(gathering.configuration).toLine();
    const QString base = name.endsWith(QLatin1String(".zcf")) ? name.chopped(4) : name;
    for (int n = 1; n <= namesTried; ++n) {
        saved.path = dir.filePath(n == 1 ? name : QStringLiteral("%1-%2.zcf").arg(base).arg(n));
        QFile file(saved.path);
        // Never over another file, a backup made a moment before included.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(saved.path) || QFileInfo(saved.path).isSymLink())
                continue;
            saved.reason = file.errorString();
            return saved;
        }
        if (file.write(line) != line.size() || !file.flush()) {
            saved.reason = file.errorString();
            file.close();
            file.remove(); // a backup cut short is no backup
            return saved;
        }
        file.close();
        return saved;
    }
    saved.reason = QStringLiteral("%1 names of this kind are taken already").arg(namesTried);
    return saved;
}
