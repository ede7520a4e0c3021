#pragma once
// The supervised program's end of the socket pair to its supervisor
// (front/Supervisor.h): reports the lock's life and takes the grab over
// when the supervisor lets go of it.

#include "core/SupervisionProtocol.h"
#include "platform/supervision/LockSupervision.h"

#include <QObject>

#include <functional>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace platform {

struct SupervisorEnvironment {
    int fd = -1;             // -1: not supervised
    bool relaunched = false; // the first lock waits for the supervisor to let go of the grabs
    bool noPictures = false;
    bool afterCrash = false; // brought back after the lock's process died
    protocol::WrongPasswordTally wrongPasswords{}; // the lock's so far, when brought back
};

// Reads and clears what the supervisor set in the environment, so that
// programs started from here never see it. Call before any thread or child
// process is started.
SupervisorEnvironment TakeSupervisorEnvironment();

class SupervisorLink : public QObject, public LockSupervision {
    Q_OBJECT
public:
    // waitMs: how long the first lock shown in a relaunched process waits for
    // the supervisor to let go of the grab before it takes it anyway.
    explicit SupervisorLink(SupervisorEnvironment environment, int waitMs = 2000);
    ~SupervisorLink() override;

    void LockStarting(LockKind lock) override;
    void LockShown() override;
    void LockEnded() override;
    bool PicturesAllowed() const override { return !m_noPictures; }
    void LockRefused() override;
    bool MustComeBack() const override { return m_afterCrash; }
    int WrongPassword(std::int64_t seconds) override;

    // What types again, into the lock, the keys the supervisor's grab caught
    // before handing it over (the X11 layer's ReplayKeys in the program);
    // they are in the lock when it returns.
    using KeyReplay = std::function<void(const std::vector<protocol::CaughtKey> &)>;
    void SetKeyReplay(KeyReplay replay) { m_replay = std::move(replay); }
    // The window a shown lock takes its keys in, for the supervisor to hand
    // the keyboard to (the X11 layer's KeyWindow in the program).
    using KeyWindow = std::function<std::uint32_t()>;
    void SetKeyWindow(KeyWindow window) { m_keyWindow = std::move(window); }
    // What brings a lock back when the supervisor dies while it is up and
    // the lock cannot hold the display alone (on Wayland the front holds the
    // session): given the lock's kind, it starts a new front for it. This
    // process then ends; the new front starts a lock of its own, with the
    // wrong passwords typed at this one.
    using FrontLost = std::function<void(LockKind, const protocol::WrongPasswordTally &)>;
    void SetFrontLost(FrontLost lost) { m_frontLost = std::move(lost); }

private:
    void OnReadable();
    void OnClosed();
    void OnMessage(const protocol::Message &message);
    void TakeOver();
    void TakeGrab();
    void TryToHold();
    void ReplayCaughtKeys();
    void Send(const protocol::Message &message);

    int m_fd;
    bool m_relaunched;
    bool m_afterCrash;
    bool m_noPictures;
    int m_waitMs;
    bool m_locked = false;
    bool m_shownBefore = false;
    bool m_closed = false; // the supervisor is gone
    QSocketNotifier *m_notifier = nullptr;
    // Between "go" and the moment both grabs are held: "held" is said only then.
    QTimer *m_holdRetry = nullptr;
    KeyReplay m_replay;
    KeyWindow m_keyWindow;
    FrontLost m_frontLost;
    LockKind m_lockKind = LockKind::Normal;
    std::vector<protocol::CaughtKey> m_caught;
};

} // namespace platform
