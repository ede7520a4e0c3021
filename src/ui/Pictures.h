#pragma once
// Picture files as the picture controls load them: BMP, DIB, GIF, JPEG, ICO
// and Windows metafiles.

#include <QImage>
#include <QString>

// Loads any of the supported picture formats; a null image on failure.
QImage ReadPictureFile(const QString &path);
