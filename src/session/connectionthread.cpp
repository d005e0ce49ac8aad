#include "connectionthread.h"

#include "link/systemline.h"
#include "transferdriver.h"

#include <QElapsedTimer>

#include <deque>

// The part that lives on the connection's thread.
class ConnectionWorker : public QObject
{
    Q_OBJECT

public:
    ConnectionWorker(ConnectionThread::LineFactory makeLine, std::shared_ptr<std::atomic<bool>> aborted)
        : m_makeLine(std::move(makeLine))
        , m_aborted(std::move(aborted))
    {
    }

    // A job that comes while one runs (delivered by the events that its waits run) waits
    // for it to end.
    void enqueue(std::function<void()> job)
    {
        m_jobs.push_back(std::move(job));
        if (m_running)
            return;
        m_running = true;
        while (!m_jobs.empty()) {
            const std::function<void()> next = std::move(m_jobs.front());
            m_jobs.pop_front();
            next();
        }
        m_running = false;
    }

    void transfer(bool writing, const PanelConfiguration::MemoryImage &image, const QList<MissingPick> &missing,
                  bool skipMatching = false, const ConnectionThread::Backup &backup = {})
    {
        TransferDriver &driver = this->driver();
        PanelConfiguration::MemoryImage read{};
        // The status line as the driver says it, handed on with the byte that made it, and
        // once the transfer has ended, with its outcome.
        std::optional<StatusTexts::Report> said;
        TransferDriver::Job job;
        job.status = [&said](const StatusTexts::Report &status) { said = status; };
        job.begin = [&said] { said.reset(); };
        job.starting = [this](int address) { emit byteStarting(address); };
        job.done = [this, &said](int address, const LinkResult &result) {
            emit byteDone(address, result, said ? said->text : QString());
            said.reset();
        };
        job.read = [&read](int address, qint16 code) { read[address] = code; };
        job.value = [&image](int address) { return image[address]; };
        job.missing = [&missing] { return missing; };
        job.refused = [this](qint16 model) { emit refused(model); };
        job.skipMatching = skipMatching;
        job.backup = backup;

        TransferOutcome outcome;
        if (*m_aborted) {
            outcome.kind = TransferOutcome::Kind::Aborted;
            outcome.port = driver.line().portName();
        } else {
            outcome = writing ? driver.write(job) : driver.read(job);
        }
        emit finished(outcome, read, said);
    }

    void poll()
    {
        TransferDriver &driver = this->driver();
        ConnectionThread::Poll result = ConnectionThread::Poll::Silent;
        if (*m_aborted) {
            emit polled(result);
            return;
        }
        PanelLink &link = driver.link();
        driver.line().setPolling(true);
        const LinkResult opened = link.open_port();
        if (opened.kind == LinkResult::Kind::PortNotFound) {
            result = ConnectionThread::Poll::PortMissing;
        } else if (opened.ok()) {
            driver.line().output(QByteArrayLiteral("A"));
            // As long as the write's handshake waits for its answer, so that every panel the
            // handshake would accept is seen, a slow one too.
            QElapsedTimer since;
            since.start();
            bool answered = false;
            for (LinkResult ticked; !answered && since.elapsed() < PanelLink::answerWindowMs;) {
                ticked = link.wait_tick();
                if (!ticked.ok())
                    break;
                answered = !driver.line().input().isEmpty(); // taken, and so discarded
            }
            if (answered)
                result = ConnectionThread::Poll::Answered;
            link.close_port();
        }
        driver.line().setPolling(false);
        emit polled(result);
    }

    void abort()
    {
        if (m_driver)
            m_driver->abort();
    }

signals:
    void byteStarting(int address);
    void byteDone(int address, const LinkResult &result, const QString &status);
    void refused(qint16 model);
    void finished(const TransferOutcome &outcome, const PanelConfiguration::MemoryImage &image,
                  const std::optional<StatusTexts::Report> &status);
    void polled(ConnectionThread::Poll result);

private:
    TransferDriver &driver()
    {
        if (!m_driver)
            m_driver = std::make_unique<TransferDriver>(m_makeLine());
        return *m_driver;
    }

    ConnectionThread::LineFactory m_makeLine;
    std::shared_ptr<std::atomic<bool>> m_aborted;
    std::unique_ptr<TransferDriver> m_driver;
    std::deque<std::function<void()>> m_jobs;
    bool m_running = false;
};

ConnectionThread::ConnectionThread(const QString &port, const QString &traceFile, const QString &traceLabel,
                                   QObject *parent)
    : ConnectionThread(
        port,
        [port, traceFile, traceLabel]() -> std::unique_ptr<SerialLine> {
            return SystemLine::make(port, traceFile, traceLabel);
        },
        parent)
{
}

ConnectionThread::ConnectionThread(const QString &port, LineFactory makeLine, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_aborted(std::make_shared<std::atomic<bool>>(false))
{
    m_worker = new ConnectionWorker(std::move(makeLine), m_aborted);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &ConnectionWorker::byteStarting, this, &ConnectionThread::byteStarting);
    connect(m_worker, &ConnectionWorker::byteDone, this, &ConnectionThread::byteDone);
    connect(m_worker, &ConnectionWorker::refused, this, &ConnectionThread::refused);
    connect(m_worker, &ConnectionWorker::finished, this, &ConnectionThread::finished);
    connect(m_worker, &ConnectionWorker::polled, this, &ConnectionThread::polled);
    m_thread.setObjectName(QStringLiteral("connection %1").arg(port));
    m_thread.start();
}

ConnectionThread::~ConnectionThread()
{
    abort();
    m_thread.quit();
    m_thread.wait();
}

void ConnectionThread::post(std::function<void(ConnectionWorker &)> job)
{
    QMetaObject::invokeMethod(
        m_worker, [w = m_worker, job = std::move(job)] { w->enqueue([w, job] { job(*w); }); }, Qt::QueuedConnection);
}

void ConnectionThread::write(const PanelConfiguration::MemoryImage &image, const QList<MissingPick> &missing,
                             bool skipMatching, Backup backup)
{
    post([image, missing, skipMatching, backup = std::move(backup)](ConnectionWorker &w) {
        w.transfer(true, image, missing, skipMatching, backup);
    });
}

void ConnectionThread::read()
{
    post([](ConnectionWorker &w) { w.transfer(false, {}, {}); });
}

void ConnectionThread::poll()
{
    post([](ConnectionWorker &w) { w.poll(); });
}

void ConnectionThread::abort()
{
    *m_aborted = true;
    // Queued to the worker's thread: a link waiting there runs it from inside its wait.
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->abort(); }, Qt::QueuedConnection);
}

#include "connectionthread.moc"
