#include "rules/LockGuard.h"

LockSignalGuard::LockSignalGuard()
{
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &ignore, &m_previous[i]);
}

LockSignalGuard::~LockSignalGuard()
{
    for (size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &m_previous[i], nullptr);
}
