#pragma once

// A failing disk for tests: the size of the files this process may write is capped for as long
// as the limit lives, so a write past it fails as on a full disk.

#include <csignal>
#include <sys/resource.h>

namespace testsupport {

// Limits the size of files this process writes, which holds for root too; -1 leaves it alone.
class FileSizeLimit final {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        if (bytes != rlim_t(-1)) {
            m_signal = std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead
            rlimit limit = m_saved;
            limit.rlim_cur = bytes;
            setrlimit(RLIMIT_FSIZE, &limit);
        }
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        if (m_signal != SIG_ERR) {
            std::signal(SIGXFSZ, m_signal);
        }
    }

private:
    rlimit m_saved{};
    void (*m_signal)(int) = SIG_ERR;
};

} // namespace testsupport
