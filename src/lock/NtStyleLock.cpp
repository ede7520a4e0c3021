#include "lock/NtStyleLock.h"

void ShowNtStyleLock() {}
