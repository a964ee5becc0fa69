#include "rtfparser.h"

#include "rtfwords.h"
#include "runscript.h"

#include <algorithm>
#include <array>
#include <climits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace richtext {
namespace {

using rtfwords::Word;
using rtfwords::WordInfo;

// Saved group states at most (groups opened one in another with nothing changed between them
// share one). A group that would need one more is skipped whole, its text with it, so no format
// set inside it can reach the text after it.
constexpr int kMaxDepth = 1000;
constexpr int kMaxColumns = 64;     // a row definition cannot make the table absurdly wide
constexpr int kMaxLength = 31680;   // 22 inches in twips; larger lengths are clamped
constexpr int kMaxUnicodeSkip = 16; // \uc beyond this would swallow text, not fallbacks

enum class Dest : unsigned char { Text, Skip, FontTable, FontAltName, ColorTable, Picture };

// Bytes that end a run of text: the three RTF specials and the control characters, which RTF
// ignores (CR and LF) or the document cannot hold. The tab is text.
constexpr std::array<bool, 256> kSpecial = [] {
    std::array<bool, 256> t{};
    for (int b = 0; b < 0x20; ++b) {
        t[b] = b != '\t';
    }
    t['\\'] = t['{'] = t['}'] = true;
    return t;
}();

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int clampLength(int twips)
{
    return std::clamp(twips, -kMaxLength, kMaxLength);
}

class Parser {
public:
    Parser(const QByteArray& rtf, RtfSink& sink, const QString& defaultFamily)
        : m_p(rtf.constData()), m_end(rtf.constData() + rtf.size()), m_sink(sink)
    {
        m_defaultFont.family = defaultFamily;
        m_defaultFont.script = yusciiScript(defaultFamily);
        m_defaultFont.codePage = m_codePage;
        m_stack.reserve(64);
    }

    void run()
    {
        while (m_p < m_end && !m_done) {
            const char c = *m_p;
            if (c == '{') {
                ++m_p;
                push();
            } else if (c == '}') {
                ++m_p;
                pop();
            } else if (c == '\\') {
                ++m_p;
                controlSequence();
            } else if (kSpecial[uchar(c)]) {
                ++m_p;
            } else {
                const char* start = m_p;
                while (m_p < m_end && !kSpecial[uchar(*m_p)]) {
                    ++m_p;
                }
                m_ignorableNext = false;
                textBytes(start, m_p - start);
            }
        }
        finish();
    }

private:
    struct State {
        Dest dest = Dest::Text;
        int font = -1; // -1: the default font (\deff)
        int unicodeSkip = 1;
        CharState chars;
        ParaState para;

        bool operator==(const State&) const = default;
    };

    struct FontEntry {
        QByteArray name;
        QByteArray altName;
        int charset = -1;
        bool named = false;
        FontInfo info;
    };

    // ---- groups

    void push()
    {
        m_ignorableNext = false;
        m_unicodeSkip = 0;
        if (m_skipDepth > 0) {
            ++m_skipDepth;
            return;
        }
        // Groups opened one inside the other with nothing changed between them save the same
        // state: it is kept once with a count, so plain nesting of any depth costs no memory.
        if (!m_stack.empty() && m_stack.back().state == m_s) {
            ++m_stack.back().repeats;
            return;
        }
        if (m_stack.size() >= size_t(kMaxDepth)) {
            m_skipDepth = 1;
            return;
        }
        m_stack.push_back({m_s, 1});
    }

    void pop()
    {
        flush();
        m_ignorableNext = false;
        m_unicodeSkip = 0;
        if (m_skipDepth > 0) {
            --m_skipDepth;
            return;
        }
        if (m_stack.empty()) {
            m_done = true;
            return;
        }
        const Dest closing = m_s.dest;
        m_s = m_stack.back().state;
        if (--m_stack.back().repeats == 0) {
            m_stack.pop_back();
        }
        if (closing == Dest::FontTable) {
            nameFontEntry();
        }
        if (closing == Dest::Picture && m_s.dest != Dest::Picture) {
            finishPicture();
        }
        if (m_stack.empty()) {
            m_done = true; // the document's group has closed; anything after it is not RTF
        }
    }

    // ---- tokens

    void controlSequence()
    {
        if (m_p >= m_end) {
            return;
        }
        if (!isLetter(*m_p)) {
            controlSymbol(*m_p++);
            return;
        }
        char name[33];
        int length = 0;
        while (m_p < m_end && isLetter(*m_p)) {
            if (length < 32) {
                name[length++] = *m_p;
            }
            ++m_p;
        }
        bool hasParam = false;
        long long value = 0;
        bool negative = false;
        if (m_p + 1 < m_end && *m_p == '-' && m_p[1] >= '0' && m_p[1] <= '9') {
            negative = true;
            ++m_p;
        }
        while (m_p < m_end && *m_p >= '0' && *m_p <= '9') {
            hasParam = true;
            value = std::min<long long>(value * 10 + (*m_p - '0'), INT_MAX);
            ++m_p;
        }
        if (m_p < m_end && *m_p == ' ') {
            ++m_p;
        }
        const int param = int(negative ? -value : value);
        controlWord(std::string_view(name, size_t(length)), hasParam, param);
    }

    void controlSymbol(char c)
    {
        if (m_skipDepth > 0) {
            if (c == '\'') {
                skipHex();
            }
            return;
        }
        if (c == '\r' || c == '\n') {
            if (m_s.dest == Dest::Text) {
                paragraphEnd();
            }
            return;
        }
        if (c == '*') {
            m_ignorableNext = true;
            return;
        }
        if (m_unicodeSkip > 0) {
            if (c == '\'') {
                skipHex();
            }
            --m_unicodeSkip;
            return;
        }
        switch (c) {
        case '\'': {
            int value = 0;
            const int digits = skipHex(&value);
            if (digits > 0) {
                literalByte(char(value));
            }
            break;
        }
        case '\\':
        case '{':
        case '}':
            literalByte(c);
            break;
        case '~':
            unicodeChar(0x00A0);
            break;
        case '_':
            unicodeChar(0x2011);
            break;
        case '\t':
            literalByte('\t');
            break;
        default: // \- optional hyphen, \: index entry, \| formula: nothing to show
            break;
        }
    }

    // Reads up to two hex digits after \'; returns how many there were.
    int skipHex(int* value = nullptr)
    {
        int digits = 0;
        int v = 0;
        while (digits < 2 && m_p < m_end && hexValue(*m_p) >= 0) {
            v = v * 16 + hexValue(*m_p++);
            ++digits;
        }
        if (value != nullptr) {
            *value = v;
        }
        return digits;
    }

    void controlWord(std::string_view name, bool hasParam, int param)
    {
        const std::optional<WordInfo> info = rtfwords::lookup(name);
        if (info && info->word == Word::Binary) {
            binary(param);
            return;
        }
        if (m_skipDepth > 0) {
            return;
        }
        if (m_unicodeSkip > 0) {
            --m_unicodeSkip;
            return;
        }
        const bool ignorable = m_ignorableNext;
        m_ignorableNext = false;
        if (m_s.dest == Dest::Skip) {
            return;
        }
        if (ignorable && !(info && (info->word == Word::Pict || info->word == Word::FontAltName))) {
            // An ignorable destination we do not read ("\*\shppict" holds a picture, so it is read
            // as ordinary text).
            if (name != "shppict") {
                flush();
                m_s.dest = Dest::Skip;
            }
            return;
        }
        if (!info) {
            return;
        }
        if (info->word == Word::UnicodeSkip) {
            m_s.unicodeSkip = std::clamp(param, 0, kMaxUnicodeSkip);
            return;
        }
        if (info->word == Word::Unicode) {
            unicodeChar(char16_t(param & 0xFFFF)); // negative values are the upper half of 16 bits
            m_unicodeSkip = m_s.unicodeSkip;
            return;
        }
        switch (m_s.dest) {
        case Dest::Text:
            textWord(*info, hasParam, param);
            break;
        case Dest::FontTable:
        case Dest::FontAltName:
            fontTableWord(info->word, param);
            break;
        case Dest::ColorTable:
            colorTableWord(info->word, param);
            break;
        case Dest::Picture:
            pictureWord(info->word, param);
            break;
        case Dest::Skip:
            break;
        }
    }

    void textWord(WordInfo info, bool hasParam, int param)
    {
        const bool on = !hasParam || param != 0;
        CharState& chars = m_s.chars;
        ParaState& para = m_s.para;
        if (info.word != Word::Tab) {
            flush();
        }
        switch (info.word) {
        case Word::FontTable:
            m_s.dest = Dest::FontTable;
            m_fontEntry = nullptr;
            break;
        case Word::ColorTable:
            m_s.dest = Dest::ColorTable;
            m_colors.clear();
            m_color = {};
            break;
        case Word::Pict:
            m_s.dest = Dest::Picture;
            m_picture = Picture{};
            m_pictureType.reset();
            m_pictureUnreadable = false;
            m_hexHigh = -1;
            break;
        case Word::FontAltName:
        case Word::SkipGroup:
            m_s.dest = Dest::Skip;
            break;
        case Word::Plain:
            chars = CharState{};
            m_s.font = -1;
            break;
        case Word::Bold:
            chars.bold = on;
            break;
        case Word::Italic:
            chars.italic = on;
            break;
        case Word::Underline:
            chars.underline = on;
            break;
        case Word::UnderlineNone:
            chars.underline = false;
            break;
        case Word::Strike:
            chars.strike = on;
            break;
        case Word::Hidden:
            chars.hidden = on;
            break;
        case Word::Font:
            m_s.font = hasParam ? param : -1;
            break;
        case Word::FontSize:
            chars.halfPoints = param > 0 ? std::min(param, 3200) : 24;
            break;
        case Word::Foreground:
            chars.hasForeground = colorAt(param, chars.foreground);
            break;
        case Word::Background:
            chars.hasBackground = colorAt(param, chars.background);
            break;
        case Word::Symbol:
            unicodeChar(info.symbol);
            break;
        case Word::Pard:
            para = ParaState{};
            break;
        case Word::AlignLeft:
            para.align = Align::Left;
            break;
        case Word::AlignCenter:
            para.align = Align::Center;
            break;
        case Word::AlignRight:
            para.align = Align::Right;
            break;
        case Word::AlignJustify:
            para.align = Align::Justify;
            break;
        case Word::Left:
            para.left = clampLength(param);
            break;
        case Word::Right:
            para.right = clampLength(param);
            break;
        case Word::FirstLine:
            para.firstLine = clampLength(param);
            break;
        case Word::Before:
            para.before = clampLength(param);
            break;
        case Word::After:
            para.after = clampLength(param);
            break;
        case Word::LineSpacing:
            para.lineSpacing = clampLength(param);
            break;
        case Word::LineMultiple:
            para.lineMultiple = on;
            break;
        case Word::InTable:
            para.inTable = true;
            break;
        case Word::PageBreakBefore:
            para.pageBreakBefore = on;
            break;
        case Word::AnsiCodePage:
            if (param > 0) {
                m_codePage = param;
                m_defaultFont.codePage = param;
            }
            break;
        case Word::DefaultFont:
            m_defaultFontNumber = param;
            break;
        case Word::Par:
            paragraphEnd();
            break;
        case Word::Page:
            // A page break starts the next paragraph on a new page; it makes no empty paragraph.
            if (m_pendingBreak) {
                m_pageBreakNext = true;
            } else if (m_blockEmpty) {
                m_pageBreakThis = true;
            } else {
                paragraphEnd();
                m_pageBreakNext = true;
            }
            break;
        case Word::Line:
            unicodeChar(0x2028);
            break;
        case Word::Tab:
        case Word::NestedCell:
            literalByte('\t');
            break;
        case Word::Cell:
            cellEnd();
            break;
        case Word::Row:
            rowEnd();
            break;
        case Word::RowDefinition:
            m_cellBoundaries = 0;
            break;
        case Word::CellBoundary:
            m_cellBoundaries = std::min(m_cellBoundaries + 1, kMaxColumns);
            break;
        default: // words of the other destinations, out of place here
            break;
        }
    }

    // ---- font and colour tables

    void fontTableWord(Word word, int param)
    {
        switch (word) {
        case Word::Font: {
            nameFontEntry();
            m_fontEntry = &m_fonts[param];
            *m_fontEntry = FontEntry{};
            break;
        }
        case Word::FontCharset:
            if (m_fontEntry != nullptr) {
                m_fontEntry->charset = param;
            }
            break;
        case Word::FontAltName:
            m_s.dest = Dest::FontAltName;
            break;
        default:
            break;
        }
    }

    void fontTableBytes(const char* bytes, qsizetype size)
    {
        if (m_fontEntry == nullptr) {
            return;
        }
        const char* semicolon = static_cast<const char*>(memchr(bytes, ';', size_t(size)));
        const qsizetype take = semicolon ? semicolon - bytes : size;
        if (m_s.dest == Dest::FontAltName) {
            m_fontEntry->altName.append(bytes, take);
        } else if (!m_fontEntry->named) {
            m_fontEntry->name.append(bytes, take);
            if (semicolon != nullptr) {
                nameFontEntry();
            }
        }
    }

    void nameFontEntry()
    {
        if (m_fontEntry == nullptr || m_fontEntry->named) {
            return;
        }
        FontEntry& e = *m_fontEntry;
        e.named = true;
        const int codePage = e.charset >= 0 ? codePageOfCharset(e.charset, m_codePage) : m_codePage;
        const QString name = decode(e.name, codePage).trimmed();
        const QString alt = decode(e.altName, codePage).trimmed();
        // A document keeps only a run's family and the script is read back from it, so the name
        // kept is the one that gives the script: "Arial" with the alternate name "YHelvetica" is
        // YHelvetica.
        e.info.family = name.isEmpty() || (!yusciiScript(name) && yusciiScript(alt)) ? alt : name;
        e.info.script = yusciiScript(e.info.family);
        e.info.codePage = codePage;
    }

    static QString decode(const QByteArray& bytes, int codePage)
    {
        const auto& table = codePageTable(codePage);
        QString out;
        out.reserve(bytes.size());
        for (char b : bytes) {
            if (keptChar(table[uchar(b)])) {
                out += QChar(table[uchar(b)]);
            }
        }
        return out;
    }

    const FontInfo& fontInfo() const
    {
        const int number = m_s.font >= 0 ? m_s.font : m_defaultFontNumber;
        if (auto it = m_fonts.find(number); it != m_fonts.end() && !it->second.info.family.isEmpty()) {
            return it->second.info;
        }
        return m_defaultFont;
    }

    void colorTableWord(Word word, int param)
    {
        const int v = std::clamp(param, 0, 255);
        switch (word) {
        case Word::Red:
            m_color.red = v;
            break;
        case Word::Green:
            m_color.green = v;
            break;
        case Word::Blue:
            m_color.blue = v;
            break;
        default:
            return;
        }
        m_color.set = true;
    }

    void colorTableBytes(const char* bytes, qsizetype size)
    {
        for (qsizetype i = 0; i < size; ++i) {
            if (bytes[i] == ';') {
                // An entry without colour words is "automatic": no colour of its own.
                m_colors.push_back(m_color.set ? std::optional<QRgb>(qRgb(m_color.red, m_color.green, m_color.blue))
                                               : std::nullopt);
                m_color = {};
            }
        }
    }

    bool colorAt(int index, QRgb& out) const
    {
        if (index <= 0 || size_t(index) >= m_colors.size() || !m_colors[size_t(index)]) {
            return false;
        }
        out = *m_colors[size_t(index)];
        return true;
    }

    // ---- pictures

    void pictureWord(Word word, int param)
    {
        switch (word) {
        case Word::Png:
            m_pictureType = PictureType::Png;
            break;
        case Word::Jpeg:
            m_pictureType = PictureType::Jpeg;
            break;
        case Word::Dib:
            m_pictureType = PictureType::Dib;
            break;
        case Word::OtherPicture:
            m_pictureUnreadable = true;
            break;
        case Word::PictureWidth:
            m_picture.widthPixels = param;
            break;
        case Word::PictureHeight:
            m_picture.heightPixels = param;
            break;
        case Word::PictureWidthGoal:
            m_picture.widthTwips = clampLength(param);
            break;
        case Word::PictureHeightGoal:
            m_picture.heightTwips = clampLength(param);
            break;
        case Word::PictureScaleX:
            m_picture.scaleX = std::clamp(param, 1, 1000);
            break;
        case Word::PictureScaleY:
            m_picture.scaleY = std::clamp(param, 1, 1000);
            break;
        default:
            break;
        }
    }

    void pictureBytes(const char* bytes, qsizetype size)
    {
        for (qsizetype i = 0; i < size; ++i) {
            const int v = hexValue(bytes[i]);
            if (v < 0) {
                continue;
            }
            if (m_hexHigh < 0) {
                m_hexHigh = v;
            } else {
                m_picture.data.append(char(m_hexHigh * 16 + v));
                m_hexHigh = -1;
            }
        }
    }

    void binary(int count)
    {
        const qsizetype n = std::clamp<qsizetype>(count, 0, m_end - m_p);
        if (m_s.dest == Dest::Picture && m_skipDepth == 0) {
            m_picture.data.append(m_p, n);
        }
        m_p += n;
    }

    void finishPicture()
    {
        // Only kinds Qt can read become pictures; each becomes one object character whether its
        // data turns out readable or not, so the text's positions never depend on decoding.
        if (!m_pictureType || m_pictureUnreadable || m_picture.data.isEmpty()) {
            return;
        }
        m_picture.type = *m_pictureType;
        content();
        m_sink.picture(m_picture, currentRun());
        m_picture = Picture{};
    }

    // ---- text

    Run currentRun() const { return Run{&fontInfo(), m_s.chars}; }

    void textBytes(const char* bytes, qsizetype size)
    {
        if (m_skipDepth > 0) {
            return;
        }
        switch (m_s.dest) {
        case Dest::Text:
            while (m_unicodeSkip > 0 && size > 0) {
                ++bytes;
                --size;
                --m_unicodeSkip;
            }
            if (size == 0 || m_s.chars.hidden) {
                return;
            }
            if (m_pending.empty()) {
                content();
            }
            m_pending.append(bytes, size_t(size));
            break;
        case Dest::FontTable:
        case Dest::FontAltName:
            fontTableBytes(bytes, size);
            break;
        case Dest::ColorTable:
            colorTableBytes(bytes, size);
            break;
        case Dest::Picture:
            pictureBytes(bytes, size);
            break;
        case Dest::Skip:
            break;
        }
    }

    void literalByte(char b)
    {
        if (!kSpecial[uchar(b)] || b == '\\' || b == '{' || b == '}') {
            textBytes(&b, 1);
        }
    }

    void unicodeChar(char16_t c)
    {
        if (m_s.dest != Dest::Text || m_s.chars.hidden || !keptChar(c)) {
            return;
        }
        flush();
        content();
        m_sink.unicode(c, currentRun());
    }

    void flush()
    {
        if (!m_pending.empty()) {
            m_sink.text(m_pending.data(), qsizetype(m_pending.size()), currentRun());
            m_pending.clear();
        }
    }

    // ---- paragraphs and tables

    // Before anything that takes a place in the text: enter or leave the table, and make the
    // paragraph that the last \par promised.
    void content()
    {
        syncTable(m_s.para.inTable);
        if (m_pendingBreak) {
            newBlock();
        }
        m_blockEmpty = false;
    }

    void newBlock()
    {
        m_blockEmpty = true;
        m_sink.newBlock();
        m_pendingBreak = false;
        m_pageBreakThis = m_pageBreakNext;
        m_pageBreakNext = false;
    }

    ParaState currentPara()
    {
        ParaState p = m_s.para;
        p.pageBreakBefore = p.pageBreakBefore || m_pageBreakThis;
        return p;
    }

    void endBlock()
    {
        m_sink.blockFormat(currentPara());
        m_pageBreakThis = false;
    }

    // A paragraph mark ends the paragraph, but the next one is only made when something follows:
    // the mark after the last paragraph is the document's own end, not an empty paragraph.
    void paragraphEnd()
    {
        flush();
        content();
        endBlock();
        m_pendingBreak = true;
    }

    void syncTable(bool inTable)
    {
        if (inTable) {
            if (!m_tableActive) {
                m_blockEmpty = true;
                m_sink.beginTable(std::max(1, m_cellBoundaries));
                m_tableActive = true;
                m_row = m_column = 0;
                m_afterCell = m_afterRow = false;
                m_pendingBreak = false;
            } else if (m_afterRow) {
                m_afterRow = false;
                m_column = 0;
                m_blockEmpty = true;
                m_sink.enterCell(++m_row, 0);
            } else if (m_afterCell) {
                m_afterCell = false;
                m_column = std::min(m_column + 1, kMaxColumns - 1);
                m_blockEmpty = true;
                m_sink.enterCell(m_row, m_column);
            }
        } else if (m_tableActive) {
            m_sink.endTable();
            m_blockEmpty = true;
            m_tableActive = false;
            m_afterCell = m_afterRow = false;
        }
    }

    void cellEnd()
    {
        syncTable(true);
        if (m_pendingBreak) {
            newBlock();
        }
        endBlock();
        m_afterCell = true;
    }

    void rowEnd()
    {
        if (!m_tableActive || m_afterRow) {
            syncTable(true);
        }
        if (m_pendingBreak) {
            newBlock();
        }
        if (!m_afterCell) {
            endBlock();
        }
        m_afterCell = false;
        m_afterRow = true;
    }

    void finish()
    {
        flush();
        if (!m_pendingBreak && !m_tableActive) {
            endBlock();
        }
    }

    const char* m_p;
    const char* m_end;
    RtfSink& m_sink;
    bool m_done = false;

    State m_s;
    struct Saved {
        State state;
        int repeats; // groups that saved this same state, one inside the other
    };
    std::vector<Saved> m_stack;
    int m_skipDepth = 0; // inside a group nested too deep: the groups open in it, itself included
    bool m_ignorableNext = false;
    int m_unicodeSkip = 0;
    std::string m_pending;

    int m_codePage = 1252;
    int m_defaultFontNumber = -1;
    FontInfo m_defaultFont;
    std::unordered_map<int, FontEntry> m_fonts;
    FontEntry* m_fontEntry = nullptr;
    struct {
        int red = 0, green = 0, blue = 0;
        bool set = false;
    } m_color;
    std::vector<std::optional<QRgb>> m_colors;

    Picture m_picture;
    std::optional<PictureType> m_pictureType;
    bool m_pictureUnreadable = false;
    int m_hexHigh = -1;

    bool m_pendingBreak = false;
    bool m_blockEmpty = true;
    bool m_pageBreakNext = false;
    bool m_pageBreakThis = false;
    bool m_tableActive = false;
    bool m_afterCell = false;
    bool m_afterRow = false;
    int m_row = 0;
    int m_column = 0;
    int m_cellBoundaries = 0;
};

} // namespace

void parseRtf(const QByteArray& rtf, RtfSink& sink, const QString& defaultFamily)
{
    Parser(rtf, sink, defaultFamily).run();
}

bool isRtf(const QByteArray& data)
{
    return data.startsWith("{\\rtf");
}

QList<QByteArrayView> plainLines(QByteArrayView text)
{
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.append(text.sliced(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    lines.append(text.sliced(start));
    return lines;
}

} // namespace richtext
