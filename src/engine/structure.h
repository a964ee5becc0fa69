#pragma once

// A table's structure: its fields in their own order, its primary key and its secondary indexes.
// Table files are made from it and report it back (Table::structure()).

#include <QByteArray>
#include <QList>
#include <QString>
#include <variant>

namespace engine {

enum class FieldType {
    Text, // YUSCII text of at most `size` characters (0 = no limit)
    Integer,
    Float,         // a floating-point number (keys, days and years of some tables)
    FormattedText, // rich text (RTF bytes)
    Memo,          // plain text of any length
    Graphic        // picture bytes
};

// Large values are kept apart from the fields a list reads, and are read only on request.
inline bool isLargeType(FieldType t)
{
    return t == FieldType::FormattedText || t == FieldType::Memo || t == FieldType::Graphic;
}
inline bool isNumericType(FieldType t)
{
    return t == FieldType::Integer || t == FieldType::Float;
}

struct FieldDef {
    QByteArray name;
    FieldType type = FieldType::Text;
    int size = 0;
    bool operator==(const FieldDef&) const = default;
};

struct IndexDef {
    QByteArray name;
    QList<QByteArray> fields;
    bool caseInsensitive = false; // text fields of the index sort without regard to case
    bool operator==(const IndexDef&) const = default;
};

struct TableStructure {
    QList<FieldDef> fields;
    QList<QByteArray> primaryKey; // empty: the table keeps the order in which records came
    QList<IndexDef> indexes;

    // Position of a field, matched without regard to case; -1 when the table has no such field.
    int indexOf(const QByteArray& name) const;
    const IndexDef* findIndex(const QByteArray& name) const;
    bool operator==(const TableStructure&) const = default;
};

// The name of a field type, for messages: "text", "integer", ...
QByteArray fieldTypeName(FieldType type);

// How a table's structure differs from the record type it is read as: the same fields (names
// without regard to case, and types) at the same positions, and the same key. `field` names the
// field concerned and is empty when nothing differs; `what` says how, for the log.
struct RecordTypeDifference {
    QByteArray field;
    QString what;
};
RecordTypeDifference recordTypeDifference(const TableStructure& expected, const TableStructure& actual);

// One field's value: null, an integer, a floating-point number, or bytes (text and large values).
class Value final {
public:
    Value() = default;
    Value(int v) : m_v(qint64(v)) {}
    Value(qint64 v) : m_v(v) {}
    Value(double v) : m_v(v) {}
    Value(const QByteArray& v) : m_v(v) {}
    Value(const char* v) : m_v(QByteArray(v)) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(m_v); }
    bool isInteger() const { return std::holds_alternative<qint64>(m_v); }
    bool isFloat() const { return std::holds_alternative<double>(m_v); }
    bool isBytes() const { return std::holds_alternative<QByteArray>(m_v); }
    qint64 integer() const { return std::get<qint64>(m_v); }
    double real() const { return std::get<double>(m_v); }
    const QByteArray& bytes() const { return std::get<QByteArray>(m_v); }

    // The conversions of Field (table.h): null reads "" and 0.
    QByteArray toText() const;
    qint64 toInteger() const; // throws engine::Error for text that is not a number
    double toFloat() const;   // likewise

    bool operator==(const Value&) const = default;

private:
    std::variant<std::monostate, qint64, double, QByteArray> m_v;
};

} // namespace engine
