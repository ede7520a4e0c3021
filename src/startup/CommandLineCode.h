#pragma once
// The start-up procedure: reads the switch (the first two characters of the
// argument text, exactly as given) and brings up one screen, lock or the tray
// icon.

#include "front/Switches.h"

#include <QString>

namespace CommandLineCode {

// The switches and their targets are the front's table (front/Switches.h).
using Target = switches::Target;

struct Dispatch {
    Target target = Target::MainScreen;
    QString serviceEntry; // placed with AddServiceStartup before the target, if not empty
};

// What each switch does; compared in the order "/d", "/a", "/b", "/e", "/s",
// "/t", "/n", "/w", "/i", "/u", anything else is the main screen.
Dispatch ParseSwitch(const QString &argText);

bool IsLock(Target target);

// What the dispatcher brings up; the program's screens in the real program,
// a recorder in tests.
class Targets {
public:
    virtual ~Targets() = default;
    virtual void ShowNormalLock() = 0;
    virtual void ShowNtStyleLock() = 0;
    virtual void ShowAbout() = 0;
    virtual void ShowPasswordSettings() = 0;
    virtual void ShowTrayIcon() = 0; // AddTrayIcon, then frmMain loaded but hidden
    virtual void ShowUninstall() = 0;
    virtual void ShowMainScreen() = 0;
};

// The program's own screens.
Targets &ProgramTargets();

// Runs the dispatch. Returns 0, or a non-zero status when a lock was asked for
// on a display it cannot hold (the reason is printed and shown first).
int Main(const QString &argText, Targets &targets);

} // namespace CommandLineCode
