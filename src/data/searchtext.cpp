#include "searchtext.h"

#include "plaintext.h"
#include "searchcopy.h"
#include "yuscii.h"

namespace data {

QByteArray searchableText(const QByteArray& richText)
{
    return yuscii::yupperW(richtext::plainText(richText));
}

void registerSearchCopies()
{
    // The version names what searchableText gives: change it when the plain text or the
    // upper-casing changes, and every file's copies are made again at its next write.
    for (const char* table : {SearchedTable, SearchedOpinionsTable}) {
        engine::registerSearchCopy(QLatin1String(table), SearchedField, "plain text, yupperW, 1", searchableText);
    }
}

} // namespace data
