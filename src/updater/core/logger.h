#pragma once

// The update log, "log.txt" beside the program: one line per step of an update run, each on
// disk as soon as it is written.

#include <QByteArray>
#include <QMutex>
#include <QSaveFile>
#include <QString>
#include <QTime>
#include <stdexcept>

// A log line could not be written.
class LogError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TLogger final {
public:
    // Starts a new log in `fileName`. The lines go to a temporary file beside it, which takes
    // the name when the log is closed, so a run that breaks off leaves the last complete log in
    // place and its own lines beside it. A file that cannot be made is no failure here: the
    // first line written then fails.
    explicit TLogger(const QString& fileName);
    ~TLogger();
    TLogger(const TLogger&) = delete;
    TLogger& operator=(const TLogger&) = delete;

    // Writes the text and a line end (CR LF) and flushes. Throws LogError when that fails.
    void Log(const QByteArray& text);
    // Puts the log in its place. Throws LogError when that fails.
    void close();

    bool opened() const { return m_opened; }

    // "[" + the time as hours, minutes and seconds + "]" + text: " Konektovanje..." becomes
    // "[14:05:09] Konektovanje...".
    static QByteArray stamped(const QByteArray& text, const QTime& time = QTime::currentTime());

private:
    QMutex m_lock;
    QSaveFile m_file;
    bool m_opened = false;
};
