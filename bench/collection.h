#pragma once

// The generated collections the benchmarks run on, made once in the build folder and kept between
// runs: the large one of 20,000 regulations of about 30 KB of Latin text each (about 600 MB of
// RTF), and one of 5,000 opinions with a few hundred regulations for them to relate to. A kept
// collection is used while its marker file is there and its files hold the search copies the
// program now makes; otherwise it is made again, as a search over a file without copies would
// measure the slow path.

#include "demo.h"
#include "error.h"
#include "searchcopy.h"
#include "searchtext.h"
#include "sessionsetup.h"
#include "table.h"

#include <cstdio>
#include <QDir>
#include <QFile>
#include <QString>

namespace benchdata {

inline constexpr int Regulations = 20000;
inline constexpr int TextKb = 30;
inline constexpr int Opinions = 5000;
inline constexpr int OpinionRegulations = 500;

inline QString regulationsFolder()
{
    return QStringLiteral(KORVELIN_BENCH_DATA);
}

inline QString opinionsFolder()
{
    return QStringLiteral(KORVELIN_BENCH_DATA "/opinions-%1").arg(Opinions);
}

// True when the session's regulations and opinions files hold their search copies.
inline bool copiesStored()
{
    for (const char* table : {data::SearchedTable, data::SearchedOpinionsTable}) {
        engine::Table t;
        t.setDatabaseName(data::DatabaseAlias);
        t.setTableName(QString::fromLatin1(table) + QStringLiteral(".db"));
        try {
            t.open();
            if (!engine::SearchCopyReader(t, data::SearchedField).stored()) {
                return false;
            }
        } catch (const engine::Error&) {
            return false;
        }
    }
    return true;
}

// Opens the session on the collection in `folder`, making it first unless a complete one is there
// (`marker` names the file that says so). True when it was made now.
inline bool prepare(const QString& folder, const demo::Options& options, const QString& marker)
{
    data::setUpSession(folder);
    const QString markerFile = QDir(folder).filePath(marker);
    if (QFile::exists(markerFile) && copiesStored()) {
        return false;
    }
    const QString opinions =
        options.opinions > 0 ? QStringLiteral(" and %1 opinions").arg(options.opinions) : QString();
    std::printf("Generating %d regulations of %d KB%s into %s ...\n", options.regulations, options.textKb,
                qPrintable(opinions), qPrintable(folder));
    std::fflush(stdout);
    demo::generate(QDir(folder).filePath(QStringLiteral("Podatci")), options);
    QFile(markerFile).open(QIODevice::WriteOnly);
    return true;
}

// The large collection of regulations.
inline bool prepareRegulations()
{
    return prepare(regulationsFolder(), {Regulations, 1, TextKb},
                   QStringLiteral("complete-%1-%2").arg(Regulations).arg(TextKb));
}

// The collection of opinions.
inline bool prepareOpinions()
{
    return prepare(opinionsFolder(), {OpinionRegulations, 1, 1, Opinions}, QStringLiteral("complete"));
}

} // namespace benchdata
