#include "lineconnection.h"

namespace {

class ThreadConnection : public LineConnection
{
public:
    explicit ThreadConnection(std::unique_ptr<ConnectionThread> connection)
        : m_connection(std::move(connection))
    {
        ConnectionThread *c = m_connection.get();
        connect(c, &ConnectionThread::byteStarting, this, &LineConnection::byteStarting);
        connect(c, &ConnectionThread::byteDone, this, &LineConnection::byteDone);
        connect(c, &ConnectionThread::refused, this, &LineConnection::refused);
        connect(c, &ConnectionThread::finished, this, &LineConnection::finished);
        connect(c, &ConnectionThread::polled, this, &LineConnection::polled);
    }

    void write(const PanelConfiguration::MemoryImage &image, const QList<MissingPick> &missing,
               bool skipMatching, ConnectionThread::Backup backup) override
    {
        m_connection->write(image, missing, skipMatching, std::move(backup));
    }
    void read() override { m_connection->read(); }
    void poll() override { m_connection->poll(); }
    void abort() override { m_connection->abort(); }

private:
    std::unique_ptr<ConnectionThread> m_connection;
};

} // namespace

std::unique_ptr<LineConnection> LineConnection::onThread(std::unique_ptr<ConnectionThread> connection)
{
    return std::make_unique<ThreadConnection>(std::move(connection));
}
