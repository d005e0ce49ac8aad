#pragma once

#include "link/panellink.h"
#include "statustexts.h"
#include "transfer/paneltransfer.h"

#include <functional>
#include <memory>

// One line to a panel with its link and transfers, and the steps every front end shares:
// each byte handed over as it is read, each value asked for as it goes out, the status line
// through the transfer (a panel of another model keeps the line's text and adds to its
// detail), the moment a panel of another model is refused. The window's session and each
// connection thread hold one.
//
// The link's waits run the thread's events, so a transfer started from one of them would
// run inside the one under way: it is refused, as Busy, and nothing of the running one is
// touched.
class TransferDriver
{
public:
    using Direction = StatusTexts::Direction;

    // What one transfer works with; every part may be left out.
    struct Job
    {
        // The status line, each time it changes.
        std::function<void(const StatusTexts::Report &status)> status;
        // Once the transfer is under way, after its first status and before the port opens.
        std::function<void()> begin;
        // A write: the items whose picks are missing, asked for after begin. With any, the
        // port is opened and closed again and nothing is sent.
        std::function<QList<MissingPick>()> missing;
        // Before each configuration byte (0..16).
        std::function<void(int address)> starting;
        // Each byte's result as it comes, the model byte's (address 63) too.
        std::function<void(int address, const LinkResult &result)> done;
        // A read: each configuration byte, a value out of range too, as a read shows it
        // before it ends on it.
        std::function<void(int address, qint16 code)> read;
        // A write: the value to send at a configuration address, asked as it goes out.
        std::function<qint16(int address)> value;
        // A panel of another model, before the port closes: the moment of the box.
        std::function<void(qint16 model)> refused;
        // A write: a panel that holds what it would send is not written.
        bool skipMatching = false;
        // A write: all the panel holds, read before any byte is sent; false sends nothing.
        std::function<bool(qint16 model, const PanelConfiguration::MemoryImage &held)> backup;
    };

    explicit TransferDriver(std::unique_ptr<SerialLine> line);
    ~TransferDriver();
    TransferDriver(const TransferDriver &) = delete;
    TransferDriver &operator=(const TransferDriver &) = delete;

    SerialLine &line() { return *m_line; }
    PanelLink &link() { return m_link; }

    TransferOutcome read(const Job &job);
    TransferOutcome write(const Job &job);
    bool busy() const { return m_busy; }
    // The status line as the last transfer left it.
    const StatusTexts::Report &status() const { return m_status; }

    // The status line of a transfer refused before it started, as one that failed so ends.
    static StatusTexts::Report refusal(const TransferOutcome &outcome, Direction direction);

    // Ends a transfer at its current wait, from any thread.
    void abort() { m_link.abort(); }

private:
    TransferOutcome run(const Job &job, Direction direction);
    void show(const Job &job, const StatusTexts::Report &status);

    std::unique_ptr<SerialLine> m_line;
    PanelLink m_link;
    PanelTransfer m_transfer;
    StatusTexts::Report m_status;
    bool m_busy = false;
};
