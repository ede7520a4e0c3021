#pragma once
// The seams between the program and the desktop it runs on. Screens and locks
// never talk to X11, files of the shell or processes directly: they call the
// free functions in funct.h / WindowServices.h, which forward to the services
// installed here, all at once. main() installs the real ones; the test
// support installs recorders and fakes (testing_support::ResetRecorders).

#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

class QWidget;

namespace platform {

class HttpClient;      // platform/HttpFetch.h
class KeyboardState;   // platform/KeyboardState.h
class LockSupervision; // platform/supervision/LockSupervision.h
class PrintSystem;     // platform/Printing.h

// The shell lockdown helpers. Each finds the windows it works on afresh and
// returns promptly; none reports failure (a missing panel is simply skipped).
class ShellLockdown {
public:
    virtual ~ShellLockdown() = default;
    virtual void HideTaskBar() = 0;
    virtual void ShowTaskBar() = 0;
    virtual void HideStartButton() = 0;
    virtual void ShowStartButton() = 0;
    virtual void HideTrayArea() = 0;
    virtual void ShowTrayArea() = 0;
    virtual void HideTaskTabs() = 0;
    virtual void ShowTaskTabs() = 0;
    // Holds (true) or releases (false) the keyboard and pointer for the
    // program's lock window, so that no window-manager binding fires.
    virtual void DisableSystemKeys() = 0;
    virtual void EnableSystemKeys() = 0;
    // The "screen saver running" switch set directly, as the locks do once
    // more after DisableSystemKeys and once at their unload. The switch is
    // what turns the system keys off, so an implementation may make it the
    // same operation as DisableSystemKeys (true) and EnableSystemKeys
    // (false), as the X11 one does; the two names stay so that the steps'
    // order can be followed and tested.
    virtual void SetScreenSaverRunning(bool running) = 0;
    // Puts the window on top of the others and gives it the input focus.
    // flag true: on top of the ordinary windows, the only way the program
    // calls it; false (topmost, in the original interface) is never used and
    // implementations may treat it alike.
    virtual void SetWindowLayer(QWidget *window, bool flag) = 0;
    // Moves a shown lock box that hops for as long as the lock is up, at the
    // least cost the window system allows. Such a box takes no clicks: the
    // pointer may pass through it to the lock's window below.
    virtual void HopLockBox(QWidget *window, QPoint topLeft);
    // Asks that one of the program's own windows get no task-bar button.
    virtual void SkipTaskBar(QWidget *window) = 0;
    // Why a lock could not really hold this display (no X11 display, an X
    // server run by a Wayland compositor, grabs turned off), or the empty
    // text when it can. A lock refuses to come up rather than only look locked.
    virtual QString CannotLockReason() = 0;
    // Whether the keyboard and pointer are held now (after DisableSystemKeys);
    // false while another program keeps them, so a lock can say it is not
    // really locked yet.
    virtual bool HoldsInput() = 0;
    // Whether the keyboard map binds keys with which the server itself breaks
    // any grab (the XKB option grab:break_actions): no lock can hold against
    // them, so a lock refuses to start and a lock that is up says so.
    virtual bool GrabBreakingKeysBound() { return false; }

    // The whole root window, every monitor included: what a lock must cover.
    virtual QRect DesktopArea();
    // The primary monitor, or the whole root when the display names none:
    // where a lock places its picture and its boxes.
    virtual QRect PrimaryArea();
    // Counts changes of the two areas (a monitor added, removed or resized,
    // the root resized). Cheap enough to ask on every timer tick; the areas
    // are worth reading again only when it moved.
    virtual unsigned long DesktopGeneration() { return 0; }
};

// Message boxes and the bell.
enum class MsgButtons { OK, OKCancel };
enum class MsgIcon { None, Critical, Exclamation, Information };
enum class MsgResult { OK, Cancel };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual MsgResult MessageBox(QWidget *owner, const QString &text, const QString &title,
                                 MsgButtons buttons, MsgIcon icon) = 0;
    virtual void Beep() = 0;
};

// Opening documents and starting other programs.
class Launcher {
public:
    virtual ~Launcher() = default;
    // Opens a file, URL or mailto: link with the desktop's default program.
    // Returns the original shell's result code: above 32 on success
    // (kOpenedDocument), kDocumentNotFound when nothing could open it. No
    // caller examines it.
    static constexpr long kOpenedDocument = 42;
    static constexpr long kDocumentNotFound = 2;
    virtual long OpenDocument(const QString &target) = 0;
    // Starts a program detached; false when it could not be started.
    virtual bool StartProgram(const QString &program, const QStringList &arguments) = 0;
};

// The user's graphical session and this process.
class Session {
public:
    virtual ~Session() = default;
    // Ends the user's graphical session without asking.
    virtual void ForceLogOff() = 0;
    // Ends this program at once with the given status; does not return in
    // the real program (a recorder returns, so callers return right after).
    virtual void EndProgram(int exitCode) = 0;
};

// Every service the program uses. The first four are required; of the others
// a missing one falls back: no print system and no HTTP client (using them is
// a programming error and aborts), an unsupervised lock (reports do nothing),
// no keyboard state (the prompts show no layout notes).
struct Services {
    ShellLockdown *shell = nullptr;
    Dialogs *dialogs = nullptr;
    Launcher *launcher = nullptr;
    Session *session = nullptr;
    PrintSystem *printers = nullptr;
    HttpClient *http = nullptr;
    LockSupervision *supervision = nullptr;
    KeyboardState *keyboard = nullptr;
};

// The installed services; aborts unless the four required ones are there.
Services &services();
// The installed set as it was given, missing members null.
const Services &installed();
// Replaces every service at once.
void install(const Services &s);

} // namespace platform
