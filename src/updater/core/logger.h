#pragma once

// The update log, "log.txt" beside the program: one line per step of an update run, each on
// disk as soon as it is written.

#include <functional>
#include <QByteArray>
#include <QFile>
#include <QMutex>
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
    // Starts a new log in `fileName`, emptying the file. The log is the record of the run that
    // writes it, line by line: a run that breaks off, however it ends, leaves every line it wrote.
    // A file that cannot be opened is no failure here: the first line written then fails.
    explicit TLogger(const QString& fileName);
    ~TLogger();
    TLogger(const TLogger&) = delete;
    TLogger& operator=(const TLogger&) = delete;

    // Writes the text and a line end (CR LF) and hands them to the system at once. Throws
    // LogError when that fails.
    void Log(const QByteArray& text);
    // Throws LogError when the file cannot be closed.
    void close();

    bool opened() const { return m_opened; }

    // "[" + the time as hours, minutes and seconds + "]" + text: " Konektovanje..." becomes
    // "[14:05:09] Konektovanje...".
    static QByteArray stamped(const QByteArray& text, const QTime& time = QTime::currentTime());

    // Called with every line once it is written (without its line end). Tests stop a run there to
    // see it resumed from that very step; the program sets none.
    static std::function<void(const QByteArray& line)>& lineWritten();

private:
    QMutex m_lock;
    QFile m_file;
    bool m_opened = false;
};
