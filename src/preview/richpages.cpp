#include "richpages.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <vector>

namespace preview {
namespace {

// A baseline right on a page's bottom edge counts to that page. No line is this thin.
constexpr double kEdgeTolerance = 0.5;

// The origin of the block's lines in the document: the layout's own position, which is where the
// block began even when its first line was moved down to the next page. (A hidden block has none.)
QPointF layoutOrigin(const QTextDocument& doc, const QTextBlock& block)
{
    return doc.documentLayout()->blockBoundingRect(block).topLeft();
}

// True when drawing the line puts letters on the page, not only pictures and spaces.
bool hasLetters(const QString& blockText, const QTextLine& line)
{
    const int end = std::min(line.textStart() + line.textLength(), int(blockText.size()));
    for (int i = line.textStart(); i < end; ++i) {
        const QChar c = blockText.at(i);
        if (!c.isSpace() && c != QChar::ObjectReplacementCharacter) {
            return true;
        }
    }
    return false;
}

// Blocks kept from the layout's drawing for as long as this lives.
class HiddenBlocks final {
public:
    void hide(QTextBlock block)
    {
        block.setVisible(false);
        m_blocks.push_back(block);
    }
    ~HiddenBlocks()
    {
        for (QTextBlock& block : m_blocks) {
            block.setVisible(true);
        }
    }

private:
    std::vector<QTextBlock> m_blocks;
};

} // namespace

RichTextPages::RichTextPages(const QTextDocument& source, QPaintDevice* reference, const QRectF& area)
    : m_doc(source.clone()), m_area(area)
{
    // A rectangle squeezed to nothing by odd margins still lays out, one line to a page.
    m_area.setWidth(std::max(m_area.width(), 1.0));
    m_area.setHeight(std::max(m_area.height(), 1.0));
    m_doc->setDocumentMargin(0);
    if (reference != nullptr) {
        m_doc->documentLayout()->setPaintDevice(reference);
    }
    m_doc->setPageSize(m_area.size());
    m_doc->pageCount(); // lays the whole text out now, not piece by piece later

    const double height = m_area.height();
    std::map<int, int> firstPositions;
    for (QTextBlock block = m_doc->begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        if (layout == nullptr || layout->lineCount() == 0) {
            continue;
        }
        const double top = layoutOrigin(*m_doc, block).y();
        int firstPage = std::numeric_limits<int>::max();
        int lastPage = std::numeric_limits<int>::min();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const int page = pageOfLine(top, line);
            const int position = block.position() + line.textStart();
            auto [it, inserted] = firstPositions.try_emplace(page, position);
            if (!inserted) {
                it->second = std::min(it->second, position);
            }
            // The pages the line's box reaches into, also by a fraction of a pixel: the layout
            // draws a line on every page whose rectangle it touches.
            const double lineTop = top + line.y();
            firstPage = std::min({firstPage, page, int(std::floor(lineTop / height))});
            lastPage = std::max({lastPage, page, int(std::ceil((lineTop + line.height()) / height)) - 1});
        }
        if (firstPage != lastPage) {
            for (int page = firstPage; page <= lastPage; ++page) {
                m_splits.push_back({page, block.blockNumber()});
            }
        }
    }
    for (const auto& [page, position] : firstPositions) {
        m_starts.push_back({page, position});
    }
    if (m_starts.empty()) {
        m_starts.push_back({0, 0});
    }
    // Blocks come in the text's order; the cells of a table row reach back to the row's first page.
    std::stable_sort(m_splits.begin(), m_splits.end(),
                     [](const SplitBlock& a, const SplitBlock& b) { return a.page < b.page; });
}

RichTextPages::~RichTextPages() = default;

int RichTextPages::textLength() const
{
    return m_doc->characterCount() - 1;
}

int RichTextPages::pageOfLine(double layoutTop, const QTextLine& line) const
{
    // A line counts to the page that shows the most of it: the layout may leave one across a
    // page's edge (a line after a picture taller than the page, or one set closer than its font's
    // height at the top of a page). A line taller than a page counts to the page its baseline,
    // and so its letters, are on.
    const double height = m_area.height();
    const double top = layoutTop + line.y();
    const double y = line.height() <= height ? top + line.height() / 2 : top + line.ascent() - kEdgeTolerance;
    return int(std::floor(y / height));
}

int RichTextPages::layoutPageOf(int position) const
{
    const QTextBlock block = m_doc->findBlock(position);
    if (!block.isValid() || block.layout() == nullptr) {
        return m_starts.back().page;
    }
    const QTextLayout* layout = block.layout();
    const QTextLine line = layout->lineForTextPosition(position - block.position());
    if (!line.isValid()) {
        return m_starts.back().page;
    }
    return pageOfLine(layoutOrigin(*m_doc, block).y(), line);
}

RichTextPages::Step RichTextPages::formatPage(QPainter& painter, int position) const
{
    const int page = layoutPageOf(position);
    auto it = std::lower_bound(m_starts.begin(), m_starts.end(), page,
                               [](const PageStart& s, int p) { return s.page < p; });
    if (it == m_starts.end()) {
        it = std::prev(it);
    }

    const double height = m_area.height();
    const QRectF view(0, it->page * height, m_area.width(), height);
    const auto [splitFrom, splitTo] =
        std::equal_range(m_splits.begin(), m_splits.end(), SplitBlock{it->page, 0},
                         [](const SplitBlock& a, const SplitBlock& b) { return a.page < b.page; });
    painter.save();
    painter.translate(m_area.left(), m_area.top() - view.top());
    painter.setClipRect(view);
    QAbstractTextDocumentLayout::PaintContext context;
    // The layout draws every line that touches its clip, also one that only abuts it; such lines
    // belong to the neighbouring pages and would print there as well, hidden but still text.
    context.clip = view.adjusted(0, 1, 0, -1);
    context.palette.setColor(QPalette::Text, Qt::black);
    {
        // Of a paragraph begun on an earlier page the layout also draws the line before the clip.
        HiddenBlocks hidden;
        for (auto split = splitFrom; split != splitTo; ++split) {
            hidden.hide(m_doc->findBlockByNumber(split->block));
        }
        m_doc->documentLayout()->draw(&painter, context);
    }
    painter.setPen(context.palette.color(QPalette::Text));
    for (auto split = splitFrom; split != splitTo; ++split) {
        drawSplitBlock(painter, split->block, it->page);
    }
    painter.restore();

    const auto next = std::next(it);
    if (next == m_starts.end()) {
        return {textLength(), false};
    }
    return {next->position, true};
}

void RichTextPages::drawSplitBlock(QPainter& painter, int blockNumber, int page) const
{
    const QTextBlock block = m_doc->findBlockByNumber(blockNumber);
    const QTextLayout* layout = block.layout();
    const QPointF origin = layoutOrigin(*m_doc, block);
    const double top = page * m_area.height();
    const double bottom = top + m_area.height();
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        bool draw = pageOfLine(origin.y(), line) == page;
        if (!draw) {
            // A picture taller than the page shows its part here as well; letters print once.
            const double lineTop = origin.y() + line.y();
            draw = lineTop < bottom && lineTop + line.height() > top && !hasLetters(block.text(), line);
        }
        if (draw) {
            line.draw(&painter, origin);
        }
    }
}

} // namespace preview
