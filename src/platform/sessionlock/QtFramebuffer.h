#pragma once
// Qt's framebuffer helpers (QtFbSupport, private API). Their headers say
// "slots", which the project's QT_NO_KEYWORDS turns off: given back here
// for them alone.

#define slots Q_SLOTS
#include <QtFbSupport/private/qfbbackingstore_p.h>
#include <QtFbSupport/private/qfbscreen_p.h>
#include <QtFbSupport/private/qfbwindow_p.h>
#undef slots
