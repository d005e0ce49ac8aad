#include "filediff.h"

#include "model/formmodel.h"
#include "model/selectortables.h"
#include "platform/exitcode.h"
#include "session/filecommands.h"
#include "session/statustexts.h"

#include <QJsonArray>
#include <QJsonDocument>

struct FileDiff::Opened
{
    std::array<Side, PanelConfiguration::byteCount> sides;
    PanelConfiguration configuration; // for the names
};

FileDiff::FileDiff(const QString &a, const QString &b, bool json, Print print, Say say)
    : m_a(a)
    , m_b(b)
    , m_json(json)
    , m_print(std::move(print))
    , m_say(std::move(say))
{
}

void FileDiff::messageBox(const QString &text, const QString &title)
{
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QStringLiteral("\n  "));
    m_say(m_opening + QStringLiteral(": ") + (title.isEmpty() ? shown : title + QStringLiteral(": ") + shown), false);
}

// A file opened into a form of its own as write opens it, and what a write of it sends.
std::optional<FileDiff::Opened> FileDiff::open(const QString &path, QString *problem)
{
    m_opening = path;
    FormModel form(*this);
    const FileOutcome outcome = FileCommands(form).open(path);
    if (!outcome.done()) {
        if (outcome.kind == FileOutcome::Kind::Missing || outcome.kind == FileOutcome::Kind::NoAccess)
            *problem = outcome.reason.isEmpty() ? QStringLiteral("%1 cannot be read").arg(path)
                                                : QStringLiteral("%1: %2").arg(path, outcome.reason);
        else if (const std::optional<StatusTexts::Box> box = StatusTexts::fileBox(outcome))
            *problem = QStringLiteral("%1: %2: %3").arg(path, box->title, QString(box->text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        else
            *problem = QStringLiteral("%1 cannot be opened").arg(path);
        return std::nullopt;
    }
    Opened opened;
    const FormModel::Gathering gathering = form.gather();
    opened.configuration = gathering.configuration;
    QList<FormModel::Adjustment> adjusted = form.adjustments();
    for (int address = 0; address < PanelConfiguration::byteCount; ++address) {
        Side &side = opened.sides[address];
        side.sent = form.shownCode(address);
        side.held = side.sent.value_or(0);
    }
    for (const FormModel::Adjustment &a : std::as_const(adjusted))
        opened.sides[a.address].held = a.found;
    return opened;
}

int FileDiff::run()
{
    QString problem;
    std::optional<Opened> a = open(m_a, &problem);
    std::optional<Opened> b = a ? open(m_b, &problem) : std::nullopt;
    if (!a || !b) {
        m_say(QStringLiteral("durvex-config: ") + problem, true);
        if (m_json)
            m_print(QJsonDocument(json(ExitCode::FileFailed, problem, {}, {})).toJson(QJsonDocument::Compact));
        return ExitCode::FileFailed;
    }

    QList<Difference> differences;
    for (int address = 0; address < PanelConfiguration::byteCount; ++address) {
        const Side &x = a->sides[address], &y = b->sides[address];
        if (!x.sent || !y.sent || *x.sent != *y.sent)
            differences.append({address, x, y});
    }
    QList<Name> names;
    for (int i = 0; i < PanelConfiguration::designationCount; ++i)
        if (a->configuration.designations[i] != b->configuration.designations[i])
            names.append({PanelConfiguration::name(i), a->configuration.designations[i], b->configuration.designations[i]});
    if (a->configuration.panelName != b->configuration.panelName)
        names.append({QStringLiteral("PANEL NAME"), a->configuration.panelName, b->configuration.panelName});

    QStringList lines;
    for (const Difference &d : std::as_const(differences))
        lines << line(d);
    for (const Name &n : std::as_const(names))
        lines << QStringLiteral("%1 NAME: %2 \"%3\", %4 \"%5\"")
                     .arg(n.item == QLatin1String("PANEL NAME") ? QStringLiteral("PANEL") : n.item, m_a, n.a, m_b, n.b);
    QStringList items;
    for (const Difference &d : std::as_const(differences))
        items << PanelConfiguration::name(d.address);
    const QString verdict = differences.isEmpty()
        ? QStringLiteral("A WRITE OF %1 SENDS WHAT A WRITE OF %2 SENDS").arg(m_a, m_b)
        : QStringLiteral("%1 AND %2 DIFFER IN %3: %4")
              .arg(m_a, m_b, differences.size() == 1 ? QStringLiteral("1 ITEM") : QStringLiteral("%1 ITEMS").arg(differences.size()),
                   items.join(QStringLiteral(", ")));
    const int code = differences.isEmpty() ? ExitCode::Done : ExitCode::Differs;
    if (m_json) {
        m_print(QJsonDocument(json(code, verdict, differences, names)).toJson(QJsonDocument::Compact));
    } else {
        for (const QString &text : std::as_const(lines))
            m_print(text.toUtf8());
    }
    m_say(verdict, false);
    return code;
}

// "SW3: A.zcf module C channel 9, B.zcf module C channel 10"; where a write sends other
// than a file holds, what it sends follows in brackets.
QString FileDiff::line(const Difference &d) const
{
    const auto side = [&d](const QString &file, const Side &s) {
        if (!s.sent)
            return file + QStringLiteral(" NOT PICKED");
        QString text = file + QLatin1Char(' ') + describeByte(d.address, s.held);
        if (*s.sent != s.held)
            text += QStringLiteral(" (a write sends %1)").arg(describeByte(d.address, *s.sent));
        return text;
    };
    return QStringLiteral("%1: %2, %3").arg(PanelConfiguration::name(d.address), side(m_a, d.a), side(m_b, d.b));
}

QJsonObject FileDiff::json(int exitCode, const QString &detail, const QList<Difference> &differences,
                           const QList<Name> &names) const
{
    const bool compared = exitCode != ExitCode::FileFailed;
    const auto held = [](int address, const Side &s) {
        return s.sent ? QJsonValue(describeByte(address, s.held)) : QJsonValue(QStringLiteral("NOT PICKED"));
    };
    const auto sends = [](int address, const Side &s) {
        return s.sent ? QJsonValue(describeByte(address, *s.sent)) : QJsonValue();
    };
    QJsonArray found, named;
    for (const Difference &d : differences)
        found.append(QJsonObject{{QStringLiteral("item"), PanelConfiguration::name(d.address)},
                                 {QStringLiteral("address"), d.address},
                                 {QStringLiteral("a"), held(d.address, d.a)},
                                 {QStringLiteral("b"), held(d.address, d.b)},
                                 {QStringLiteral("a_sends"), sends(d.address, d.a)},
                                 {QStringLiteral("b_sends"), sends(d.address, d.b)}});
    for (const Name &n : names)
        named.append(QJsonObject{{QStringLiteral("item"), n.item}, {QStringLiteral("a"), n.a}, {QStringLiteral("b"), n.b}});
    return {
        {QStringLiteral("command"), QStringLiteral("diff")},
        {QStringLiteral("a"), m_a},
        {QStringLiteral("b"), m_b},
        {QStringLiteral("outcome"), ExitCode::outcomeWord(exitCode)},
        {QStringLiteral("exit"), exitCode},
        {QStringLiteral("detail"), detail},
        {QStringLiteral("differences"), compared ? QJsonValue(found) : QJsonValue()},
        {QStringLiteral("names"), compared ? QJsonValue(named) : QJsonValue()},
    };
}
