#pragma once

// A rich text laid out on a reference device page by page, each page filling the same text
// rectangle. The text is laid out once; each page is then drawn from where the last one ended,
// and every line of the text is drawn on one page only, so a printed file holds its text once.

#include <QRectF>
#include <memory>
#include <vector>

class QPaintDevice;
class QPainter;
class QTextDocument;
class QTextLine;

namespace preview {

class RichTextPages final {
public:
    // `area` is the text rectangle in device pixels from the sheet's corner; a null `reference`
    // lays the text out for the screen. The source document is copied and left as it is.
    RichTextPages(const QTextDocument& source, QPaintDevice* reference, const QRectF& area);
    ~RichTextPages();
    RichTextPages(const RichTextPages&) = delete;
    RichTextPages& operator=(const RichTextPages&) = delete;

    struct Step {
        int next = 0;      // the text position the next page starts at
        bool more = false; // text remains for another page
    };
    // Draws the page that holds text position `position`. Every call with the position returned
    // by the one before moves on by a page, so pagination always ends: a page without a line of
    // its own (an object taller than the rectangle) is passed over rather than repeated.
    Step formatPage(QPainter& painter, int position) const;

    int textLength() const;
    // The number of pages formatPage() goes through.
    int pageCount() const { return int(m_starts.size()); }

private:
    struct PageStart {
        int page = 0;     // the page's index in the layout
        int position = 0; // the first text position on it
    };
    // A paragraph (or a table cell's paragraph) with lines on more than one page, or reaching over
    // a page's edge: the layout would draw it whole on every page it touches, so it is drawn here
    // line by line instead.
    struct SplitBlock {
        int page = 0;
        int block = 0; // the block's number
    };
    int pageOfLine(double layoutTop, const QTextLine& line) const;
    int layoutPageOf(int position) const;
    void drawSplitBlock(QPainter& painter, int blockNumber, int page) const;

    std::unique_ptr<QTextDocument> m_doc;
    QRectF m_area;
    std::vector<PageStart> m_starts;  // by page
    std::vector<SplitBlock> m_splits; // by page
};

} // namespace preview
