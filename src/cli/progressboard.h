#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdio>

// Standard error as the commands use it: lines that scroll, and on a terminal below them
// one row of progress for each port, redrawn in place. With several ports each line names
// its port. Quiet keeps only the failures.
class ProgressBoard
{
public:
    ProgressBoard(std::FILE *err, bool terminal, bool quiet);

    void setPorts(const QStringList &ports);
    bool several() const { return m_rows.size() > 1; }
    bool terminal() const { return m_terminal; }

    // A line of its own; a failure shows also when quiet.
    void say(const QString &line, bool failure = false);
    // Lines about one port: with several ports, each begins with the port's name.
    void sayOn(int port, const QStringList &lines, bool failure = false);
    // A line on standard output, which may share the terminal with the rows.
    void print(const QByteArray &line);
    // Why a result could not be written to standard output, or nothing.
    QString outputFailure() const { return m_outputFailure; }
    // A port's row on a terminal: the byte being transferred (none: -1) and its status.
    void progress(int port, int byte, const QString &status);
    void setStatus(int port, const QString &status);
    void endProgress(int port);
    // On a terminal, a failure rings.
    void bell();

private:
    struct Row
    {
        QString port;
        int byte = -1;
        QString status;
    };

    QString rowText(const Row &row) const;
    void clear();
    void draw();

    std::FILE *m_err;
    bool m_terminal;
    bool m_quiet;
    QString m_outputFailure;
    QList<Row> m_rows;
    int m_drawn = 0; // rows on the screen
};
