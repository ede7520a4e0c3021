#include "core/DetachedSpawn.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string_view>
#include <unistd.h>

extern char **environ;

namespace platform {

namespace {

// This process's environment with `set` in place of any variable of the same name.
std::vector<std::string> EnvironmentWith(const std::vector<std::pair<std::string, std::string>> &set)
{
    std::vector<std::string> entries;
    for (char **entry = environ; entry && *entry; ++entry) {
        const std::string_view text(*entry);
        bool replaced = false;
        for (const auto &[name, value] : set)
            replaced = replaced || (text.size() > name.size() && text.substr(0, name.size()) == name &&
                                    text[name.size()] == '=');
        if (!replaced)
            entries.emplace_back(text);
    }
    for (const auto &[name, value] : set)
        entries.push_back(name + '=' + value);
    return entries;
}

} // namespace

pid_t SpawnDetached(const DetachedStart &start)
{
    std::vector<char *> argv{const_cast<char *>(start.program.c_str())};
    for (const std::string &arg : start.args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> environment = EnvironmentWith(start.set);
    std::vector<char *> envp;
    for (std::string &entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    // A copy above 3, so that dup2 onto 3 always makes a new descriptor
    // without close-on-exec, whatever number the caller's has.
    const int passed = start.passFd >= 0 ? ::fcntl(start.passFd, F_DUPFD_CLOEXEC, 10) : -1;
    if (start.passFd >= 0 && passed < 0)
        return -1;

    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_init(&actions);
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (!start.keepStderr)
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (passed >= 0)
        posix_spawn_file_actions_adddup2(&actions, passed, 3);
    posix_spawn_file_actions_addclosefrom_np(&actions, passed >= 0 ? 4 : 3);

    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, start.program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (passed >= 0)
        ::close(passed);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return pid;
}

} // namespace platform
