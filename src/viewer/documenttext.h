#pragma once

// Rules of the viewer that need no window: the find in an upper-cased shadow copy of the text and
// the articles list built from the text's paragraphs.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace viewer {

// The find's shadow copy: the text upper-cased the YUSCII way, and the last hit in it. A text
// control folds only the ASCII letters, so the find searches this copy, where "{" and "[" (the
// small and the capital š) are one character; positions agree with the control's.
class ShadowCopy final {
public:
    // Takes `upper` when it differs from the copy held; the last hit is then forgotten, so the next
    // find starts at the top.
    void setText(const QByteArray& upper);
    const QByteArray& text() const { return m_text; }

    void select(int start, int length);
    int selStart() const { return m_selStart; }
    int selLength() const { return m_selLength; }

    // Where the next find starts: just after the last hit, or at the top when there is none.
    int findStart() const;
    // The next hit of `upperTerm` from findStart() on; it becomes the selection. -1 when there is
    // none (or the term is empty), the selection then staying as it was.
    int findNext(const QByteArray& upperTerm);

private:
    QByteArray m_text;
    int m_selStart = 0;
    int m_selLength = 0;
};

// An article heading: its paragraph's characters 2 to 5 are "lan " and the 6th is a digit. The first
// character is not examined, so "^lan" (Č in Latin, Ч in Cyrillic) and a heading after a mark both
// count; "^LAN 1" does not.
bool isArticleHeading(QByteArrayView paragraph);

struct ArticleHeading {
    QByteArray entry; // the heading's paragraph
    int position = 0; // where that paragraph starts in the text
};

// The headings of `text`, paragraphs separated by "\n", first to last. Each keeps its own position,
// so "^lan 1" is found at the start of the text and never inside "^lan 10".
QList<ArticleHeading> articleHeadings(const QByteArray& text);

// Panel 0 of the viewer's status bar for a text of `characters` characters.
QByteArray lengthText(int characters);

} // namespace viewer
