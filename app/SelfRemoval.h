#pragma once
#include <string>

// The tool's own files, removed when it closes.
extern const wchar_t* const kFeedbackDllName;
extern const wchar_t* const kLogFileName;

// Parameters for cmd.exe that wait three seconds, delete the program's own
// files beside `exePath` (the log only with `removeLog`) and then the folder
// only if nothing else is left in it.
std::wstring BuildSelfRemovalParameters(const std::wstring& exePath, bool removeLog);

// Starts the hidden removal for the given program path; true when started.
bool ScheduleSelfRemovalFor(const std::wstring& exePath, bool removeLog);

// Once per process, for the running program.
void ScheduleSelfRemoval();

// The full path of the system's command interpreter.
std::wstring SystemCmdPath();
// The full path of the running program, without a length limit.
std::wstring ModulePath(void* module = nullptr);
