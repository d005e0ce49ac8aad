#include "portadvice.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/sysmacros.h>
#endif

namespace PortAdvice {
namespace {

using Kind = SerialLine::OpenFailure::Kind;

// A failure whose text puts the port's name between two parts.
SerialLine::OpenFailure advised(Kind kind, const QString &reason, const QString &before, const QString &after)
{
    SerialLine::OpenFailure failure{kind, reason};
    failure.advice = before + QStringLiteral("%1") + after;
    return failure;
}

// The permission bits for group read and write, and the type bits.
constexpr quint32 groupReadWrite = 060;
constexpr quint32 typeMask = 0170000, folderType = 0040000, characterType = 0020000, blockType = 0060000,
                  fifoType = 0010000, linkType = 0120000, socketType = 0140000;

} // namespace

QString systemLocation(const QString &portName)
{
#ifdef Q_OS_UNIX
    if (portName.startsWith(QLatin1Char('/')) || portName.startsWith(QLatin1String("./"))
        || portName.startsWith(QLatin1String("../")))
        return portName;
    return QStringLiteral("/dev/") + portName;
#else
    return portName;
#endif
}

Device examine(const QString &location, bool forAdvice)
{
    Device device;
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(location);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        device.error = errno;
        device.state = device.error == ENOENT || device.error == ENOTDIR || device.error == ENAMETOOLONG
                           ? Device::State::Missing
                       : device.error == ELOOP ? Device::State::LinkLoop
                                               : Device::State::Unknown;
        return device;
    }
    device.state = S_ISDIR(st.st_mode) ? Device::State::Folder : Device::State::Present;
    device.characterDevice = S_ISCHR(st.st_mode);
    device.mode = st.st_mode;
    device.groupId = st.st_gid;
    device.controllingTerminal = QFileInfo(location).canonicalFilePath() == QLatin1String("/dev/tty");
#ifdef Q_OS_LINUX
    device.controllingTerminal = device.controllingTerminal || (device.characterDevice && st.st_rdev == makedev(5, 0));
#endif
    if (forAdvice) {
        const passwd *owner = ::getpwuid(st.st_uid);
        device.owner = owner ? QString::fromLocal8Bit(owner->pw_name) : QString::number(st.st_uid);
        const group *group = ::getgrgid(st.st_gid);
        device.group = group ? QString::fromLocal8Bit(group->gr_name) : QString::number(st.st_gid);
        device.accessible = ::access(name.constData(), R_OK | W_OK) == 0;
    }
#else
    Q_UNUSED(location) // port names such as COM3 name no file: Qt alone can tell
    Q_UNUSED(forAdvice)
#endif
    return device;
}

User currentUser()
{
    User user;
#ifdef Q_OS_UNIX
    const int count = ::getgroups(0, nullptr);
    if (count > 0) {
        QList<gid_t> groups(count);
        const int got = ::getgroups(count, groups.data());
        for (int i = 0; i < got; ++i)
            user.processGroups << uint(groups[i]);
    }
    user.processGroups << uint(::getegid());
    if (const passwd *account = ::getpwuid(::getuid())) {
        int accountCount = 64;
        QList<gid_t> groups(accountCount);
        if (::getgrouplist(account->pw_name, account->pw_gid, groups.data(), &accountCount) < 0) {
            groups.resize(accountCount);
            ::getgrouplist(account->pw_name, account->pw_gid, groups.data(), &accountCount);
        }
        for (int i = 0; i < accountCount && i < groups.size(); ++i)
            user.accountGroups << uint(groups[i]);
    }
#endif
    return user;
}

std::optional<SerialLine::OpenFailure> beforeOpen(const Device &device)
{
    const QString choose = QStringLiteral(" - CHOOSE THE PORT OF THE SWITCH PANEL");
    switch (device.state) {
    case Device::State::Missing:
        return SerialLine::OpenFailure{Kind::NotFound, qt_error_string(device.error)};
    case Device::State::Folder:
        return advised(Kind::NotASerialPort, qt_error_string(EISDIR), {}, QStringLiteral(" IS A FOLDER, NOT A SERIAL PORT") + choose);
    case Device::State::LinkLoop:
        return advised(Kind::NotASerialPort, qt_error_string(device.error), {},
                       QStringLiteral(" IS A LINK THAT LEADS ROUND IN A CIRCLE - MEND THE LINK OR CHOOSE ANOTHER PORT"));
    case Device::State::Present:
        if (device.controllingTerminal)
            return advised(Kind::NotASerialPort, QStringLiteral("the terminal of the program itself"), {},
                           QStringLiteral(" IS THE TERMINAL THIS PROGRAM RUNS IN, NOT A SERIAL PORT") + choose);
        if (!device.characterDevice)
            return SerialLine::OpenFailure{Kind::NotASerialPort, QStringLiteral("Not a character device")};
        break;
    case Device::State::Unknown:
        break;
    }
    return std::nullopt;
}

SerialLine::OpenFailure afterOpen(const Device &device, const User &user, QSerialPort::SerialPortError error,
                                  const QString &reason, int systemError)
{
#ifdef Q_OS_UNIX
    // The port itself or its lock file: either way the port is not in use, the program is full.
    if (systemError == EMFILE || systemError == ENFILE)
        return advised(Kind::Other, qt_error_string(systemError), QStringLiteral("SERIAL PORT "),
                       QStringLiteral(" COULD NOT BE OPENED: TOO MANY OPEN FILES - USE FEWER PORTS AT ONCE OR RAISE "
                                      "THE OPEN-FILE LIMIT"));
#else
    Q_UNUSED(systemError)
#endif
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return {Kind::NotFound, reason};
    case QSerialPort::PermissionError:
        break;
    default:
#ifdef Q_OS_UNIX
        if (reason == qt_error_string(ENOTTY))
            return {Kind::NotASerialPort, reason};
#endif
        return {Kind::Other, reason};
    }
    // Qt reports a lock held by another program as a permission error too.
    if (device.accessible)
        return {Kind::InUse, reason};
    const QString before = QStringLiteral("NO PERMISSION FOR PORT ");
    if (device.state != Device::State::Present)
        return advised(Kind::PermissionDenied, reason, before, QStringLiteral(" - ASK YOUR ADMINISTRATOR FOR ACCESS"));
    if (device.group.isEmpty())
        return {Kind::PermissionDenied, reason};
    // Joining the device's group helps only when the group may read and write it.
    if ((device.mode & groupReadWrite) == groupReadWrite && !user.processGroups.contains(device.groupId)) {
        if (user.accountGroups.contains(device.groupId))
            return advised(Kind::PermissionDenied, reason, before,
                           QStringLiteral(" - LOG IN AGAIN: YOU JOINED THE %1 GROUP AFTER THIS LOGIN").arg(device.group));
        return advised(Kind::PermissionDenied, reason, before,
                       QStringLiteral(" - JOIN THE %1 GROUP, THEN LOG IN AGAIN").arg(device.group));
    }
    return advised(Kind::PermissionDenied, reason, before,
                   QStringLiteral(" (OWNER %1, GROUP %2, MODE %3) - ASK YOUR ADMINISTRATOR FOR ACCESS")
                       .arg(device.owner, device.group, modeText(device.mode)));
}

QString modeText(quint32 mode)
{
    QString text;
    switch (mode & typeMask) {
    case folderType: text = QStringLiteral("d"); break;
    case characterType: text = QStringLiteral("c"); break;
    case blockType: text = QStringLiteral("b"); break;
    case fifoType: text = QStringLiteral("p"); break;
    case linkType: text = QStringLiteral("l"); break;
    case socketType: text = QStringLiteral("s"); break;
    default: text = QStringLiteral("-"); break;
    }
    const char letters[] = "rwxrwxrwx";
    for (int bit = 0; bit < 9; ++bit)
        text += (mode & (0400u >> bit)) ? QLatin1Char(letters[bit]) : QLatin1Char('-');
    return text;
}

} // namespace PortAdvice
