#include "configcomparison.h"

#include "model/formmodel.h"
#include "model/quiethost.h"
#include "model/selectortables.h"

ConfigComparison ConfigComparison::of(const MemoryImage &panel, const SentImage &sent, const MemoryImage &own)
{
    ConfigComparison comparison;
    for (int address = 0; address < PanelConfiguration::byteCount; ++address) {
        if (sent[address] && *sent[address] == panel[address])
            continue;
        Row row;
        row.address = address;
        row.panel = panel[address];
        row.sent = sent[address];
        if (sent[address])
            row.own = own[address];
        comparison.rows.append(row);
    }
    return comparison;
}

ConfigComparison::SentImage ConfigComparison::allSent(const MemoryImage &image)
{
    SentImage sent;
    for (int address = 0; address < PanelConfiguration::byteCount; ++address)
        sent[address] = image[address];
    return sent;
}

ConfigComparison ConfigComparison::ofForm(const FormModel &form, const MemoryImage &panel)
{
    SentImage sent;
    MemoryImage own{};
    for (int address = 0; address < PanelConfiguration::byteCount; ++address) {
        sent[address] = form.shownCode(address);
        own[address] = sent[address].value_or(0);
    }
    ConfigComparison comparison = of(panel, sent, own);

    // What the window would show once every row is taken: a row it would not show as the
    // panel holds it no take can clear. The intensities go as a pair: where the rule moves
    // one of them, neither can be taken.
    QuietHost quiet;
    FormModel trial(quiet);
    trial.restore(form.state());
    trial.take(comparison.takes());
    bool intensitiesHeld = true;
    for (int address = PanelConfiguration::itemCount; address < PanelConfiguration::byteCount; ++address)
        intensitiesHeld = intensitiesHeld && trial.shownCode(address) == panel[address];
    for (Row &row : comparison.rows) {
        const bool held = trial.shownCode(row.address) == row.panel
            && (PanelConfiguration::isItem(row.address) || intensitiesHeld);
        row.remedy = held ? Remedy::Take : Remedy::WriteCorrects;
    }
    return comparison;
}

QStringList ConfigComparison::items() const
{
    QStringList names;
    for (const Row &row : rows)
        names << PanelConfiguration::name(row.address);
    return names;
}

QList<std::pair<int, qint16>> ConfigComparison::takes() const
{
    QList<std::pair<int, qint16>> bytes;
    for (const Row &row : rows)
        if (row.remedy == Remedy::Take)
            bytes.append({row.address, row.panel});
    return bytes;
}

QString ConfigComparison::statusText() const
{
    if (matches())
        return QStringLiteral("SWITCH PANEL MATCHES THIS CONFIGURATION");
    return QStringLiteral("SWITCH PANEL DIFFERS IN %1 %2: %3")
        .arg(QString::number(rows.size()), rows.size() == 1 ? QStringLiteral("ITEM") : QStringLiteral("ITEMS"),
             items().join(QStringLiteral(", ")));
}

QString ConfigComparison::ownText(const Row &row)
{
    return row.own ? describeByte(row.address, *row.own) : QStringLiteral("NOT PICKED IN THE WINDOW");
}

QString ConfigComparison::panelText(const Row &row)
{
    return describeByte(row.address, row.panel);
}

QString ConfigComparison::sentText(const Row &row)
{
    return row.sent ? describeByte(row.address, *row.sent) : QStringLiteral("NOTHING: NOT PICKED");
}

QString ConfigComparison::remedyText(const Row &row)
{
    return row.remedy == Remedy::WriteCorrects ? QStringLiteral("A WRITE WOULD CORRECT THE PANEL") : QString();
}

QString ConfigComparison::sentence(const Row &row)
{
    return sentenceParts(row).join(QLatin1Char(' '));
}

QStringList ConfigComparison::sentenceParts(const Row &row)
{
    QString sends = QStringLiteral("a write sends %1").arg(sentText(row));
    if (const QString remedy = remedyText(row); !remedy.isEmpty())
        sends += QStringLiteral(". ") + remedy;
    return {PanelConfiguration::name(row.address) + QLatin1Char(':'), QStringLiteral("window %1,").arg(ownText(row)),
            QStringLiteral("panel %1,").arg(panelText(row)), sends};
}
