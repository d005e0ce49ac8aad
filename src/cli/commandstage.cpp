#include "commandstage.h"

#include "cli/fixture.h"
#include "cli/lineinput.h"
#include "cli/recordformat.h"
#include "link/bytetrace.h"
#include "line/productionline.h"
#include "link/portchoice.h"
#include "link/systemline.h"
#include "platform/exitcode.h"
#include "platform/regularfile.h"
#include "platform/standardstreams.h"
#include "platform/warnings.h"
#include "version.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QJsonArray>
#include <QThread>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

CommandStage::CommandStage(const CommandLine &commandLine, QSettings *settings, std::FILE *err, QObject *parent)
    : QObject(parent)
    , m_commandLine(commandLine)
    , m_settings(settings)
#ifdef Q_OS_UNIX
    , m_terminal(::isatty(::fileno(err)))
#else
    , m_terminal(false)
#endif
    , m_session(*this,
                SystemLine::make(
                    PortChoice::forThisRun(commandLine.port, commandLine.environmentPort, settings), commandLine.trace))
    , m_form(m_session.form())
    , m_board(err, m_terminal, commandLine.quiet, ProgressBoard::colourWanted(m_terminal))
    , m_json(m_board, m_log.runId())
    , m_events(m_board, m_log.runId())
    , m_logSink(m_log, m_fileSha256, m_board)
{
    if (commandLine.json)
        m_records << &m_json;
    if (commandLine.events)
        m_records << &m_events;
    m_started = QDateTime::currentDateTimeUtc();
    // A warning from a port's thread is said on this one, above the board, not through it.
    Warnings::setSink([this](const QString &text) {
        if (QThread::currentThread() == thread())
            say(text, true);
        else
            QMetaObject::invokeMethod(this, [this, text] { say(text, true); }, Qt::QueuedConnection);
    });
    connect(&m_form, &FormModel::changed, this, &CommandStage::statusChanged);
    m_session.onByte = [this](int byte) { m_board.progress(0, byte, m_form.status().text); };
    // Ctrl+C, SIGTERM and SIGHUP end every transfer at its current wait with its port closed,
    // as closing the window does.
    connect(&m_termination, &Termination::requested, this, [this] {
        m_session.abort();
        if (m_fixture)
            m_fixture->interrupt();
    });
}

CommandStage::~CommandStage()
{
    Warnings::setSink({});
}

bool CommandStage::openLog()
{
    if (!m_commandLine.log.isEmpty()) {
        QString reason;
        if (!m_log.open(m_commandLine.log, &reason)) {
            say(QStringLiteral("durvex-config: the log %1 cannot be appended to: %2").arg(m_commandLine.log, reason), true);
            return false;
        }
        m_log.setStation(m_commandLine.station, m_commandLine.operatorName, m_commandLine.workOrder);
        m_records << &m_logSink;
    }
    m_summary = std::make_unique<SummarySink>(m_board, m_commandLine.series, m_commandLine.events ? &m_events : nullptr,
                                              m_log.isOpen() ? &m_logSink : nullptr);
    return true;
}

RunResult CommandStage::finished(RunResult result)
{
    // Warnings the ports' threads gave at their end.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    result.summaryKept = !m_summary || m_summary->kept();
    if (const QString failure = m_board.outputFailure(); !failure.isEmpty()) {
        say(QStringLiteral("durvex-config: the result could not be written to standard output: %1").arg(failure), true);
        result.outputWritten = false;
    }
    return result;
}

int CommandStage::openFile()
{
    const QString &path = m_commandLine.file;
    const FileOutcome outcome = m_session.open(path);
    switch (outcome.kind) {
    case FileOutcome::Kind::Done:
        hashFile(path); // for the run's record, the log and --expect-sha256
        // Another revision than the one released for the line touches nothing.
        if (!m_commandLine.expectSha256.isEmpty() && m_fileSha256 != m_commandLine.expectSha256.toLatin1()) {
            m_fileProblem = QStringLiteral("%1 is another revision: its SHA-256 is %2, not %3")
                                .arg(path, QString::fromLatin1(m_fileSha256), m_commandLine.expectSha256);
            say(QStringLiteral("durvex-config: ") + m_fileProblem, true);
            return ExitCode::FileFailed;
        }
        return ExitCode::Done;
    // A file that is not there or may not be read is named with the system's reason; the
    // FILE/MODEL MIS-MATCH box is for one that is there and holds no configuration.
    case FileOutcome::Kind::Missing:
    case FileOutcome::Kind::NoAccess:
        m_fileProblem = outcome.reason.isEmpty() ? QStringLiteral("%1 cannot be read").arg(path)
                                                 : QStringLiteral("%1: %2").arg(path, outcome.reason);
        say(QStringLiteral("durvex-config: ") + m_fileProblem, true);
        return ExitCode::FileFailed;
    default:
        break;
    }
    if (const std::optional<StatusTexts::Box> box = StatusTexts::fileBox(outcome))
        m_fileProblem = printBox(*box);
    return ExitCode::FileFailed;
}

void CommandStage::hashFile(const QString &path)
{
    QFile file;
    if (RegularFile::openForReading(path, file) != RegularFile::Status::Ok) {
        m_fileSha256.clear();
        return;
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    m_fileSha256 = hash.result().toHex();
}

void CommandStage::hashBytes(const QByteArray &bytes)
{
    m_fileSha256 = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

RunResult CommandStage::settled(const QList<LineSettings::Position> &positions, const PanelAttempt &attempt)
{
    LineSettings settings;
    settings.positions = positions;
    openRun(positions);
    ProductionLine line(settings, {});
    for (AttemptSink *sink : std::as_const(m_records))
        line.subscribe(sink);
    line.subscribe(m_summary.get());
    line.endWith(attempt);
    return line.result();
}

RunResult CommandStage::runLine(const QList<LineSettings::Position> &positions, const LineSettings::Work &work)
{
    if (m_commandLine.series && m_commandLine.operatorName.isEmpty() && m_terminal && StandardStreams::inputIsTerminal())
        askOperator();
    if (const int signal = Termination::received())
        return {.signal = signal};
    openRun(positions);
    Fixture fixture(m_commandLine, positions, work, m_board, m_records, m_commandLine.events ? &m_events : nullptr,
                    m_summary.get());
    m_logSink.follow(fixture.line());
    m_fixture = &fixture;
    const RunResult result = fixture.run();
    m_fixture = nullptr;
    return result;
}

void CommandStage::askOperator()
{
    LineInput input;
    QEventLoop loop;
    QString answer;
    bool answered = false;
    connect(&input, &LineInput::line, &loop, [&](const QString &text) {
        const QString name = text.trimmed();
        if (const QString refused = CommandLine::stationTextRefusal(QStringLiteral("the operator"), name);
            !refused.isEmpty()) {
            say(refused, true);
            say(QStringLiteral("Operator (Enter for none):"));
            input.request();
            return;
        }
        answer = name;
        answered = true;
        loop.quit();
    });
    connect(&input, &LineInput::ended, &loop, &QEventLoop::quit);
    connect(&input, &LineInput::refused, this, [this](const QString &why) { say(why, true); });
    connect(&m_termination, &Termination::requested, &loop, &QEventLoop::quit);
    say(QStringLiteral("Operator (Enter for none):"));
    input.request();
    loop.exec();
    input.cancel();
    if (!answered)
        return;
    m_commandLine.operatorName = answer;
    m_log.setStation(m_commandLine.station, m_commandLine.operatorName, m_commandLine.workOrder);
}

void CommandStage::openRun(const QList<LineSettings::Position> &positions)
{
    if (m_runOpened)
        return;
    m_runOpened = true;
    using Command = CommandLine::Command;
    const auto textOrNull = [](const QString &text) { return text.isEmpty() ? QJsonValue() : QJsonValue(text); };
    const bool read = m_commandLine.command == Command::Read;
    const QString &file = read ? m_commandLine.output : m_commandLine.file;
    const bool isFile = !file.isEmpty() && file != QLatin1String("-");
    // A read's file is not written yet when its run opens.
    const QByteArray sha = isFile && !read ? m_fileSha256 : QByteArray();
    QJsonArray ports;
    for (const LineSettings::Position &p : positions)
        if (!p.port.isEmpty()) // a check touches no port
            ports.append(QJsonObject{{QStringLiteral("position"), p.label}, {QStringLiteral("port"), p.port}});
    QJsonObject run = RecordFormat::stamped({{QStringLiteral("event"), QStringLiteral("run")}}, m_log.runId());
    run.insert(QStringLiteral("tool_version"), QStringLiteral(DURVEX_VERSION));
    run.insert(QStringLiteral("started"), m_started.toString(Qt::ISODateWithMs));
    run.insert(QStringLiteral("command"), CommandLine::commandName(m_commandLine.command));
    run.insert(QStringLiteral("arguments"), QJsonArray::fromStringList(m_commandLine.arguments));
    run.insert(QStringLiteral("file"), isFile ? QJsonValue(QDir::cleanPath(QDir::current().absoluteFilePath(file)))
                                              : textOrNull(file));
    run.insert(QStringLiteral("sha256"), textOrNull(QString::fromLatin1(sha)));
    run.insert(QStringLiteral("positions"), ports);
    run.insert(QStringLiteral("station"), textOrNull(m_commandLine.station));
    run.insert(QStringLiteral("operator"), textOrNull(m_commandLine.operatorName));
    run.insert(QStringLiteral("work_order"), textOrNull(m_commandLine.workOrder));
    if (m_log.isOpen())
        m_log.setRunRecord(run);
    if (m_commandLine.events)
        m_events.tell(run);
    if (!m_commandLine.trace.isEmpty())
        ByteTrace(m_commandLine.trace)
            .event(QStringLiteral("RUN %1 durvex-config %2").arg(m_log.runId(), QStringLiteral(DURVEX_VERSION)));
}

QString CommandStage::incomplete(const QList<MissingPick> &missing)
{
    const StatusTexts::Report report = StatusTexts::incomplete(missing, StatusTexts::MissingPicksFor::PanelWrite);
    for (const QString &line : StatusEcho().update(report.text, report.detail))
        say(line, true);
    return report.detail;
}

void CommandStage::sayAdjusted(const QList<PanelAttempt::Adjustment> &adjusted, bool fromPanel)
{
    for (const PanelAttempt::Adjustment &adjustment : adjusted)
        say(PanelAttempt::describe(adjustment, fromPanel));
}

void CommandStage::messageBox(const QString &text, const QString &title)
{
    printBox({text, title});
}

QString CommandStage::printBox(const StatusTexts::Box &box)
{
    QString shown = box.text;
    shown.replace(QLatin1Char('\n'), QStringLiteral("\n  "));
    say(box.title.isEmpty() ? shown : box.title + QStringLiteral(": ") + shown, true);
    return box.title.isEmpty() ? box.text : box.title + QStringLiteral(": ") + box.text;
}

void CommandStage::say(const QString &line, bool failure)
{
    m_board.say(line, failure);
}

void CommandStage::statusChanged()
{
    const FormModel::Status &status = m_form.status();
    if (!status.visible || status.text.isEmpty())
        return;
    for (const QString &line : m_echo.update(status.text, status.detail))
        say(line, status.colour == FormModel::StatusColour::Red);
}
