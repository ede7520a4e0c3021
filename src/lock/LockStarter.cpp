#include "lock/LockStarter.h"

#include "lock/NtStyleLock.h"
#include "lock/frmNormalLock.h"
#include "platform/desktop/RegStuff.h"

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

void StartLockByHand(LockStyle style, Form &opener)
{
    AddServiceStartup(style == LockStyle::Normal ? startup_commands::kNormalLock
                                                 : startup_commands::kNtStyleLock);
    opener.hide();
    ShowLock(style, &opener);
}
