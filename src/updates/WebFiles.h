#pragma once
// What the two web windows share: where the remote files are, how a
// published version is compared with ours, and how much of each file is read.

#include <QByteArray>
#include <QString>

namespace web {

inline const QString kVersionFile = QStringLiteral("application.ver");
inline const QString kNewsFile = QStringLiteral("news2.txt");
inline const QString kNewsCopy = QStringLiteral("C:\\news2.txt");

// A news text longer than this is cut here: it is a page of text, and the
// rich-text box would take long to lay out megabytes.
inline constexpr qint64 kNewsLimit = 512 * 1024;

// True when the published text is greater than ours, compared exactly as
// received, character code by character code; a proper prefix is smaller.
bool IsNewerVersion(const QByteArray &published, const QByteArray &own);

// How many bytes of the version file can decide that comparison: ours and
// one more (a longer text that starts with ours is greater).
qint64 VersionBytesNeeded(const QByteArray &own);

// The URL of a file in the download folder: the settings' DownloadFolder
// when set, else the maker's own.
QString DownloadUrl(const QString &fileName);

} // namespace web
