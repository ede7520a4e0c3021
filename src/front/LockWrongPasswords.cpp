#include "front/LockWrongPasswords.h"

#include "core/CommandLine.h"
#include "core/DetachedSpawn.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace supervision {

using protocol::Kind;

std::optional<protocol::WrongPasswordTally> LockWrongPasswords::OnReport(const LockState &before,
                                                                         const protocol::Message &report)
{
    switch (report.kind) {
    case Kind::StartingNormal:
    case Kind::StartingNtStyle:
        // A lock starting where none was up is a new lock; a relaunched
        // one reports while its lock still counts as up.
        if (before.phase == Phase::None)
            m_tally = {};
        return std::nullopt;
    case Kind::WrongPassword:
        if (before.phase != Phase::None)
            m_tally.Add(report.seconds);
        return std::nullopt;
    case Kind::Ended: {
        if (before.phase == Phase::None)
            return std::nullopt;
        const protocol::WrongPasswordTally ended = m_tally;
        m_tally = {};
        if (ended.count == 0)
            return std::nullopt;
        return ended;
    }
    default:
        return std::nullopt;
    }
}

void StartIntruderNotice(const std::string &program, const protocol::WrongPasswordTally &tally)
{
    platform::DetachedStart start;
    start.program = program;
    start.args = {kIntruderNoticeOption, std::to_string(tally.count), std::to_string(tally.first),
                  std::to_string(tally.last)};
    // Its one line, where there is no notification service, goes where the front's go.
    start.keepStderr = true;
    if (platform::SpawnDetached(start) < 0)
        std::fprintf(stderr, "gardlock: cannot start the notice of the wrong passwords: %s\n", std::strerror(errno));
}

void PassTally(const protocol::WrongPasswordTally &tally, std::vector<std::pair<const char *, const char *>> &set,
               std::vector<const char *> &unset, std::string &storage)
{
    if (tally.count == 0) {
        unset.push_back(protocol::kTallyVariable);
        return;
    }
    storage = protocol::EncodeTally(tally);
    set.emplace_back(protocol::kTallyVariable, storage.c_str());
}

} // namespace supervision
