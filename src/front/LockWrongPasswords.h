#pragma once
// The wrong passwords of the lock the front supervises, as the program
// reports them one by one. They belong to the lock, not to its process: a
// lock brought back after a crash keeps them, a new lock starts with none,
// and the right password ending a lock that had any calls for the notice
// after the unlock.

#include "core/SupervisionProtocol.h"
#include "core/WrongPasswordTally.h"
#include "front/SupervisorPolicy.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace supervision {

class LockWrongPasswords {
public:
    // carried: the tally of a lock this front took over (its front died).
    explicit LockWrongPasswords(protocol::WrongPasswordTally carried = {}) : m_tally(carried) {}

    // Each report of the program, with the lock's state before it. The
    // tally to send a notice for, when this report ends a lock that had
    // wrong passwords.
    std::optional<protocol::WrongPasswordTally> OnReport(const LockState &before, const protocol::Message &report);

    // The tally so far, for a relaunched program.
    const protocol::WrongPasswordTally &Tally() const { return m_tally; }

private:
    protocol::WrongPasswordTally m_tally;
};

// The program, in a mode of its own (it speaks D-Bus, the front does not),
// started detached to send the notice and wait for its action: the front
// ends with its lock at once.
void StartIntruderNotice(const std::string &program, const protocol::WrongPasswordTally &tally);

// The environment change that hands the tally to a relaunched program:
// the variable set when there is one, unset otherwise.
void PassTally(const protocol::WrongPasswordTally &tally, std::vector<std::pair<const char *, const char *>> &set,
               std::vector<const char *> &unset, std::string &storage);

} // namespace supervision
