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
