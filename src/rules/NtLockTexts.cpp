#include "rules/NtLockTexts.h"

#include "formats/Cp1252.h"
#include "formats/FieldReader.h"
#include "platform/storage/DrivePaths.h"
#include "platform/storage/FileIO.h"

#include <array>

namespace {

// A lock text is a line or two; the bound only guards against a huge file.
constexpr qint64 kTextReadLimit = 64 * 1024;

constexpr std::array kFiles = {"c:\\005478.ld", "c:\\005578.ld", "c:\\005678.ld", "c:\\005778.ld"};

} // namespace

QStringList NtLockTextFiles()
{
    QStringList paths;
    for (const char *file : kFiles)
        paths << platform::ResolvePath(QString::fromLatin1(file));
    return paths;
}

std::optional<NtLockTexts> ReadNtLockTexts()
{
    const QStringList paths = NtLockTextFiles();
    std::array<platform::ReadResult, kFiles.size()> contents;
    for (size_t i = 0; i < kFiles.size(); ++i) {
        contents[i] = platform::ReadFileHead(paths[int(i)], kTextReadLimit);
        if (contents[i].status != platform::ReadStatus::Ok)
            return std::nullopt;
    }
    std::array<QString, kFiles.size()> texts;
    for (size_t i = 0; i < kFiles.size(); ++i) {
        const auto item = formats::ReadFirstField(contents[i].bytes, formats::SkipLineBreaks::Yes);
        if (!item)
            return std::nullopt;
        texts[i] = formats::FromCp1252(*item);
    }
    return NtLockTexts{texts[0], texts[1], texts[2], texts[3]};
}

bool WriteNtLockTexts(const NtLockTexts &texts)
{
    const QStringList paths = NtLockTextFiles();
    const std::array<const QString *, kFiles.size()> values = {&texts.caption, &texts.line1, &texts.line2,
                                                               &texts.line3};
    for (size_t i = 0; i < kFiles.size(); ++i) {
        const QByteArray record = formats::QuotedLine(formats::ToCp1252(*values[i]));
        if (!platform::WriteFileAtomically(paths[int(i)], record, 0644))
            return false;
    }
    return true;
}

NtLockTexts BuiltInNtLockTexts()
{
    return {QStringLiteral("System Locked"), QStringLiteral("This PC is in use and has been locked."),
            QStringLiteral("The PC can be unlocked by an authorized user."),
            QStringLiteral("Press Control + Shift + Alt to Unlock")};
}
