// What merely waking up every millisecond costs on this machine: a bare
// timerfd loop with no work at all. The locks' 1 ms layer timer cannot cost
// less than this, whatever each tick does.

#include <sys/resource.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <poll.h>

namespace {
double CpuSeconds()
{
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}
} // namespace

int main(int argc, char **argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    const int fd = timerfd_create(CLOCK_MONOTONIC, 0);
    const itimerspec every_ms{{0, 1000000}, {0, 1000000}};
    timerfd_settime(fd, 0, &every_ms, nullptr);
    pollfd p{fd, POLLIN, 0};
    const double start = CpuSeconds();
    for (long i = 0; i < seconds * 1000L; ++i) {
        poll(&p, 1, -1);
        uint64_t expirations = 0;
        if (read(fd, &expirations, sizeof expirations) < 0)
            return 1;
    }
    std::printf("%.2f\n", 100.0 * (CpuSeconds() - start) / seconds);
    return 0;
}
