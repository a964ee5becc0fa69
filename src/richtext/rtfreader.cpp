#include "rtfreader.h"

#include "rtfparser.h"
#include "runscript.h"

#include <map>
#include <QImage>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>
#include <vector>

namespace richtext {
namespace {

constexpr double kTwipsPerPixel = 15.0; // the document's lengths are pixels at 96 per inch

// A device-independent bitmap as RTF holds it lacks the file header that image readers expect.
QImage dibImage(const QByteArray& dib)
{
    if (dib.size() < 40) {
        return {};
    }
    auto le32 = [&dib](int at) {
        return quint32(uchar(dib[at])) | quint32(uchar(dib[at + 1])) << 8 | quint32(uchar(dib[at + 2])) << 16 |
               quint32(uchar(dib[at + 3])) << 24;
    };
    const quint32 headerSize = le32(0);
    const int bitsPerPixel = uchar(dib[14]) | uchar(dib[15]) << 8;
    const quint32 compression = le32(16);
    const quint32 colorsUsed = le32(32);
    quint64 palette =
        bitsPerPixel <= 8 ? (colorsUsed != 0 ? colorsUsed : 1u << bitsPerPixel) * 4ull : colorsUsed * 4ull;
    if (compression == 3 && headerSize == 40) {
        palette += 12; // the three colour masks
    }
    const quint64 offset = 14 + quint64(headerSize) + palette;
    if (headerSize < 12 || offset > quint64(dib.size()) + 14) {
        return {};
    }
    QByteArray file("BM");
    auto put32 = [&file](quint32 v) {
        for (int i = 0; i < 4; ++i) {
            file.append(char((v >> (8 * i)) & 0xFF));
        }
    };
    put32(quint32(14 + dib.size()));
    put32(0);
    put32(quint32(offset));
    file.append(dib);
    return QImage::fromData(file, "BMP");
}

class DocumentSink final : public RtfSink {
public:
    explicit DocumentSink(QTextDocument& document) : m_document(document), m_cursor(&document) {}

    void text(const char* bytes, qsizetype size, const Run& run) override
    {
        useRun(run);
        if (run.font->script) {
            m_text += display::toUnicode(QByteArray::fromRawData(bytes, size), *run.font->script);
            return;
        }
        const auto& table = codePageTable(run.font->codePage);
        for (qsizetype i = 0; i < size; ++i) {
            m_text += QChar(table[uchar(bytes[i])]);
        }
    }

    void unicode(char16_t c, const Run& run) override
    {
        useRun(run);
        m_text += QChar(c);
    }

    void picture(const Picture& picture, const Run& run) override
    {
        useRun(run);
        flushText();
        QImage image = picture.type == PictureType::Dib ? dibImage(picture.data) : QImage::fromData(picture.data);
        QTextImageFormat format;
        format.merge(m_format);
        double width = 1;
        double height = 1;
        if (image.isNull()) {
            // Unreadable data still takes its place in the text, as an invisible dot.
            image = QImage(1, 1, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
        } else {
            width = picture.widthTwips > 0 ? picture.widthTwips / kTwipsPerPixel : image.width();
            height = picture.heightTwips > 0 ? picture.heightTwips / kTwipsPerPixel : image.height();
            width = std::max(1.0, width * picture.scaleX / 100.0);
            height = std::max(1.0, height * picture.scaleY / 100.0);
        }
        const QString name = QStringLiteral("rtfimage:%1").arg(++m_images);
        m_document.addResource(QTextDocument::ImageResource, QUrl(name), image);
        format.setName(name);
        format.setWidth(width);
        format.setHeight(height);
        put({Step::Image, {}, format, {}});
    }

    void newBlock() override
    {
        flushText();
        put({Step::Block, {}, {}, {}});
    }

    void blockFormat(const ParaState& para) override
    {
        flushText();
        QTextBlockFormat format;
        static constexpr Qt::Alignment kAlign[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight, Qt::AlignJustify};
        format.setAlignment(kAlign[int(para.align)]);
        format.setLeftMargin(para.left / kTwipsPerPixel);
        format.setRightMargin(para.right / kTwipsPerPixel);
        format.setTextIndent(para.firstLine / kTwipsPerPixel);
        format.setTopMargin(para.before / kTwipsPerPixel);
        format.setBottomMargin(para.after / kTwipsPerPixel);
        if (para.lineSpacing != 0) {
            if (para.lineMultiple) {
                format.setLineHeight(std::abs(para.lineSpacing) * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
            } else if (para.lineSpacing > 0) {
                format.setLineHeight(para.lineSpacing / kTwipsPerPixel, QTextBlockFormat::MinimumHeight);
            } else {
                format.setLineHeight(-para.lineSpacing / kTwipsPerPixel, QTextBlockFormat::FixedHeight);
            }
        }
        if (para.pageBreakBefore) {
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        }
        put({Step::BlockFormat, {}, {}, format});
    }

    // A table is built whole when it ends. Its cells' contents are kept until then: a table works
    // out its grid again after every change of its shape, so growing it row by row, or removing
    // rows made ahead, takes time in proportion to the square of its rows.
    void beginTable(int columns) override
    {
        flushText();
        m_inTable = true;
        m_tableColumns = columns;
        m_cells.clear();
        m_cell = &m_cells[{0, 0}];
    }

    void enterCell(int row, int column) override
    {
        flushText();
        m_tableColumns = std::max(m_tableColumns, column + 1);
        m_cell = &m_cells[{row, column}];
    }

    void endTable() override
    {
        flushText();
        buildTable();
    }

    void finish()
    {
        flushText();
        if (m_inTable) { // the text ended inside the table
            buildTable();
        }
    }

private:
    // What the text puts into the document, in order; inside a table kept for its cell.
    enum class Step { Text, Image, Block, BlockFormat };
    struct Insertion {
        Step step;
        QString text;
        QTextCharFormat charFormat; // of the text or the image
        QTextBlockFormat blockFormat;
    };

    void put(Insertion insertion)
    {
        if (m_inTable) {
            m_cell->push_back(std::move(insertion));
        } else {
            apply(m_cursor, insertion);
        }
    }

    static void apply(QTextCursor& cursor, const Insertion& insertion)
    {
        switch (insertion.step) {
        case Step::Text:
            cursor.insertText(insertion.text, insertion.charFormat);
            break;
        case Step::Image:
            cursor.insertImage(insertion.charFormat.toImageFormat());
            break;
        case Step::Block:
            cursor.insertBlock();
            break;
        case Step::BlockFormat:
            cursor.setBlockFormat(insertion.blockFormat);
            break;
        }
    }

    void buildTable()
    {
        m_inTable = false;
        QTextTableFormat format;
        format.setBorder(1);
        format.setCellSpacing(0);
        format.setCellPadding(3);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        const int rows = m_cells.rbegin()->first.first + 1;
        QTextTable* table = m_cursor.insertTable(rows, m_tableColumns, format);
        // Every cell's place first, while the grid is whole; then the cells from the last one
        // back, so filling one never moves the places of those still to fill.
        std::vector<std::pair<int, const std::vector<Insertion>*>> places;
        places.reserve(m_cells.size());
        for (const auto& [cell, insertions] : m_cells) {
            if (!insertions.empty()) {
                places.emplace_back(table->cellAt(cell.first, cell.second).firstPosition(), &insertions);
            }
        }
        QTextCursor cursor(&m_document);
        for (auto place = places.rbegin(); place != places.rend(); ++place) {
            cursor.setPosition(place->first);
            for (const Insertion& insertion : *place->second) {
                apply(cursor, insertion);
            }
        }
        m_cells.clear();
        m_cell = nullptr;
        m_cursor.setPosition(table->lastPosition() + 1);
    }

    void useRun(const Run& run)
    {
        // By the family's name, not the font entry: a font table may define a number again, and
        // the entry then has the new family at the same address.
        if (m_hasRun && run.chars == m_chars && run.font->family == m_family) {
            return;
        }
        flushText();
        m_hasRun = true;
        m_chars = run.chars;
        m_family = run.font->family;
        const CharState& c = run.chars;
        m_format = QTextCharFormat();
        m_format.setFontFamilies({run.font->family});
        m_format.setFontPointSize(c.halfPoints / 2.0);
        if (c.bold) {
            m_format.setFontWeight(QFont::Bold);
        }
        if (c.italic) {
            m_format.setFontItalic(true);
        }
        if (c.underline) {
            m_format.setFontUnderline(true);
        }
        if (c.strike) {
            m_format.setFontStrikeOut(true);
        }
        if (c.hasForeground) {
            m_format.setForeground(QColor::fromRgb(c.foreground));
        }
        if (c.hasBackground) {
            m_format.setBackground(QColor::fromRgb(c.background));
        }
    }

    void flushText()
    {
        if (!m_text.isEmpty()) {
            put({Step::Text, m_text, m_format, {}});
            m_text.resize(0);
        }
    }

    QTextDocument& m_document;
    QTextCursor m_cursor;
    bool m_inTable = false;
    int m_tableColumns = 0;
    std::map<std::pair<int, int>, std::vector<Insertion>> m_cells; // by row and column
    std::vector<Insertion>* m_cell = nullptr;                      // the cell the text is in
    bool m_hasRun = false;
    CharState m_chars;
    QString m_family;
    QTextCharFormat m_format;
    QString m_text;
    int m_images = 0;
};

void readPlain(const QByteArray& data, QTextDocument& document)
{
    const QString family = document.defaultFont().family();
    QTextCharFormat format;
    format.setFontFamilies({family});
    const display::Script script = insertScript(family);
    QTextCursor cursor(&document);
    bool first = true;
    QString line;
    for (QByteArrayView bytes : plainLines(data)) {
        if (!first) {
            cursor.insertBlock();
        }
        first = false;
        line.resize(0);
        for (char b : bytes) {
            const QChar c = display::toUnicode(b, script);
            if (keptChar(c.unicode())) {
                line += c;
            }
        }
        cursor.insertText(line, format);
    }
}

} // namespace

void readRtf(const QByteArray& data, QTextDocument& document)
{
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    // One edit block: a document shown in an editor is laid out once, not after every insertion.
    QTextCursor block(&document);
    block.beginEditBlock();
    document.clear();
    if (isRtf(data)) {
        DocumentSink sink(document);
        parseRtf(data, sink, document.defaultFont().family());
        sink.finish();
    } else {
        readPlain(data, document);
    }
    block.endEditBlock();
    document.setUndoRedoEnabled(undo);
    document.setModified(false);
}

} // namespace richtext
