#pragma once

class QWidget;

// Registers the windows over the current document with the main window (on) or takes them off.
void registerDocumentWindows(bool on);

// The viewer and the selection list answer their own minimising by minimising the whole program,
// which flattens the clipboard as the main window's minimising does.
void minimiseProgram(const QWidget* minimised);
