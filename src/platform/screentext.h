#pragma once

// Key filters for edit fields and the helpers that put YUSCII captions on widgets.

#include "display.h"

#include <optional>
#include <QByteArray>
#include <QString>
#include <QValidator>
#include <utility>

class QKeyEvent;
class QLineEdit;
class QWidget;

namespace platform {

using display::KeyFilter;

// The validator of a line edit whose typed keys and pasted text follow rules of their own. Every
// edit of the field passes through it; only the part of the text the edit brought is mapped, so
// the text around it stays as it was. What a key press or an input method's commit brings is
// typed; anything else (a paste by key, menu or middle click, a drop, text the program sets) is
// pasted. The validator cannot tell them apart from the text, so it watches the field's events.
class ArrivalValidator : public QValidator {
    Q_OBJECT
public:
    explicit ArrivalValidator(QLineEdit* edit);

    // Program text: taken as it is given.
    bool bypass = false;

    State validate(QString& input, int& pos) const override;

protected:
    // The screen text an edit brought, mapped; no text refuses the edit (the field stays as it was).
    virtual std::optional<QString> mapTyped(const QString& brought) const = 0;
    virtual std::optional<QString> mapPasted(const QString& brought) const = 0;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::pair<qsizetype, qsizetype> unchangedEnds(const QString& input, int pos) const;

    mutable QString m_accepted;    // the text as last accepted
    mutable bool m_typing = false; // a key press or an input method's commit is being delivered
};

// A key press that types its text: printable text, no command modifier, not the paste shortcut.
bool isTypedKey(const QKeyEvent* event);

// Typed keys go through the filter ("[" shows as š and reads back as "{"); pasted text keeps its
// characters (display::mapPastedText), in capitals in an upper-case field.
void installKeyFilter(QLineEdit* edit, KeyFilter filter);
// A field without the keyboard mapping (an input box's): typed keys and pasted text alike show as
// the codes they will be read back as (a "[" shows as Š, which it is), on one line.
void installPlainRule(QLineEdit* edit);
// Puts program text (YUSCII) into a filtered field by the field's rule: not through the key
// mapping, but in capitals when the field is an upper-case one. Keys typed into it afterwards
// are mapped alone; the program's text around them stays as it was.
void setFieldText(QLineEdit* edit, const QByteArray& yuscii);

// A control created with its name, which the program and the tests find it by.
template <typename T, typename... Args>
T* named(const char* name, Args&&... args)
{
    auto* w = new T(std::forward<Args>(args)...);
    w->setObjectName(QLatin1String(name));
    return w;
}

// A YUSCII caption as the screen shows it, and screen text read back as YUSCII (Latin form).
inline QString toScreen(const QByteArray& yuscii)
{
    return display::toUnicode(yuscii);
}
inline QByteArray fromScreen(const QString& text)
{
    return display::fromUnicode(text);
}

// Sets the caption of a label, button, line edit, group box or (any other widget) window title.
void setCaption(QWidget* widget, const QByteArray& yuscii);
// The caption of such a widget, as YUSCII.
QByteArray caption(const QWidget* widget);

} // namespace platform
