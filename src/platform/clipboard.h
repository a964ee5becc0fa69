#pragma once

// Text copied out of the program carries its YUSCII form beside the screen text. When the
// program is deactivated or minimised, the clipboard is flattened to plain Latin letters, but
// only while it still holds the program's own text: what another program copied is left alone.

#include "display.h"

#include <QByteArray>

class QMimeData;

namespace platform {

void copyToClipboard(const QByteArray& yuscii, display::Script script = display::Script::Latin);

// The clipboard data copyToClipboard puts there, for widgets that hand their own data to the
// clipboard (a text edit's copy, cut and drag).
QMimeData* clipboardData(const QByteArray& yuscii, display::Script script = display::Script::Latin);

// The YUSCII form of the clipboard's text when the program put it there; empty otherwise.
QByteArray ownClipboardText();

// The flattening run on deactivation and minimisation. Returns true when it rewrote the clipboard.
bool appclear();

} // namespace platform
