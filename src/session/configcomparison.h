#pragma once

#include "config/panelconfiguration.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

class FormModel;

// A panel's seventeen configuration bytes beside a configuration of our own (the window's, or
// a file's as a write of it sends it), byte by byte over the addresses 0..16. A row is an
// address where the panel holds other than a write sends, or where nothing would be sent
// because the item is not picked. The window, verify and diff all compare this way.
struct ConfigComparison
{
    using MemoryImage = PanelConfiguration::MemoryImage;
    // What a write sends at each address; nothing where an item is not picked.
    using SentImage = std::array<std::optional<qint16>, PanelConfiguration::byteCount>;

    // How a row can be cleared from our side.
    enum class Remedy {
        Take,          // taking the panel's value shows it as the panel holds it
        WriteCorrects, // no take can: a code no list holds, an intensity the rule adjusts
    };

    struct Row
    {
        int address = 0;
        std::optional<qint16> own;  // our value as held (a file's before the rules); none: not picked
        qint16 panel = 0;
        std::optional<qint16> sent; // what a write sends; none while not picked
        Remedy remedy = Remedy::Take;

        bool notPicked() const { return !sent; }
        bool operator==(const Row &) const = default;
    };

    QList<Row> rows;

    bool matches() const { return rows.isEmpty(); }
    // The rows' items by name: "SW3", "LED1", "NORMAL BACKLIGHTING (%)".
    QStringList items() const;
    // The panel's bytes that the takeable rows would take, in the order of the addresses.
    QList<std::pair<int, qint16>> takes() const;

    // The comparison itself; every row may be taken.
    static ConfigComparison of(const MemoryImage &panel, const SentImage &sent, const MemoryImage &own);
    static SentImage allSent(const MemoryImage &image);
    // The form's configuration against a panel's bytes, each row's remedy found by taking
    // every row into a copy of the form, as the window's TAKE ALL would.
    static ConfigComparison ofForm(const FormModel &form, const MemoryImage &panel);

    // The status line after a compare.
    QString statusText() const;
    // A row's cells, for people.
    static QString ownText(const Row &row);   // "module C channel 9"; "NOT PICKED IN THE WINDOW"
    static QString panelText(const Row &row); // "module C channel 10", "100 % (code 9)"
    static QString sentText(const Row &row);  // what a write sends; "NOTHING: NOT PICKED"
    static QString remedyText(const Row &row); // "A WRITE WOULD CORRECT THE PANEL", or empty
    // A row as one sentence, for a screen reader; its parts, one a column, join to it.
    static QString sentence(const Row &row);
    static QStringList sentenceParts(const Row &row);
};
