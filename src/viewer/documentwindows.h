#pragma once

// Registers the windows over the current document with the main window (on) or takes them off.
void registerDocumentWindows(bool on);
