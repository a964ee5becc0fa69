#pragma once

// The one RTF parser behind the document reader and the plain-text path. It owns everything that
// decides which characters and paragraphs a text has (groups, destinations, fonts, \uc skipping,
// pending paragraph marks, table cells), so both see the same text; the sinks only build.

#include "display.h"

#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QRgb>
#include <QString>

namespace richtext {

struct FontInfo {
    QString family;
    std::optional<display::Script> script; // set for the YUSCII fonts
    int codePage = 1252;                   // how \'hh and 8-bit bytes read in any other font
};

struct CharState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    int halfPoints = 24;
    QRgb foreground = 0;
    QRgb background = 0;
    bool hasForeground = false;
    bool hasBackground = false;

    bool operator==(const CharState&) const = default;
};

struct Run {
    const FontInfo* font = nullptr; // never null while text is delivered
    CharState chars;
};

enum class Align { Left, Center, Right, Justify };

// Lengths in twips, as RTF gives them.
struct ParaState {
    Align align = Align::Left;
    int left = 0;
    int right = 0;
    int firstLine = 0;
    int before = 0;
    int after = 0;
    int lineSpacing = 0; // \sl: > 0 at least, < 0 exactly, 0 single
    bool lineMultiple = false;
    bool pageBreakBefore = false;
    bool inTable = false;

    bool operator==(const ParaState&) const = default;
};

enum class PictureType { Png, Jpeg, Dib };

struct Picture {
    PictureType type = PictureType::Png;
    QByteArray data;
    int widthPixels = 0; // \picw, \pich: a bitmap's size
    int heightPixels = 0;
    int widthTwips = 0; // \picwgoal, \pichgoal: the size to show
    int heightTwips = 0;
    int scaleX = 100;
    int scaleY = 100;
};

class RtfSink {
public:
    virtual ~RtfSink() = default;
    // 8-bit text of one run, not yet decoded; may hold control characters the sink drops.
    virtual void text(const char* bytes, qsizetype size, const Run& run) = 0;
    // One UTF-16 unit from \uN, a symbol word or a line break (U+2028), never a dropped character.
    virtual void unicode(char16_t c, const Run& run) = 0;
    virtual void picture(const Picture& picture, const Run& run) = 0;
    virtual void newBlock() = 0;
    // The format of the current paragraph, given when it ends.
    virtual void blockFormat(const ParaState& para) = 0;
    virtual void beginTable(int columns) = 0;
    // Continue in cell (row, column); the table grows when needed. The same cell again means
    // continuing at its end.
    virtual void enterCell(int row, int column) = 0;
    virtual void endTable() = 0;
};

// Parses `rtf` (which starts with "{\rtf") into `sink`. Runs without a font of their own are in
// `defaultFamily`. Malformed input gives the text that could be read.
void parseRtf(const QByteArray& rtf, RtfSink& sink, const QString& defaultFamily);

// True when `data` is RTF rather than plain text.
bool isRtf(const QByteArray& data);

// Plain text's paragraphs: split at CR LF, CR or LF.
QList<QByteArrayView> plainLines(QByteArrayView text);

} // namespace richtext
