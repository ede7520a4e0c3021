#include "lock/LockStarter.h"

#include "lock/InputHeldNotice.h"
#include "lock/NtStyleLock.h"
#include "lock/frmNormalLock.h"
#include "platform/Platform.h"
#include "platform/autostart/RegStuff.h"
#include "platform/supervision/FrontLock.h"
#include "platform/supervision/LockSupervision.h"
#include "ui/ProgramLifetime.h"
#include "ui/WindowServices.h"

#include <QTimer>

#include <cstdio>

QString LockRefusal()
{
    return platform::services().shell->CannotLockReason();
}

void ShowLock(LockKind style, QWidget *owner)
{
    // The supervisor brings back a lock that dies from here on, even while it loads.
    platform::lockSupervision().LockStarting(style);
    switch (style) {
    case LockKind::Normal: {
        frmNormalLock &lock = Forms::Get<frmNormalLock>();
        if (owner) {
            // Reported from inside the modal run, once the window is shown.
            QTimer::singleShot(0, &lock, [] { platform::lockSupervision().LockShown(); });
            lock.ShowModal(owner);
        } else {
            lock.show();
            platform::lockSupervision().LockShown();
        }
        return;
    }
    case LockKind::NtStyle:
        ShowNtStyleLock(); // reports the background shown
        return;
    }
}

bool PlaceRestartEntry(const QString &entry)
{
    const bool placed = AddServiceStartup(entry);
    InputHeldNotice::SetRestartEntryMissing(!placed);
    if (!placed)
        std::fprintf(stderr,
                     "gardlock: the start-up entry that brings this lock back after a restart could not be "
                     "written in %s\n",
                     qPrintable(StartupFolder()));
    return placed;
}

void RemoveRestartEntry(LockKind style)
{
    if (!RemoveServiceStartup(startup_commands::RestartEntry(style)))
        std::fprintf(stderr,
                     "gardlock: the restart entry in %s could not be removed; the lock will come up at "
                     "the next log-in\n",
                     qPrintable(StartupFolder()));
}

// On Qt's Wayland platform: the lock is the front's, a lock of its own. The
// screens come back with its reason when it could not lock; the right
// password ends this process too, as it ends a lock shown here.
void StartThroughFront(LockKind style, Form &opener)
{
    (void)PlaceRestartEntry(startup_commands::RestartEntry(style));
    // The program lives on while that lock is up, with no window shown.
    ui::LockShownElsewhere(true);
    opener.hide();
    platform::StartFrontLock(style, [style, &opener](int status, const QString &reason) {
        if (status == 0) {
            platform::services().session->EndProgram(0);
            return;
        }
        RemoveRestartEntry(style);
        opener.show();
        ui::LockShownElsewhere(false);
        MsgBox(QStringLiteral("This desktop cannot be locked: ") +
                   (reason.isEmpty() ? QStringLiteral("the lock ended with status %1.").arg(status) : reason),
               platform::MsgButtons::OK, platform::MsgIcon::Critical, kAppTitle, &opener);
    });
}

bool StartLockByHand(LockKind style, Form &opener)
{
    if (platform::LocksRunThroughFront()) {
        StartThroughFront(style, opener);
        return true;
    }
    const QString refusal = LockRefusal();
    if (!refusal.isEmpty()) {
        // Nothing is placed: a restart entry would bring back a lock that cannot hold either.
        MsgBox(QStringLiteral("This desktop cannot be locked: ") + refusal, platform::MsgButtons::OK,
               platform::MsgIcon::Critical, kAppTitle, &opener);
        return false;
    }
    // The lock comes up whether or not its entry could be written.
    (void)PlaceRestartEntry(startup_commands::RestartEntry(style));
    opener.hide();
    ShowLock(style, &opener);
    return true;
}
