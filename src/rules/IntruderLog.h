#pragma once
// The intruder log "C:\intruder.log": three lines per wrong password, CR LF,
// Windows-1252:
//
//   <heading>
//   <typed text> On <general date>.
//   <empty line>

#include <QDateTime>
#include <QString>

namespace headings {
inline const QString kLock =
    QStringLiteral("An unauthorized person tried to access this system by typing as a password:");
inline const QString kUninstall =
    QStringLiteral("An unauthorized person tried to uninstall this program by typing as a password:");
inline const QString kPasswordChange =
    QStringLiteral("A person tried to change the password settings of this program by typing as the old "
                   "password:");
inline const QString kViewLog =
    QStringLiteral("A user tried to unlock the VIEW LOG screen by typing as a password:");
} // namespace headings

QString IntruderLogPath();

// The record's bytes for a moment (taken once by the caller).
QByteArray IntruderRecord(const QString &heading, const QString &typed, const QDateTime &moment);

// Appends one record in a single locked write. False when it could not be
// written; the log is then exactly as it was and the caller skips the rest of
// its reaction to the wrong password.
bool AppendIntruderRecord(const QString &heading, const QString &typed);
// The same, for a moment taken before (the one the intruder command was told).
bool AppendIntruderRecord(const QString &heading, const QString &typed, const QDateTime &moment);

// Whether a record could be appended now, for a prompt that tells the
// intruder command before it writes the record (its message boxes come first).
bool IntruderLogAppendable();
