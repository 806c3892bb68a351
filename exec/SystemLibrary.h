#pragma once
#include <windows.h>

// A DLL of the system folder, loaded by its full path; its own imports are
// looked up beside it first.
HMODULE LoadSystemLibrary(const wchar_t* name);

// Takes the tool's folder out of the DLL search order as far as the running
// Windows allows. Called first thing in wWinMain.
void RestrictDllSearch();
