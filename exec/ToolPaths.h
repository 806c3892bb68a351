#pragma once
#include <string>

// The tool's own files beside the program.
extern const wchar_t* const kFeedbackDllName;
extern const wchar_t* const kLogFileName;

// The full path of the system's command interpreter.
std::wstring SystemCmdPath();
// The full path of the running program, without a length limit.
std::wstring ModulePath(void* module = nullptr);
