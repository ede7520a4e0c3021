#!/usr/bin/env python3
"""Runs a command as a child subreaper: every process under it that is
orphaned comes to this one, which records how each ended, one line a
process ("PID exit N" or "PID signal N"), and ends when none is left.

    reaper.py LOG COMMAND [ARGS...]

A test sees through it the status of a process that its own parent did not
wait for (a front started anew by an orphaned program)."""
import ctypes
import os
import sys

PR_SET_CHILD_SUBREAPER = 36


def main():
    log_path, command = sys.argv[1], sys.argv[2:]
    if ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        sys.exit("reaper: cannot become a subreaper: " + os.strerror(ctypes.get_errno()))
    with open(log_path, "a", buffering=1) as log:
        pid = os.fork()
        if pid == 0:
            try:
                os.execvp(command[0], command)
            finally:
                os._exit(127)
        log.write("%d started\n" % pid)
        while True:
            try:
                ended, status = os.wait()
            except ChildProcessError:
                break
            if os.WIFEXITED(status):
                log.write("%d exit %d\n" % (ended, os.WEXITSTATUS(status)))
            else:
                log.write("%d signal %d\n" % (ended, os.WTERMSIG(status)))


if __name__ == "__main__":
    main()
