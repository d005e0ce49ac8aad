#pragma once

#include "config/panelconfiguration.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

// One configuration file record: 36 comma-separated fields on one line, texts in double
// quotes, integers in decimal, ended by CR LF, one byte per character in Windows-1252.
// Fields: model tag, panel name, then seventeen pairs of a text and an integer: the twelve
// designations with their address codes, the backlight and dimming labels with their
// codes, and the three intensity labels with their codes (indicator, backlighting, dimmed).
struct ConfigRecord
{
    struct Pair
    {
        QString text;
        qint16 code = 0;
        bool operator==(const Pair &) const = default;
    };

    static constexpr int fieldCount = 2 + 2 * PanelConfiguration::byteCount; // 36
    // The longest texts the boxes that show them can hold.
    static constexpr qsizetype panelNameLimit = 12;
    static constexpr qsizetype designationLimit = 32767;
    static constexpr int designationCount = PanelConfiguration::designationCount;
    static inline const QString modelTag = QStringLiteral("00-00531-MDL or 00-00537-MDL");

    QString model;
    QString panel;
    std::array<Pair, PanelConfiguration::byteCount> pairs; // the switches and LEDs, backlight, dimming, intensities

    bool operator==(const ConfigRecord &) const = default;

    QByteArray toLine() const;

    // The record of a configuration, and back. The backlight, the dimming input and the
    // intensities are saved with their names as texts; the texts are not read back.
    static ConfigRecord of(const PanelConfiguration &configuration, const QString &model = modelTag);
    PanelConfiguration configuration() const;
    // The configuration address of a pair: the items in their order, then the indicator,
    // backlighting and dimmed intensities.
    static constexpr int pairAddress(int pair) { return ConfigItems::addressOfPair(pair); }

    // Whether a text can be saved and read back as it is: no double quote, which ends a
    // field, no control character, nothing the character set lacks. The boxes take only these.
    static bool acceptable(QChar c);
    static bool acceptable(const QString &text);

    // Reads the first record of a file's bytes by the format's rules: fields end at a comma
    // or a line end, blanks before a field are skipped, a quoted text runs to the next
    // quote. Fails on anything the writer never produces: a text without quotes or with
    // characters after its closing quote, an integer that is no whole decimal number or
    // lies outside the 16-bit range, a control character or a byte undefined in the
    // character set inside a text, a panel name or designation longer than its box holds,
    // or a file that ends before field 36. The model tag is not judged here.
    static std::optional<ConfigRecord> parse(const QByteArray &bytes);
};

static_assert(ConfigRecord::fieldCount == 36, "model tag, panel name, and a text and a code for each value");
