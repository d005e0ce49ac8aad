#pragma once

#include "link/panellink.h"
#include "transferoutcome.h"

#include <functional>

// Moving a whole configuration between a panel and whoever holds it: the read and the
// write, each in the same frame of open, handshake, model check, seventeen bytes, close.
// Each byte is handed over as it comes and each value asked for as it goes out, so the
// holder applies a read item by item and a write sends what is picked at that moment.
class PanelTransfer
{
public:
    static constexpr int byteCount = PanelConfiguration::byteCount;

    struct Steps
    {
        // Before each configuration byte (0..16).
        std::function<void(int address)> starting;
        // Each byte as it was read or written, also the model byte (address 63) and a byte
        // that failed; a read hands over a value out of range too.
        std::function<void(int address, const LinkResult &result)> done;
        // A write: the value to send at a configuration address, asked as it goes out.
        std::function<qint16(int address)> value;
        // A panel of another model, before the port closes.
        std::function<void(qint16 model)> refused;
        // A write: read the panel first, up to the first byte that differs from what the
        // write sends, and send nothing to a panel that holds it all (the outcome says
        // unchanged), which spares the panel's memory.
        bool skipMatching = false;
        // A write: read all the panel holds first and hand it over before any byte is sent;
        // false ends the transfer there (BackupRefused), the panel untouched.
        std::function<bool(qint16 model, const PanelConfiguration::MemoryImage &held)> backup;
    };

    explicit PanelTransfer(PanelLink &link);

    TransferOutcome read(const Steps &steps);
    // With items missing, the port is opened and closed again and nothing is sent; the
    // outcome names the items, and the port's failure where it would not open.
    TransferOutcome write(const Steps &steps, const QList<MissingPick> &missing = {});

private:
    TransferOutcome run(const Steps &steps, bool writing, const QList<MissingPick> &missing);
    TransferOutcome body(const Steps &steps, bool writing);
    // One configuration byte on its tick: written and read back, or read.
    LinkResult byte(const Steps &steps, int address, bool writing);
    // Whether the panel holds every value the write sends; a byte that could not be read
    // ends the transfer in `failure`.
    bool holdsAll(const Steps &steps, std::optional<TransferOutcome> &failure);
    // Every byte the panel holds, a value out of range too; a byte that could not be read
    // ends the transfer in `failure`.
    PanelConfiguration::MemoryImage readAll(const Steps &steps, std::optional<TransferOutcome> &failure);
    TransferOutcome failed(TransferOutcome::Kind kind, const LinkResult &result, int address = -1) const;

    PanelLink &m_link;
};
