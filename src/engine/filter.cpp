#include "filter.h"

#include "error.h"
#include "sqlite.h"

namespace engine {

QByteArray quoted(const QByteArray& value)
{
    return '\'' + QByteArray(value).replace('\'', "''") + '\'';
}

namespace {

struct Term {
    int field = -1;
    QByteArray op;
    QByteArray value;
};

class Parser {
public:
    Parser(const QByteArray& text, const TableStructure& s) : m_text(text), m_s(s) {}

    // OR of AND-groups of terms.
    QList<QList<Term>> parse()
    {
        QList<QList<Term>> groups{{term()}};
        while (true) {
            skipBlanks();
            if (atEnd()) {
                return groups;
            }
            const QByteArray keyword = identifier();
            if (keyword.compare("AND", Qt::CaseInsensitive) == 0) {
                groups.last().append(term());
            } else if (keyword.compare("OR", Qt::CaseInsensitive) == 0) {
                groups.append({term()});
            } else {
                fail("AND or OR expected");
            }
        }
    }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    char peek() const { return atEnd() ? '\0' : m_text[m_pos]; }
    void skipBlanks()
    {
        while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\r' || peek() == '\n')) {
            ++m_pos;
        }
    }
    [[noreturn]] void fail(const char* what) const
    {
        throw Error(QStringLiteral("Invalid filter \"%1\": %2 at position %3")
                        .arg(QString::fromLatin1(m_text), QString::fromLatin1(what))
                        .arg(m_pos + 1));
    }
    static bool isNameChar(char c)
    {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    }
    QByteArray identifier()
    {
        const qsizetype start = m_pos;
        while (!atEnd() && isNameChar(peek())) {
            ++m_pos;
        }
        if (m_pos == start) {
            fail("a name expected");
        }
        return m_text.mid(start, m_pos - start);
    }

    Term term()
    {
        skipBlanks();
        Term t;
        const QByteArray name = identifier();
        t.field = m_s.indexOf(name);
        if (t.field < 0) {
            throw Error(QStringLiteral("Field '%1' not found").arg(QString::fromLatin1(name)));
        }
        skipBlanks();
        if (peek() == '=') {
            t.op = "=";
            ++m_pos;
        } else if ((peek() == '>' || peek() == '<') && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '=') {
            t.op = m_text.mid(m_pos, 2);
            m_pos += 2;
        } else {
            fail("=, >= or <= expected");
        }
        skipBlanks();
        if (peek() == '\'') {
            t.value = quotedValue();
        } else {
            t.value = number();
        }
        return t;
    }

    QByteArray quotedValue()
    {
        ++m_pos;
        QByteArray value;
        while (true) {
            if (atEnd()) {
                fail("closing apostrophe missing");
            }
            const char c = m_text[m_pos++];
            if (c != '\'') {
                value += c;
            } else if (peek() == '\'') {
                value += '\'';
                ++m_pos;
            } else {
                return value;
            }
        }
    }

    QByteArray number()
    {
        const qsizetype start = m_pos;
        if (peek() == '-' || peek() == '+') {
            ++m_pos;
        }
        bool digits = false;
        while (!atEnd() && ((peek() >= '0' && peek() <= '9') || peek() == '.')) {
            digits = digits || peek() != '.';
            ++m_pos;
        }
        if (!digits) {
            m_pos = start;
            fail("a quoted value or a number expected");
        }
        return m_text.mid(start, m_pos - start);
    }

    const QByteArray& m_text;
    const TableStructure& m_s;
    qsizetype m_pos = 0;
};

// One term as SQL; its value is the next parameter.
QByteArray termSql(const Term& t, const FieldDef& f, bool caseInsensitive, CompiledFilter& out)
{
    const QByteArray column = sql::quotedName(f.name);
    if (isLargeType(f.type)) {
        throw Error(QStringLiteral("Field '%1' cannot be compared in a filter").arg(QString::fromLatin1(f.name)));
    }
    if (isNumericType(f.type)) {
        const QByteArray text = t.value.trimmed();
        if (text.isEmpty()) {
            // A blank value stands for an empty field.
            return t.op == "=" ? column + " IS NULL" : QByteArray("0");
        }
        // A number is compared as a number even when quoted: '05' finds 5.
        bool ok = false;
        Value number;
        if (const qint64 i = text.toLongLong(&ok); ok) {
            number = Value(i);
        } else if (const double d = text.toDouble(&ok); ok) {
            number = Value(d);
        } else {
            throw Error(QStringLiteral("'%1' is not a number for field '%2'")
                            .arg(QString::fromLatin1(t.value), QString::fromLatin1(f.name)));
        }
        out.parameters.append(number);
        return column + ' ' + t.op + " ?" + QByteArray::number(out.parameters.size());
    }
    if (t.value.isEmpty() && t.op == "=") {
        return '(' + column + " IS NULL OR " + column + " = '')";
    }
    out.parameters.append(Value(t.value));
    const QByteArray p = "?" + QByteArray::number(out.parameters.size());
    if (caseInsensitive) {
        // SQLite's NOCASE folds a-z only, which is the rule: the YUSCII letters stay distinct.
        return column + ' ' + t.op + ' ' + p + " COLLATE NOCASE";
    }
    if (t.op == "=") {
        // The case-blind part lets a case-blind index narrow the search; the exact part decides.
        return '(' + column + " = " + p + " COLLATE NOCASE AND " + column + " = " + p + ')';
    }
    return column + ' ' + t.op + ' ' + p;
}

} // namespace

CompiledFilter compileFilter(const QByteArray& text, const TableStructure& structure, bool caseInsensitive)
{
    CompiledFilter out;
    if (text.trimmed().isEmpty()) {
        return out;
    }
    const QList<QList<Term>> groups = Parser(text, structure).parse();
    for (int g = 0; g < groups.size(); ++g) {
        out.condition += g ? " OR (" : "(";
        for (int i = 0; i < groups[g].size(); ++i) {
            const Term& t = groups[g][i];
            out.condition += (i ? " AND " : "") + termSql(t, structure.fields[t.field], caseInsensitive, out);
        }
        out.condition += ')';
    }
    return out;
}

} // namespace engine
