#pragma once
// While a lock is up, the usual requests to stop the program are ignored:
// ending the process would release the grab and uncover the desktop, and
// only the password may do that. SIGTERM, SIGINT, SIGHUP and SIGQUIT are set
// to "ignore" for the guard's lifetime and given back their earlier handling
// afterwards; so is SIGPIPE, so that a write to a closed pipe (a log-off
// helper, a launcher) cannot end a lock. SIGKILL cannot be refused; the lock's start-up entry then
// brings the lock back at the next start.

#include <array>
#include <csignal>

class LockSignalGuard {
public:
    LockSignalGuard();
    ~LockSignalGuard();
    LockSignalGuard(const LockSignalGuard &) = delete;
    LockSignalGuard &operator=(const LockSignalGuard &) = delete;

    static constexpr std::array<int, 5> kSignals = {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE};

private:
    std::array<struct sigaction, kSignals.size()> m_previous{};
};
