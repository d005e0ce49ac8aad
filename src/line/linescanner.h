#pragma once

#include <QtGlobal>

#include <string_view>

// What a log's line holds, read in one pass without building a document: the members of
// its one object, each value left as the bytes it was written as. A line that holds no
// whole object (torn, or another program's) is refused; the values the report takes are
// checked where they are read.
class LineScanner
{
public:
    struct Value
    {
        std::string_view text; // as written, a string's quotes included
        char kind = 0;         // '"' a string, '{' '[' an object or array, 'l' a literal, '0' a number; 0 absent
    };

    explicit LineScanner(std::string_view line) : m_at(line.data()), m_end(line.data() + line.size()) {}

    // Hands `take` the name and value of each member of the one object the line holds, in
    // order; false when the line holds no whole object.
    template<typename Take>
    bool object(Take take)
    {
        space();
        if (!eat('{'))
            return false;
        space();
        if (eat('}'))
            return ended();
        for (;;) {
            space();
            const char *key = m_at;
            if (!string())
                return false;
            const std::string_view name(key + 1, size_t(m_at - key - 2));
            space();
            if (!eat(':'))
                return false;
            space();
            const char *from = m_at;
            const char kind = m_at < m_end ? (*m_at == '"' || *m_at == '{' || *m_at == '[' ? *m_at : (*m_at == 't' || *m_at == 'f' || *m_at == 'n') ? 'l' : '0') : 0;
            if (!value(0))
                return false;
            take(name, Value{std::string_view(from, size_t(m_at - from)), kind});
            space();
            if (eat(','))
                continue;
            return eat('}') && ended();
        }
    }

private:
    bool ended()
    {
        space();
        return m_at == m_end;
    }
    void space()
    {
        while (m_at < m_end && (*m_at == ' ' || *m_at == '\t' || *m_at == '\r' || *m_at == '\n'))
            ++m_at;
    }
    bool eat(char c)
    {
        if (m_at == m_end || *m_at != c)
            return false;
        ++m_at;
        return true;
    }
    bool string();
    bool literal(std::string_view word);
    // Steps over one value, nested to at most 64 levels.
    bool value(int depth);

    const char *m_at;
    const char *m_end;
};
