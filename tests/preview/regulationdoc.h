#pragma once

// Rich texts to paginate, for the print preview's tests and benchmark.

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>

namespace previewtest {

// A regulation of `articles` articles in the Latin text font: a bold heading "Član N." and a
// paragraph of several lines with the five letters in both cases.
inline void fillRegulation(QTextEdit& edit, int articles)
{
    edit.clear();
    QTextCursor cursor(edit.document());
    QTextCharFormat heading;
    heading.setFontFamilies({QStringLiteral("YHelvetica")});
    heading.setFontPointSize(12);
    heading.setFontWeight(QFont::Bold);
    QTextCharFormat body = heading;
    body.setFontPointSize(11);
    body.setFontWeight(QFont::Normal);
    const QString text = QStringLiteral(
        "Poslodavac je dužan da zaposlenom obezbedi uslove rada šćđčž ŠĆĐČŽ, da ga obavesti o pravima i "
        "obavezama iz radnog odnosa i da vodi računa o bezbednosti i zdravlju na radu, u skladu sa zakonom, "
        "opštim aktom i ugovorom o radu, kao i da mu isplati zaradu u rokovima utvrđenim ugovorom.");
    for (int i = 1; i <= articles; ++i) {
        if (i > 1) {
            cursor.insertBlock();
        }
        cursor.insertText(QStringLiteral("Član %1.").arg(i), heading);
        cursor.insertBlock();
        cursor.insertText(text, body);
    }
}

// Paragraphs each beginning a page of its own: "Strana A", "Strana B", ...
inline void fillPages(QTextEdit& edit, int pages)
{
    edit.clear();
    QTextCursor cursor(edit.document());
    for (int i = 0; i < pages; ++i) {
        if (i > 0) {
            QTextBlockFormat breakBefore;
            breakBefore.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            cursor.insertBlock(breakBefore);
        }
        cursor.insertText(QStringLiteral("Sadr\u017Eaj %1").arg(QChar('A' + i)));
    }
}

} // namespace previewtest
