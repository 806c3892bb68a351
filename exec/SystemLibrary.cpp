#include "exec/SystemLibrary.h"

#include <delayimp.h>

#include <string>

HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    std::wstring path(folder, n);
    path += L'\\';
    path += name;
    // With a full path this flag makes the DLL's own imports come from its
    // folder, the system folder, before the tool's.
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void RestrictDllSearch() {
    // Windows 7 without KB2533623 lacks SetDefaultDllDirectories: there only
    // the current folder can be taken out, and every load must name its path.
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                                   ::GetProcAddress(kernel, "SetDefaultDllDirectories")))
                             : nullptr;
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    ::SetDllDirectoryW(L"");
}

namespace {

// GDI+ is delay-loaded, so the loader never looks for it beside the tool
// before wWinMain runs; this hook then takes it, like any delay-loaded DLL,
// from the system folder. Where that fails the load fails: the helper would
// otherwise try the bare name.
FARPROC WINAPI SystemFolderHook(unsigned notice, PDelayLoadInfo info) {
    if (notice != dliNotePreLoadLibrary || !info || !info->szDll) return nullptr;
    std::wstring name;
    for (const char* c = info->szDll; *c; ++c) name += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    HMODULE module = LoadSystemLibrary(name.c_str());
    if (!module) {
        ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(info);
        ::RaiseException(VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND), 0, 1, &argument);
    }
    return reinterpret_cast<FARPROC>(module);
}

}  // namespace

PfnDliHook __pfnDliNotifyHook2 = SystemFolderHook;
