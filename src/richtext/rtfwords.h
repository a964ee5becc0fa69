#pragma once

// The control words the RTF parser knows: each name stands for what the parser does with it,
// and a symbol word for its character. The parser passes every other word over (and skips a
// destination marked with \* whole).

#include <optional>
#include <string_view>

namespace richtext::rtfwords {

// clang-format off
enum class Word : unsigned char {
    FontTable, ColorTable, Pict, FontAltName, SkipGroup,
    Plain, Bold, Italic, Underline, UnderlineNone, Strike, Hidden, Font, FontSize, Foreground, Background,
    UnicodeSkip, Unicode, Symbol,
    Pard, AlignLeft, AlignCenter, AlignRight, AlignJustify, Left, Right, FirstLine, Before, After,
    LineSpacing, LineMultiple, InTable, PageBreakBefore,
    AnsiCodePage, DefaultFont, FontCharset, Red, Green, Blue,
    Par, Line, Tab, Page, Cell, Row, NestedCell, RowDefinition, CellBoundary,
    Png, Jpeg, Dib, OtherPicture, PictureWidth, PictureHeight, PictureWidthGoal, PictureHeightGoal,
    PictureScaleX, PictureScaleY, Binary,
};
// clang-format on

struct WordInfo {
    Word word;
    char16_t symbol = 0; // the character a symbol word stands for
};

// What `name` (without its backslash and parameter) stands for; nothing for an unknown word.
std::optional<WordInfo> lookup(std::string_view name);

} // namespace richtext::rtfwords
