#pragma once
// The program's one notification-area icon, kept in the shell's
// NOTIFYICONDATA layout (single-byte form, 88 bytes, little-endian), and the
// add and delete that use it.
//
// QSystemTrayIcon stands in for the shell: the record's window and id name
// the icon, its tip is the text up to the first NUL, and every mouse event
// over the icon reaches frmTrayMenu as its message number (512 a move, 517 a
// right-button release, ...).

#include <QString>
#include <QtEndian>

#include <cstdint>

class QMenu;
class QWidget;

struct NotifyIconData {
    quint32_le cbSize;
    quint32_le hWnd;
    quint32_le uID;
    quint32_le uFlags;
    quint32_le uCallbackMessage;
    quint32_le hIcon;
    char szTip[64];
};
static_assert(sizeof(NotifyIconData) == 88, "the shell's single-byte NOTIFYICONDATA");

// The window the icon's mouse events go to (frmTrayMenu), as the shell's
// callback message with the event's number.
class TrayIconOwner {
public:
    virtual ~TrayIconOwner() = default;
    virtual void onMouseMove(quint32 number) = 0;
    // The popup menu, for trays that draw the menu themselves.
    virtual QMenu *trayMenu() = 0;
};

// The program-wide record: all zero at start, keeps the last values written.
extern NotifyIconData TrayIconData;

inline constexpr std::uint32_t NIM_ADD = 0;
inline constexpr std::uint32_t NIM_DELETE = 2;
inline constexpr std::uint32_t NIF_MESSAGE = 1;
inline constexpr std::uint32_t NIF_ICON = 2;
inline constexpr std::uint32_t NIF_TIP = 4;
inline constexpr std::uint32_t WM_MOUSEMOVE = 0x200;
inline constexpr std::uint32_t WM_RBUTTONUP = 0x205;

// Fills the record (creating the tray menu window, and loading the main
// screen hidden for its icon) and adds the icon. Adding an icon that is already there fails
// silently, so there is never more than one.
void AddTrayIcon();
// Deletes the icon the record names; nothing happens when there is none.
void DeleteTrayIcon();

// The shell stand-in: NIM_ADD or NIM_DELETE with a record. False when the
// icon already exists (add) or does not exist (delete).
bool ShellNotifyIcon(std::uint32_t action, const NotifyIconData &data);

// Inspection: how many icons stand, and the tip the shell shows.
int TrayIconCount();
QString TrayIconTip();

// A 32-bit handle for a window, as the record carries it.
quint32 WindowHandle(QWidget *window);
