#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The program's arguments as text, with nothing lost. File names reach the system as UTF-8;
// an argument that is not UTF-8 cannot name a file through Qt, which would put U+FFFD in
// place of its odd bytes and so open or save a different file. Such bytes are kept, each as
// one of the code points U+DC80 to U+DCFF (which no UTF-8 text holds), so that a path made of
// them is refused before anything is opened and shown as it was given.
namespace ArgumentText {

QStringList decode(int argc, char **argv);
QString decode(const QByteArray &bytes);

// Whether the system gets the path back byte for byte.
bool encodable(const QString &path);

// The text on one line as given: each byte that is not UTF-8, and each control character,
// shown as \xNN.
QString shown(const QString &text);

struct Path
{
    QString what;  // how the user gave it: "-o", "--port", "the file"
    QString value; // empty when not given
};

// Why the first of the paths that cannot be encoded is refused, or nothing when all can.
QString refusal(const QList<Path> &paths);

} // namespace ArgumentText
