#pragma once
#include <string>

// A fresh folder holding a copy of the built feedback library (or of another
// built DLL under the library's name), with a trailing backslash. Each call
// gets its own folder: a copy still mapped by a lingering worker can't be
// overwritten.
std::wstring FreshLibraryFolder(const wchar_t* builtDll = L"DalvexFeedbackInformation.dll");

// Writes the settings file beside the copy that points it at `base`.
void PointLibraryAt(const std::wstring& folder, const std::string& base);

std::string LoopbackBase(unsigned short port);
