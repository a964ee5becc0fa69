#pragma once

// The viewer's find field: typed keys pass the keyboard mapping, pasted text keeps its characters,
// both are upper-cased, and the field shows its YUSCII text in the script of the document, as the
// document's font would.

#include "display.h"

#include <QByteArray>
#include <QLineEdit>

namespace viewer {

class FindField final : public QLineEdit {
    Q_OBJECT
public:
    explicit FindField(QWidget* parent = nullptr);

    // The same YUSCII text, shown from now on in `script` (what a change of font does).
    void setScript(display::Script script);
    display::Script script() const { return m_script; }

    QByteArray yuscii() const;
    void setYuscii(const QByteArray& text);

private:
    display::Script m_script = display::Script::Latin;
    class FindFieldValidator* m_validator = nullptr;
};

} // namespace viewer
