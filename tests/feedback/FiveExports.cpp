// A broken feedback library for the client's tests: ReleaseFreedbackRes is
// missing. Every call it does receive is written to calls.txt beside it.
#include <windows.h>

#include <string>

namespace {
HMODULE g_self = nullptr;

void Note(const char* name) {
    wchar_t path[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(g_self, path, MAX_PATH);
    std::wstring p(path, n);
    p = p.substr(0, p.find_last_of(L'\\') + 1) + L"calls.txt";
    HANDLE h = ::CreateFileW(p.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(h, name, static_cast<DWORD>(strlen(name)), &written, nullptr);
    ::CloseHandle(h);
}
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_self = instance;
    return TRUE;
}

extern "C" {
int __cdecl InitFreedbackDll(void) {
    Note("InitFreedbackDll\n");
    return 1;
}
int __cdecl GetToolIsNewVersion(const wchar_t*, const wchar_t*) {
    Note("GetToolIsNewVersion\n");
    return 3;
}
void __cdecl OpenToolDownUrl(void) { Note("OpenToolDownUrl\n"); }
void __cdecl FeedbackQuestion(const wchar_t*, const wchar_t*) { Note("FeedbackQuestion\n"); }
void __cdecl CustomerFeedbackEx(const wchar_t*, const wchar_t*, int, const wchar_t*) { Note("CustomerFeedbackEx\n"); }
}
