#pragma once
#include <QString>

// One running copy per program folder. The first copy holds an advisory lock on a
// file in the program folder for as long as it runs; the kernel drops the lock when
// the process ends in any way, so a crashed copy never leaves the program locked out.

// True when another copy of the program already holds the lock. The first call takes
// the lock when it is free and keeps it for the rest of the run.
bool PrevInstance();
// The lock file's path for the current program folder.
QString InstanceLockPath();
// Gives the lock up (tests, which run start-up more than once in one process).
void ReleaseInstanceLock();
