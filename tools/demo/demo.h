#pragma once

// The demo collection: a complete, deterministic data folder with all thirteen tables, for
// running the program, for tests and for benchmarks.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace demo {

struct Options {
    int regulations = 2000;
    quint32 seed = 1;
    int textKb = 4; // size of each regulation's Latin text (its Cyrillic twin is about the same)
    int opinions = 0; // 0: one for every ten regulations, at least 30
};

// Writes the thirteen table files into `folder` (made when missing), protected with the tables'
// password; an existing table file is replaced whole. Throws engine::Error.
void generate(const QString& folder, const Options& options = {});

// Pieces of the collection, also used by the updates written from it: the Latin and Cyrillic
// RTF of a regulation's text (the same seed gives the same text), a note, a picture.
struct RegulationTexts {
    QByteArray latin;
    QByteArray cyrillic;
};
RegulationTexts regulationTexts(const QByteArray& title, int textKb, quint32 seed);
QByteArray noteText(const QByteArray& text);
QByteArray picturePng(int regulation, int slot);

// Numbered update archives of a collection, as the publisher's server offers them: each changes
// some regulations (new text and note, some superseded by a new version) and adds new ones with
// their publications, dates, version records and pictures, and new opinions with their relations.
struct UpdateOptions {
    int archives = 1; // how many, numbered from `first`
    int first = 1;    // 1 makes "001.zip"
    int changed = 20; // existing regulations each archive changes
    int added = 10;   // new regulations in each archive
    quint32 seed = 1;
    int textKb = 4;
};

// The tables of update `number` of the collection in `collectionFolder` (as it was before the
// first update), written into `folder` under the names the updater looks for ("TB_Zakoni.DB",
// "tb_brojevi.db", ...). Records of update n are numbered after those of updates 1 to n - 1, so
// the archives can be installed one after the other. Throws engine::Error.
void writeUpdateTables(const QString& collectionFolder, const QString& folder, const UpdateOptions& options,
                       int number);
// Writes the archives "001.zip", "002.zip", ... into `folder` (made when missing); returns their
// paths. Throws engine::Error.
QStringList writeUpdateArchives(const QString& collectionFolder, const QString& folder,
                                const UpdateOptions& options);

// Records every collection has, whatever its size and seed, so tests can name them.
namespace landmark {
inline constexpr int FirstLaw = 1;                         // "Zakon o ra~unovodstvu", gazette 1, BG "12/2005"
inline constexpr int ApostropheTitle = 2;                  // a title holding an apostrophe; pictures in all of S1..S33
inline constexpr int Note200 = 3;                          // its note is exactly 200 characters
inline constexpr int Note201 = 4;                          // its note is exactly 201 characters
inline constexpr int ForestLaw = 5;                        // "Zakon o {umama" (YUSCII letters in the title)
inline constexpr int ChainOfThree[] = {6, 7, 8};           // one regulation in three versions
inline constexpr int ChainOfFive[] = {10, 11, 12, 13, 14}; // and one in five
inline constexpr int PicturesS2S5 = 1;                     // pictures only in S2 and S5
inline constexpr int RelatedToThree = 1;                   // related to the opinions 0, 1 and 2
inline constexpr int OpinionTwoRegulations = 0;            // related to regulations 1 and 2; dated 5 March 2004
inline constexpr int TitleTwins[] = {15, 16, 17};          // one title: 15 without versions, 16 and 17 a chain
inline constexpr int ArticlesFromTop = 18;                 // no title lines: "^lan 1" opens the text; 12+ articles
inline constexpr int BrokenPicture = 18;                   // S3 a cut picture that cannot be decoded, S4 a good one
inline constexpr int OpinionNewYear = 3;                   // dated 1 January 2001
} // namespace landmark

inline constexpr const char* FirstLawTitle = "Zakon o ra~unovodstvu";
inline constexpr const char* ApostropheLawTitle = "Pravilnik o obrascu poreske prijave O'B";
inline constexpr const char* ForestLawTitle = "Zakon o {umama";
inline constexpr const char* TwinTitle = "Pravilnik o naknadi tro{kova postupka";
// A contract model of two parties whose "<mestoug>" stands three times, once in capitals and once
// ending the text, with a heading "^lan 12" followed by its title, a line beginning "^lanak" and a
// line of four characters.
inline constexpr const char* MediationModelName = "Ugovor o posredovanju";

// The Cyrillic form of Latin YUSCII text: the same code, with nj, lj and d` (d`) written as the
// single letters w, q and x.
QByteArray toCyrillic(const QByteArray& latin);

} // namespace demo
