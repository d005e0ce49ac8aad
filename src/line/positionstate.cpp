#include "positionstate.h"

#include "config/panelconfiguration.h"

namespace {

struct Entry
{
    PositionState::Kind kind;
    const char *event;
    PositionState::Colour colour;
    const char *text; // %1 the port, %2 the reason, %3 the byte (1..17), %4 of how many
    const char *verifying = nullptr; // where a verify says otherwise
};

using Kind = PositionState::Kind;
using Colour = PositionState::Colour;

constexpr Entry table[] = {
    {Kind::Waiting, "waiting", Colour::Plain, "WAITING FOR PANEL"},
    {Kind::PortNotFound, "port-not-found", Colour::Failed, "SERIAL PORT %1 NOT FOUND - WAITING FOR IT"},
    {Kind::PortUnusable, "port-unusable", Colour::Failed, "FAILED: %2"},
    {Kind::Present, "present", Colour::Working, "PANEL PRESENT"},
    {Kind::AwaitingId, "awaiting-id", Colour::Working, "PANEL PRESENT - SCAN ID"},
    {Kind::Programming, "programming", Colour::Working, "PROGRAMMING BYTE %3 OF %4", "READING BYTE %3 OF %4"},
    {Kind::Passed, "passed", Colour::Passed, "PROGRAMMED", "VERIFIED"},
    {Kind::Unchanged, "unchanged", Colour::Passed, "UNCHANGED"},
    {Kind::Failed, "failed", Colour::Failed, "FAILED: %2"},
    {Kind::Removed, "removed", Colour::Plain, "PANEL REMOVED"},
    {Kind::Stopped, "position-stopped", Colour::Failed, "CHECK FIXTURE"},
};

const Entry &entry(Kind kind)
{
    for (const Entry &e : table)
        if (e.kind == kind)
            return e;
    return table[0];
}

} // namespace

QString PositionState::eventName() const
{
    return QString::fromLatin1(entry(kind).event);
}

PositionState::Colour PositionState::colour() const
{
    return entry(kind).colour;
}

QString PositionState::text(const QString &port, bool handsFree, bool verify) const
{
    const Entry &e = entry(kind);
    QString words = QString::fromLatin1(verify && e.verifying ? e.verifying : e.text);
    if (kind == Kind::Programming && byte < 0)
        words = QStringLiteral("STARTING");
    // A panel tried hands-free stays, its outcome shown, until it is taken out.
    if (handsFree && (kind == Kind::Passed || kind == Kind::Unchanged || kind == Kind::Failed))
        words += QStringLiteral(" - REMOVE PANEL");
    // In one pass over the table's words: a port or reason that holds "%2" stays as it is.
    const QString values[] = {port, reason, QString::number(byte + 1), QString::number(PanelConfiguration::byteCount)};
    QString text;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const int n = i + 1 < words.size() && words[i] == QLatin1Char('%') ? words[i + 1].digitValue() : -1;
        if (n >= 1 && n <= 4) {
            text += values[n - 1];
            ++i;
        } else {
            text += words[i];
        }
    }
    return text;
}
