// The field reader of the password and lock-text files, on any bytes.

#include "formats/FieldReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (auto skip : {formats::SkipLineBreaks::No, formats::SkipLineBreaks::Yes})
        if (const auto field = formats::ReadFirstField(bytes, skip))
            (void)formats::QuotedLine(*field);
    return 0;
}
