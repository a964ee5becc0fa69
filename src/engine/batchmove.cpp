#include "batchmove.h"

#include "error.h"
#include "tableutil.h"

namespace engine {

namespace {

QList<QByteArray> upper(const QList<QByteArray>& names)
{
    QList<QByteArray> out;
    for (const QByteArray& n : names) {
        out.append(n.toUpper());
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

QString recordTypeMismatch(const TableStructure& target, const TableStructure& source)
{
    QStringList differences;
    for (const FieldDef& f : target.fields) {
        const int at = source.indexOf(f.name);
        if (at < 0) {
            differences << QStringLiteral("field %1 is missing").arg(QString::fromLatin1(f.name));
        } else if (source.fields[at].type != f.type) {
            differences << QStringLiteral("field %1 is %2 instead of %3")
                               .arg(QString::fromLatin1(f.name),
                                    QString::fromLatin1(fieldTypeName(source.fields[at].type)),
                                    QString::fromLatin1(fieldTypeName(f.type)));
        }
    }
    for (const FieldDef& f : source.fields) {
        if (target.indexOf(f.name) < 0) {
            differences << QStringLiteral("field %1 is not ours").arg(QString::fromLatin1(f.name));
        }
    }
    if (upper(target.primaryKey) != upper(source.primaryKey)) {
        differences << QStringLiteral("the key is %1 instead of %2")
                           .arg(QString::fromLatin1(source.primaryKey.join(';')),
                                QString::fromLatin1(target.primaryKey.join(';')));
    }
    return differences.join(QStringLiteral("; "));
}

Table::MoveCounts appendUpdate(Table& target, const Table& source)
{
    if (!source.isActive() || !target.isActive()) {
        throw Error(QStringLiteral("Both tables must be open to import %1 into %2")
                        .arg(source.tableName(), target.tableName()));
    }
    if (const QString mismatch = recordTypeMismatch(target.structure(), source.structure()); !mismatch.isEmpty()) {
        throw Error(QStringLiteral("%1 is not a table of the kind of %2: %3")
                        .arg(source.filePath(), target.filePath(), mismatch));
    }
    // A damaged source could give some records and fail on others, or give wrong ones; it is
    // refused whole before anything is written.
    const Verification v = verifyTableFile(source.filePath());
    if (v.level != 0) {
        throw Error(QStringLiteral("%1 is damaged: %2").arg(source.filePath(), v.findings.join(QStringLiteral("; "))));
    }
    return target.appendUpdateFrom(source);
}

} // namespace engine
