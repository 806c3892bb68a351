#pragma once
#include <windows.h>

#include <string>

// Appends one line "[stamp] text" to the file of that name beside the
// executable; a line that cannot be written is lost, nothing else.
void WriteLog(const char* text, const wchar_t* fileName);
void WriteLog(std::string text, const wchar_t* fileName);

// "[%Y-%m-%d %H:%M:%S] " in local time.
std::string GetLogTimeStamp();

// Fills `path` (MAX_PATH wide characters) with the executable's folder and
// `fileName`; false, leaving an empty string, when it does not fit.
bool GetLogFilePath(wchar_t* path, const wchar_t* fileName);
