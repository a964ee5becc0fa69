#include "richpages.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <map>

namespace preview {
namespace {

// A line pushed to the next page starts on the page's top edge; this keeps rounding in the layout
// from counting it to the page before. No line is this thin.
constexpr double kEdgeTolerance = 0.5;

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

    std::map<int, int> firstPositions;
    for (QTextBlock block = m_doc->begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        if (layout == nullptr || layout->lineCount() == 0) {
            continue;
        }
        const double top = m_doc->documentLayout()->blockBoundingRect(block).top() - layout->boundingRect().top();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const int page = int(std::floor((top + line.y() + kEdgeTolerance) / m_area.height()));
            const int position = block.position() + line.textStart();
            auto [it, inserted] = firstPositions.try_emplace(page, position);
            if (!inserted) {
                it->second = std::min(it->second, position);
            }
        }
    }
    for (const auto& [page, position] : firstPositions) {
        m_starts.push_back({page, position});
    }
    if (m_starts.empty()) {
        m_starts.push_back({0, 0});
    }
}

RichTextPages::~RichTextPages() = default;

int RichTextPages::textLength() const
{
    return m_doc->characterCount() - 1;
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
    const double top = m_doc->documentLayout()->blockBoundingRect(block).top() - layout->boundingRect().top();
    return int(std::floor((top + line.y() + kEdgeTolerance) / m_area.height()));
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
    painter.save();
    painter.translate(m_area.left(), m_area.top() - view.top());
    painter.setClipRect(view);
    QAbstractTextDocumentLayout::PaintContext context;
    // The layout draws every line that touches its clip, also one that only abuts it; such lines
    // belong to the neighbouring pages and would print there as well, hidden but still text.
    context.clip = view.adjusted(0, 1, 0, -1);
    context.palette.setColor(QPalette::Text, Qt::black);
    m_doc->documentLayout()->draw(&painter, context);
    painter.restore();

    const auto next = std::next(it);
    if (next == m_starts.end()) {
        return {textLength(), false};
    }
    return {next->position, true};
}

} // namespace preview
