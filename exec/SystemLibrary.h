#pragma once
#include <windows.h>

#include <string>

// A DLL of the system folder, loaded by its full path; its own imports are
// looked up beside it first.
HMODULE LoadSystemLibrary(const wchar_t* name);

// Takes the tool's folder out of the DLL search order as far as the running
// Windows allows. Called first thing in wWinMain.
void RestrictDllSearch();

// One function of a library loaded at run time; the first name missing is
// kept in `missing`, for the log.
template <class Fn>
bool Resolve(HMODULE module, const char* name, Fn& out, std::string& missing) {
    out = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    if (!out && missing.empty()) missing = name;
    return out != nullptr;
}
