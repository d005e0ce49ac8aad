#include "virtualpanel.h"

#include <QFile>

VirtualPanel::VirtualPanel(const QStringList &options)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(VIRTUAL_PANEL_PATH),
                    QStringList{QStringLiteral("--quiet"), QStringLiteral("--memory"), m_dir.filePath(QStringLiteral("memory")),
                                QStringLiteral("--log"), m_dir.filePath(QStringLiteral("log"))}
                        + options);
    if (m_process.waitForStarted(5000))
        while (!m_process.canReadLine() && m_process.waitForReadyRead(5000)) {
        }
    m_port = QString::fromLocal8Bit(m_process.readLine()).trimmed();
}

VirtualPanel::~VirtualPanel()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }
}

bool VirtualPanel::waitForExit(int ms)
{
    return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(ms);
}

QByteArray VirtualPanel::received() const
{
    QFile file(m_dir.filePath(QStringLiteral("log")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray VirtualPanel::memory() const
{
    QFile file(m_dir.filePath(QStringLiteral("memory")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
