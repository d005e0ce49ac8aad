#include "configrecord.h"

#include "windows1252.h"

#include <algorithm>

namespace {

QByteArray quoted(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size() + 2);
    bytes.append('"');
    for (QChar c : text) // the boxes take no character the set lacks
        bytes.append(Windows1252::toByte(c).value_or('?'));
    return bytes.append('"');
}

class FieldReader
{
public:
    explicit FieldReader(const QByteArray &bytes) : m_bytes(bytes) {}

    std::optional<QString> text()
    {
        skipBlanks();
        if (atEnd() || m_bytes[m_pos] != '"')
            return std::nullopt;
        const qsizetype close = m_bytes.indexOf('"', m_pos + 1);
        if (close < 0)
            return std::nullopt;
        const QByteArray raw = m_bytes.mid(m_pos + 1, close - m_pos - 1);
        for (char c : raw)
            if (quint8(c) < 0x20 || quint8(c) == 0x7F)
                return std::nullopt;
        const std::optional<QString> text = Windows1252::decode(raw);
        if (!text)
            return std::nullopt;
        m_pos = close + 1;
        skipBlanks();
        if (!endField())
            return std::nullopt;
        return text;
    }

    std::optional<qint16> integer()
    {
        skipBlanks();
        qsizetype i = m_pos;
        bool negative = false;
        if (i < m_bytes.size() && (m_bytes[i] == '-' || m_bytes[i] == '+'))
            negative = m_bytes[i++] == '-';
        const qsizetype digits = i;
        qint64 value = 0;
        while (i < m_bytes.size() && m_bytes[i] >= '0' && m_bytes[i] <= '9') {
            value = value * 10 + (m_bytes[i++] - '0');
            if (value > 32768)
                return std::nullopt;
        }
        if (i == digits)
            return std::nullopt;
        if (negative)
            value = -value;
        if (value > 32767)
            return std::nullopt;
        m_pos = i;
        skipBlanks();
        if (!endField())
            return std::nullopt;
        return qint16(value);
    }

private:
    bool atEnd() const { return m_pos >= m_bytes.size(); }

    void skipBlanks()
    {
        while (!atEnd() && (m_bytes[m_pos] == ' ' || m_bytes[m_pos] == '\t'))
            ++m_pos;
    }

    // A field ends at a comma, at a line end (CR, LF or CR LF) or at the end of the file.
    bool endField()
    {
        if (atEnd())
            return true;
        const char c = m_bytes[m_pos];
        if (c == ',') {
            ++m_pos;
            return true;
        }
        if (c == '\r') {
            ++m_pos;
            if (!atEnd() && m_bytes[m_pos] == '\n')
                ++m_pos;
            return true;
        }
        if (c == '\n') {
            ++m_pos;
            return true;
        }
        return false;
    }

    const QByteArray &m_bytes;
    qsizetype m_pos = 0;
};

} // namespace

bool ConfigRecord::acceptable(QChar c)
{
    const std::optional<char> byte = Windows1252::toByte(c);
    if (!byte)
        return false;
    const auto b = quint8(*byte);
    return b >= 0x20 && b != 0x7F && b != '"';
}

bool ConfigRecord::acceptable(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return acceptable(c); });
}

QByteArray ConfigRecord::toLine() const
{
    QByteArray line = quoted(model) + ',' + quoted(panel);
    for (const Pair &pair : pairs)
        line += ',' + quoted(pair.text) + ',' + QByteArray::number(pair.code);
    return line + "\r\n";
}

std::optional<ConfigRecord> ConfigRecord::parse(const QByteArray &bytes)
{
    FieldReader reader(bytes);
    ConfigRecord record;
    const std::optional<QString> model = reader.text();
    const std::optional<QString> panel = model ? reader.text() : std::nullopt;
    if (!panel)
        return std::nullopt;
    if (panel->size() > panelNameLimit)
        return std::nullopt;
    record.model = *model;
    record.panel = *panel;
    for (Pair &pair : record.pairs) {
        const std::optional<QString> text = reader.text();
        const std::optional<qint16> code = text ? reader.integer() : std::nullopt;
        if (!code)
            return std::nullopt;
        if (&pair - record.pairs.data() < designationCount && text->size() > designationLimit)
            return std::nullopt;
        pair = {*text, *code};
    }
    return record;
}

ConfigRecord ConfigRecord::of(const PanelConfiguration &configuration, const QString &model)
{
    ConfigRecord record;
    record.model = model;
    record.panel = configuration.panelName;
    for (int i = 0; i < int(record.pairs.size()); ++i) {
        const int address = pairAddress(i);
        record.pairs[i].text = i < designationCount ? configuration.designations[i] : PanelConfiguration::name(address);
        record.pairs[i].code = configuration.byte(address);
    }
    return record;
}

PanelConfiguration ConfigRecord::configuration() const
{
    PanelConfiguration configuration;
    configuration.panelName = panel;
    for (int i = 0; i < int(pairs.size()); ++i) {
        configuration.setByte(pairAddress(i), pairs[i].code);
        if (i < designationCount)
            configuration.designations[i] = pairs[i].text;
    }
    return configuration;
}
