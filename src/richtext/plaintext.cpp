#include "plaintext.h"

#include "rtfparser.h"

#include <QTextBlock>
#include <QTextDocument>
#include <unordered_map>
#include <vector>

namespace richtext {
namespace {

// A character as it stands in the YUSCII text; the line break (U+2028) ends a line like a
// paragraph mark does.
char textByte(char16_t c, std::optional<display::Script> script)
{
    return c == 0x2028 ? '\n' : yusciiByte(c, script);
}

// Builds what the document reader would put into a document, character for character. Tables
// come out as the document holds them: a mark before the table, one after each cell (row by
// row, the table as wide as its widest row) and none more.
class PlainSink final : public RtfSink {
public:
    explicit PlainSink(qsizetype expected) { m_out.reserve(expected); }

    void text(const char* bytes, qsizetype size, const Run& run) override
    {
        if (run.font->script) {
            // The parser passes no control characters, and YUSCII bytes read back as themselves.
            m_target->append(bytes, size);
            return;
        }
        const auto& table = byteTable(run.font->codePage);
        const qsizetype start = m_target->size();
        m_target->resize(start + size);
        char* out = m_target->data() + start;
        for (qsizetype i = 0; i < size; ++i) {
            out[i] = table[uchar(bytes[i])];
        }
    }

    void unicode(char16_t c, const Run& run) override { m_target->append(textByte(c, run.font->script)); }
    void picture(const Picture&, const Run& run) override { m_target->append(textByte(0xFFFC, run.font->script)); }
    void newBlock() override { m_target->append('\n'); }
    void blockFormat(const ParaState&) override {}

    void beginTable(int columns) override
    {
        m_out.append('\n');
        m_columns = columns;
        m_cells.assign(1, std::vector<QByteArray>(size_t(columns)));
        m_target = &m_cells[0][0];
    }

    void enterCell(int row, int column) override
    {
        while (int(m_cells.size()) <= row) {
            m_cells.emplace_back(size_t(m_columns));
        }
        if (column >= m_columns) {
            m_columns = column + 1;
            for (auto& r : m_cells) {
                r.resize(size_t(m_columns));
            }
        }
        m_target = &m_cells[size_t(row)][size_t(column)];
    }

    void endTable() override
    {
        for (const auto& row : m_cells) {
            for (const QByteArray& cell : row) {
                m_out += cell;
                m_out += '\n';
            }
        }
        m_cells.clear();
        m_target = &m_out;
    }

    QByteArray finish()
    {
        if (m_target != &m_out) {
            endTable();
        }
        return std::move(m_out);
    }

private:
    const std::array<char, 256>& byteTable(int codePage)
    {
        if (codePage != m_tableCodePage) {
            const auto& chars = codePageTable(codePage);
            for (int b = 0; b < 256; ++b) {
                m_table[b] = textByte(chars[b], std::nullopt);
            }
            m_tableCodePage = codePage;
        }
        return m_table;
    }

    QByteArray m_out;
    QByteArray* m_target = &m_out;
    std::vector<std::vector<QByteArray>> m_cells;
    int m_columns = 0;
    std::array<char, 256> m_table{};
    int m_tableCodePage = 0;
};

} // namespace

QByteArray plainText(const QByteArray& data, const QString& defaultFamily)
{
    if (!isRtf(data)) {
        QByteArray out;
        out.reserve(data.size());
        bool first = true;
        for (QByteArrayView line : plainLines(data)) {
            if (!first) {
                out += '\n';
            }
            first = false;
            for (char b : line) {
                if (uchar(b) >= 0x20 || b == '\t') {
                    out += b;
                }
            }
        }
        return out;
    }
    PlainSink sink(data.size());
    parseRtf(data, sink, defaultFamily);
    return sink.finish();
}

QByteArray documentText(const QTextDocument& document, int from, int to)
{
    const int length = document.characterCount() - 1;
    if (to < 0 || to > length) {
        to = length;
    }
    from = std::clamp(from, 0, to);
    // Every position outside a fragment holds a paragraph or table mark.
    QByteArray out(to - from, '\n');
    char* dst = out.data();
    // A document has few formats and many fragments: the script is looked up once per format.
    std::unordered_map<int, std::optional<display::Script>> scripts;
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() < to; block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int position = fragment.position();
            const int start = std::max(position, from);
            const int end = std::min(position + fragment.length(), to);
            if (start >= end) {
                continue;
            }
            auto [known, added] = scripts.try_emplace(fragment.charFormatIndex());
            if (added) {
                known->second = yusciiScript(familyOf(fragment.charFormat(), document));
            }
            const QString text = fragment.text();
            const QChar* src = text.constData();
            for (int i = start; i < end; ++i) {
                dst[i - from] = textByte(src[i - position].unicode(), known->second);
            }
        }
    }
    return out;
}

} // namespace richtext
