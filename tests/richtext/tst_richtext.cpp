#include "plaintext.h"
#include "rtfreader.h"
#include "rtfwriter.h"
#include "runscript.h"
#include "samplertf.h"
#include "textfind.h"
#include "yusciicursor.h"

#include <QBuffer>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QtTest>
#include <random>

using display::Script;
using namespace richtext;

namespace {

// A document as the control holds one: its default font is the Latin text font.
struct Doc {
    QTextDocument document;
    explicit Doc(const QByteArray& data, const QString& family = DefaultFamily)
    {
        document.setDefaultFont(QFont(family));
        readRtf(data, document);
    }
    QByteArray text() const { return documentText(document); }
    QTextBlock block(int n) const { return document.findBlockByNumber(n); }
    QTextCharFormat formatAt(int position) const
    {
        QTextCursor c(const_cast<QTextDocument*>(&document));
        c.setPosition(position + 1);
        return c.charFormat();
    }
    int find(const QByteArray& yuscii) const { return int(text().indexOf(yuscii)); }
};

QByteArray imageHex(int width, int height, const char* kind = "PNG")
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, kind);
    return data.toHex();
}

// What a word processor exports (wordprocessor.rtf): style sheet, information group, generator, header and footer,
// fonts with panose and alternative names, code pages, \u with fallbacks, a field, a list item,
// a table, a picture in \shppict beside its metafile, a page break.
QByteArray wordProcessorRtf(const QByteArray& pictureHex)
{
    QFile file(QStringLiteral(KORVELIN_RICHTEXT_TESTDATA "/wordprocessor.rtf"));
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("test data missing");
    }
    return file.readAll().replace("PICTUREHEX", pictureHex);
}

const QByteArray kWordProcessorText = "Ugovor o zakupu\n"
                                      "Prvi podebljan, kurziv, podvu\xe8"
                                      "en i crven tekst.\n"
                                      "Latinica: ~}`{| ~ } [\n"
                                      "[li\n"
                                      "veza\n"
                                      "Skriveno: ok\xa0????\n"
                                      "\xb7\tstavka\n"
                                      "A1\nB1\nA2\ndruga\nB2\n"
                                      "Posle tabele ? kraj\n"
                                      "Nova strana";

// The character formats the writer carries, compared position by position.
QString formatKey(const QTextCharFormat& f, const QTextDocument& d)
{
    return QStringLiteral("%1|%2|%3%4%5%6|%7|%8")
        .arg(familyOf(f, d))
        .arg(f.fontPointSize() > 0 ? f.fontPointSize() : d.defaultFont().pointSizeF())
        .arg(f.fontWeight() >= QFont::DemiBold)
        .arg(f.fontItalic())
        .arg(f.fontUnderline())
        .arg(f.fontStrikeOut())
        .arg(f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().name() : QString())
        .arg(f.hasProperty(QTextFormat::BackgroundBrush) ? f.background().color().name() : QString());
}

QString blockKey(const QTextBlockFormat& f)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9")
        .arg(int(f.alignment() & Qt::AlignHorizontal_Mask))
        .arg(f.leftMargin())
        .arg(f.rightMargin())
        .arg(f.textIndent())
        .arg(f.topMargin())
        .arg(f.bottomMargin())
        .arg(f.lineHeightType())
        .arg(f.lineHeight())
        .arg(int(f.pageBreakPolicy()));
}

void compareDocuments(const QTextDocument& a, const QTextDocument& b)
{
    QCOMPARE(b.toRawText(), a.toRawText());
    QCOMPARE(documentText(b), documentText(a));
    QTextCursor ca(const_cast<QTextDocument*>(&a));
    QTextCursor cb(const_cast<QTextDocument*>(&b));
    for (int pos = 1; pos < a.characterCount(); ++pos) {
        ca.setPosition(pos);
        cb.setPosition(pos);
        if (a.characterAt(pos - 1) == QChar::ParagraphSeparator || a.characterAt(pos - 1).unicode() >= 0xFDD0) {
            continue; // marks carry no text format
        }
        QCOMPARE(formatKey(cb.charFormat(), b), formatKey(ca.charFormat(), a));
    }
    QTextBlock x = a.begin();
    QTextBlock y = b.begin();
    for (; x.isValid() && y.isValid(); x = x.next(), y = y.next()) {
        QCOMPARE(blockKey(y.blockFormat()), blockKey(x.blockFormat()));
    }
    QCOMPARE(x.isValid(), y.isValid());
}

// The plain-text path must give what the document holds, whatever the input.
void checkPlainMatchesDocument(const QByteArray& data)
{
    Doc d(data);
    const QByteArray plain = plainText(data);
    if (plain != d.text()) {
        qWarning() << "input:" << data.left(300);
    }
    QCOMPARE(plain, d.text());
    QCOMPARE(d.text().size(), d.document.characterCount() - 1);
}

// Well-formed RTF of every kind the readers meet, made from a seed: font tables (with alternate
// names, charsets and fonts defined again later), code pages, raw and escaped 8-bit bytes, \u with
// fallbacks, nested groups with character formats and hidden text, destinations, pictures, tables
// and paragraph and line marks.
class RtfGenerator {
public:
    explicit RtfGenerator(quint32 seed) : m_random(seed) {}

    QByteArray document()
    {
        QByteArray rtf = "{\\rtf1\\ansi";
        if (chance(70)) {
            rtf += "\\ansicpg" + pick<QByteArray>({"1250", "1251", "1252", "1253", "437"});
        }
        if (chance(60)) {
            rtf += "\\deff" + QByteArray::number(number(5));
        }
        rtf += fontTable();
        if (chance(50)) {
            rtf += "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue128;}";
        }
        if (chance(30)) {
            rtf += "{\\stylesheet{\\s0 Normal;}}{\\info{\\title naslov}}";
        }
        rtf += body(2);
        return rtf + "}";
    }

private:
    bool chance(int percent) { return int(m_random.bounded(100)) < percent; }
    int number(int below) { return int(m_random.bounded(below)); }
    template <typename T> T pick(std::initializer_list<T> items) { return items.begin()[number(int(items.size()))]; }

    QByteArray fontTable()
    {
        QByteArray table = "{\\fonttbl";
        for (int i = 0, n = 1 + number(5); i < n; ++i) {
            table += "{\\f" + QByteArray::number(number(5));
            if (chance(60)) {
                table += "\\fcharset" + pick<QByteArray>({"0", "1", "161", "204", "238"});
            }
            table += pick<QByteArray>({"\\fnil ", "\\fswiss ", " "});
            if (chance(20)) {
                table += "{\\*\\panose 020b0604020202020204}";
            }
            table += pick<QByteArray>(
                {"YHelvetica", "CHelvetica", "YU Sans Serif", "Arial", "Times New Roman", "YHelvetica CE", ""});
            if (chance(30)) {
                table += "{\\*\\fname " + pick<QByteArray>({"YHelvetica", "CHelvetica", "Arial", "Courier"}) + ";}";
            }
            table += ";}";
        }
        return table + "}";
    }

    QByteArray text()
    {
        QByteArray out;
        for (int i = 0, n = 1 + number(8); i < n; ++i) {
            switch (number(9)) {
            case 0:
                out += pick<QByteArray>({"\\{", "\\}", "\\\\", "[", "]", "^", "@", "|", "~", "`", "wqx", "?"});
                break;
            case 1:
                out += "\\'" + QByteArray::number(0x80 + number(0x80), 16);
                break;
            case 2:
                out += char(0x80 + number(0x80)); // unescaped 8-bit bytes
                break;
            case 3:
                out += "\\u" +
                       QByteArray::number(
                           pick<int>({269, 352, 1096, 1114, 8212, 8232, 8233, 65532, -3, 9, 353, 1100, 263})) +
                       pick<QByteArray>({"?", "\\'e8", " x", "\\lquote "});
                break;
            case 4:
                out += "\\uc" + QByteArray::number(number(3)) + ' ';
                break;
            case 5:
                out += pick<QByteArray>({"\\emdash ", "\\~", "\\_", "\\tab ", "\\line ", "\\-", "\\bullet "});
                break;
            default:
                out += pick<QByteArray>({"Zakon ", "o ra~unovodstvu ", "^lan ", "{uma ", "dru{tvo ", "abc "});
                break;
            }
        }
        return out;
    }

    QByteArray format()
    {
        return pick<QByteArray>({"\\b ", "\\b0 ", "\\i ", "\\ul ", "\\ulnone ", "\\v ", "\\v0 ", "\\plain ", "\\fs20 ",
                                 "\\cf1 ", "\\highlight2 ", "\\strike "}) +
               (chance(60) ? "\\f" + QByteArray::number(number(6)) + " " : QByteArray());
    }

    QByteArray table()
    {
        QByteArray out = "\\par";
        for (int row = 0, rows = 1 + number(4); row < rows; ++row) {
            const int cells = 1 + number(4);
            out += "\\trowd";
            for (int c = 0; c < cells; ++c) {
                out += "\\cellx" + QByteArray::number(1000 * (c + 1));
            }
            for (int c = 0; c < cells + (chance(10) ? 1 : 0); ++c) {
                out += "\\pard\\intbl " + format() + text();
                if (chance(20)) {
                    out += "\\par " + text();
                }
                out += "\\cell ";
            }
            out += "\\row ";
        }
        return out + "\\pard ";
    }

    // Past the depth a reader keeps: each group changes a format and holds text.
    QByteArray deepGroups()
    {
        const int levels = 990 + number(30);
        QByteArray out;
        for (int level = 0; level < levels; ++level) {
            out += "{" + pick<QByteArray>({"\\b ", "\\b0 ", "\\v ", "\\v0 ", "\\f1 "}) + "x";
        }
        for (int level = 0; level < levels; ++level) {
            out += "}y";
        }
        return out;
    }

    QByteArray body(int depth)
    {
        QByteArray out;
        for (int i = 0, n = 2 + number(10); i < n; ++i) {
            switch (number(12)) {
            case 0:
                out += format();
                break;
            case 1:
                if (depth < 12) {
                    out += "{" + format() + body(depth + 1) + "}";
                }
                break;
            case 2:
                out += pick<QByteArray>({"\\par ", "\\par\\pard ", "\\page ", "\\sect ", "\\qc ", "\\li300 "});
                break;
            case 3:
                if (depth < 4) {
                    out += table();
                }
                break;
            case 4:
                out += pick<QByteArray>({"{\\*\\bkmkstart a}", "{\\*\\unknown skipped}", "{\\footnote note}",
                                         "{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt veza}}"});
                break;
            case 5:
                out += "{\\pict\\pngblip\\picw1\\pich1 " + m_picture + "}";
                break;
            case 6:
                if (chance(30)) {
                    out += fontTable(); // a font table again: numbers get new fonts from here on
                }
                break;
            case 7:
                if (depth == 2 && chance(10)) {
                    out += deepGroups();
                }
                break;
            default:
                out += text();
                break;
            }
        }
        return out;
    }

    QRandomGenerator m_random;
    QByteArray m_picture = imageHex(1, 1);
};

} // namespace

class TestRichText : public QObject {
    Q_OBJECT
private slots:
    void storedStyleLatin();
    void storedStyleCyrillic();
    void wordProcessorExport();
    void codePagesAndCharsets_data();
    void codePagesAndCharsets();
    void unicodeFallbacks_data();
    void unicodeFallbacks();
    void runsWithoutFont();
    void plainTextInput();
    void pictures();
    void tables();
    void writerStoredStyle();
    void roundTripKeepsTextAndFormats();
    void malformedInput_data();
    void malformedInput();
    void fuzzedInput();
    void generatedInputPlainMatchesDocument();
    void fontsThatChangeTheScript();
    void deepGroupsKeepFormats();
    void reverseMappingMatchesDisplay();
    void fontFamilies();
    void find_data();
    void find();
    void insertAndFontSwitchKeepBytes();
    void laidOutLines();
};

void TestRichText::storedStyleLatin()
{
    const samples::Sample s = samples::regulation(20000);
    Doc d(s.rtf);
    QCOMPARE(d.text(), s.text);
    QCOMPARE(plainText(s.rtf), s.text);
    // The document shows the letters: "^" is Č in the Latin font.
    QCOMPARE(d.block(1).text(), QStringLiteral("O RAČUNOVODSTVU"));
    QVERIFY(d.block(0).blockFormat().alignment() & Qt::AlignHCenter);
    const QTextCharFormat title = d.formatAt(0);
    QCOMPARE(title.fontWeight(), int(QFont::Bold));
    QCOMPARE(title.fontPointSize(), 12.0);
    QCOMPARE(familyOf(title, d.document), QStringLiteral("YHelvetica"));
    const QTextCharFormat article = d.formatAt(d.block(2).position());
    QCOMPARE(d.block(2).text(), QStringLiteral("Član 1"));
    QVERIFY(article.fontWeight() < QFont::DemiBold);
    QCOMPARE(article.fontPointSize(), 10.0);
    QVERIFY(d.block(2).blockFormat().alignment() & Qt::AlignLeft);
    // No empty paragraph after the last one: the final \par is the document's end.
    QVERIFY(!d.document.lastBlock().text().isEmpty());
}

void TestRichText::storedStyleCyrillic()
{
    const samples::Sample s = samples::regulation(8000, Script::Cyrillic);
    Doc d(s.rtf);
    QCOMPARE(d.text(), s.text);
    QCOMPARE(plainText(s.rtf), s.text);
    QCOMPARE(familyOf(d.formatAt(0), d.document), QStringLiteral("CHelvetica"));
    QCOMPARE(d.block(2).text(), QStringLiteral("Члан 1"));
    const QStringList screen = d.document.toPlainText().split(u'\n');
    const QList<QByteArray> yuscii = s.text.split('\n');
    QCOMPARE(screen.size(), yuscii.size());
    for (int i = 0; i < screen.size(); ++i) {
        QCOMPARE(screen[i], display::toUnicode(yuscii[i], Script::Cyrillic));
    }
}

void TestRichText::wordProcessorExport()
{
    const QByteArray rtf = wordProcessorRtf(imageHex(2, 1));
    Doc d(rtf);
    QCOMPARE(d.text(), kWordProcessorText);
    QCOMPARE(plainText(rtf), kWordProcessorText);

    QVERIFY(d.block(0).blockFormat().alignment() & Qt::AlignHCenter);
    QCOMPARE(d.block(0).blockFormat().topMargin(), 16.0);
    QCOMPARE(familyOf(d.formatAt(0), d.document), QStringLiteral("Arial CE"));
    QCOMPARE(d.formatAt(0).fontPointSize(), 16.0);
    const QTextBlockFormat indented = d.block(1).blockFormat();
    QCOMPARE(indented.textIndent(), 48.0);
    QCOMPARE(indented.leftMargin(), 24.0);
    QCOMPARE(indented.rightMargin(), 12.0);
    QCOMPARE(d.formatAt(d.find("podebljan")).fontWeight(), int(QFont::Bold));
    QVERIFY(d.formatAt(d.find(", kurziv")).fontWeight() < QFont::DemiBold);
    QVERIFY(d.formatAt(d.find("kurziv")).fontItalic());
    QVERIFY(d.formatAt(d.find("podvu")).fontUnderline());
    QVERIFY(!d.formatAt(d.find(" i crven")).fontUnderline());
    QCOMPARE(d.formatAt(d.find("crven")).foreground().color(), QColor(255, 0, 0));
    QCOMPARE(d.formatAt(d.find("veza")).foreground().color(), QColor(0, 0, 128));
    QVERIFY(d.document.toPlainText().contains(QStringLiteral("Latinica: čćžšđ č ć Š")));
    QVERIFY(d.document.toPlainText().contains(QStringLiteral("Шли")));
    QVERIFY(!d.document.toPlainText().contains(QStringLiteral("tajna")));
    QVERIFY(!d.document.toPlainText().contains(QStringLiteral("Header")));
    QVERIFY(d.block(d.document.blockCount() - 1).blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
}

void TestRichText::codePagesAndCharsets_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QByteArray>("yuscii");
    QTest::newRow("1250 document") << QByteArray("{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0 Arial;}}\\f0 \\'e8\\'8a}")
                                   << QStringLiteral("čŠ") << QByteArray("~[");
    QTest::newRow("1251 document") << QByteArray("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}}\\f0 \\'f8\\'c0}")
                                   << QStringLiteral("шА") << QByteArray("{A");
    QTest::newRow("1252 document") << QByteArray("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}}\\f0 \\'e9\\'8a}")
                                   << QStringLiteral("éŠ") << QByteArray("\xe9[");
    QTest::newRow("charset over code page")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset238 Arial;}{\\f1\\fcharset204 Arial;}}"
                      "\\f0 \\'e8{\\f1 \\'e8}}")
        << QStringLiteral("čи") << QByteArray("~i");
    QTest::newRow("8-bit bytes unescaped")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0 Arial;}}\\f0 \xe8\x9e}") << QStringLiteral("čž")
        << QByteArray("~`");
    QTest::newRow("YUSCII font keeps its bytes")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0\\fcharset238 YHelvetica CE;}{\\f1 CHelvetica;}}"
                      "\\f0 \\{\\}\\\\|~`\\'e8{\\f1 wqx\\'e8}}")
        << QStringLiteral("šćĐđčžè") + QStringLiteral("њљџè") << QByteArray("{}\\|~`\xe8wqx\xe8");
}

void TestRichText::codePagesAndCharsets()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, screen);
    QFETCH(QByteArray, yuscii);
    Doc d(rtf);
    QCOMPARE(d.document.toPlainText(), screen);
    QCOMPARE(d.text(), yuscii);
    QCOMPARE(plainText(rtf), yuscii);
}

void TestRichText::unicodeFallbacks_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("screen");
    QTest::newRow("one fallback") << QByteArray("{\\rtf1 a\\u269?b}") << QStringLiteral("ačb");
    QTest::newRow("hex fallback") << QByteArray("{\\rtf1 a\\u269\\'e8b}") << QStringLiteral("ačb");
    QTest::newRow("uc0") << QByteArray("{\\rtf1\\uc0 a\\u269 b}") << QStringLiteral("ačb");
    QTest::newRow("uc2") << QByteArray("{\\rtf1\\uc2 a\\u269 cxb}") << QStringLiteral("ačb");
    QTest::newRow("uc in group") << QByteArray("{\\rtf1 {\\uc2 \\u269 xx}\\u269 yb}") << QStringLiteral("ččb");
    QTest::newRow("group ends fallback") << QByteArray("{\\rtf1 {\\uc3 \\u269 x}b}") << QStringLiteral("čb");
    QTest::newRow("negative") << QByteArray("{\\rtf1 \\u-3?\\u-24?}") << QStringLiteral("\ufffd\uffe8");
    QTest::newRow("surrogates") << QByteArray("{\\rtf1 \\u-10179?\\u-8704?}") << QStringLiteral("\U0001F600");
    QTest::newRow("control word as fallback") << QByteArray("{\\rtf1 a\\u269\\lquote b}") << QStringLiteral("ačb");
    QTest::newRow("marks dropped") << QByteArray("{\\rtf1 a\\u8233?\\u65532?\\u13?b}") << QStringLiteral("ab");
    QTest::newRow("line separator") << QByteArray("{\\rtf1 a\\u8232?b}") << QStringLiteral("a\nb");
}

void TestRichText::unicodeFallbacks()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, screen);
    Doc d(rtf);
    QCOMPARE(d.document.toPlainText(), screen);
    checkPlainMatchesDocument(rtf);
}

void TestRichText::runsWithoutFont()
{
    // Text without a font is in the document's default font: in the Latin font "^" is Č, in the
    // Cyrillic font "c" is ц, in any other font text is ordinary text.
    const QByteArray rtf = "{\\rtf1 Ra~un}";
    QCOMPARE(Doc(rtf).document.toPlainText(), QStringLiteral("Račun"));
    QCOMPARE(Doc(rtf, QStringLiteral("CHelvetica")).document.toPlainText(), QStringLiteral("Рачун"));
    QCOMPARE(Doc(rtf, QStringLiteral("Arial")).document.toPlainText(), QStringLiteral("Ra~un"));
    QCOMPARE(plainText(rtf, QStringLiteral("CHelvetica")), Doc(rtf, QStringLiteral("CHelvetica")).text());
    QCOMPARE(plainText(rtf, QStringLiteral("Arial")), Doc(rtf, QStringLiteral("Arial")).text());
    // A font number missing from the table falls back to the default font too.
    QCOMPARE(Doc("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f7 ^}").document.toPlainText(), QStringLiteral("Č"));
}

void TestRichText::plainTextInput()
{
    const QByteArray text("Ra~un\r\n\r\ndrugi\rtre}i\n\t\x01kraj\r\n");
    Doc d(text);
    QCOMPARE(d.document.blockCount(), 6);
    QCOMPARE(d.block(0).text(), QStringLiteral("Račun"));
    QCOMPARE(d.block(3).text(), QStringLiteral("treći"));
    QCOMPARE(d.text(), QByteArray("Ra~un\n\ndrugi\ntre}i\n\tkraj\n"));
    QCOMPARE(plainText(text), d.text());
    QCOMPARE(familyOf(d.formatAt(0), d.document), QStringLiteral("YHelvetica"));
    QCOMPARE(Doc(QByteArray()).document.characterCount(), 1);
    QCOMPARE(plainText(QByteArray()), QByteArray());
}

void TestRichText::pictures()
{
    Doc d(wordProcessorRtf(imageHex(2, 1)));
    QTextCursor c(&d.document);
    c.setPosition(d.find("? kraj") + 1);
    QVERIFY(c.charFormat().isImageFormat());
    const QTextImageFormat image = c.charFormat().toImageFormat();
    QCOMPARE(image.width(), 20.0);
    QCOMPARE(image.height(), 10.0);
    const QImage stored = d.document.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
    QCOMPARE(stored.size(), QSize(2, 1));

    Doc jpeg("{\\rtf1 {\\pict\\jpegblip " + imageHex(4, 3, "JPG") + "}}");
    QTextCursor j(&jpeg.document);
    j.setPosition(1);
    QCOMPARE(jpeg.document.resource(QTextDocument::ImageResource, QUrl(j.charFormat().toImageFormat().name()))
                 .value<QImage>()
                 .size(),
             QSize(4, 3));

    // A DIB: 1x1, 24 bits, no palette.
    QByteArray dib(40, '\0');
    dib[0] = 40;
    dib[4] = 1;
    dib[8] = 1;
    dib[12] = 1;
    dib[14] = 24;
    dib += QByteArray("\x00\x00\xff\x00", 4);
    Doc bitmap("{\\rtf1 {\\pict\\dibitmap0\\picw1\\pich1 " + dib.toHex() + "}}");
    QTextCursor b(&bitmap.document);
    b.setPosition(1);
    QVERIFY(b.charFormat().isImageFormat());
    const QImage dibImage =
        bitmap.document.resource(QTextDocument::ImageResource, QUrl(b.charFormat().toImageFormat().name()))
            .value<QImage>();
    QCOMPARE(dibImage.pixelColor(0, 0), QColor(Qt::red));

    // Unreadable data keeps its place; kinds Qt cannot show take none.
    for (const QByteArray& rtf :
         {QByteArray("{\\rtf1 a{\\pict\\pngblip 0102}b}"), QByteArray("{\\rtf1 a{\\pict\\wmetafile8 0102}b}"),
          QByteArray("{\\rtf1 a{\\pict\\pngblip}b}"), QByteArray("{\\rtf1 a{\\pict\\pngblip\\bin3 \x89PN}b}")}) {
        checkPlainMatchesDocument(rtf);
    }
    QCOMPARE(Doc("{\\rtf1 a{\\pict\\pngblip 0102}b}").text(), QByteArray("a?b"));
    QCOMPARE(Doc("{\\rtf1 a{\\pict\\wmetafile8 0102}b}").text(), QByteArray("ab"));
}

void TestRichText::tables()
{
    Doc d(wordProcessorRtf(imageHex(1, 1)));
    QTextTable* table = nullptr;
    for (QTextFrame* frame : d.document.rootFrame()->childFrames()) {
        table = qobject_cast<QTextTable*>(frame);
    }
    QVERIFY(table != nullptr);
    QCOMPARE(table->rows(), 2);
    QCOMPARE(table->columns(), 2);
    QTextCursor cell = table->cellAt(1, 0).firstCursorPosition();
    cell.setPosition(table->cellAt(1, 0).lastCursorPosition().position(), QTextCursor::KeepAnchor);
    QCOMPARE(cell.selectedText(), QStringLiteral("A2\u2029druga"));

    // Rows wider than the first widen the table; a row of no cells still makes one.
    const QByteArray ragged = "{\\rtf1 before\\par\\trowd\\cellx100\\intbl a\\cell\\row"
                              "\\trowd\\cellx100\\cellx200\\cellx300\\intbl b\\cell c\\cell d\\cell\\row"
                              "\\intbl\\row\\pard after}";
    Doc r(ragged);
    QCOMPARE(r.text(), QByteArray("before\na\n\n\nb\nc\nd\n\n\n\nafter"));
    checkPlainMatchesDocument(ragged);
    // A document that starts with a table, ends inside one, or has a table right after a table.
    for (const QByteArray& rtf :
         {QByteArray("{\\rtf1\\trowd\\cellx1\\intbl x\\cell\\row\\pard\\par}"), QByteArray("{\\rtf1\\intbl x\\cell y"),
          QByteArray("{\\rtf1\\intbl x\\cell\\row\\pard\\par\\intbl y\\cell\\row}"),
          QByteArray("{\\rtf1\\intbl x\\par\\par\\cell\\cell\\cell\\row\\row}"),
          QByteArray("{\\rtf1 a\\intbl b\\nestcell c\\nestrow d\\cell\\row\\pard\\page e}")}) {
        checkPlainMatchesDocument(rtf);
    }

    // A long tariff table, and one that ends the text while a row is open: every cell in its place.
    const samples::Sample tariff = samples::table(3000, 3);
    for (const QByteArray& rtf : {tariff.rtf, tariff.rtf.left(tariff.rtf.indexOf("Tarifni broj 2001") + 13)}) {
        Doc t(rtf);
        QTextTable* long_ = qobject_cast<QTextTable*>(t.document.rootFrame()->childFrames().value(0));
        QVERIFY(long_ != nullptr);
        QCOMPARE(long_->rows(), rtf == tariff.rtf ? 3000 : 2001);
        QCOMPARE(long_->columns(), 3);
        QTextCursor last = long_->cellAt(1999, 0).firstCursorPosition();
        last.setPosition(long_->cellAt(1999, 0).lastCursorPosition().position(), QTextCursor::KeepAnchor);
        QCOMPARE(last.selectedText(), QStringLiteral("Tarifni broj 2000"));
        checkPlainMatchesDocument(rtf);
    }
    QCOMPARE(Doc(tariff.rtf).text(), tariff.text);
}

void TestRichText::writerStoredStyle()
{
    const samples::Sample s = samples::regulation(3000);
    const QByteArray written = writeRtf(Doc(s.rtf).document);
    QVERIFY2(written.startsWith("{\\rtf1\\ansi\\ansicpg1250\\deff0\\deflang1050{\\fonttbl{\\f0\\fnil\\fcharset238 "
                                "YHelvetica;}{\\f1\\fnil\\fcharset0 CHelvetica;}}"),
             written.left(200).constData());
    // YUSCII text is written as its bytes, the specials escaped: no \u, no \'.
    QVERIFY(written.contains("O RA^UNOVODSTVU\\par"));
    QVERIFY(written.contains("\\qc"));
    QVERIFY(!QString::fromLatin1(written).contains(QRegularExpression(QStringLiteral("\\\\u-?\\d"))));
    QVERIFY(written.contains("\\{to") || written.contains("\\}") || written.contains("\\\\"));
    QCOMPARE(plainText(written), s.text);
    QVERIFY(written.endsWith("\\par\r\n}\r\n"));
    QCOMPARE(rtfEscaped("{a}\\b"), QByteArray("\\{a\\}\\\\b"));
}

void TestRichText::roundTripKeepsTextAndFormats()
{
    Doc d(samples::regulation(4000).rtf);
    QTextDocument& doc = d.document;
    QTextCursor c(&doc);
    c.movePosition(QTextCursor::End);
    QTextCharFormat other;
    other.setFontFamilies({QStringLiteral("Arial")});
    other.setFontPointSize(11.5);
    c.insertBlock();
    c.insertText(QStringLiteral("é Ж 中 \U0001F600 \\{}; a\u00a0b\tc"), other);
    c.insertText(QStringLiteral("x\u2028y"), other);
    QTextCharFormat cyrillic;
    cyrillic.setFontFamilies({QStringLiteral("CHelvetica")});
    cyrillic.setFontPointSize(10);
    c.insertBlock();
    c.insertText(QStringLiteral("Њего ш a é 中"), cyrillic); // a Latin "a" has no byte in the Cyrillic font
    QTextCharFormat latin;
    latin.setFontFamilies({QStringLiteral("YHelvetica")});
    c.insertText(QStringLiteral("[ š"), latin);
    // Formats on ranges.
    QTextCursor r(&doc);
    r.setPosition(40);
    r.setPosition(90, QTextCursor::KeepAnchor);
    QTextCharFormat f;
    f.setFontItalic(true);
    f.setFontUnderline(true);
    f.setFontStrikeOut(true);
    f.setForeground(QColor(0, 0, 128));
    f.setBackground(QColor(255, 255, 0));
    f.setFontPointSize(14.5);
    r.mergeCharFormat(f);
    QTextBlockFormat b;
    b.setAlignment(Qt::AlignRight);
    b.setLeftMargin(30);
    b.setRightMargin(15);
    b.setTextIndent(-12);
    b.setTopMargin(4);
    b.setBottomMargin(6);
    b.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
    r.mergeBlockFormat(b);
    QTextCursor j(doc.findBlockByNumber(4));
    QTextBlockFormat justified;
    justified.setAlignment(Qt::AlignJustify);
    justified.setLineHeight(20, QTextBlockFormat::FixedHeight);
    justified.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    j.setBlockFormat(justified);
    QTextCursor t(doc.findBlockByNumber(3));
    t.movePosition(QTextCursor::EndOfBlock);
    QTextTable* table = t.insertTable(2, 3);
    table->cellAt(0, 1).firstCursorPosition().insertText(QStringLiteral("ćelija"), latin);
    table->cellAt(1, 2).firstCursorPosition().insertText(QStringLiteral("druga"), other);
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::blue);
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("mem:pic")), image);
    QTextImageFormat picture;
    picture.setName(QStringLiteral("mem:pic"));
    picture.setWidth(30);
    picture.setHeight(20);
    QTextCursor p(&doc);
    p.setPosition(5);
    p.insertImage(picture);

    const QByteArray written = writeRtf(doc);
    QTextDocument back;
    back.setDefaultFont(doc.defaultFont());
    readRtf(written, back);
    compareDocuments(doc, back);
    QCOMPARE(plainText(written), documentText(doc));
    QCOMPARE(writeRtf(back), written);
}

void TestRichText::malformedInput_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("cut off") << QByteArray("{\\rtf1{\\fonttbl{\\f0 YHelvetica;}}\\f0 Ra^un\\par dr")
                             << QByteArray("Ra^un\ndr");
    QTest::newRow("cut in word") << QByteArray("{\\rtf1 abc\\pa") << QByteArray("abc");
    QTest::newRow("cut in hex") << QByteArray("{\\rtf1 abc\\'e") << QByteArray("abc");
    QTest::newRow("trailing backslash") << QByteArray("{\\rtf1 abc\\") << QByteArray("abc");
    QTest::newRow("extra closing braces") << QByteArray("{\\rtf1 a}}}b") << QByteArray("a");
    QTest::newRow("unbalanced opening") << QByteArray("{\\rtf1 a{{{\\b b") << QByteArray("ab");
    QTest::newRow("huge numbers") << QByteArray("{\\rtf1\\fs99999999999999999999 a\\li-99999999999 b\\u99999999999 ?c}")
                                  << QByteArray("ab?c");
    QTest::newRow("long word") << QByteArray("{\\rtf1 a\\") + QByteArray(5000, 'x') + " b}" << QByteArray("ab");
    QTest::newRow("binary beyond end") << QByteArray("{\\rtf1 a\\bin99999999 xyz") << QByteArray("a");
    QTest::newRow("negative binary") << QByteArray("{\\rtf1 a\\bin-5 b}") << QByteArray("ab");
    QTest::newRow("deep nesting") << QByteArray("{\\rtf1 a") + QByteArray(200000, '{') + "b" + QByteArray(200000, '}') +
                                         "c}"
                                  << QByteArray("abc");
    QTest::newRow("bad hex") << QByteArray("{\\rtf1 a\\'zzb}") << QByteArray("azzb");
    QTest::newRow("ignorable without word") << QByteArray("{\\rtf1 a{\\* x}b}") << QByteArray("a xb");
    QTest::newRow("nul bytes") << QByteArray("{\\rtf1 a\0b\\'00c}", 17) << QByteArray("abc");
    QTest::newRow("wide table") << QByteArray("{\\rtf1\\trowd") + QByteArray("\\cellx1").repeated(3000) + "\\intbl " +
                                       QByteArray("x\\cell ").repeated(300) + "\\row}"
                                << QByteArray("\n") + QByteArray("x\n").repeated(63) + QByteArray("x").repeated(237) +
                                       "\n";
    QTest::newRow("only header") << QByteArray("{\\rtf1") << QByteArray();
}

void TestRichText::malformedInput()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QByteArray, text);
    QCOMPARE(Doc(rtf).text(), text);
    checkPlainMatchesDocument(rtf);
}

void TestRichText::fuzzedInput()
{
    std::mt19937 random(4);
    const QList<QByteArray> seeds = {samples::regulation(1500).rtf, samples::regulation(1200, Script::Cyrillic).rtf,
                                     wordProcessorRtf(QByteArray())}; // corrupt pictures would make libpng noisy
    const QList<QByteArray> pieces = {
        "{",         "}",      "\\par ",      "\\cell ", "\\row ",  "\\intbl ", "\\trowd",
        "\\cellx9",  "\\pard", "\\page ",     "\\line ", "\\tab ",  "\\u-3?",   "\\uc3 ",
        "\\'e8",     "\\*",    "\\v ",        "\\f1 ",   "\\bin4 ", "\\plain ", "{\\pict\\pngblip 89}",
        "\\fonttbl", "\\",     "\\nestcell ", ";",       "\r\n",    "\\u269 "};
    for (int round = 0; round < 400; ++round) {
        QByteArray data = seeds[round % seeds.size()];
        const int edits = 1 + int(random() % 6);
        for (int e = 0; e < edits; ++e) {
            const qsizetype at = qsizetype(random() % quint32(data.size() + 1));
            switch (random() % 4) {
            case 0:
                data.truncate(at);
                break;
            case 1:
                data.insert(at, pieces[int(random() % pieces.size())]);
                break;
            case 2:
                if (at < data.size()) {
                    data[at] = char(random() % 256);
                }
                break;
            default:
                data.remove(at, qsizetype(random() % 40));
                break;
            }
        }
        if (!data.startsWith("{\\rtf")) {
            data.prepend("{\\rtf1 ");
        }
        checkPlainMatchesDocument(data);
        // Whatever was read, the writer must give it back.
        Doc d(data);
        QTextDocument back;
        back.setDefaultFont(d.document.defaultFont());
        readRtf(writeRtf(d.document), back);
        QCOMPARE(documentText(back), d.text());
    }
}

void TestRichText::generatedInputPlainMatchesDocument()
{
    // The searches find text with the plain-text path and the viewer selects it in the document:
    // both must give the same characters at the same positions, whatever the input holds.
    for (quint32 seed = 1; seed <= 1500; ++seed) {
        const QByteArray rtf = RtfGenerator(seed).document();
        for (const QString& family : {DefaultFamily, QStringLiteral("CHelvetica"), QStringLiteral("Arial")}) {
            Doc d(rtf, family);
            const QByteArray plain = plainText(rtf, family);
            if (plain != d.text()) {
                const QByteArray text = d.text();
                qsizetype at = 0;
                while (at < plain.size() && at < text.size() && plain[at] == text[at]) {
                    ++at;
                }
                qWarning().noquote() << "seed" << seed << "default font" << family << "differs at" << at << "\n"
                                     << rtf
                                     << "\nplain:   " << plain.mid(std::max<qsizetype>(0, at - 20), 40).toHex(' ')
                                     << "\ndocument:" << text.mid(std::max<qsizetype>(0, at - 20), 40).toHex(' ');
            }
            QCOMPARE(plain, d.text());
        }
    }
}

void TestRichText::fontsThatChangeTheScript()
{
    // A font whose YUSCII name is its alternate one is that YUSCII font in the document too, so the
    // document gives back what the plain-text path reads.
    const QByteArray alternate = "{\\rtf1{\\fonttbl{\\f0 Arial{\\*\\fname CHelvetica;};}}\\f0 wq\\u269?}";
    Doc a(alternate);
    QCOMPARE(a.document.toPlainText(), QStringLiteral("њљč"));
    QCOMPARE(familyOf(a.formatAt(0), a.document), QStringLiteral("CHelvetica"));
    QCOMPARE(a.text(), QByteArray("wq?"));
    QCOMPARE(plainText(alternate), a.text());

    // A font number defined again by a later font table: the text after it is in the new font.
    const QByteArray again =
        "{\\rtf1{\\fonttbl{\\f0 CHelvetica;}}\\f0 w{\\fonttbl{\\f0 YHelvetica;}}w{\\fonttbl{\\f0 Arial;}}\\'e8}";
    Doc b(again);
    QCOMPARE(b.document.toPlainText(), QStringLiteral("њwè"));
    QCOMPARE(familyOf(b.formatAt(1), b.document), QStringLiteral("YHelvetica"));
    QCOMPARE(familyOf(b.formatAt(2), b.document), QStringLiteral("Arial"));
    QCOMPARE(b.text(), QByteArray("ww\xe8"));
    QCOMPARE(plainText(again), b.text());
}

void TestRichText::deepGroupsKeepFormats()
{
    // Hidden text in a group nested past a thousand levels hides nothing after the group.
    const QByteArray hidden = "{\\rtf1 a" + QByteArray(1000, '{') + "{\\v hidden}b" + QByteArray(1000, '}') + "c}";
    QCOMPARE(Doc(hidden).text(), QByteArray("abc"));
    QCOMPARE(plainText(hidden), QByteArray("abc"));

    // Every level bold or not in turn, far past any limit, with text on the way in and out. A
    // level may be left out as a whole, but a character that is shown has its own level's format.
    constexpr int Levels = 3000;
    QByteArray rtf = "{\\rtf1 ";
    for (int level = 1; level <= Levels; ++level) {
        rtf += "{\\b" + QByteArray::number(level % 2) + " <" + QByteArray::number(level) + "> ";
    }
    for (int level = Levels; level >= 1; --level) {
        rtf += "}(" + QByteArray::number(level - 1) + ") ";
    }
    rtf += "end}";
    Doc d(rtf);
    QCOMPARE(plainText(rtf), d.text());
    const QByteArray text = d.text();
    QVERIFY(text.endsWith("(0) end"));
    QSet<int> shown;
    for (const QRegularExpressionMatch& m :
         QRegularExpression(QStringLiteral("[<(](\\d+)[>)]")).globalMatch(QString::fromLatin1(text))) {
        const int level = m.captured(1).toInt();
        const bool bold = d.formatAt(int(m.capturedStart(1))).fontWeight() >= QFont::DemiBold;
        QVERIFY2(bold == (level % 2 == 1), qPrintable(m.captured(0)));
        shown.insert(level);
    }
    for (int level = 0; level <= 500; ++level) {
        QVERIFY2(shown.contains(level), qPrintable(QString::number(level))); // ordinary depths are all there
    }
    QVERIFY(d.formatAt(int(text.size()) - 1).fontWeight() < QFont::DemiBold);
}

void TestRichText::reverseMappingMatchesDisplay()
{
    for (Script script : {Script::Latin, Script::Cyrillic}) {
        for (int c = 0; c < 0x10000; ++c) {
            if (yusciiByte(char16_t(c), script) != display::fromUnicode(QChar(c), script)) {
                QFAIL(qPrintable(QStringLiteral("U+%1").arg(c, 4, 16)));
            }
        }
    }
    QCOMPARE(yusciiByte(u'ш', std::nullopt), '{');
    QCOMPARE(yusciiByte(u'š', std::nullopt), '{');
    QCOMPARE(yusciiByte(u'?', std::nullopt), '?');
}

void TestRichText::fontFamilies()
{
    QCOMPARE(yusciiScript(QStringLiteral("YHelvetica")), std::optional(Script::Latin));
    QCOMPARE(yusciiScript(QStringLiteral(" yhelvetica CE ")), std::optional(Script::Latin));
    QCOMPARE(yusciiScript(QStringLiteral("YU Sans Serif")), std::optional(Script::Latin));
    QCOMPARE(yusciiScript(QStringLiteral("CHelvetica")), std::optional(Script::Cyrillic));
    QVERIFY(!yusciiScript(QStringLiteral("YHelveticaX")));
    QVERIFY(!yusciiScript(QStringLiteral("Arial")));
    // The name a word processor gives beside the family.
    Doc d("{\\rtf1{\\fonttbl{\\f0\\fnil Helv{\\*\\fname YHelvetica;};}}\\f0 ^}");
    QCOMPARE(d.document.toPlainText(), QStringLiteral("Č"));
}

void TestRichText::find_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("term");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("wholeWord");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<int>("found");
    const QByteArray t = "^lan 1. [kola i {kola, PORESKI obveznik; poreska uprava";
    QTest::newRow("case folded") << t << QByteArray("poreski") << 0 << -1 << false << false << 23;
    QTest::newRow("match case") << t << QByteArray("poreski") << 0 << -1 << false << true << -1;
    QTest::newRow("YUSCII capital finds only itself") << t << QByteArray("[KOLA") << 0 << -1 << false << false << 8;
    QTest::newRow("YUSCII small finds only itself") << t << QByteArray("{kola") << 0 << -1 << false << false << 16;
    QTest::newRow("from") << t << QByteArray("kola") << 10 << -1 << false << false << 17;
    QTest::newRow("range too short") << t << QByteArray("kola") << 10 << 20 << false << false << -1;
    QTest::newRow("part of a word") << t << QByteArray("pore") << 0 << -1 << false << false << 23;
    QTest::newRow("whole word") << t << QByteArray("poreska") << 0 << -1 << true << false << 41;
    QTest::newRow("whole word skips part") << t << QByteArray("pore") << 0 << -1 << true << false << -1;
    QTest::newRow("YUSCII letter is part of the word") << t << QByteArray("kola") << 0 << -1 << true << false << -1;
    QTest::newRow("empty term") << t << QByteArray() << 0 << -1 << false << false << -1;
    QTest::newRow("from beyond") << t << QByteArray("a") << 500 << -1 << false << false << -1;
    QTest::newRow("negative from") << t << QByteArray("^lan") << -4 << -1 << false << false << 0;
}

void TestRichText::find()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, term);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, wholeWord);
    QFETCH(bool, matchCase);
    QFETCH(int, found);
    QCOMPARE(findText(text, term, from, to, {.wholeWord = wholeWord, .matchCase = matchCase}), qsizetype(found));
}

void TestRichText::insertAndFontSwitchKeepBytes()
{
    Doc d("{\\rtf1{\\fonttbl{\\f0 YHelvetica;}{\\f1 CHelvetica;}{\\f2 Arial;}}\\f0 ab\\f1 cd\\f2 ef}");
    QTextCursor c(&d.document);
    c.setPosition(3); // inside the Cyrillic run
    insertYuscii(c, "{w\r\nx");
    QCOMPARE(d.document.toPlainText(), QStringLiteral("abцшњ\nџдef"));
    QCOMPARE(d.text(), QByteArray("abc{w\nxdef"));
    c.setPosition(d.find("ef"));
    insertYuscii(c, "^");
    QCOMPARE(d.text(), QByteArray("abc{w\nxd^ef")); // any other font shows the Latin form

    // Switching the font keeps the bytes: the Cyrillic "{" becomes the Latin one, and back.
    QTextCursor all(&d.document);
    all.select(QTextCursor::Document);
    setFontFamily(all, QStringLiteral("YHelvetica"));
    QCOMPARE(d.document.toPlainText(), QStringLiteral("abcšw\nxdČef"));
    QCOMPARE(d.text(), QByteArray("abc{w\nxd^ef"));
    all.setPosition(0);
    all.setPosition(2, QTextCursor::KeepAnchor);
    setFontFamily(all, QStringLiteral("CHelvetica"));
    QCOMPARE(d.document.toPlainText().left(2), QStringLiteral("аб"));
    QCOMPARE(d.text(), QByteArray("abc{w\nxd^ef"));
    QCOMPARE(all.selectionStart(), 0);
    QCOMPARE(all.selectionEnd(), 2);

    QTextCursor para(&d.document);
    setParagraphIndents(para, 9, 0, 9);
    QCOMPARE(d.block(0).blockFormat().textIndent(), 12.0);
    QCOMPARE(d.block(0).blockFormat().rightMargin(), 12.0);
    QCOMPARE(d.block(1).blockFormat().textIndent(), 0.0);
}

void TestRichText::laidOutLines()
{
    Doc d("{\\rtf1{\\fonttbl{\\f0 YHelvetica;}}\\f0 ^lan 1\\par " + QByteArray("rec ").repeated(200) +
          "kraj\\line drugi\\par}");
    d.document.setTextWidth(300);
    const QList<QByteArray> lines = richtext::laidOutLines(d.document);
    QVERIFY(lines.size() > 4);
    QCOMPARE(lines.first(), QByteArray("^lan 1"));
    QCOMPARE(lines.last(), QByteArray("drugi"));
    QVERIFY(lines.at(lines.size() - 2).endsWith("kraj"));
    QCOMPARE(lines.join().replace(' ', ""), d.text().replace('\n', "").replace(' ', ""));
}

QTEST_MAIN(TestRichText)
#include "tst_richtext.moc"
