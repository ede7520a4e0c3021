#include "setup/modTrayIcon.h"

void AddTrayIcon() {}
void DeleteTrayIcon() {}
