#pragma once

// Key filters for edit fields and the helpers that put YUSCII captions on widgets.

#include "display.h"

#include <QByteArray>
#include <QString>
#include <utility>

class QLineEdit;
class QTextEdit;
class QWidget;

namespace platform {

using display::KeyFilter;

// Typed and pasted text both pass through the filter: "[" shows as š and reads back as "{".
void installKeyFilter(QLineEdit* edit, KeyFilter filter);
// Puts program text (YUSCII) into a filtered field by the field's rule: not through the key
// mapping, but in capitals when the field is an upper-case one. Keys typed into it afterwards
// are mapped alone; the program's text around them stays as it was.
void setFieldText(QLineEdit* edit, const QByteArray& yuscii);
// For rich-text edits; typed keys and the paste shortcut are mapped.
void installKeyFilter(QTextEdit* edit, KeyFilter filter);

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
