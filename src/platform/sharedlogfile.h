#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <functional>
#include <memory>

// A file that several processes append lines to, each line under the file's exclusive lock,
// and that a log rotator may move, remove, or copy and empty while they run. Each append
// follows the name: it locks the file it has open, and when the name now leads to another
// file (or to none), it opens the name, creating a regular file, locks that and checks
// again. Where the name cannot be opened, the line goes to the file it had, and a warning
// says so once.
//
// A line that could not be written whole (a full disk) is cut back to where it began;
// where even that fails, the next line starts on a line of its own, so that a reader of
// JSON lines loses only the torn one.
class SharedLogFile
{
public:
    // One write(2): the bytes written, or -1 with errno set.
    using Writer = std::function<qint64(int descriptor, const char *data, qint64 size)>;

    // `writer` stands in for the system's write, for tests of a disk that fills up.
    explicit SharedLogFile(Writer writer = {});
    ~SharedLogFile();

    bool isOpen() const { return m_file && m_file->isOpen(); }
    QString path() const { return m_path; }

    // Opens the file for appending, creating it; `reason` says why it could not be.
    bool open(const QString &path, QString *reason);
    // Appends `line`; in a file this object has not written to yet (the first, one that
    // took the name's place, one emptied by a copy-and-truncate), `opening` goes first, in
    // the same write.
    bool append(const QByteArray &line, const QByteArray &opening, QString *reason);

private:
    bool write(QByteArray text, QString *reason);
    // Takes the lock on the file the name leads to now, opening it where it is another.
    int lockCurrent();

    Writer m_write;
    std::unique_ptr<QFile> m_file;
    QString m_path;
    bool m_opened = false;  // `opening` is in this file
    qint64 m_end = -1;      // where this file ended after our last line, to notice it emptied
    bool m_toldStuck = false;
};
