#pragma once
// Drives and folders as the image browser walks them. A folder is named the
// way the program stores paths: "C:\Windows" on a drive letter (resolved
// through DrivePaths.h), or a POSIX path ("/home/ann/Pictures") on the two
// drives this system adds, the user's home folder and the file-system root.

#include <QString>
#include <QStringList>

#include <vector>

namespace platform {

struct DriveEntry {
    QString name; // what the drive list shows: "c:", "a:", "home", "/"
    QString root; // its root folder: "C:\", "A:\", "/home/ann", "/"
};

// Drive C, every letter with a dosdevices link (ready or not), the home
// folder and the root of the file system, in that order.
std::vector<DriveEntry> ListDrives();

// The drive a folder lies on: the entry whose root is its longest prefix.
// Empty when none is.
QString DriveNameOf(const QString &folder, const std::vector<DriveEntry> &drives);

// The real folder behind a folder name; empty when its drive is not ready.
QString RealFolder(const QString &folder);
// Whether the folder can be entered: its drive is ready and it is a folder.
bool FolderExists(const QString &folder);

// "\" on drive letters, "/" elsewhere.
QChar SeparatorOf(const QString &folder);
// The folder's root ("C:\" or "/") and the names of the folders on the way
// down to it, so that "C:\Windows\Web" gives "C:\" and {"Windows", "Web"}.
QString RootOf(const QString &folder);
QStringList FolderSteps(const QString &folder);
// A sub-folder's name: one separator between, none doubled at a root.
QString ChildFolder(const QString &folder, const QString &name);

// The visible sub-folders of a folder, sorted without regard to case.
QStringList SubFolders(const QString &folder);
// The visible files of a folder whose names match one of the ";"-separated
// masks ("*.gif;*.jpg"), without regard to case. "*.*" matches every name,
// as it always did; an empty pattern too.
QStringList MatchingFiles(const QString &folder, const QString &pattern);

} // namespace platform
