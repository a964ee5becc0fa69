#pragma once

// The rich-text control the windows show stored texts in: RTF in and out, YUSCII text in and
// out, positions in document characters (one per character, one per paragraph mark), and the
// program's typing and clipboard rules: typed keys (and an input method's commit) take the
// keyboard mapping, pasted and dropped text keeps its characters. The rules themselves live in the richtext library.

#include "textfind.h"

#include <functional>
#include <QByteArray>
#include <QList>
#include <QTextEdit>

namespace richtext {

class RichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit RichEdit(QWidget* parent = nullptr);

    // ---- content
    // RTF, or plain YUSCII text when it does not start with "{\rtf"; text without a font of its
    // own is in the control's font.
    void setRtf(const QByteArray& data);
    // False, with the content unchanged, when the file cannot be read.
    bool loadFile(const QString& path);
    QByteArray toRtf() const;

    // ---- a field of the current record
    // Shows what `read` gives whenever `source` emits `recordChanged` (while automatic loading is
    // on) and now. Binding again replaces the binding; it ends when the source is destroyed.
    template <typename Source, typename Signal>
    void bindTo(Source* source, Signal recordChanged, std::function<QByteArray()> read)
    {
        unbind();
        m_read = std::move(read);
        m_bindings << connect(source, recordChanged, this, [this] {
            if (m_autoLoad) {
                loadBound();
            }
        });
        m_bindings << connect(source, &QObject::destroyed, this, [this] { unbind(); });
        if (m_autoLoad) {
            loadBound();
        }
    }
    void unbind();
    // With automatic loading off, the control loads only on loadBound().
    void setAutoLoad(bool on) { m_autoLoad = on; }
    bool autoLoad() const { return m_autoLoad; }
    // Loads the bound field unless the control shows exactly that, unchanged since it was loaded;
    // true when it loaded.
    bool loadBound();

    // ---- text as YUSCII; "\n" stands for each paragraph mark, line break and cell mark
    QByteArray yusciiText() const;
    QByteArray yusciiText(int from, int to) const;
    int textLength() const;
    QByteArray selectedYuscii() const;
    // The text split at every "\n".
    QList<QByteArray> paragraphs() const;
    // The lines as the control has broken them at its present width.
    QList<QByteArray> lines() const;

    // ---- selection and find
    // Selects and scrolls to it; the selection stays visible while another control has the focus.
    void select(int start, int length);
    // The caret at the start, nothing selected, and the text shown from its top, also while the
    // control has no room yet. A loaded text is shown so.
    void showFromTop();
    int selectionStart() const;
    int selectionLength() const;
    // The position of `term` (YUSCII) within [from, to), -1 when absent; see richtext::findText.
    int findText(const QByteArray& term, int from, FindOptions options = {}, int to = -1) const;

    // ---- editing
    // Copies the selection (nothing when there is none) in its YUSCII form, so the clipboard
    // flattening applies to it. Ctrl+C, the context menu and dragging copy the same way.
    void copySelection();
    // At the caret, replacing the selection, in the caret's format.
    void insertYuscii(const QByteArray& text);
    // Hides QTextEdit::setFontFamily: the selection keeps its YUSCII bytes in the new font.
    void setFontFamily(const QString& family);
    // Paragraphs touched by the selection; lengths in points.
    void setParagraphIndents(double firstLine, double left, double right);

    // ---- repainting, for many edits in a row; calls nest
    void suspendRepaint();
    void resumeRepaint();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;

private:
    QList<QMetaObject::Connection> m_bindings;
    std::function<QByteArray()> m_read;
    QByteArray m_loaded;
    int m_loadedRevision = -1; // the document's revision right after m_loaded was read
    bool m_autoLoad = true;
    int m_repaintSuspended = 0;
};

// Holds a control's repainting while it lives, for a window that rebuilds a text in many steps.
class RepaintPause final {
public:
    explicit RepaintPause(RichEdit& edit) : m_edit(edit) { m_edit.suspendRepaint(); }
    ~RepaintPause() { m_edit.resumeRepaint(); }
    RepaintPause(const RepaintPause&) = delete;
    RepaintPause& operator=(const RepaintPause&) = delete;

private:
    RichEdit& m_edit;
};

} // namespace richtext
