// Stands in for xss-lock's suspend path: runs a locker with the write end of
// a pipe as XSS_SLEEP_LOCK_FD and watches the read end. When the locker (and
// everything it started) has closed that end, the machine would suspend: at
// that moment it tries a keyboard grab of its own, once.
//
//   sleeplock COMMAND ARGS...
// prints "pipe pipe:[INODE]" (as /proc/PID/fd shows the pipe), then
// "closed Success|AlreadyGrabbed|..." when it sees EOF, then
// "exit N" when the locker ends. Exit status 0, 2 on usage or set-up failure.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char *GrabOnce()
{
    xcb_connection_t *conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn))
        return "NoDisplay";
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
    auto *reply = xcb_grab_keyboard_reply(
        conn, xcb_grab_keyboard(conn, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr);
    const char *status = "Error";
    if (reply) {
        switch (reply->status) {
        case XCB_GRAB_STATUS_SUCCESS:
            status = "Success";
            break;
        case XCB_GRAB_STATUS_ALREADY_GRABBED:
            status = "AlreadyGrabbed";
            break;
        default:
            status = "NotViewableOrFrozen";
            break;
        }
    }
    std::free(reply);
    xcb_disconnect(conn);
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: sleeplock COMMAND ARGS...\n");
        return 2;
    }
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return 2;
    struct stat pipeStat {};
    ::fstat(pipeFds[1], &pipeStat);
    std::printf("pipe pipe:[%lu]\n", static_cast<unsigned long>(pipeStat.st_ino));
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        ::setenv("XSS_SLEEP_LOCK_FD", std::to_string(pipeFds[1]).c_str(), 1);
        ::execvp(argv[1], argv + 1);
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    if (pid < 0)
        return 2;
    char byte;
    while (::read(pipeFds[0], &byte, 1) > 0) {
    }
    std::printf("closed %s\n", GrabOnce());
    std::fflush(stdout);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::printf("exit %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    return 0;
}
