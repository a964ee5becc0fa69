#pragma once

// Hints: the text a control shows in its tool tip and hands to the application's hint handler
// while the mouse is over it. One handler serves the whole application; windows may swap it
// for a while and put the old one back.

#include <QByteArray>
#include <functional>

class QWidget;

namespace platform {

using HintHandler = std::function<void(const QByteArray& hint)>;

// Gives a control its hint (YUSCII).
void setHint(QWidget* widget, const QByteArray& hint);
QByteArray hint(const QWidget* widget);

// Installs `handler` as the application's hint handler and returns the one it replaces.
HintHandler setHintHandler(HintHandler handler);

// Delivers `hint` to the current handler, as hovering a control does.
void showHint(const QByteArray& hint);

} // namespace platform
