// The picture loader the locks' backgrounds go through, on any file.

#include "FuzzSupport.h"
#include "ui/Pictures.h"

#include <QFile>
#include <QTemporaryDir>

namespace {
QString g_path;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    StartFuzzApplication();
    static QTemporaryDir folder;
    g_path = folder.filePath(QStringLiteral("input"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Each suffix steers the loader differently (WMF, DIB, by content).
    static const char *const suffixes[] = {".bmp", ".wmf", ".dib", ".jpg", ".gif", ".ico", ".png"};
    const char *suffix = suffixes[size % (sizeof suffixes / sizeof *suffixes)];
    QFile file(g_path + QLatin1String(suffix));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();
    (void)ReadPictureFile(file.fileName());
    file.remove();
    return 0;
}
