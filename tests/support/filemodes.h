#pragma once

// File modes that hold for root too: while a FileModesHold lives, the calling thread lacks the
// capabilities that let root pass over them, so a folder without write permission refuses it as
// it refuses any user. A thread's capabilities are its own: the program's file work in a test
// runs on the thread that made the guard.

#include <initializer_list>
#include <linux/capability.h>
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

} // namespace testsupport
