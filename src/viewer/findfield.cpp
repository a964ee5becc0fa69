#include "findfield.h"

#include "yuscii.h"

#include <QValidator>

namespace viewer {

using display::Script;

namespace {

Script otherScript(Script script)
{
    return script == Script::Latin ? Script::Cyrillic : Script::Latin;
}

// Screen text of the field back to YUSCII, mapping what was typed: an ASCII key goes through the
// keyboard mapping and upper-casing ("[" gives Š); a letter already on screen keeps its code, read
// in the field's script first (a pasted letter of the other script is taken too).
QByteArray typedToYuscii(const QString& text, Script script)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        char b = 0;
        if (c.unicode() < 128) {
            b = yuscii::mapKeyUpper(char(c.unicode()));
            if (b == 0) {
                continue;
            }
        } else {
            b = display::fromUnicode(c, script);
            if (b == '?') {
                b = display::fromUnicode(c, otherScript(script));
            }
            b = yuscii::yupperW(QByteArray(1, b)).at(0);
        }
        out += b;
    }
    return out;
}

} // namespace

// Every edit, typed or pasted, passes here. The mapping gives back what it is given once mapped
// (the ten letters are shown as letters, never as the keys that typed them), so mapping the whole
// text maps just the new part.
class FindFieldValidator final : public QValidator {
public:
    FindFieldValidator(FindField* field) : QValidator(field), m_field(field) {}

    bool bypass = false;

    State validate(QString& input, int& pos) const override
    {
        if (!bypass) {
            input = display::toUnicode(typedToYuscii(input, m_field->script()), m_field->script());
        }
        (void)pos;
        return Acceptable;
    }

private:
    FindField* m_field;
};

FindField::FindField(QWidget* parent) : QLineEdit(parent)
{
    m_validator = new FindFieldValidator(this);
    setValidator(m_validator);
}

void FindField::setScript(Script script)
{
    const QByteArray text = yuscii();
    m_script = script;
    setYuscii(text);
}

QByteArray FindField::yuscii() const
{
    return display::fromUnicode(text(), m_script);
}

void FindField::setYuscii(const QByteArray& text)
{
    m_validator->bypass = true;
    setText(display::toUnicode(text, m_script));
    m_validator->bypass = false;
}

} // namespace viewer
