#include "sessionsetup.h"

#include "error.h"
#include "schema.h"
#include "searchtext.h"
#include "session.h"

#include <QDir>

namespace data {

void setUpSession(const QString& programFolder)
{
    registerSearchCopies();
    registerRecordTypes();
    engine::Session& s = engine::session();
    try {
        s.deleteAlias(DatabaseAlias);
    } catch (const engine::Error&) {
        // Usually it is not there yet.
    }
    s.addStandardAlias(DatabaseAlias, QDir(programFolder).filePath(DataFolderName), "Paradox");
    s.addPassword(TablePassword);
    s.open();
}

} // namespace data
