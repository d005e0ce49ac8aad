#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// The project's virtual panel, run on a fresh pseudo-terminal for one test, with its
// memory and a log of every byte it received kept in files the test can look at.
class VirtualPanel
{
public:
    explicit VirtualPanel(const QStringList &options = {});
    ~VirtualPanel();

    QString port() const { return m_port; }
    QByteArray received() const;
    QByteArray memory() const;
    // Waits for the panel to end on its own (after a hang-up).
    bool waitForExit(int ms);

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_port;
};
