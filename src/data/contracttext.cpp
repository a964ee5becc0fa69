#include "contracttext.h"

#include <cstring>

namespace contracttext {

namespace {

char foldAscii(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool matchesFolded(const char* at, QByteArrayView tag)
{
    for (qsizetype i = 0; i < tag.size(); ++i) {
        if (foldAscii(at[i]) != foldAscii(tag[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

qsizetype findFolded(QByteArrayView text, QByteArrayView tag, qsizetype from)
{
    if (tag.isEmpty() || from < 0) {
        return -1;
    }
    const qsizetype last = text.size() - tag.size();
    const char first = tag[0];
    const char* data = text.data();
    qsizetype i = from;
    while (i <= last) {
        if (isAsciiLetter(first)) {
            if (foldAscii(data[i]) != foldAscii(first)) {
                ++i;
                continue;
            }
        } else {
            // Tags start with "<": memchr finds the candidates without looking at every byte.
            const void* hit = std::memchr(data + i, first, size_t(last - i + 1));
            if (hit == nullptr) {
                return -1;
            }
            i = static_cast<const char*>(hit) - data;
        }
        if (matchesFolded(data + i, tag)) {
            return i;
        }
        ++i;
    }
    return -1;
}

QList<Replacement> fillPlan(const QByteArray& text, const Values& values)
{
    QList<Replacement> plan;
    QByteArray current = text;
    for (int p = 0; p < PlaceholderCount; ++p) {
        const QByteArrayView tag(Placeholders[size_t(p)].tag);
        const bool entered = !values[size_t(p)].isEmpty();
        const QByteArray with = entered ? values[size_t(p)] : QByteArray(Placeholders[size_t(p)].blank);
        qsizetype from = 0;
        for (qsizetype at = findFolded(current, tag, from); at >= 0; at = findFolded(current, tag, from)) {
            plan.append({at, tag.size(), with, entered});
            current.replace(at, tag.size(), with);
            from = at + with.size();
        }
    }
    return plan;
}

QByteArray applied(QByteArray text, const QList<Replacement>& plan)
{
    for (const Replacement& r : plan) {
        text.replace(r.position, r.length, r.text);
    }
    return text;
}

bool isArticleHeading(QByteArrayView line)
{
    return line.size() >= 6 && line.sliced(1, 4) == QByteArrayView("lan ") && line[5] >= '0' && line[5] <= '9';
}

QList<int> articleHeadings(const QList<QByteArray>& paragraphs)
{
    QList<int> headings;
    for (int i = 0; i < paragraphs.size(); ++i) {
        if (isArticleHeading(paragraphs[i])) {
            headings.append(i);
        }
    }
    return headings;
}

int titleParagraphs(int paragraphCount)
{
    return paragraphCount < 2 ? 0 : 2;
}

QByteArray userContractName(const QByteArray& model)
{
    return "Korisnicki " + model;
}

QByteArray proposedName(const QByteArray& model, const QByteArray& date)
{
    return userContractName(model) + " (" + date + ')';
}

} // namespace contracttext
