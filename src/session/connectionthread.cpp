#include "connectionthread.h"

#include "link/panellink.h"
#include "link/serialportline.h"
#include "transfer/paneltransfer.h"

#include <memory>

// The part that lives on the connection's thread.
class ConnectionWorker : public QObject
{
    Q_OBJECT

public:
    ConnectionWorker(QString port, QString traceFile, QString traceLabel, std::shared_ptr<std::atomic<bool>> aborted)
        : m_port(std::move(port))
        , m_traceFile(std::move(traceFile))
        , m_traceLabel(std::move(traceLabel))
        , m_aborted(std::move(aborted))
    {
    }

    ~ConnectionWorker() override
    {
        if (m_link)
            m_link->close_port();
    }

    void transfer(bool writing, const PanelConfiguration::MemoryImage &image, const QList<MissingPick> &missing)
    {
        setUp();
        PanelConfiguration::MemoryImage read{};
        PanelTransfer::Steps steps;
        steps.starting = [this](int address) { emit byteStarting(address); };
        steps.done = [this, writing, &read](int address, const LinkResult &result) {
            // A value out of range is handed over too, as a read shows it before it ends.
            if (!writing && address != modelAddress && (result.ok() || result.kind == LinkResult::Kind::OutOfRange))
                read[address] = result.value;
            emit byteDone(address, result);
        };
        steps.value = [&image](int address) { return image[address]; };
        steps.refused = [this](qint16 model) { emit refused(model); };

        TransferOutcome outcome;
        if (*m_aborted) {
            outcome.kind = TransferOutcome::Kind::Aborted;
            outcome.port = m_port;
        } else {
            outcome = writing ? m_transfer->write(steps, missing) : m_transfer->read(steps);
        }
        emit finished(outcome, read);
    }

    void poll()
    {
        setUp();
        ConnectionThread::Poll result = ConnectionThread::Poll::Silent;
        if (*m_aborted) {
            emit polled(result);
            return;
        }
        const LinkResult opened = m_link->open_port();
        if (opened.kind == LinkResult::Kind::PortNotFound) {
            result = ConnectionThread::Poll::PortMissing;
        } else if (opened.ok()) {
            m_line->output(QByteArrayLiteral("A"));
            const LinkResult ticked = m_link->wait_tick();
            if (ticked.ok() && !m_line->input().isEmpty())
                result = ConnectionThread::Poll::Answered;
            m_link->close_port();
        }
        emit polled(result);
    }

    void abort()
    {
        if (m_link)
            m_link->abort();
    }

signals:
    void byteStarting(int address);
    void byteDone(int address, const LinkResult &result);
    void refused(qint16 model);
    void finished(const TransferOutcome &outcome, const PanelConfiguration::MemoryImage &image);
    void polled(ConnectionThread::Poll result);

private:
    void setUp()
    {
        if (m_line)
            return;
        auto line = std::make_unique<SerialPortLine>(m_port, m_traceFile);
        if (!m_traceLabel.isEmpty())
            line->setTraceLabel(m_traceLabel);
        m_line = std::move(line);
        m_link = std::make_unique<PanelLink>(*m_line);
        m_transfer = std::make_unique<PanelTransfer>(*m_link);
    }

    QString m_port, m_traceFile, m_traceLabel;
    std::shared_ptr<std::atomic<bool>> m_aborted;
    std::unique_ptr<SerialLine> m_line;
    std::unique_ptr<PanelLink> m_link;
    std::unique_ptr<PanelTransfer> m_transfer;
};

ConnectionThread::ConnectionThread(const QString &port, const QString &traceFile, const QString &traceLabel,
                                   QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_aborted(std::make_shared<std::atomic<bool>>(false))
{
    m_worker = new ConnectionWorker(port, traceFile, traceLabel, m_aborted);
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

void ConnectionThread::write(const PanelConfiguration::MemoryImage &image, const QList<MissingPick> &missing)
{
    QMetaObject::invokeMethod(m_worker, [w = m_worker, image, missing] { w->transfer(true, image, missing); },
                              Qt::QueuedConnection);
}

void ConnectionThread::read()
{
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->transfer(false, {}, {}); }, Qt::QueuedConnection);
}

void ConnectionThread::poll()
{
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->poll(); }, Qt::QueuedConnection);
}

void ConnectionThread::abort()
{
    *m_aborted = true;
    // Queued to the worker's thread: a link waiting there runs it from inside its wait.
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->abort(); }, Qt::QueuedConnection);
}

#include "connectionthread.moc"
