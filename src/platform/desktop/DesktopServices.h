#pragma once
// The real message boxes, launcher and session of the program.

#include "platform/Platform.h"

namespace platform {

class QtDialogs : public Dialogs {
public:
    MsgResult MessageBox(QWidget *owner, const QString &text, const QString &title, MsgButtons buttons,
                         MsgIcon icon) override;
    void Beep() override;
};

// Opens documents with the desktop's default program (xdg-open). A relative
// target resolves against the working folder, then the program's folder.
class DesktopLauncher : public Launcher {
public:
    long OpenDocument(const QString &target) override;
    bool StartProgram(const QString &program, const QStringList &arguments) override;
};

// Log-off through systemd-logind (loginctl terminate-session of this
// session); ending the program exits the process at once.
class ProcessSession : public Session {
public:
    void ForceLogOff() override;
    void EndProgram(int exitCode) override;
};

} // namespace platform
