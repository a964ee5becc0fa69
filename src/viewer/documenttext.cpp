#include "documenttext.h"

#include <algorithm>

namespace viewer {

void ShadowCopy::setText(const QByteArray& upper)
{
    if (upper != m_text) {
        m_text = upper;
        m_selStart = 0;
        m_selLength = 0;
    }
}

void ShadowCopy::select(int start, int length)
{
    m_selStart = std::clamp(start, 0, int(m_text.size()));
    m_selLength = std::clamp(length, 0, int(m_text.size()) - m_selStart);
}

int ShadowCopy::findStart() const
{
    return m_selLength != 0 ? m_selStart + m_selLength : 0;
}

int ShadowCopy::findNext(const QByteArray& upperTerm)
{
    if (upperTerm.isEmpty()) {
        return -1;
    }
    const int hit = int(m_text.indexOf(upperTerm, findStart()));
    if (hit >= 0) {
        select(hit, int(upperTerm.size()));
    }
    return hit;
}

bool isArticleHeading(QByteArrayView paragraph)
{
    return paragraph.size() >= 6 && paragraph.sliced(1, 4) == QByteArrayView("lan ") && paragraph[5] >= '0' &&
           paragraph[5] <= '9';
}

QList<ArticleHeading> articleHeadings(const QByteArray& text)
{
    QList<ArticleHeading> headings;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0) {
            end = text.size();
        }
        const QByteArrayView paragraph = QByteArrayView(text).sliced(start, end - start);
        if (isArticleHeading(paragraph)) {
            headings.append({paragraph.toByteArray(), int(start)});
        }
        start = end + 1;
    }
    return headings;
}

QByteArray lengthText(int characters)
{
    return "Du`ina teksta: " + QByteArray::number(characters) + " karaktera";
}

} // namespace viewer
