#pragma once
// Brings up the NT-style lock: the background, then the "System Locked" box
// and the "Start Logon" prompt in turn, each modal over the background.
// Returns only when the lock has ended (in the real program the right
// password ends the program from inside it).
void ShowNtStyleLock();
