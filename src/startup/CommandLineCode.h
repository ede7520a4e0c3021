#pragma once
// The start-up procedure: brings up the one screen, lock or tray icon that
// the switch (read once by main from the switch table) asks for.

#include "core/CommandLine.h"
#include "core/Switches.h"

#include <QString>

namespace CommandLineCode {

using Target = switches::Target;

struct Dispatch {
    Target target = Target::MainScreen;
    LockKind lock = LockKind::Normal; // Target::Lock only
    QString serviceEntry; // placed with AddServiceStartup before the target, if not empty
};

// What a switch does (nothing: the main screen).
Dispatch DispatchFor(const switches::Row *row);

// What the dispatcher brings up; the program's screens in the real program,
// a recorder in tests.
class Targets {
public:
    virtual ~Targets() = default;
    virtual void ShowLock(LockKind kind) = 0;
    virtual void ShowAbout() = 0;
    virtual void ShowPasswordSettings() = 0;
    virtual void ShowTrayIcon() = 0; // AddTrayIcon, then frmMain loaded but hidden
    virtual void ShowUninstall() = 0;
    virtual void ShowMainScreen() = 0;
    virtual void ShowLogViewer() = 0; // through the main screen's one-copy guard
};

// The program's own screens.
Targets &ProgramTargets();

// Runs the dispatch. Returns exit_status::kOk, or kCannotRunHere when a lock
// was asked for on a display it cannot hold (the reason is printed first).
int Main(const switches::Row *row, Targets &targets);
// The same for the whole command line: the program's own --show-log first.
int Main(const CommandLine &line, Targets &targets);

} // namespace CommandLineCode
