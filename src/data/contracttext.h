#pragma once

// Contract models as text: the placeholders a model marks for the entered values and the blanks
// that stand in for values left empty, the article headings, the title, and the names user
// contracts are stored under. Plain rules over YUSCII text; the contracts tab applies them to its
// rich-text controls.

#include <array>
#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace contracttext {

struct Placeholder {
    const char* tag;
    const char* blank; // what a value left empty becomes, so the printed form has room to write in
};

inline constexpr int PlaceholderCount = 8;

// In the order a filling replaces them: the first party's name and place with address, the
// second's, the third's, the date, the place.
inline constexpr std::array<Placeholder, PlaceholderCount> Placeholders = {{
    {"<ugov1>", " ____________________ "},
    {"<nazivugs1>", " _________________ "},
    {"<ugov2>", " ____________________ "},
    {"<nazivugs2>", " _________________ "},
    {"<ugov3>", " ____________________ "},
    {"<nazivugs3>", " _________________ "},
    {"<datumug>", " ___/___/_____ "},
    {"<mestoug>", " ____________ "},
}};

// The entered values, in the placeholders' order.
using Values = std::array<QByteArray, PlaceholderCount>;

// One placeholder replaced: `position` counts in the text as it stands when this replacement is
// made, that is after every earlier one of the plan.
struct Replacement {
    qsizetype position = 0;
    qsizetype length = 0;
    QByteArray text;
    bool entered = false; // an entered value (shown in the contract colour), not a blank
    bool operator==(const Replacement&) const = default;
};

// The position of `tag` in `text` at or after `from`, ASCII letters compared without regard to
// case ("<UGOV1>" is "<ugov1>"; the YUSCII letters, being punctuation codes, only match
// themselves); -1 when absent.
qsizetype findFolded(QByteArrayView text, QByteArrayView tag, qsizetype from);

// Every placeholder replaced, one placeholder after the other in their order, each occurrence by
// its value or, when the value is empty, by its blank. The search for a placeholder goes on
// behind the text it has just put in, so a value that holds its own placeholder is not replaced
// again and the filling always ends; a later placeholder in an earlier value is still replaced.
QList<Replacement> fillPlan(const QByteArray& text, const Values& values);
// The plan carried out on plain text.
QByteArray applied(QByteArray text, const QList<Replacement>& plan);

// An article heading: a line whose characters 2 to 5 are "lan " and whose sixth is a digit (the
// first, the capital of the word, is not looked at, so "^lan 12 Sporovi" is one).
bool isArticleHeading(QByteArrayView line);
// The indexes of the heading paragraphs, first to last.
QList<int> articleHeadings(const QList<QByteArray>& paragraphs);
// How many paragraphs from the first make the title: the first two, or none when the text is a
// single paragraph.
int titleParagraphs(int paragraphCount);

// The name a copied contract is stored under, and the name proposed when that one is taken.
QByteArray userContractName(const QByteArray& model);
QByteArray proposedName(const QByteArray& model, const QByteArray& date);

} // namespace contracttext
