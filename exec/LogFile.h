#pragma once
#include <windows.h>

#include <string>

// Appends one line "[stamp] text" to the file of that name beside the
// executable; a line that cannot be written is lost, nothing else. A link
// (a reparse point or a file with another hard link) is never written to.
void WriteLog(const char* text, const wchar_t* fileName);
void WriteLog(std::string text, const wchar_t* fileName);

// "[%Y-%m-%d %H:%M:%S] " in local time.
std::string GetLogTimeStamp();

// Fills `path` (MAX_PATH wide characters) with the executable's folder and
// `fileName`; false, leaving an empty string, when it does not fit.
bool GetLogFilePath(wchar_t* path, const wchar_t* fileName);

// True when this run's first write to the log made the file: only then is it
// the tool's to remove.
bool LogCreatedByThisRun(const wchar_t* fileName);

// Lets a test change what the file system says about the opened log, to
// stand for links this Wine cannot make.
using LogFileInfoFilter = void (*)(BY_HANDLE_FILE_INFORMATION& info);
void SetLogFileInfoFilterForTests(LogFileInfoFilter filter);
