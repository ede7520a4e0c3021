#pragma once
// `gardlock-ui --intruder-notice COUNT FIRST LAST` (times in seconds since
// the epoch): the notice after an unlock that had wrong passwords, which the
// front starts detached as the lock ends. It shows one desktop notification
// and waits, at most kNoticeWaitMs, for it to close or for its action, which
// opens the Log Viewer through the front (`gardlock --show-log`). Without a
// notification service it says so in one line on stderr and ends.

inline constexpr int kNoticeWaitMs = 10 * 60 * 1000;

int IntruderNoticeMain(int argc, char **argv);
