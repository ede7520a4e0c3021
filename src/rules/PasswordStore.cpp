#include "rules/PasswordStore.h"

#include "formats/Cp1252.h"
#include "formats/FieldReader.h"
#include "platform/storage/DrivePaths.h"
#include "platform/storage/FileIO.h"

#include <algorithm>
#include <cstring>

using platform::ReadStatus;

namespace {
// A password is at most 15 characters; the head read only bounds a huge file.
constexpr qint64 kReadLimit = 64 * 1024;

// Overwrites the copies of a secret this process made, once they are no
// longer needed, so that they do not linger in freed memory.
void Wipe(QByteArray &bytes)
{
    if (!bytes.isEmpty())
        ::explicit_bzero(bytes.data(), size_t(bytes.size()));
    bytes.clear();
}

void Wipe(QString &text)
{
    if (!text.isEmpty())
        ::explicit_bzero(text.data(), size_t(text.size()) * sizeof(QChar));
    text.clear();
}

// Equal texts, compared in a time that depends on the lengths only, not on
// where the texts first differ.
bool SameText(const QString &a, const QString &b)
{
    const qsizetype length = std::max(a.size(), b.size());
    unsigned difference = a.size() == b.size() ? 0 : 1;
    for (qsizetype i = 0; i < length; ++i) {
        const unsigned x = i < a.size() ? a.at(i).unicode() : 0;
        const unsigned y = i < b.size() ? b.at(i).unicode() : 0;
        difference |= x ^ y;
    }
    return difference == 0;
}
} // namespace

QString PasswordFilePath()
{
    return platform::ResolvePath("c:\\cslckrt.sys");
}

StoredPassword ReadPassword()
{
    platform::ReadResult read = platform::ReadFileHead(PasswordFilePath(), kReadLimit);
    if (read.status == ReadStatus::Missing)
        return {PasswordStatus::NoPassword, {}};
    if (read.status == ReadStatus::Unreadable)
        return {PasswordStatus::Unreadable, {}};
    auto field = formats::ReadFirstField(read.bytes, formats::SkipLineBreaks::No);
    Wipe(read.bytes);
    if (!field)
        return {PasswordStatus::NoPassword, {}};
    StoredPassword stored{PasswordStatus::Stored, formats::FromCp1252(*field)};
    Wipe(*field);
    return stored;
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

bool PasswordFileMissing()
{
    // Nothing read: the same test of presence ReadPassword starts with.
    return platform::ReadFileHead(PasswordFilePath(), 0).status == ReadStatus::Missing;
}

PasswordCheck CheckPassword(const QString &typed)
{
    StoredPassword stored = ReadPassword();
    switch (stored.status) {
    case PasswordStatus::Unreadable:
        return PasswordCheck::Unavailable;
    case PasswordStatus::NoPassword:
        return CreateEmptyPassword() ? PasswordCheck::CreatedEmpty : PasswordCheck::Unavailable;
    case PasswordStatus::Stored:
        break;
    }
    const bool same = SameText(typed, stored.text);
    Wipe(stored.text);
    return same ? PasswordCheck::Match : PasswordCheck::Mismatch;
}
