#pragma once
// The NT-style lock's four texts: the box's window caption and its three
// lines, each kept as one quoted record ('"' text '"' CR LF, Windows-1252) in
// a file of its own in drive C. Line breaks inside a text are CR LF.

#include <QString>
#include <QStringList>

#include <optional>

struct NtLockTexts {
    QString caption;
    QString line1;
    QString line2;
    QString line3;
    bool operator==(const NtLockTexts &) const = default;
};

// "c:\005478.ld", "c:\005578.ld", "c:\005678.ld", "c:\005778.ld", resolved,
// in the order caption, line 1, line 2, line 3.
QStringList NtLockTextFiles();

// All four texts, or nothing when any file is missing, unreadable or holds no
// item: a caller never mixes read texts with its own.
std::optional<NtLockTexts> ReadNtLockTexts();

// Replaces the four files in order; stops at the first one that cannot be
// written (false), leaving that file as it was and the later ones untouched.
bool WriteNtLockTexts(const NtLockTexts &texts);

// What the box shows when the files cannot all be read.
NtLockTexts BuiltInNtLockTexts();
