#pragma once
// The supervisor's decisions, apart from the processes and the display so
// that they can be tested alone: what a lock's reports mean, what a child's
// end calls for, which switch brings a lock back, how soon, and which stop
// signals reach the child.

#include "core/ExitStatus.h"
#include "core/SupervisionProtocol.h"
#include "core/Switches.h"

#include <optional>

namespace supervision {

// Where the supervised lock is, as its reports tell it.
enum class Phase {
    None,     // no lock (or the right password ended it)
    Starting, // a lock loads; not shown yet
    Shown,    // its window is shown and the grab handed over
    Held,     // it said it holds the grab
};

struct LockState {
    Phase phase = Phase::None;
    LockKind lock = LockKind::Normal;
};

// The state after a report from the child (Go, Key and TypeKeys are the
// supervisor's own).
LockState After(LockState state, const protocol::Message &message);

// The desktop's keyboard layout group (XKB), which the owner may switch
// while a lock is up: saved when a lock begins, given back when the right
// password ends it. A relaunch after a crash is no beginning.
enum class GroupStep {
    Keep,
    Save,    // read it now: a lock begins
    Restore, // set the saved one again: the lock ended
};
GroupStep KeyboardGroupStep(const LockState &before, const protocol::Message &report);

// The state before the child's first report: a lock loading when the front
// covered and grabbed for one (its switch's kind), no lock otherwise.
LockState FirstState(const std::optional<LockKind> &coveredFor);

// How a child ended, as waitpid tells it.
struct ChildEnd {
    bool bySignal = false;
    int value = 0; // the exit status, or the signal
};

enum class Verdict {
    PassOn,      // end as the child did (its status, or its signal raised again)
    Relock,      // a lock was up: cover, grab and relaunch it
    DisplayGone, // a lock was up but the display went away: end with kDisplayGone, relaunch nothing
};

// A lock ends only when the child says the right password ended it: any other
// end while a lock is up is a crash, unless the display itself is gone, as
// the supervisor's own connection finds it (displayGone).
Verdict Judge(const LockState &state, const ChildEnd &end, bool displayGone);

// The switch that brings the lock back: the plain lock of its kind, which
// places no start-up entry (the first lock placed any that was due).
const char *RelaunchSwitch(LockKind lock);

// When and how to relaunch after each crash. The first relaunch is at once;
// crashes in a row without a lock reaching its grab wait longer each time, so
// a lock that cannot come up never spins. A crash before the lock was shown
// (at load: its picture may be hostile) turns pictures off for every later
// relaunch.
class RelaunchPlan {
public:
    struct Step {
        int delayMs = 0;
        bool noPictures = false;
    };
    static constexpr int kFirstBackOffMs = 100;
    static constexpr int kLongestBackOffMs = 5000;
    // How long a lock may take from its start to its window shown before it
    // counts as hung at load: killed and relaunched without pictures. Qt and
    // the fonts load in well under a second even on a busy machine.
    static constexpr int kShowWithinMs = 5000;

    Step AfterCrash(Phase phaseAtCrash);
    // A relaunched lock holds the grab again: the next crash is a first one.
    void LockHeld() { m_crashesInARow = 0; }

private:
    int m_crashesInARow = 0;
    bool m_noPictures = false;
};

// Stop requests (SIGTERM, SIGINT, SIGHUP, SIGQUIT) are passed to the child
// while no lock is up, so that `kill <pid>` still ends the program, and
// dropped while a lock is up, as the lock itself drops them. SIGPIPE is
// never passed on.
bool PassesSignal(const LockState &state, int signal);

} // namespace supervision
