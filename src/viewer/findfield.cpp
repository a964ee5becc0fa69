#include "findfield.h"

#include "screentext.h"
#include "yuscii.h"

namespace viewer {

using display::Script;

namespace {

Script otherScript(Script script)
{
    return script == Script::Latin ? Script::Cyrillic : Script::Latin;
}

// A letter already on screen keeps its code, read in the field's script first (a pasted letter of
// the other script is taken too); '?' when neither script has it.
char screenLetter(QChar c, Script script)
{
    const char b = display::fromUnicode(c, script);
    return b != '?' || c == u'?' ? b : display::fromUnicode(c, otherScript(script));
}

// Typed screen text to YUSCII: an ASCII key goes through the keyboard mapping and upper-casing
// ("[" gives Š).
QByteArray typedToYuscii(const QString& text, Script script)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c.unicode() < 128) {
            if (const char b = yuscii::mapKeyUpper(char(c.unicode())); b != 0) {
                out += b;
            }
        } else {
            out += screenLetter(c, script);
        }
    }
    return yuscii::yupperW(out);
}

// Pasted screen text to YUSCII: an ASCII character is the code it is (the keyboard mapping is for
// keys only), upper-cased as the field holds capitals.
QByteArray pastedToYuscii(const QString& text, Script script)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        out += c.unicode() < 128 ? char(c.unicode()) : screenLetter(c, script);
    }
    return yuscii::yupperW(out);
}

} // namespace

// The field shows its YUSCII text in its script, however the text came.
class FindFieldValidator final : public platform::ArrivalValidator {
public:
    FindFieldValidator(FindField* field) : ArrivalValidator(field), m_field(field) {}

protected:
    std::optional<QString> mapTyped(const QString& brought) const override
    {
        return display::toUnicode(typedToYuscii(brought, m_field->script()), m_field->script());
    }
    std::optional<QString> mapPasted(const QString& brought) const override
    {
        return display::toUnicode(pastedToYuscii(brought, m_field->script()), m_field->script());
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
