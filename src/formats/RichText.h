#pragma once
// Reading rich text (RTF) into a formatted Qt document.

#include <QByteArray>

class QObject;
class QTextDocument;

namespace formats {

// True when the bytes begin, after blanks, with "{\rtf".
bool IsRtf(const QByteArray &bytes);

// Converts RTF to a document: paragraphs, bold, italic, underline, font size,
// colours from the colour table, \'hh characters (Windows-1252) and \uN.
// Destination groups that carry no visible text (font and style tables,
// pictures, "\*" groups) are skipped.
QTextDocument *RtfToDocument(const QByteArray &rtf, QObject *parent);

} // namespace formats
