#pragma once
#include <windows.h>

class CNamedLock;

// One tool per session. Takes the session's instance lock for the life of
// the process; false when another tool of this session holds it, whose front
// window has then been brought forward: this process ends at once.
bool BecomeTheSessionsTool(CNamedLock& instance);

extern const wchar_t kInstanceLockName[];
