#pragma once
// The program's icon, a padlock, drawn in code so that it needs no image
// plugin. The screens' window icon, the tray icon and the lock boxes'
// caption icon are all this one drawing.

#include <QIcon>
#include <QPixmap>

QIcon ProgramIcon();
// The padlock drawn at one size (square, in pixels).
QPixmap ProgramIconPixmap(int size);
