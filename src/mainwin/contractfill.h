#pragma once

// A contract model's text put into a rich-text control the way the contracts tab shows it. The
// rules (which placeholder takes which value, what a heading is) are contracttext's; this is
// their application to a document, in edit steps that leave the control's repainting and layout
// for the end.

#include "contracttext.h"

class QColor;

namespace richtext {
class RichEdit;
}

namespace contractfill {

// Indents of every paragraph of a contract, in points.
inline constexpr double FirstLineIndent = 9;
inline constexpr double RightIndent = 9;

// Replaces the control's content with `model` (plain YUSCII): every paragraph indented, the
// headings and the title set off (formatHeadings), then every placeholder replaced by its value
// in `colour`, or by its blank in the model's own format when the value is empty. The caret ends
// at the start of the text.
void fill(richtext::RichEdit& edit, const QByteArray& model, const contracttext::Values& values, const QColor& colour);

// Sets off what the control holds: each article heading centred and bold with an empty paragraph
// before it, and the title (the first two paragraphs) bold, 12 points and centred.
void formatHeadings(richtext::RichEdit& edit);

} // namespace contractfill
