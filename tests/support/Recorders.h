#pragma once
// Recorders that stand in for the desktop in tests: they log every call in
// order and answer message boxes from a preset queue.

#include "platform/Platform.h"
#include "support/RecordingSupervision.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

class QWidget;

namespace testing_support {

struct RecordedBox {
    QString text;
    QString title;
    platform::MsgButtons buttons;
    platform::MsgIcon icon;
};

class RecordingShell : public platform::ShellLockdown {
public:
    QStringList calls; // "HideTaskBar", "SetWindowLayer", ...
    QString cannotLockReason;
    bool holdsInput = true;
    // The desktop reported to the locks; empty areas mean Qt's screen. A test
    // that changes them moves desktopGeneration, as the display server would.
    QRect desktopArea;
    QRect primaryArea;
    unsigned long desktopGeneration = 0;
    void HideTaskBar() override { calls << "HideTaskBar"; }
    void ShowTaskBar() override { calls << "ShowTaskBar"; }
    void HideStartButton() override { calls << "HideStartButton"; }
    void ShowStartButton() override { calls << "ShowStartButton"; }
    void HideTrayArea() override { calls << "HideTrayArea"; }
    void ShowTrayArea() override { calls << "ShowTrayArea"; }
    void HideTaskTabs() override { calls << "HideTaskTabs"; }
    void ShowTaskTabs() override { calls << "ShowTaskTabs"; }
    void DisableSystemKeys() override { calls << "DisableSystemKeys"; }
    void EnableSystemKeys() override { calls << "EnableSystemKeys"; }
    void SetScreenSaverRunning(bool running) override
    {
        calls << (running ? "ScreenSaverRunning(true)" : "ScreenSaverRunning(false)");
    }
    void SetWindowLayer(QWidget *, bool) override { calls << "SetWindowLayer"; }
    void SkipTaskBar(QWidget *) override {}
    QString CannotLockReason() override { return cannotLockReason; }
    bool HoldsInput() override { return holdsInput; }
    QRect DesktopArea() override
    {
        return desktopArea.isEmpty() ? ShellLockdown::DesktopArea() : desktopArea;
    }
    QRect PrimaryArea() override
    {
        return primaryArea.isEmpty() ? ShellLockdown::PrimaryArea() : primaryArea;
    }
    unsigned long DesktopGeneration() override { return desktopGeneration; }
};

class RecordingDialogs : public platform::Dialogs {
public:
    std::vector<RecordedBox> boxes;
    std::deque<platform::MsgResult> answers; // consumed in order; OK when empty
    int beeps = 0;
    QStringList events; // "beep" and "box:<text>" in the order they happened

    platform::MsgResult MessageBox(QWidget *, const QString &text, const QString &title,
                                   platform::MsgButtons buttons, platform::MsgIcon icon) override;
    void Beep() override
    {
        ++beeps;
        events << "beep";
    }
};

class RecordingLauncher : public platform::Launcher {
public:
    QStringList opened;
    QStringList started; // "program arg1 arg2"
    bool startSucceeds = false;
    long OpenDocument(const QString &target) override
    {
        opened << target;
        return 42;
    }
    bool StartProgram(const QString &program, const QStringList &arguments) override
    {
        started << (QStringList{program} + arguments).join(' ');
        return startSucceeds;
    }
};

class RecordingSession : public platform::Session {
public:
    int logOffs = 0;
    std::vector<int> endings; // exit codes passed to EndProgram
    void ForceLogOff() override { ++logOffs; }
    void EndProgram(int exitCode) override { endings.push_back(exitCode); }
};

// The recorders installed for the running test; reset before every test.
struct Recorders {
    RecordingShell shell;
    RecordingDialogs dialogs;
    RecordingLauncher launcher;
    RecordingSession session;
    RecordingLockSupervision supervision;
};

Recorders &recorders();
// The one reset of the platform services in tests: fresh recorders, a fresh
// fake HTTP client and no print system, all installed at once.
void ResetRecorders();
// The set ResetRecorders installs; a test that needs another service copies
// it, replaces that member and installs the copy.
platform::Services RecorderServices();

} // namespace testing_support
