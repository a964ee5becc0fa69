#include "recentsearches.h"

#include "filter.h"
#include "listfiles.h"

namespace recentsearches {

namespace {
const char* const kTexts = "tekstovima";
} // namespace

QByteArray scopeText(Scope scope, int found)
{
    return (scope == Scope::Titles ? "po naslovima (nadjeno " : "po naslovima i tekstovima (nadjeno ") +
           QByteArray::number(found) + " propisa)";
}

QByteArray entry(const QByteArray& query, Scope scope, int found)
{
    // The entry is one line of its file and of its list, as the search it stands for is.
    return engine::quoted(listfiles::oneLine(query)) + " - " + scopeText(scope, found);
}

Replay parse(const QByteArray& entry)
{
    Replay r;
    if (!entry.startsWith('\'')) {
        const qsizetype end = entry.indexOf('\'', 1);
        r.query = entry.left(end < 0 ? entry.size() : end);
        r.query.replace('\'', QByteArray());
        r.scope = entry.contains(kTexts) ? Scope::TitlesAndTexts : Scope::Titles;
        return r;
    }
    qsizetype i = 1;
    for (; i < entry.size(); ++i) {
        if (entry[i] != '\'') {
            r.query += entry[i];
        } else if (i + 1 < entry.size() && entry[i + 1] == '\'') {
            r.query += '\'';
            ++i;
        } else {
            break; // the closing quote
        }
    }
    r.scope = entry.indexOf(kTexts, i) >= 0 ? Scope::TitlesAndTexts : Scope::Titles;
    return r;
}

} // namespace recentsearches
