#include "structure.h"

#include "error.h"

#include <cmath>

namespace engine {

int TableStructure::indexOf(const QByteArray& name) const
{
    for (int i = 0; i < fields.size(); ++i) {
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

const IndexDef* TableStructure::findIndex(const QByteArray& name) const
{
    for (const IndexDef& index : indexes) {
        if (index.name.compare(name, Qt::CaseInsensitive) == 0) {
            return &index;
        }
    }
    return nullptr;
}

QByteArray fieldTypeName(FieldType type)
{
    switch (type) {
    case FieldType::Text:
        return "text";
    case FieldType::Integer:
        return "integer";
    case FieldType::Float:
        return "number";
    case FieldType::FormattedText:
        return "formatted text";
    case FieldType::Memo:
        return "memo";
    case FieldType::Graphic:
        return "graphic";
    }
    return "unknown";
}

RecordTypeDifference recordTypeDifference(const TableStructure& expected, const TableStructure& actual)
{
    const auto name = [](const QByteArray& n) { return QString::fromLatin1(n); };
    for (int i = 0; i < std::max(expected.fields.size(), actual.fields.size()); ++i) {
        if (i >= expected.fields.size()) {
            const QByteArray extra = actual.fields[i].name;
            return {extra, QStringLiteral("field %1 is not one of the table's").arg(name(extra))};
        }
        const FieldDef& want = expected.fields[i];
        const int at = actual.indexOf(want.name);
        if (at < 0) {
            return {want.name, QStringLiteral("field %1 is missing").arg(name(want.name))};
        }
        if (actual.fields[at].type != want.type) {
            return {want.name, QStringLiteral("field %1 is %2 instead of %3")
                                   .arg(name(want.name), name(fieldTypeName(actual.fields[at].type)),
                                        name(fieldTypeName(want.type)))};
        }
        if (at != i) {
            // A field that does not belong shifts the ones after it; name that one when it is the cause.
            const QByteArray here = actual.fields[i].name;
            if (expected.indexOf(here) < 0) {
                return {here, QStringLiteral("field %1 is not one of the table's").arg(name(here))};
            }
            return {want.name,
                    QStringLiteral("field %1 is at position %2 instead of %3").arg(name(want.name)).arg(at).arg(i)};
        }
    }
    const auto upper = [](const QList<QByteArray>& names) {
        QList<QByteArray> out;
        for (const QByteArray& n : names) {
            out.append(n.toUpper());
        }
        return out;
    };
    if (upper(expected.primaryKey) != upper(actual.primaryKey)) {
        const QByteArray field = expected.primaryKey.isEmpty() ? actual.primaryKey.value(0) : expected.primaryKey[0];
        return {field, QStringLiteral("the key is (%1) instead of (%2)")
                           .arg(name(actual.primaryKey.join(';')), name(expected.primaryKey.join(';')))};
    }
    return {};
}

QByteArray Value::toText() const
{
    if (isNull()) {
        return {};
    }
    if (isInteger()) {
        return QByteArray::number(integer());
    }
    if (isFloat()) {
        // Years, days and keys are kept as floating-point numbers and read as text: 2005, not 2005.0.
        const double v = real();
        if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 9.0e15) {
            return QByteArray::number(qint64(v));
        }
        return QByteArray::number(v, 'g', 15);
    }
    return bytes();
}

static double parseNumber(const QByteArray& text)
{
    const QByteArray t = text.trimmed();
    if (t.isEmpty()) {
        return 0;
    }
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok) {
        throw Error(QStringLiteral("'%1' is not a valid number").arg(QString::fromLatin1(t)));
    }
    return v;
}

qint64 Value::toInteger() const
{
    if (isNull()) {
        return 0;
    }
    if (isInteger()) {
        return integer();
    }
    if (isFloat()) {
        return qRound64(real());
    }
    bool ok = false;
    const qint64 v = bytes().trimmed().toLongLong(&ok);
    return ok ? v : qRound64(parseNumber(bytes()));
}

double Value::toFloat() const
{
    if (isNull()) {
        return 0;
    }
    if (isInteger()) {
        return double(integer());
    }
    if (isFloat()) {
        return real();
    }
    return parseNumber(bytes());
}

} // namespace engine
