#pragma once

// File modes that hold for root too: while a FileModesHold lives, the calling thread lacks the
// capabilities that let root pass over them, so a folder without write permission refuses it as
// it refuses any user. A thread's capabilities are its own: the program's file work in a test
// runs on the thread that made the guard.

#include <initializer_list>
#include <linux/capability.h>
#include <QByteArray>
#include <QFile>
#include <QString>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace testsupport {

class FileModesHold final {
public:
    FileModesHold()
    {
        if (::syscall(SYS_capget, &m_header, m_saved) != 0) {
            return;
        }
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
            lowered[cap / 32].effective &= ~(1u << (cap % 32));
        }
        m_lowered = ::syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~FileModesHold()
    {
        if (m_lowered) {
            ::syscall(SYS_capset, &m_header, m_saved);
        }
    }
    FileModesHold(const FileModesHold&) = delete;
    FileModesHold& operator=(const FileModesHold&) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_lowered = false;
};

// A file or folder of another user, kept to its owner by `mode` (0600, 0700), while the object
// lives: as root it is given to the user nobody; a user who may not give it away keeps it but
// loses every right to it, which stops the program alike. Its owner and mode come back after.
// Root passes over it only while a FileModesHold lives.
class AnotherUsers final {
public:
    AnotherUsers(const QString& path, mode_t mode) : m_path(QFile::encodeName(path))
    {
        struct stat st {};
        if (::stat(m_path.constData(), &st) != 0) {
            return;
        }
        m_saved = st;
        m_kept = true;
        if (::geteuid() == 0 && ::chown(m_path.constData(), kNobody, kNobody) == 0) {
            m_given = true;
            m_done = ::chmod(m_path.constData(), mode) == 0;
        } else {
            m_done = ::chmod(m_path.constData(), 0) == 0;
        }
    }
    ~AnotherUsers()
    {
        if (m_given) {
            [[maybe_unused]] const int ignored = ::chown(m_path.constData(), m_saved.st_uid, m_saved.st_gid);
        }
        if (m_kept) {
            ::chmod(m_path.constData(), m_saved.st_mode & 07777);
        }
    }
    AnotherUsers(const AnotherUsers&) = delete;
    AnotherUsers& operator=(const AnotherUsers&) = delete;

    bool done() const { return m_done; }

private:
    static constexpr uid_t kNobody = 65534;
    QByteArray m_path;
    struct stat m_saved {};
    bool m_kept = false;
    bool m_given = false;
    bool m_done = false;
};

} // namespace testsupport
