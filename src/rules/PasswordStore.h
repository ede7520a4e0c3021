#pragma once
// The one password, kept as one quoted line in "c:\cslckrt.sys" (Windows-1252,
// CR LF), read afresh at every check.
//
// Only a missing file, or one that holds no field, means "no password". A file
// that exists but cannot be read is reported as such, and callers then stay as
// they were: it is never replaced by the empty password, which would open
// every lock.

#include <QString>

enum class PasswordStatus {
    Stored,     // a password (possibly the empty one) was read
    NoPassword, // the file is missing or holds no field
    Unreadable, // the file exists but cannot be read
};

struct StoredPassword {
    PasswordStatus status = PasswordStatus::NoPassword;
    QString text;
    bool ok() const { return status == PasswordStatus::Stored; }
};

QString PasswordFilePath();

StoredPassword ReadPassword();
// Replaces the file atomically (owner-only permissions). False when nothing
// was written; the old file is then intact.
bool WritePassword(const QString &password);
bool CreateEmptyPassword();

// Why a typed password cannot be stored, or the empty text when it can:
// the file format cannot carry a double quote or a character outside
// Windows-1252.
QString PasswordEntryProblem(const QString &password);

// The first-run test of the main screen: the file exists and can be loaded
// whole; its content is not examined.
bool PasswordFileLoads();
// Whether there is no password file at all (so no password is set), found
// without reading or changing it.
bool PasswordFileMissing();

// The check every password prompt shares.
enum class PasswordCheck {
    Match,
    Mismatch,
    CreatedEmpty, // there was no password: the empty one was just written
    Unavailable,  // the file could not be read (or the empty one not written)
};
PasswordCheck CheckPassword(const QString &typed);
