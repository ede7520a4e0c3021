// The rich-text reader on any bytes: news texts come from the network.

#include "FuzzSupport.h"
#include "formats/RichText.h"

#include <QTextDocument>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    StartFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (formats::IsRtf(bytes))
        delete formats::RtfToDocument(bytes, nullptr);
    return 0;
}
