#include "linescanner.h"

bool LineScanner::string()
{
    if (!eat('"'))
        return false;
    while (m_at < m_end) {
        const char c = *m_at++;
        if (c == '"')
            return true;
        if (c == '\\') {
            if (m_at == m_end)
                return false;
            ++m_at;
        } else if (uchar(c) < 0x20) {
            return false;
        }
    }
    return false;
}

bool LineScanner::literal(std::string_view word)
{
    if (size_t(m_end - m_at) < word.size() || std::string_view(m_at, word.size()) != word)
        return false;
    m_at += word.size();
    return true;
}

bool LineScanner::value(int depth)
{
    if (m_at == m_end || depth > 64)
        return false;
    switch (*m_at) {
    case '"':
        return string();
    case '{':
    case '[': {
        const bool members = *m_at++ == '{';
        const char close = members ? '}' : ']';
        space();
        if (eat(close))
            return true;
        for (;;) {
            space();
            if (members) {
                if (!string())
                    return false;
                space();
                if (!eat(':'))
                    return false;
                space();
            }
            if (!value(depth + 1))
                return false;
            space();
            if (!eat(','))
                return eat(close);
        }
    }
    case 't':
        return literal("true");
    case 'f':
        return literal("false");
    case 'n':
        return literal("null");
    default: {
        const char *from = m_at;
        while (m_at < m_end && ((*m_at >= '0' && *m_at <= '9') || *m_at == '-' || *m_at == '+' || *m_at == '.' || *m_at == 'e' || *m_at == 'E'))
            ++m_at;
        return m_at > from;
    }
    }
}
