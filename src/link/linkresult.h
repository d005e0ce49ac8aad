#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// What one step on the line came to: opening the port, the handshake, a wait, a byte read
// or a byte write with its read-back. Each failure carries what the user needs to be told.
struct LinkResult
{
    enum class Kind {
        Ok,
        // Opening the port.
        PortNotFound,
        PortNoPermission,
        PortInUse,
        NotASerialPort,
        PortNotOpened, // for another reason: see `reason`
        // The attention handshake.
        NoResponse,
        // A byte read: nothing came, too little to hold a number, no number, or a value
        // outside 0..160.
        NoReply,
        ShortReply,
        CorruptedReply,
        OutOfRange,
        // A byte write: a value that is no byte, a reply that is no acknowledgement, a
        // read-back that differs from what was written or cannot be read.
        NotAByte,
        NoAcknowledgement,
        ReadBackDiffers,
        ReadBackUnreadable,
        // Any wait: the line failed, or the transfer was ended from outside.
        LineLost,
        Aborted,
    };

    // The most of a reply that is kept to be told.
    static constexpr qsizetype replyLimit = 16;

    Kind kind = Kind::Ok;
    qint16 value = 0;  // the value read
    qint16 sent = 0;   // a byte write: the value written
    QByteArray reply;  // what came back, for a reply that failed: at most replyLimit bytes
    QString reason;    // the system's words, for a port that would not open
    QString advice;    // and what to do about it, with %1 for the port's name; empty: the kind says

    bool ok() const { return kind == Kind::Ok; }
    // Whether the transfer ended from outside rather than on the panel's answer.
    bool ended() const { return kind == Kind::LineLost || kind == Kind::Aborted; }

    static LinkResult of(Kind kind) { return {kind, 0, 0, {}, {}, {}}; }
    static LinkResult withReply(Kind kind, const QByteArray &reply) { return {kind, 0, 0, reply.left(replyLimit), {}, {}}; }

    // A reply as a person can read it: printable characters as they are, others escaped.
    static QString printable(const QByteArray &bytes);
};
