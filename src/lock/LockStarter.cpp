#include "lock/LockStarter.h"

#include "lock/NtStyleLock.h"
#include "lock/frmNormalLock.h"
#include "platform/Platform.h"
#include "platform/desktop/RegStuff.h"
#include "ui/WindowServices.h"

QString LockRefusal()
{
    return platform::services().shell->CannotLockReason();
}

void ShowLock(LockStyle style, QWidget *owner)
{
    switch (style) {
    case LockStyle::Normal:
        if (owner)
            Forms::Get<frmNormalLock>().ShowModal(owner);
        else
            Forms::Get<frmNormalLock>().show();
        return;
    case LockStyle::NtStyle:
        ShowNtStyleLock();
        return;
    }
}

bool StartLockByHand(LockStyle style, Form &opener)
{
    const QString refusal = LockRefusal();
    if (!refusal.isEmpty()) {
        // Nothing is placed: a restart entry would bring back a lock that cannot hold either.
        MsgBox(QStringLiteral("This desktop cannot be locked: ") + refusal, platform::MsgButtons::OK,
               platform::MsgIcon::Critical, kAppTitle, &opener);
        return false;
    }
    AddServiceStartup(style == LockStyle::Normal ? startup_commands::kNormalLock
                                                 : startup_commands::kNtStyleLock);
    opener.hide();
    ShowLock(style, &opener);
    return true;
}
