#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A readable record of every byte that crosses the line, for diagnosis in the field:
// one line per chunk with a timestamp, the direction, hex bytes and printable characters.
// It writes only when given a file name (the DURVEX_TRACE environment variable).
class ByteTrace
{
public:
    explicit ByteTrace(const QString &fileName);

    bool enabled() const { return !m_fileName.isEmpty(); }
    void event(const QString &text);
    void sent(const QByteArray &bytes) { chunk('>', bytes); }
    void received(const QByteArray &bytes) { chunk('<', bytes); }

private:
    static QString format(char direction, const QByteArray &bytes);
    void chunk(char direction, const QByteArray &bytes);
    void append(const QString &lines);

    QString m_fileName;
};
