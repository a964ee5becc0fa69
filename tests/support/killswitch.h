#pragma once

// Named moments of a process, to end it at one of them as `kill -9` would. Every file operation
// of the database engine that changes something (opening a file, writing, syncing, truncating,
// deleting) is a moment named after the operation and the file ("write TB_Zakoni.db-journal"),
// through an SQLite file-system layer put in front of the system's; so is every line of the update
// log ("log  download 001.zip", without its time) and whatever the test itself names. Counting
// the moments of a whole run once, a test can then end a run at the k-th moment of any name:
// the same run reaches the same moments in the same order.

#include <QByteArray>
#include <QByteArrayList>

namespace killswitch {

// Puts the file-system layer in front of SQLite's and listens to the update log. Call once,
// before any table is opened.
void install();

// Moments are counted from here on; with a name, the process ends with SIGKILL as the
// `occurrence`-th moment of that name begins (a log line: right after it is written).
void arm(const QByteArray& name = {}, int occurrence = 0);
// Stops counting.
void disarm();

// A moment of the test's own, named after the last line of the log too ("packet after download
// 002.zip"): how often some moments come (a download's packets) may differ from run to run, and
// they are counted apart for each step of the run.
void moment(const QByteArray& name);

// The moments counted while armed, in order.
QByteArrayList moments();

} // namespace killswitch
