#pragma once

#include "config/panelconfiguration.h"
#include "link/linkresult.h"
#include "session/connectionthread.h"
#include "session/statustexts.h"
#include "transfer/transferoutcome.h"

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

// What a position of the line asks of its port: write, read or poll a panel, each job
// answered by its signals in the order the jobs were started. Made by the line's factory,
// so that the line runs as well over scripted connections as over serial ports.
class LineConnection : public QObject
{
    Q_OBJECT

public:
    using Poll = ConnectionThread::Poll;

    using QObject::QObject;

    virtual void write(const PanelConfiguration::MemoryImage &image, const QList<MissingPick> &missing,
                       bool skipMatching, ConnectionThread::Backup backup = {}) = 0;
    virtual void read() = 0;
    virtual void poll() = 0;
    // Ends the job under way at its current wait; from any thread.
    virtual void abort() = 0;

    // A connection on a port's thread of its own.
    static std::unique_ptr<LineConnection> onThread(std::unique_ptr<ConnectionThread> connection);

signals:
    void byteStarting(int address);
    // As ConnectionThread's: the status texts as the transfer driver made them.
    void byteDone(int address, const LinkResult &result, const QString &status);
    void refused(qint16 model);
    void finished(const TransferOutcome &outcome, const PanelConfiguration::MemoryImage &image,
                  const std::optional<StatusTexts::Report> &status);
    void polled(LineConnection::Poll result);
};
