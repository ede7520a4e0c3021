#include "lock/LockStarter.h"

#include "lock/NtStyleLock.h"
#include "lock/frmNormalLock.h"
#include "platform/supervision/LockSupervision.h"
#include "platform/Platform.h"
#include "platform/autostart/RegStuff.h"
#include "ui/WindowServices.h"

#include <QTimer>

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

bool StartLockByHand(LockKind style, Form &opener)
{
    const QString refusal = LockRefusal();
    if (!refusal.isEmpty()) {
        // Nothing is placed: a restart entry would bring back a lock that cannot hold either.
        MsgBox(QStringLiteral("This desktop cannot be locked: ") + refusal, platform::MsgButtons::OK,
               platform::MsgIcon::Critical, kAppTitle, &opener);
        return false;
    }
    AddServiceStartup(startup_commands::RestartEntry(style));
    opener.hide();
    ShowLock(style, &opener);
    return true;
}
