// The metafile player on any bytes: a background picture is any file the
// user (or someone with access to the settings) names.

#include "FuzzSupport.h"
#include "formats/WmfReader.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    StartFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (formats::LooksLikeWmf(bytes))
        (void)formats::RenderWmf(bytes);
    return 0;
}
