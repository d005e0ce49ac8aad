#include "statustexts.h"

#include "filecommands.h"
#include "link/serialline.h"
#include "model/selectortables.h"

#include <QFileInfo>

using Colour = FormModel::StatusColour;
using Kind = TransferOutcome::Kind;
using LinkKind = LinkResult::Kind;

namespace StatusTexts {
namespace {

const QString badData = QStringLiteral("COMMUNICATIONS FAILURE-BAD SWITCH PANEL DATA");

// A reply as it is told: quoted, with what cannot be printed escaped.
QString quoted(const QByteArray &reply)
{
    return QLatin1Char('"') + LinkResult::printable(reply) + QLatin1Char('"');
}

// A byte of a read-back as it is told: its meaning, with its code where that alone does not
// say it, and a code that no list has as what it is.
QString readBackByte(int address, qint16 code)
{
    if (!isListedCode(address, code))
        return QStringLiteral("%1, which is no valid code").arg(code);
    if (code == notAssigned && PanelConfiguration::isItem(address))
        return QStringLiteral("N/A (%1)").arg(code);
    return describeByte(address, code);
}

// What one step on the line came to, in words.
QString described(const LinkResult &result, int address)
{
    switch (result.kind) {
    case LinkKind::NoReply: return QStringLiteral("no reply");
    case LinkKind::ShortReply: return QStringLiteral("short reply %1").arg(quoted(result.reply));
    case LinkKind::CorruptedReply: return QStringLiteral("corrupted reply %1").arg(quoted(result.reply));
    case LinkKind::OutOfRange:
        return QStringLiteral("reply %1 reads %2, out of range").arg(quoted(result.reply), QString::number(result.value));
    case LinkKind::NotAByte: return QStringLiteral("code %1 cannot be sent as one byte").arg(result.sent);
    case LinkKind::NoAcknowledgement:
        return result.reply.isEmpty() ? QStringLiteral("no acknowledgement, nothing came back")
                                      : QStringLiteral("no acknowledgement, %1 came back").arg(quoted(result.reply));
    case LinkKind::ReadBackDiffers:
        return QStringLiteral("wrote %1, read back %2")
            .arg(readBackByte(address, result.sent), readBackByte(address, result.value));
    case LinkKind::ReadBackUnreadable:
        return result.reply.isEmpty() ? QStringLiteral("wrote %1, no read-back").arg(describeByte(address, result.sent))
                                      : QStringLiteral("wrote %1, read-back %2 unreadable")
                                            .arg(describeByte(address, result.sent), quoted(result.reply));
    default: break;
    }
    return {};
}

QString portFailure(const LinkResult &link, const QString &port)
{
    if (!link.advice.isEmpty())
        return link.advice.arg(port);
    const QString &reason = link.reason;
    switch (link.kind) {
    case LinkKind::PortNotFound:
        return QStringLiteral("SERIAL PORT %1 NOT FOUND - PLUG IN THE ADAPTER OR CHOOSE ANOTHER PORT").arg(port);
    case LinkKind::PortNoPermission:
#ifdef Q_OS_LINUX
        return QStringLiteral("NO PERMISSION FOR PORT %1 - JOIN THE dialout GROUP, THEN LOG IN AGAIN").arg(port);
#else
        return QStringLiteral("NO PERMISSION FOR SERIAL PORT %1 - ASK YOUR ADMINISTRATOR FOR ACCESS").arg(port);
#endif
    case LinkKind::PortInUse:
        return QStringLiteral("SERIAL PORT %1 IS IN USE BY ANOTHER PROGRAM - CLOSE IT AND TRY AGAIN").arg(port);
    case LinkKind::NotASerialPort:
        return QStringLiteral("%1 IS NOT A SERIAL PORT - CHOOSE THE PORT OF THE SWITCH PANEL").arg(port);
    default: break;
    }
    return QStringLiteral("COMMUNICATIONS FAILURE - SERIAL PORT %1 COULD NOT BE OPENED: %2").arg(port, reason);
}

// A port on the line: short enough to fit (the end of a long name, or the device it leads to).
QString lineName(const QString &port)
{
    return SerialLine::shortName(port);
}

// A port in a message's detail: as the technician gave it, with the device it leads to after it
// where that differs.
QString portName(const QString &port)
{
    const QString device = QFileInfo(port).canonicalFilePath();
    return device.isEmpty() || device == port ? port : QStringLiteral("%1 (%2)").arg(port, device);
}

// What a detail adds to a message that names the port on the line: the port by its whole name,
// once, where the line shortened it, and the lines after. The detail begins with the message, so
// that a screen reader reading both hears the message once and one name for the port.
QString detailOf(const QString &message, const QString &port, const QString &more)
{
    QStringList lines{message};
    if (lineName(port) != portName(port))
        lines << QStringLiteral("Port %1").arg(portName(port));
    if (!more.isEmpty())
        lines << more;
    return lines.join(QLatin1Char('\n'));
}

// A port that would not open, with the system's reason.
QString portDetail(const LinkResult &link, const QString &port)
{
    return detailOf(portFailure(link, lineName(port)), port, link.reason);
}

// A failure that names the port.
Report onPort(const QString &text, const QString &port, const QString &more)
{
    const QString message = text.arg(lineName(port));
    return {message, detailOf(message, port, more), Colour::Red};
}

QString portLine(const TransferOutcome &outcome)
{
    QString line = QStringLiteral("Port %1").arg(portName(outcome.port));
    if (outcome.model)
        line += QStringLiteral(", panel model %1").arg(*outcome.model);
    return line;
}

} // namespace

QString starting(Direction direction)
{
    return direction == Direction::Read ? QStringLiteral("STARTING COMMUNICATIONS TO READ SWITCH PANEL CONFIGURATION")
                                        : QStringLiteral("STARTING COMMUNICATIONS TO WRITE SWITCH PANEL CONFIGURATION");
}

std::optional<QString> afterByte(const LinkResult &result, Direction)
{
    switch (result.kind) {
    case LinkKind::Ok: return QStringLiteral("COMMUNICATIONS OK");
    case LinkKind::OutOfRange: return QStringLiteral("ERROR - DATA OUT OF RANGE");
    case LinkKind::NoReply:
    case LinkKind::ShortReply:
    case LinkKind::CorruptedReply:
    case LinkKind::ReadBackUnreadable: return QStringLiteral("COMMUNICATIONS CORRUPTED");
    case LinkKind::NotAByte:
    case LinkKind::ReadBackDiffers: return QStringLiteral("DATA FAILED TO VERIFY");
    default: break;
    }
    return std::nullopt;
}

QString missing(const QList<MissingPick> &picks)
{
    QStringList noChannel, noModule;
    for (const MissingPick &pick : picks)
        (pick.module ? noModule : noChannel) << PanelConfiguration::name(pick.item);
    QStringList parts;
    if (!noChannel.isEmpty())
        parts << noChannel.join(QStringLiteral(", ")) + QStringLiteral(": no channel");
    if (!noModule.isEmpty())
        parts << noModule.join(QStringLiteral(", ")) + QStringLiteral(": no module");
    return parts.join(QStringLiteral("; "));
}

Report incomplete(const QList<MissingPick> &picks, MissingPicksFor command)
{
    QString text;
    if (picks.constFirst().item < ConfigItems::switchCount)
        text = QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA");
    else // in the spelling users know from this command (see MissingPicksFor)
        text = QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL %1 AND BACKLIGHTING BEFORE WRITING DATA")
                   .arg(command == MissingPicksFor::PanelWrite ? QLatin1String("LED'S") : QLatin1String("LED's"));
    return Report{text, text + QLatin1Char('\n') + missing(picks), Colour::Red};
}

std::optional<Report> ending(const TransferOutcome &outcome, Direction direction)
{
    const QString port = portLine(outcome);
    switch (outcome.kind) {
    case Kind::Done: {
        const QString text = outcome.unchanged ? QStringLiteral("THE SWITCH PANEL ALREADY HOLDS THIS CONFIGURATION")
            : direction == Direction::Read ? QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL")
                                                          : QStringLiteral("SWITCH PANEL HAS BEEN PROGRAMMED");
        return Report{text, text + QLatin1Char('\n') + port, Colour::Green};
    }
    case Kind::Incomplete: {
        Report report = incomplete(outcome.missing, MissingPicksFor::PanelWrite);
        if (!outcome.link.ok()) // the port is the next thing to mend
            report.detail += QLatin1Char('\n') + portDetail(outcome.link, outcome.port);
        return report;
    }
    case Kind::PortFailed:
        return Report{portFailure(outcome.link, lineName(outcome.port)), portDetail(outcome.link, outcome.port),
                      Colour::Red};
    case Kind::NoResponse:
        return onPort(QStringLiteral("COMMUNICATIONS FAILURE SWITCH PANEL FAILED TO RESPOND ON %1"), outcome.port,
                      outcome.link.reply.isEmpty()
                          ? QStringLiteral("No answer to the attention command")
                          : QStringLiteral("The attention command was answered %1").arg(quoted(outcome.link.reply)));
    case Kind::ModelUnreadable:
        return Report{badData,
                      badData + QStringLiteral("\nThe model byte (address %1): %2\n%3")
                                    .arg(QString::number(modelAddress), described(outcome.link, modelAddress), port),
                      Colour::Red};
    case Kind::WrongModel:
        return Report{{}, QStringLiteral("the panel reports model %1\nPort %2").arg(QString::number(*outcome.model), outcome.port),
                      Colour::Yellow};
    case Kind::ByteFailed:
        return Report{badData,
                      badData + QStringLiteral("\n%1 (address %2): %3\n%4")
                                    .arg(PanelConfiguration::name(outcome.address), QString::number(outcome.address),
                                         described(outcome.link, outcome.address), port),
                      Colour::Red};
    case Kind::LineLost:
        return onPort(QStringLiteral("COMMUNICATIONS FAILURE - SERIAL PORT %1 LOST"), outcome.port, {});
    case Kind::BackupRefused: {
        const QString text = QStringLiteral("THE BACKUP COULD NOT BE SAVED: NOTHING WAS WRITTEN");
        return Report{text, text + QLatin1Char('\n') + port, Colour::Red};
    }
    case Kind::Aborted:
    case Kind::Busy: // the line is the running transfer's
        break;
    }
    return std::nullopt;
}

QString mismatchText(Direction direction)
{
    return direction == Direction::Read
        ? QStringLiteral("THE SWITCH PANEL THAT YOU HAVE ATTEMPTED TO READ DATA FROM DOES NOT MATCH THIS CONFIGURATION PROGRAM")
        : QStringLiteral("THE SWITCH PANEL THAT YOU HAVE ATTEMPTED TO WRITE DATA TO DOES NOT MATCH THIS CONFIGURATION PROGRAM");
}

QString mismatchTitle()
{
    return QStringLiteral("SWITCH PANEL/CONFIGURATION MIS-MATCH");
}

std::optional<Box> fileBox(const FileOutcome &outcome)
{
    using FileKind = FileOutcome::Kind;
    switch (outcome.kind) {
    case FileKind::NoName:
        return Box{QStringLiteral("Name must be entered in PANEL NAME field"), QString()};
    case FileKind::NotSaved:
        return Box{QStringLiteral("THE CONFIGURATION FILE COULD NOT BE SAVED\n%1\n%2").arg(outcome.path, outcome.reason),
                   FileCommands::saveTitle};
    // Every file that is there to be read, or named for one, but holds no configuration for
    // these panels gets the one box.
    case FileKind::Missing:
    case FileKind::NotAFile:
    case FileKind::NotARecord:
    case FileKind::OtherModel:
        return Box{QStringLiteral("AN ERROR HAS OCCURRED READING THE FILE BECAUSE THE FILE\n"
                                  "WAS NOT CREATED FOR THE 00-00531-(MDL) OR 00-00537-(MDL)\n"
                                  "-------------THE FILE READ OPERATION IS BEING ABANDONED!--------------"),
                   QStringLiteral("FILE/MODEL MIS-MATCH")};
    case FileKind::Done:
    case FileKind::Cancelled:
    case FileKind::Incomplete: // on the status line
    case FileKind::NoAccess:   // silently: the user picked a folder or a file not to be read
        break;
    }
    return std::nullopt;
}

} // namespace StatusTexts
