#include "rtfwriter.h"

#include "runscript.h"

#include <cmath>
#include <QBuffer>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

namespace richtext {
namespace {

constexpr double kTwipsPerPixel = 15.0;
constexpr int kTableTwips = 9360; // 6.5 inches, shared evenly by the columns

int twips(double pixels)
{
    return int(std::lround(pixels * kTwipsPerPixel));
}

// The character formats that RTF carries, as font and colour numbers.
struct Chars {
    int font = -1;
    int halfPoints = -1;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int foreground = 0;
    int background = 0;
};

class Writer {
public:
    explicit Writer(const QTextDocument& document) : m_document(document)
    {
        // The program's two text fonts always come first, as stored texts have them.
        m_fonts << QStringLiteral("YHelvetica") << QStringLiteral("CHelvetica");
    }

    QByteArray write()
    {
        collectTables();
        m_out += "{\\rtf1\\ansi\\ansicpg1250\\deff0\\deflang1050{\\fonttbl";
        for (int i = 0; i < m_fonts.size(); ++i) {
            m_out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset" + (i == 0 ? "238 " : "0 ");
            for (QChar c : m_fonts[i]) {
                // Latin-1 names in the code page; a ";" would end the name early.
                if (c == u';' || c.unicode() < 0x20) {
                    continue;
                }
                fontNameChar(c.unicode() < 0x100 ? char(c.unicode()) : '?');
            }
            m_out += ";}";
        }
        m_out += "}\r\n";
        if (!m_colors.isEmpty()) {
            m_out += "{\\colortbl ;";
            for (QRgb rgb : m_colors) {
                m_out += "\\red" + QByteArray::number(qRed(rgb)) + "\\green" + QByteArray::number(qGreen(rgb)) +
                         "\\blue" + QByteArray::number(qBlue(rgb)) + ";";
            }
            m_out += "}\r\n";
        }
        m_out += "\\viewkind4\\uc1";
        m_delimit = true;
        writeFrame(m_document.rootFrame(), false);
        m_out += "}\r\n";
        return m_out;
    }

private:
    void collectTables()
    {
        for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                charsOf(it.fragment().charFormat());
            }
        }
    }

    // The RTF numbers of a format, adding its font and colours to the tables.
    Chars charsOf(const QTextCharFormat& format)
    {
        Chars c;
        const QString family = familyOf(format, m_document);
        c.font = int(m_fonts.indexOf(family));
        if (c.font < 0) {
            c.font = int(m_fonts.size());
            m_fonts << family;
        }
        double points = format.fontPointSize();
        if (points <= 0) {
            points = m_document.defaultFont().pointSizeF();
        }
        c.halfPoints = points > 0 ? int(std::lround(points * 2)) : 24;
        c.bold = format.fontWeight() >= QFont::DemiBold;
        c.italic = format.fontItalic();
        c.underline = format.fontUnderline();
        c.strike = format.fontStrikeOut();
        c.foreground = colorNumber(format, QTextFormat::ForegroundBrush);
        c.background = colorNumber(format, QTextFormat::BackgroundBrush);
        return c;
    }

    int colorNumber(const QTextCharFormat& format, QTextFormat::Property property)
    {
        if (!format.hasProperty(property) || format.brushProperty(property).style() == Qt::NoBrush) {
            return 0;
        }
        const QRgb rgb = format.brushProperty(property).color().rgb();
        qsizetype i = m_colors.indexOf(rgb);
        if (i < 0) {
            i = m_colors.size();
            m_colors << rgb;
        }
        return int(i) + 1;
    }

    void writeFrame(QTextFrame* frame, bool inTable)
    {
        for (auto it = frame->begin(); !it.atEnd(); ++it) {
            if (QTextFrame* child = it.currentFrame()) {
                if (auto* table = qobject_cast<QTextTable*>(child); table != nullptr && !inTable) {
                    writeTable(table);
                } else {
                    writeFrame(child, inTable); // other frames are written as their paragraphs
                }
            } else {
                writeBlock(it.currentBlock(), inTable);
                word("\\par");
                lineEnd();
            }
        }
    }

    void writeTable(QTextTable* table)
    {
        const int columns = table->columns();
        for (int row = 0; row < table->rows(); ++row) {
            word("\\trowd");
            for (int column = 0; column < columns; ++column) {
                word("\\cellx" + QByteArray::number(kTableTwips * (column + 1) / columns));
            }
            for (int column = 0; column < columns; ++column) {
                const QTextTableCell cell = table->cellAt(row, column);
                // A cell spanning several places is written once, at its first.
                if (cell.row() == row && cell.column() == column) {
                    bool first = true;
                    for (auto it = cell.begin(); !it.atEnd(); ++it) {
                        if (!first) {
                            word("\\par");
                        }
                        first = false;
                        if (it.currentFrame() == nullptr) {
                            writeBlock(it.currentBlock(), true);
                        }
                    }
                } else {
                    word("\\pard\\intbl");
                }
                word("\\cell");
            }
            word("\\row");
            lineEnd();
        }
    }

    void writeBlock(const QTextBlock& block, bool inTable)
    {
        const QTextBlockFormat f = block.blockFormat();
        word("\\pard");
        if (inTable) {
            word("\\intbl");
        }
        const Qt::Alignment align = f.alignment() & Qt::AlignHorizontal_Mask;
        if (align & Qt::AlignHCenter) {
            word("\\qc");
        } else if (align & (Qt::AlignRight | Qt::AlignTrailing)) {
            word("\\qr");
        } else if (align & Qt::AlignJustify) {
            word("\\qj");
        }
        length("\\li", f.leftMargin());
        length("\\ri", f.rightMargin());
        length("\\fi", f.textIndent());
        length("\\sb", f.topMargin());
        length("\\sa", f.bottomMargin());
        switch (f.lineHeightType()) {
        case QTextBlockFormat::MinimumHeight:
            length("\\sl", f.lineHeight());
            break;
        case QTextBlockFormat::FixedHeight:
            length("\\sl", -f.lineHeight());
            break;
        case QTextBlockFormat::ProportionalHeight:
            if (f.lineHeight() > 0 && f.lineHeight() != 100) {
                word("\\sl" + QByteArray::number(std::lround(f.lineHeight() * 240 / 100)) + "\\slmult1");
            }
            break;
        default:
            break;
        }
        if (f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) {
            word("\\pagebb");
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            writeFragment(it.fragment());
        }
    }

    void writeFragment(const QTextFragment& fragment)
    {
        const QTextCharFormat format = fragment.charFormat();
        writeChars(charsOf(format));
        const auto script = yusciiScript(m_fonts[m_chars.font]);
        for (QChar ch : fragment.text()) {
            const char16_t c = ch.unicode();
            if (c == 0x2028) {
                word("\\line");
            } else if (c == u'\t') {
                word("\\tab");
            } else if (c == 0xFFFC && format.isImageFormat()) {
                writeImage(format.toImageFormat());
            } else if (script) {
                const char b = yusciiByte(c, script);
                if (b == '?' && c != u'?') {
                    unicode(c);
                } else {
                    textByte(b);
                }
            } else if (c < 0x80) {
                textByte(char(c));
            } else {
                unicode(c);
            }
        }
    }

    void writeChars(const Chars& c)
    {
        if (c.font != m_chars.font) {
            word("\\f" + QByteArray::number(c.font));
        }
        if (c.halfPoints != m_chars.halfPoints) {
            word("\\fs" + QByteArray::number(c.halfPoints));
        }
        toggle(c.bold, m_chars.bold, "\\b", "\\b0");
        toggle(c.italic, m_chars.italic, "\\i", "\\i0");
        toggle(c.underline, m_chars.underline, "\\ul", "\\ulnone");
        toggle(c.strike, m_chars.strike, "\\strike", "\\strike0");
        if (c.foreground != m_chars.foreground) {
            word("\\cf" + QByteArray::number(c.foreground));
        }
        if (c.background != m_chars.background) {
            word("\\highlight" + QByteArray::number(c.background));
        }
        m_chars = c;
    }

    void toggle(bool now, bool before, const char* on, const char* off)
    {
        if (now != before) {
            word(now ? on : off);
        }
    }

    void writeImage(const QTextImageFormat& format)
    {
        const QVariant resource = m_document.resource(QTextDocument::ImageResource, QUrl(format.name()));
        QImage image;
        if (resource.canConvert<QImage>()) {
            image = resource.value<QImage>();
        } else if (resource.canConvert<QPixmap>()) {
            image = resource.value<QPixmap>().toImage();
        } else if (resource.typeId() == QMetaType::QByteArray) {
            image = QImage::fromData(resource.toByteArray());
        }
        if (image.isNull()) {
            // Keep the picture's place so the text after it keeps its position.
            image = QImage(1, 1, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
        }
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        const double width = format.width() > 0 ? format.width() : image.width();
        const double height = format.height() > 0 ? format.height() : image.height();
        m_out += "{\\pict\\pngblip\\picw" + QByteArray::number(image.width()) + "\\pich" +
                 QByteArray::number(image.height()) + "\\picwgoal" + QByteArray::number(twips(width)) + "\\pichgoal" +
                 QByteArray::number(twips(height)) + "\r\n";
        const QByteArray hex = png.toHex();
        for (qsizetype i = 0; i < hex.size(); i += 128) {
            m_out += hex.mid(i, 128) + "\r\n";
        }
        m_out += "}";
        m_delimit = false;
    }

    void length(const char* name, double pixels)
    {
        const int value = twips(pixels);
        if (value != 0) {
            word(name + QByteArray::number(value));
        }
    }

    void word(const QByteArray& w)
    {
        m_out += w;
        m_delimit = true;
    }

    void lineEnd()
    {
        m_out += "\r\n";
        m_delimit = false;
    }

    void unicode(char16_t c)
    {
        m_out += "\\u" + QByteArray::number(c > 32767 ? int(c) - 65536 : int(c)) + "?";
        m_delimit = false;
    }

    void textByte(char b)
    {
        if (b == '\\' || b == '{' || b == '}') {
            m_out += '\\';
            m_out += b;
        } else if (uchar(b) >= 0x80) {
            m_out += "\\'" + QByteArray(1, b).toHex();
        } else if (uchar(b) >= 0x20) {
            if (m_delimit) {
                m_out += ' ';
            }
            m_out += b;
        } else {
            return;
        }
        m_delimit = false;
    }

    void fontNameChar(char b)
    {
        if (b == '\\' || b == '{' || b == '}' || uchar(b) >= 0x80) {
            textByte(b);
        } else {
            m_out += b;
        }
    }

    const QTextDocument& m_document;
    QByteArray m_out;
    QStringList m_fonts;
    QList<QRgb> m_colors;
    Chars m_chars;
    bool m_delimit = false; // a control word was written last: text needs the delimiting space
};

} // namespace

QByteArray writeRtf(const QTextDocument& document)
{
    return Writer(document).write();
}

QByteArray rtfEscaped(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '{' || c == '}' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

} // namespace richtext
