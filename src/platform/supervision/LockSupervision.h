#pragma once
// The lock's side of crash supervision. The program runs as the child of a
// small supervising process (front/Supervisor.h) that holds no pictures and
// parses no files; the locks tell it when they start, when their window is
// shown and when the right password ends them, so that a lock process that
// dies in between is replaced at once by a black cover, a grab and a fresh
// lock. Without a supervisor every report does nothing.
//
// The messages themselves are core/SupervisionProtocol.h, which the
// supervisor shares.

#include "core/Switches.h"
#include "core/WrongPasswordTally.h"

#include <cstdint>

namespace platform {

class LockSupervision {
public:
    virtual ~LockSupervision() = default;
    // A lock is about to load (its picture is read next).
    virtual void LockStarting(LockKind lock) = 0;
    // The lock's window is shown: takes the grab at once (DisableSystemKeys)
    // and says so. A relaunched lock first waits until the supervisor, which
    // holds the grab then, lets go of it.
    virtual void LockShown() = 0;
    // The right password ended the lock.
    virtual void LockEnded() = 0;
    // False in a lock relaunched after a crash at load: its picture may be
    // what crashed it.
    virtual bool PicturesAllowed() const = 0;
    // The lock asked for cannot hold this display and is not put up (the
    // program ends with the "cannot lock" status next).
    virtual void LockRefused() {}
    // True in a lock brought back after its process died: it was up, so it
    // comes up again whatever a fresh lock would refuse for.
    virtual bool MustComeBack() const { return false; }
    // A wrong password at the lock, typed at `seconds` since the epoch: the
    // supervisor keeps it for the notice after the unlock. Returns its
    // number among the lock's wrong passwords (1, 2, ...), counted across
    // relaunches.
    virtual int WrongPassword(std::int64_t seconds)
    {
        m_wrongPasswords.Add(seconds);
        return m_wrongPasswords.count;
    }

protected:
    // The lock's wrong passwords so far (a relaunched lock's start with
    // those its supervisor handed over).
    protocol::WrongPasswordTally m_wrongPasswords;
};

// The installed one (Services::supervision, platform/Platform.h); a
// do-nothing one when the program is not supervised.
LockSupervision &lockSupervision();

} // namespace platform
