#pragma once

// A named, per-user marker that one running instance holds for its whole life; a later instance
// finds it taken. A crashed instance leaves nothing behind that would keep the next one out.

#include <QString>
#include <memory>

class QLockFile;

namespace platform {

class NamedMutex final {
public:
    explicit NamedMutex(const QString& name);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // True when another instance already holds the name; false also when the marker could not be
    // made at all.
    bool alreadyExisted() const { return m_alreadyExisted; }

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_alreadyExisted = false;
};

// Where the markers lie: the user's runtime folder, the program folder when there is no home
// folder, or one a test has set.
QString namedMutexFolder();
void setNamedMutexFolder(const QString& folder);

} // namespace platform
