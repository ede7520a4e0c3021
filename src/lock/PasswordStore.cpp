#include "lock/PasswordStore.h"

#include "formats/Cp1252.h"
#include "formats/FieldReader.h"
#include "platform/storage/DrivePaths.h"
#include "platform/storage/FileIO.h"

using platform::ReadStatus;

namespace {
// A password is at most 15 characters; the head read only bounds a huge file.
constexpr qint64 kReadLimit = 64 * 1024;
} // namespace

QString PasswordFilePath()
{
    return platform::ResolvePath("c:\\cslckrt.sys");
}

StoredPassword ReadPassword()
{
    const platform::ReadResult read = platform::ReadFileHead(PasswordFilePath(), kReadLimit);
    if (read.status == ReadStatus::Missing)
        return {PasswordStatus::NoPassword, {}};
    if (read.status == ReadStatus::Unreadable)
        return {PasswordStatus::Unreadable, {}};
    const auto field = formats::ReadFirstField(read.bytes, formats::SkipLineBreaks::No);
    if (!field)
        return {PasswordStatus::NoPassword, {}};
    return {PasswordStatus::Stored, formats::FromCp1252(*field)};
}

bool WritePassword(const QString &password)
{
    return platform::WriteFileAtomically(PasswordFilePath(), formats::QuotedLine(formats::ToCp1252(password)),
                                         0600);
}

bool CreateEmptyPassword()
{
    return WritePassword(QString());
}

QString PasswordEntryProblem(const QString &password)
{
    if (password.contains('"'))
        return QStringLiteral("The password cannot contain a double quote (\").");
    if (!formats::IsCp1252(password))
        return QStringLiteral("The password contains a character that cannot be stored. "
                              "Use letters, digits and the usual punctuation.");
    return {};
}

bool PasswordFileLoads()
{
    return platform::ReadFileHead(PasswordFilePath(), 0).status == ReadStatus::Ok;
}

PasswordCheck CheckPassword(const QString &typed)
{
    const StoredPassword stored = ReadPassword();
    switch (stored.status) {
    case PasswordStatus::Unreadable:
        return PasswordCheck::Unavailable;
    case PasswordStatus::NoPassword:
        return CreateEmptyPassword() ? PasswordCheck::CreatedEmpty : PasswordCheck::Unavailable;
    case PasswordStatus::Stored:
        break;
    }
    return typed == stored.text ? PasswordCheck::Match : PasswordCheck::Mismatch;
}
