#include "lock/NtStyleLock.h"

#include "lock/frmBackground.h"
#include "lock/frmLock.h"
#include "lock/frmVery.h"
#include "platform/supervision/LockSupervision.h"

#include <QPointer>

// A flat state machine: each state's window runs modally until it unloads
// itself, then the next one comes up. Nothing nests, so any number of
// Box -> Prompt -> Cancel -> Box rounds leave nothing behind.
void ShowNtStyleLock()
{
    enum class State { Box, Prompt };
    frmBackground &shown = Forms::Get<frmBackground>();
    shown.show();
    platform::lockSupervision().LockShown();
    const QPointer<frmBackground> background(&shown);
    State state = State::Box;
    // The background goes only with the right password.
    while (background && Forms::IsLoaded<frmBackground>()) {
        switch (state) {
        case State::Box:
            Forms::Get<frmLock>().ShowModal(background);
            // Ctrl+Shift+Alt unloads the box; anything else that ended the modal run shows it again.
            if (!Forms::IsLoaded<frmLock>())
                state = State::Prompt;
            break;
        case State::Prompt:
            Forms::Get<frmVery>().ShowModal(background);
            // "&Cancel" unloads the prompt; the right password takes the background with it.
            if (!Forms::IsLoaded<frmVery>())
                state = State::Box;
            break;
        }
    }
}
