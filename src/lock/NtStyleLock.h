#pragma once
// Brings up the NT-style lock; returns only if the lock ends without ending
// the program (never, in the real program).
void ShowNtStyleLock();
