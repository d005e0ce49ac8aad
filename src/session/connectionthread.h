#pragma once

#include "platform/coreexport.h"
#include "config/panelconfiguration.h"
#include "link/linkresult.h"
#include "statustexts.h"
#include "transfer/transferoutcome.h"

#include <QObject>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class ConnectionWorker;
class SerialLine;

// One port's line and transfer driver on a thread and event loop of their own, so that
// several panels are written or read side by side: each link's waits block in its own
// thread's loop. Jobs are started from the owner's thread; one started while another runs
// waits for it to end, never running inside its waits. Progress and the outcome come back
// to the owner as queued signals, one finished or polled for each job, in the order the
// jobs were started. The line and the driver are made on the connection's thread, where
// their timers and notifiers must live.
class DURVEX_CORE_EXPORT ConnectionThread : public QObject
{
    Q_OBJECT

public:
    // A poll: the port opened, one "A" sent, one tick waited, what came discarded, the port
    // closed. Answered when anything came back; PortMissing when the port is not there.
    enum class Poll { Answered, Silent, PortMissing };
    Q_ENUM(Poll)

    // A write's backup of what the panel held, called on the connection's thread before any
    // byte is sent; false sends nothing.
    using Backup = std::function<bool(qint16 model, const PanelConfiguration::MemoryImage &held)>;

    // Makes the line, on the connection's thread, when the first job comes.
    using LineFactory = std::function<std::unique_ptr<SerialLine>()>;

    // The serial port of that name; with a trace label, each line of the byte trace names
    // the port.
    explicit ConnectionThread(const QString &port, const QString &traceFile = QString(),
                              const QString &traceLabel = QString(), QObject *parent = nullptr);
    ConnectionThread(const QString &port, LineFactory makeLine, QObject *parent = nullptr);
    // Ends the job under way at its current wait, and drops those waiting.
    ~ConnectionThread() override;

    QString port() const { return m_port; }

    // The values a write sends at each configuration address; with items missing, the port
    // is opened and closed again and nothing is sent, as a write from the form does.
    // With `skipMatching`, a panel that holds them all is not written.
    void write(const PanelConfiguration::MemoryImage &image, const QList<MissingPick> &missing = {},
               bool skipMatching = false, Backup backup = {});
    // The panel's seventeen configuration bytes, handed over with the outcome.
    void read();
    void poll();

    // Ends the job at its current wait, with the port closed; a job started later ends at
    // once as aborted. From any thread.
    void abort();

signals:
    void byteStarting(int address);
    // With the status line's text the byte made, or empty where it said nothing.
    void byteDone(int address, const LinkResult &result, const QString &status);
    // A panel of another model, before the port closes.
    void refused(qint16 model);
    // A read's image holds the bytes read up to the one that failed. The status is the
    // line the transfer ended with: for a panel of another model, the text it had with the
    // detail grown; none for a transfer ended from outside or refused as busy.
    void finished(const TransferOutcome &outcome, const PanelConfiguration::MemoryImage &image,
                  const std::optional<StatusTexts::Report> &status);
    void polled(ConnectionThread::Poll result);

private:
    void post(std::function<void(ConnectionWorker &)> job);

    QString m_port;
    QThread m_thread;
    ConnectionWorker *m_worker; // lives on m_thread, deleted there when it ends
    std::shared_ptr<std::atomic<bool>> m_aborted;
};
