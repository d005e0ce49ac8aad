#pragma once

#include "model/formhost.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

// diff: two configuration files opened as write opens them and compared by what a write of
// each sends, byte by byte over the seventeen addresses, with no port. The names, which a
// write does not send, are told apart and make no difference to the outcome.
class FileDiff : public FormHost
{
public:
    // What a write of one file would send at an address, as the file holds it and as sent;
    // nothing sent where an item is not picked.
    struct Side
    {
        qint16 held = 0;
        std::optional<qint16> sent;
    };
    struct Difference
    {
        int address;
        Side a, b;
    };
    // A designation ("SW1", "LED4") or the panel name ("PANEL NAME") that differs.
    struct Name
    {
        QString item;
        QString a, b;
    };

    // Standard output takes the result, standard error the messages.
    using Print = std::function<void(const QByteArray &line)>;
    using Say = std::function<void(const QString &line, bool failure)>;

    FileDiff(const QString &a, const QString &b, bool json, Print print, Say say);

    // The exit code: 0 the same bytes, 3 they differ, 4 a file that could not be opened.
    int run();

    // FormHost: what opening a file says (the intensity rule), said with the file's name.
    void messageBox(const QString &text, const QString &title) override;

private:
    struct Opened;
    std::optional<Opened> open(const QString &path, QString *problem);
    QString line(const Difference &difference) const;
    QJsonObject json(int exitCode, const QString &detail, const QList<Difference> &differences,
                     const QList<Name> &names) const;

    QString m_a, m_b;
    bool m_json;
    Print m_print;
    Say m_say;
    QString m_opening; // the file being opened, for its messages
};
