#include "rtfwords.h"

#include <unordered_map>

namespace richtext::rtfwords {

namespace {

struct WordEntry {
    std::string_view name;
    WordInfo info;
};

// clang-format off
constexpr WordEntry kWords[] = {
    {"fonttbl", {Word::FontTable}}, {"colortbl", {Word::ColorTable}}, {"pict", {Word::Pict}},
    {"fname", {Word::FontAltName}},
    // Destinations whose text is not part of the document, also when written without \*.
    {"stylesheet", {Word::SkipGroup}}, {"info", {Word::SkipGroup}}, {"header", {Word::SkipGroup}},
    {"headerl", {Word::SkipGroup}}, {"headerr", {Word::SkipGroup}}, {"headerf", {Word::SkipGroup}},
    {"footer", {Word::SkipGroup}}, {"footerl", {Word::SkipGroup}}, {"footerr", {Word::SkipGroup}},
    {"footerf", {Word::SkipGroup}}, {"footnote", {Word::SkipGroup}}, {"annotation", {Word::SkipGroup}},
    {"atnid", {Word::SkipGroup}}, {"atnauthor", {Word::SkipGroup}}, {"xe", {Word::SkipGroup}},
    {"tc", {Word::SkipGroup}}, {"txe", {Word::SkipGroup}}, {"rxe", {Word::SkipGroup}},
    {"fldinst", {Word::SkipGroup}}, {"nonshppict", {Word::SkipGroup}}, {"template", {Word::SkipGroup}},
    {"objdata", {Word::SkipGroup}}, {"objclass", {Word::SkipGroup}}, {"objname", {Word::SkipGroup}},
    {"revtbl", {Word::SkipGroup}}, {"listtable", {Word::SkipGroup}}, {"listoverridetable", {Word::SkipGroup}},
    {"filetbl", {Word::SkipGroup}}, {"rsidtbl", {Word::SkipGroup}}, {"generator", {Word::SkipGroup}},
    {"userprops", {Word::SkipGroup}}, {"docvar", {Word::SkipGroup}}, {"bkmkstart", {Word::SkipGroup}},
    {"bkmkend", {Word::SkipGroup}}, {"author", {Word::SkipGroup}}, {"operator", {Word::SkipGroup}},
    {"title", {Word::SkipGroup}}, {"subject", {Word::SkipGroup}}, {"keywords", {Word::SkipGroup}},
    {"comment", {Word::SkipGroup}}, {"doccomm", {Word::SkipGroup}}, {"company", {Word::SkipGroup}},
    {"category", {Word::SkipGroup}}, {"manager", {Word::SkipGroup}}, {"hlinkbase", {Word::SkipGroup}},
    {"buptim", {Word::SkipGroup}}, {"creatim", {Word::SkipGroup}}, {"printim", {Word::SkipGroup}},
    {"revtim", {Word::SkipGroup}}, {"ftnsep", {Word::SkipGroup}}, {"ftnsepc", {Word::SkipGroup}},
    {"ftncn", {Word::SkipGroup}}, {"aftnsep", {Word::SkipGroup}}, {"aftnsepc", {Word::SkipGroup}},
    {"aftncn", {Word::SkipGroup}}, {"pgdsctbl", {Word::SkipGroup}}, {"themedata", {Word::SkipGroup}},
    {"colorschememapping", {Word::SkipGroup}}, {"datastore", {Word::SkipGroup}},
    {"latentstyles", {Word::SkipGroup}}, {"xmlnstbl", {Word::SkipGroup}}, {"mmathPr", {Word::SkipGroup}},
    {"pntxta", {Word::SkipGroup}}, {"pntxtb", {Word::SkipGroup}}, {"protusertbl", {Word::SkipGroup}},
    // Character formats.
    {"plain", {Word::Plain}}, {"b", {Word::Bold}}, {"i", {Word::Italic}}, {"ul", {Word::Underline}},
    {"ulnone", {Word::UnderlineNone}}, {"strike", {Word::Strike}}, {"striked", {Word::Strike}},
    {"v", {Word::Hidden}}, {"f", {Word::Font}}, {"fs", {Word::FontSize}}, {"cf", {Word::Foreground}},
    {"cb", {Word::Background}}, {"highlight", {Word::Background}}, {"uc", {Word::UnicodeSkip}},
    {"u", {Word::Unicode}},
    {"emdash", {Word::Symbol, 0x2014}}, {"endash", {Word::Symbol, 0x2013}}, {"emspace", {Word::Symbol, 0x2003}},
    {"enspace", {Word::Symbol, 0x2002}}, {"qmspace", {Word::Symbol, 0x2005}}, {"bullet", {Word::Symbol, 0x2022}},
    {"lquote", {Word::Symbol, 0x2018}}, {"rquote", {Word::Symbol, 0x2019}},
    {"ldblquote", {Word::Symbol, 0x201C}}, {"rdblquote", {Word::Symbol, 0x201D}},
    // Paragraph formats.
    {"pard", {Word::Pard}}, {"ql", {Word::AlignLeft}}, {"qc", {Word::AlignCenter}}, {"qr", {Word::AlignRight}},
    {"qj", {Word::AlignJustify}}, {"qd", {Word::AlignJustify}}, {"li", {Word::Left}}, {"lin", {Word::Left}},
    {"ri", {Word::Right}}, {"rin", {Word::Right}}, {"fi", {Word::FirstLine}}, {"sb", {Word::Before}},
    {"sa", {Word::After}}, {"sl", {Word::LineSpacing}}, {"slmult", {Word::LineMultiple}},
    {"intbl", {Word::InTable}}, {"pagebb", {Word::PageBreakBefore}},
    // The document, its font and colour tables.
    {"ansicpg", {Word::AnsiCodePage}}, {"deff", {Word::DefaultFont}}, {"fcharset", {Word::FontCharset}},
    {"red", {Word::Red}}, {"green", {Word::Green}}, {"blue", {Word::Blue}},
    // Marks; a nested table is flattened into its cell.
    {"par", {Word::Par}}, {"sect", {Word::Par}}, {"nestrow", {Word::Par}}, {"line", {Word::Line}},
    {"tab", {Word::Tab}}, {"page", {Word::Page}}, {"cell", {Word::Cell}}, {"nestcell", {Word::NestedCell}},
    {"row", {Word::Row}}, {"trowd", {Word::RowDefinition}}, {"cellx", {Word::CellBoundary}},
    // Pictures.
    {"pngblip", {Word::Png}}, {"jpegblip", {Word::Jpeg}}, {"dibitmap", {Word::Dib}},
    {"wbitmap", {Word::OtherPicture}}, {"wmetafile", {Word::OtherPicture}}, {"emfblip", {Word::OtherPicture}},
    {"pmmetafile", {Word::OtherPicture}}, {"macpict", {Word::OtherPicture}}, {"picw", {Word::PictureWidth}},
    {"pich", {Word::PictureHeight}}, {"picwgoal", {Word::PictureWidthGoal}},
    {"pichgoal", {Word::PictureHeightGoal}}, {"picscalex", {Word::PictureScaleX}},
    {"picscaley", {Word::PictureScaleY}}, {"bin", {Word::Binary}},
};
// clang-format on

const std::unordered_map<std::string_view, WordInfo>& words()
{
    static const std::unordered_map<std::string_view, WordInfo> table = [] {
        std::unordered_map<std::string_view, WordInfo> t;
        for (const WordEntry& e : kWords) {
            t.emplace(e.name, e.info);
        }
        return t;
    }();
    return table;
}

} // namespace

std::optional<WordInfo> lookup(std::string_view name)
{
    const auto& t = words();
    if (auto it = t.find(name); it != t.end()) {
        return it->second;
    }
    // \uld, \uldb, \ulwave and the other underline kinds all underline; \ulc is the colour.
    if (name.size() > 2 && name.substr(0, 2) == "ul" && name != "ulc") {
        return WordInfo{Word::Underline};
    }
    return std::nullopt;
}

} // namespace richtext::rtfwords
