#include "writecommand.h"

#include "cli/commandstage.h"
#include "platform/descriptorlimit.h"
#include "platform/exitcode.h"
#include "session/panelbackup.h"

namespace {

// What each position holds open while its panel is under way: its thread's event-loop
// wakeup (an eventfd on Linux, a pipe of two elsewhere), the port and the port's lock file,
// and with a trace its own handle on the trace file. Beside them, a few are open for a
// moment: the account database read for the log's user name, a library loaded once.
#ifdef Q_OS_LINUX
constexpr int wakeupDescriptors = 1;
#else
constexpr int wakeupDescriptors = 2;
#endif
// A build checked by the sanitizers opens a pipe for a moment each time a thread checks an
// object's type and finds it out of its cache; at the limit, a check without its pipe
// reports a fault that is not there and aborts the run.
#ifdef DURVEX_SANITIZED
constexpr int checkingPerThread = 2;
#else
constexpr int checkingPerThread = 0;
#endif
constexpr int portAndLock = 2;
constexpr int descriptorsPerPosition = wakeupDescriptors + portAndLock + checkingPerThread;
constexpr int descriptorReserve = 2 + checkingPerThread;

// Why the positions cannot all hold their descriptors at once, or nothing when they can,
// the soft limit raised where that suffices.
QString descriptorsShort(int positions, bool tracing)
{
    const std::optional<DescriptorLimit::Limit> limit = DescriptorLimit::current();
    if (!limit)
        return {};
    const DescriptorLimit::Plan plan = DescriptorLimit::plan(DescriptorLimit::openNow(), *limit, positions,
                                                             descriptorsPerPosition + (tracing ? 1 : 0),
                                                             descriptorReserve);
    QString reason;
    if (plan.fits && (!plan.raiseTo || DescriptorLimit::raiseSoft(plan.raiseTo, &reason)))
        return {};
    const QString ports = positions == 1 ? QStringLiteral("1 port needs") : QStringLiteral("%1 ports need").arg(positions);
    if (plan.fits)
        return QStringLiteral("%1 %2 open files (descriptors) at once, and the open-file limit of %3 could not be "
                              "raised: %4")
            .arg(ports, QString::number(plan.needed), QString::number(limit->soft), reason);
    return QStringLiteral("%1 %2 open files (descriptors) at once, more than the open-file limit of %3 allows: "
                          "%4 fit. Give at most %4, or raise the limit (ulimit -n %2)")
        .arg(ports, QString::number(plan.needed), QString::number(limit->hard),
             QString::number(plan.positionsThatFit));
}

} // namespace

WriteCommand::WriteCommand(CommandStage &stage, CommandLine::Command command)
    : ToolCommand(command)
    , m_stage(stage)
{
}

RunResult WriteCommand::run()
{
    const CommandLine &commandLine = m_stage.commandLine();
    const bool verify = m_command == CommandLine::Command::Verify;
    const QStringList ports =
        commandLine.ports.isEmpty() ? QStringList{m_stage.session().line().portName()} : commandLine.ports;
    // Each position is named by its label, else by its port as given or as chosen.
    QList<LineSettings::Position> positions;
    for (int i = 0; i < int(ports.size()); ++i)
        positions.append({commandLine.labels.value(i, ports[i]), ports[i],
                          ports.size() > 1 ? commandLine.panelIds.value(i) : commandLine.panelId});
    // Counted before anything starts: a run short of descriptors part way would lose threads
    // and leave lock files behind.
    if (const QString refusal = descriptorsShort(int(ports.size()), !commandLine.trace.isEmpty()); !refusal.isEmpty()) {
        m_stage.say(QStringLiteral("durvex-config: ") + refusal, true);
        return {.refusal = RunResult::Refusal::Usage};
    }
    // A file refused before any panel is an attempt that failed on every port.
    const auto refuse = [&](int code, const QString &detail) {
        PanelAttempt attempt;
        attempt.command = name();
        attempt.file = commandLine.file;
        attempt.exitCode = code;
        attempt.detail = detail;
        return m_stage.settled(positions, attempt);
    };
    // A backup folder that will not take the backups is known before any panel is touched.
    if (!commandLine.backup.isEmpty()) {
        if (const QString problem = PanelBackup::folderProblem(commandLine.backup); !problem.isEmpty()) {
            const QString detail = QStringLiteral("cannot save backups: %1").arg(problem);
            m_stage.say(QStringLiteral("durvex-config: ") + detail, true);
            return refuse(ExitCode::FileFailed, detail);
        }
    }
    if (const int opened = m_stage.openFile(); opened != ExitCode::Done)
        return refuse(opened, m_stage.fileProblem());

    // The values a write of the file sends, gathered as the window's write gathers them.
    FormModel &form = m_stage.form();
    LineSettings::Work work;
    work.verify = verify;
    work.file = commandLine.file;
    work.backup = commandLine.backup;
    const FormModel::Gathering gathering = form.gather();
    if (!gathering.complete()) {
        if (verify) // nothing a write would send to compare with
            return refuse(ExitCode::FileFailed, m_stage.incomplete(gathering.missing));
        work.missing = gathering.missing;
    }
    work.image = gathering.configuration.memoryImage();
    work.adjusted = form.adjustments();
    m_stage.sayAdjusted(work.adjusted, false);
    if (const int signal = Termination::received())
        return {.signal = signal};

    return m_stage.runLine(positions, work);
}
