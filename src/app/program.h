#pragma once

class TForm2;

// Creates every window of the program, each once and in this order: start-up, main window,
// viewer, selection list, notes, updater, attachments, relations. Returns the start-up window,
// which owns the process; the main window is the owner of the others.
TForm2* createWindows();
