#include "exec/LogFile.h"

#include <cstring>
#include <cwchar>

#include "exec/ToolPaths.h"

namespace {

// The log's full path with no length limit; beyond MAX_PATH it takes the
// "\\?\" form, which the file functions accept at any length.
std::wstring FullLogPath(const wchar_t* fileName) {
    std::wstring path = ModulePath();
    size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos || !fileName) return std::wstring();
    path.resize(slash + 1);
    path += fileName;
    if (path.size() >= MAX_PATH && path.compare(0, 4, L"\\\\?\\") != 0) {
        if (path.compare(0, 2, L"\\\\") == 0)
            path = L"\\\\?\\UNC\\" + path.substr(2);
        else
            path = L"\\\\?\\" + path;
    }
    return path;
}

HANDLE LogMutex() {
    static HANDLE mutex = ::CreateMutexW(nullptr, FALSE, nullptr);
    return mutex;
}

LogFileInfoFilter g_infoFilter = nullptr;

bool IsPlainFile(const BY_HANDLE_FILE_INFORMATION& info) {
    return !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && info.nNumberOfLinks == 1;
}

// Whether each log's first open in this run made the file. Plain arrays,
// changed only under the log mutex: a worker ended in the middle leaves at
// worst one entry missing, and a missing entry counts as not ours.
struct FirstOpen {
    wchar_t name[64];
    bool created;
};
FirstOpen g_firstOpens[8];
volatile LONG g_firstOpenCount = 0;

const FirstOpen* FindFirstOpen(const wchar_t* fileName) {
    for (LONG i = 0; i < g_firstOpenCount; ++i)
        if (_wcsicmp(g_firstOpens[i].name, fileName) == 0) return &g_firstOpens[i];
    return nullptr;
}

void RememberFirstOpen(const wchar_t* fileName, bool created) {
    LONG n = g_firstOpenCount;
    if (FindFirstOpen(fileName) || n >= 8 || std::wcslen(fileName) >= 64) return;
    std::wcscpy(g_firstOpens[n].name, fileName);
    g_firstOpens[n].created = created;
    ::InterlockedExchange(&g_firstOpenCount, n + 1);
}

void AppendTwoDigits(char* out, int value) {
    out[0] = static_cast<char>('0' + value / 10 % 10);
    out[1] = static_cast<char>('0' + value % 10);
}

void WriteLogBytes(const char* text, size_t length, const wchar_t* fileName) {
    std::wstring path = FullLogPath(fileName);
    if (path.empty()) return;

    // Text mode as the file stores it: every line feed becomes CR LF, a
    // carriage return already there stays.
    std::string stamp = GetLogTimeStamp();
    std::string line;
    line.reserve(stamp.size() + length + length / 8 + 2);
    line = stamp;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '\n') line += '\r';
        line += text[i];
    }
    line += "\r\n";

    // One append-only write of the whole line. Appending alone does not
    // keep two writers apart everywhere (Wine finds the end and writes in
    // two steps), so the lines also pass one at a time through a kernel
    // mutex: unlike a user-mode lock, it is given up when a worker holding it
    // is ended forcibly.
    HANDLE turn = LogMutex();
    DWORD waited = turn ? ::WaitForSingleObject(turn, 2000) : WAIT_FAILED;
    bool ours = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    // The tool runs elevated from a folder anyone can write to: a link
    // planted under the log's name would have it append to a file of the
    // system's. The link itself is opened, never what it points to, and the
    // line is written only to a plain file of our own.
    HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        bool created = ::GetLastError() != ERROR_ALREADY_EXISTS;
        if (ours) RememberFirstOpen(fileName, created);
        BY_HANDLE_FILE_INFORMATION info{};
        bool known = ::GetFileInformationByHandle(file, &info) != FALSE;
        if (known && g_infoFilter) g_infoFilter(info);
        if (known && IsPlainFile(info)) {
            DWORD written = 0;
            ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        }
        ::CloseHandle(file);
    }
    if (ours) ::ReleaseMutex(turn);
}

}  // namespace

std::string GetLogTimeStamp() {
    // Formatted by hand from the system's local time: no C-runtime lock is
    // taken, so a worker ended inside it leaves nothing held.
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    char s[] = "[0000-00-00 00:00:00] ";
    AppendTwoDigits(s + 1, t.wYear / 100);
    AppendTwoDigits(s + 3, t.wYear % 100);
    AppendTwoDigits(s + 6, t.wMonth);
    AppendTwoDigits(s + 9, t.wDay);
    AppendTwoDigits(s + 12, t.wHour);
    AppendTwoDigits(s + 15, t.wMinute);
    AppendTwoDigits(s + 18, t.wSecond);
    return std::string(s, sizeof(s) - 1);
}

bool GetLogFilePath(wchar_t* path, const wchar_t* fileName) {
    if (!path) return false;
    path[0] = L'\0';
    std::wstring full = FullLogPath(fileName);
    if (full.empty() || full.size() >= MAX_PATH) return false;
    std::memcpy(path, full.c_str(), (full.size() + 1) * sizeof(wchar_t));
    return true;
}

void WriteLog(const char* text, const wchar_t* fileName) {
    WriteLogBytes(text ? text : "", text ? std::strlen(text) : 0, fileName);
}

void WriteLog(std::string text, const wchar_t* fileName) { WriteLogBytes(text.data(), text.size(), fileName); }

bool LogCreatedByThisRun(const wchar_t* fileName) {
    if (!fileName) return false;
    HANDLE turn = LogMutex();
    DWORD waited = turn ? ::WaitForSingleObject(turn, 2000) : WAIT_FAILED;
    const FirstOpen* entry = FindFirstOpen(fileName);
    bool created = entry && entry->created;
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) ::ReleaseMutex(turn);
    return created;
}

void SetLogFileInfoFilterForTests(LogFileInfoFilter filter) { g_infoFilter = filter; }
