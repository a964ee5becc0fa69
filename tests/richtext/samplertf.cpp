#include "samplertf.h"

#include "rtfwriter.h"

#include <QList>
#include <random>

namespace samples {

Sample regulation(qsizetype size, display::Script script, unsigned seed)
{
    // Words with every YUSCII letter code, the three RTF specials among them; in the Cyrillic
    // form "w", "q" and "x" are letters too.
    const QList<QByteArray> latin = {"poreski", "obveznik", "je",     "du`an",    "da",      "podnese", "prijavu",
                                     "{to",     "pre",      "ra~una", "zakon",    "ure|uje", "na~in",   "pla}awa",
                                     "dr`avni", "organ",    "[TAMPA", "]IRILICA", "\\OR\\E", "^LAN",    "@ENA",
                                     "u",       "i",        "rok",    "od",       "30",      "dana,",   "(1)"};
    const QList<QByteArray> cyrillic = {"poreski", "obveznik", "je",   "du`an", "da",      "podnese", "wegov",
                                        "qudi",    "xep",      "{to",  "ra~un", "ure|uje", "pla}awa", "[KOLA",
                                        "]UP",     "\\AK",     "^LAN", "@ENA",  "u",       "i",       "rok"};
    const QList<QByteArray>& words = script == display::Script::Latin ? latin : cyrillic;
    const QByteArray font = script == display::Script::Latin ? "\\f0" : "\\f1";
    std::mt19937 random(seed);

    Sample s;
    s.rtf = "{\\rtf1\\ansi\\ansicpg1250\\deff0\\deflang1050{\\fonttbl{\\f0\\fnil\\fcharset238 YHelvetica;}"
            "{\\f1\\fnil\\fcharset0 CHelvetica;}}\r\n\\viewkind4\\uc1\\pard\\qc\\b" +
            font + "\\fs24 ZAKON\\par\r\nO RA^UNOVODSTVU\\par\r\n\\pard\\ql\\b0\\fs20 ";
    s.text = "ZAKON\nO RA^UNOVODSTVU\n";
    qsizetype lineStart = s.rtf.size();
    auto paragraph = [&](const QByteArray& text) {
        // A rich-edit control breaks its output lines between words.
        for (const QByteArray& word : text.split(' ')) {
            if (s.rtf.size() - lineStart > 200) {
                s.rtf += "\r\n";
                lineStart = s.rtf.size();
            }
            s.rtf += richtext::rtfEscaped(word);
            s.rtf += ' ';
        }
        s.rtf.chop(1);
        s.rtf += "\\par\r\n";
        lineStart = s.rtf.size();
        s.text += text;
        s.text += '\n';
    };
    for (int article = 1; s.rtf.size() < size; ++article) {
        paragraph("^lan " + QByteArray::number(article));
        const int paragraphs = 1 + int(random() % 3);
        for (int p = 0; p < paragraphs; ++p) {
            QByteArray text;
            const int count = 20 + int(random() % 60);
            for (int w = 0; w < count; ++w) {
                text += words[int(random() % words.size())];
                text += w + 1 < count ? " " : ".";
            }
            paragraph(text);
        }
    }
    s.rtf += "}";
    s.text.chop(1); // the last paragraph mark is the document's end
    return s;
}

Sample table(int rows, int columns)
{
    Sample s;
    s.rtf = "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fnil\\fcharset238 YHelvetica;}}\r\n"
            "\\pard\\f0\\fs20 Tarifa\\par\r\n";
    s.text = "Tarifa\n";
    QByteArray definition = "\\trowd\\trgaph108";
    for (int c = 1; c <= columns; ++c) {
        definition += "\\cellx" + QByteArray::number(9000 * c / columns);
    }
    for (int r = 1; r <= rows; ++r) {
        s.rtf += definition + "\r\n";
        for (int c = 1; c <= columns; ++c) {
            const QByteArray cell = c == 1 ? "Tarifni broj " + QByteArray::number(r)
                                           : QByteArray::number(r * 37 % 1000) + "," + QByteArray::number(c) + "0";
            s.rtf += "\\pard\\intbl " + cell + "\\cell ";
            s.text += cell + '\n';
        }
        s.rtf += "\\row\r\n";
    }
    s.rtf += "\\pard Kraj\\par\r\n}";
    s.text += "Kraj";
    return s;
}

} // namespace samples
