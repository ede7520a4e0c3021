#include "formats/Cp1252.h"

namespace formats {

namespace {

// Unicode values of bytes 0x80..0x9F; 0 marks the five unassigned bytes.
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The byte for one UTF-16 unit, or -1.
int ByteFor(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] != 0 && kHigh[i] == c)
            return 0x80 + i;
        if (kHigh[i] == 0 && c == 0x80 + i)
            return c; // an unassigned byte read back from a file
    }
    return -1;
}

} // namespace

bool IsCp1252(const QString &text)
{
    for (QChar c : text)
        if (ByteFor(c.unicode()) < 0)
            return false;
    return true;
}

QByteArray ToCp1252(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        const int b = ByteFor(c.unicode());
        out.append(b < 0 ? '?' : char(b));
    }
    return out;
}

QString FromCp1252(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const unsigned char b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80] != 0)
            out.append(QChar(kHigh[b - 0x80]));
        else
            out.append(QChar(char16_t(b)));
    }
    return out;
}

} // namespace formats
