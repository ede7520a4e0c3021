#include "platform/WmfReader.h"

namespace platform {

bool LooksLikeWmf(const QString &) { return false; }
QImage RenderWmf(const QString &) { return {}; }

} // namespace platform
