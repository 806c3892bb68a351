#pragma once
#include <string>

// Parameters for cmd.exe that wait three seconds, delete the program's own
// files beside `exePath` (the log only with `removeLog`) and then the folder
// only if nothing else is left in it.
std::wstring BuildSelfRemovalParameters(const std::wstring& exePath, bool removeLog);

// Starts the hidden removal for the given program path; true when started.
bool ScheduleSelfRemovalFor(const std::wstring& exePath, bool removeLog);

// Once per process, for the running program.
void ScheduleSelfRemoval();
