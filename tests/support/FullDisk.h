#pragma once
// While one lives, writes to regular files stop a few bytes in, as on a full
// disk: a short write, then an error. Done with the file size limit, which
// holds for root too (a read-only folder does not stop root).

#include <csignal>
#include <sys/resource.h>

namespace testing_support {

class FullDisk {
public:
    explicit FullDisk(rlim_t bytes = 16)
    {
        // The signal would end the test program; the failed write is what counts.
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_limit);
        rlimit full = m_limit;
        full.rlim_cur = bytes;
        m_set = ::setrlimit(RLIMIT_FSIZE, &full) == 0;
    }
    ~FullDisk()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_limit);
        std::signal(SIGXFSZ, m_handler);
    }
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;
    bool Set() const { return m_set; }

private:
    rlimit m_limit{};
    void (*m_handler)(int) = nullptr;
    bool m_set = false;
};

} // namespace testing_support
