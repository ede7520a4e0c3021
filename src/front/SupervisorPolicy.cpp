#include "front/SupervisorPolicy.h"

#include <algorithm>
#include <csignal>

namespace supervision {


using protocol::Kind;
using protocol::Message;

LockState After(LockState state, const Message &message)
{
    switch (message.kind) {
    case Kind::StartingNormal:
        return {Phase::Starting, LockKind::Normal};
    case Kind::StartingNtStyle:
        return {Phase::Starting, LockKind::NtStyle};
    case Kind::Shown:
        if (state.phase != Phase::None)
            state.phase = Phase::Shown;
        return state;
    case Kind::Held:
        if (state.phase != Phase::None)
            state.phase = Phase::Held;
        return state;
    case Kind::Ended:
        return {Phase::None, state.lock};
    case Kind::Refused:
        // Only a lock that never showed can find it cannot hold the display.
        if (state.phase == Phase::Starting)
            state.phase = Phase::None;
        return state;
    case Kind::Go:
    case Kind::Key:
    case Kind::TypeKeys:
    case Kind::Typed:
    case Kind::WrongPassword:
        return state;
    }
    return state;
}

GroupStep KeyboardGroupStep(const LockState &before, const Message &report)
{
    // A lock relaunched after a crash is the same lock: it keeps the group
    // its owner chose meanwhile, and the one saved stays the desktop's.
    if (before.phase == Phase::None && After(before, report).phase == Phase::Starting)
        return GroupStep::Save;
    if (report.kind == Kind::Ended && before.phase != Phase::None)
        return GroupStep::Restore;
    return GroupStep::Keep;
}

LockState FirstState(const std::optional<LockKind> &coveredFor)
{
    // A lock the front covered for is a lock from that moment: its program
    // dying before it could say anything brings it back like any crash.
    if (coveredFor)
        return {Phase::Starting, *coveredFor};
    return {};
}

Verdict Judge(const LockState &state, const ChildEnd & /*how it ended: no exit counts as an unlock*/,
              bool displayGone)
{
    if (state.phase == Phase::None)
        return Verdict::PassOn;
    // Only the supervisor's own connection tells: a lock whose connection
    // another client killed (xkill) also ends with the display's status, and
    // must come back.
    if (displayGone)
        return Verdict::DisplayGone;
    return Verdict::Relock;
}

const char *RelaunchSwitch(LockKind lock)
{
    return switches::LockSwitch(lock, switches::Start::Plain);
}

RelaunchPlan::Step RelaunchPlan::AfterCrash(Phase phaseAtCrash)
{
    if (phaseAtCrash == Phase::Starting)
        m_noPictures = true;
    ++m_crashesInARow;
    int delay = 0;
    if (m_crashesInARow > 1) {
        delay = kFirstBackOffMs;
        for (int i = 2; i < m_crashesInARow && delay < kLongestBackOffMs; ++i)
            delay *= 2;
        delay = std::min(delay, kLongestBackOffMs);
    }
    return {delay, m_noPictures};
}

bool PassesSignal(const LockState &state, int signal)
{
    if (signal != SIGTERM && signal != SIGINT && signal != SIGHUP && signal != SIGQUIT)
        return false;
    return state.phase == Phase::None;
}

} // namespace supervision
