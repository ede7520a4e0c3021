#pragma once
// The Windows-1252 code page that every file of the program is written in.

#include <QByteArray>
#include <QString>

namespace formats {

// True when every character of text has a Windows-1252 byte.
bool IsCp1252(const QString &text);

// Encodes text; characters without a Windows-1252 byte become '?'.
QByteArray ToCp1252(const QString &text);

// Decodes bytes; every byte maps to one character (the five unassigned bytes
// map to the C1 control of the same value, as Windows does).
QString FromCp1252(const QByteArray &bytes);

} // namespace formats
