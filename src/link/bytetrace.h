#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A readable record of every byte that crosses the line, for diagnosis in the field:
// one line per chunk with a timestamp, the direction, hex bytes and printable characters.
// It writes only when given a file name (--trace or DURVEX_TRACE), and only
// into a regular file. Its cost is bounded: past receivedLimit bytes received in one
// transfer (a flooding line), one line says so and the rest of the transfer's input is
// left out. Polls for a panel (a hands-free position, all day long) are bounded over the
// whole run: each traces at most pollReceivedLimit of the bytes it received and counts the
// rest, and once polls have written pollLimit bytes they are traced no more.
class ByteTrace
{
public:
    explicit ByteTrace(const QString &fileName);

    static constexpr qint64 receivedLimit = 16 * 1024;
    static constexpr qint64 pollReceivedLimit = 32;
    static constexpr qint64 pollLimit = 16 * 1024;

    bool enabled() const { return !m_fileName.isEmpty(); }
    // Names the line on every trace line, when several lines trace into one file.
    void setLabel(const QString &label) { m_label = label; }
    // What follows, up to setPolling(false), is a poll for a panel.
    void setPolling(bool polling);
    // Starts a transfer: the event, and a fresh allowance for received bytes.
    void begin(const QString &text);
    void event(const QString &text);
    void sent(const QByteArray &bytes) { chunk('>', bytes); }
    void received(const QByteArray &bytes);

private:
    static QString format(char direction, const QByteArray &bytes);
    void chunk(char direction, const QByteArray &bytes);
    void append(const QString &lines);

    QString stamp() const;

    QString m_fileName;
    QString m_label;
    QFile m_file;
    qint64 m_receivedAllowance = receivedLimit;
    bool m_polling = false;
    qint64 m_untraced = 0;            // received in this poll, counted and not written
    qint64 m_pollAllowance = pollLimit; // what polls may still write in this run; -1: none
};
