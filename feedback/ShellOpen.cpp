#include "feedback/ShellOpen.h"

#include <windows.h>
#include <exdisp.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>

#include <string>

namespace {

const CLSID kShellWindows = {0x9ba05972, 0xf6a8, 0x11cf, {0xa4, 0x42, 0x00, 0xa0, 0xc9, 0x0a, 0x8f, 0x39}};
const GUID kTopLevelBrowser = {0x4c96be40, 0x915c, 0x11cf, {0x99, 0xd3, 0x00, 0xaa, 0x00, 0x4a, 0xe8, 0x37}};

// One reference, released with its owner.
template <class T>
class CComRef {
public:
    CComRef() = default;
    ~CComRef() {
        if (m_p) m_p->Release();
    }
    CComRef(const CComRef&) = delete;
    CComRef& operator=(const CComRef&) = delete;
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    T** Put() { return &m_p; }
    void** PutVoid() { return reinterpret_cast<void**>(&m_p); }

private:
    T* m_p = nullptr;
};

class CComApartment {
public:
    CComApartment() : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~CComApartment() {
        if (SUCCEEDED(m_hr)) ::CoUninitialize();
    }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;

private:
    HRESULT m_hr;
};

class CVariant {
public:
    CVariant() { ::VariantInit(&v); }
    ~CVariant() { ::VariantClear(&v); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
    VARIANT v;
};

// The tool runs elevated, and whatever it starts would be too. The
// desktop's shell runs as the user who is logged on: asked to start a
// program or open a page, it does so with the user's own rights.
bool ShellExecuteThroughDesktop(const wchar_t* file, const wchar_t* parameters, const wchar_t* folder, int show) {
    CComApartment apartment;
    CComRef<IShellWindows> windows;
    if (FAILED(::CoCreateInstance(kShellWindows, nullptr, CLSCTX_LOCAL_SERVER, __uuidof(IShellWindows),
                                  windows.PutVoid())))
        return false;
    CVariant location, root;
    location.v.vt = VT_I4;
    location.v.lVal = CSIDL_DESKTOP;
    LONG hwnd = 0;
    CComRef<IDispatch> desktop;
    if (windows->FindWindowSW(&location.v, &root.v, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, desktop.Put()) != S_OK ||
        !desktop.Get())
        return false;
    CComRef<IServiceProvider> services;
    if (FAILED(desktop->QueryInterface(__uuidof(IServiceProvider), services.PutVoid()))) return false;
    CComRef<IShellBrowser> browser;
    if (FAILED(services->QueryService(kTopLevelBrowser, __uuidof(IShellBrowser), browser.PutVoid()))) return false;
    CComRef<IShellView> view;
    if (FAILED(browser->QueryActiveShellView(view.Put())) || !view.Get()) return false;
    CComRef<IDispatch> background;
    if (FAILED(view->GetItemObject(SVGIO_BACKGROUND, __uuidof(IDispatch), background.PutVoid()))) return false;
    CComRef<IShellFolderViewDual> folderView;
    if (FAILED(background->QueryInterface(__uuidof(IShellFolderViewDual), folderView.PutVoid()))) return false;
    CComRef<IDispatch> application;
    if (FAILED(folderView->get_Application(application.Put())) || !application.Get()) return false;
    CComRef<IShellDispatch2> shell;
    if (FAILED(application->QueryInterface(__uuidof(IShellDispatch2), shell.PutVoid()))) return false;

    BSTR name = ::SysAllocString(file);
    if (!name) return false;
    CVariant args, dir, verb, how;
    if (parameters) {
        args.v.vt = VT_BSTR;
        args.v.bstrVal = ::SysAllocString(parameters);
    }
    if (folder) {
        dir.v.vt = VT_BSTR;
        dir.v.bstrVal = ::SysAllocString(folder);
    }
    verb.v.vt = VT_BSTR;
    verb.v.bstrVal = ::SysAllocString(L"open");
    how.v.vt = VT_I4;
    how.v.lVal = show;
    bool allocated = verb.v.bstrVal && (!parameters || args.v.bstrVal) && (!folder || dir.v.bstrVal);
    HRESULT hr = allocated ? shell->ShellExecute(name, args.v, dir.v, verb.v, how.v) : E_OUTOFMEMORY;
    ::SysFreeString(name);
    return SUCCEEDED(hr);
}

#ifdef TARNWICK_TEST_SEAMS
// Test builds only: TARNWICK_OPEN_TRACE names a file that gets one line per
// page or program started, the way it went and what was started. Never in
// the release, where the environment of an elevated program must not name a
// file it writes to.
void Trace(const char* route, const wchar_t* url) {
    wchar_t target[MAX_PATH] = {};
    DWORD n = ::GetEnvironmentVariableW(L"TARNWICK_OPEN_TRACE", target, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    HANDLE h = ::CreateFileW(target, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    int size = ::WideCharToMultiByte(CP_UTF8, 0, url, -1, nullptr, 0, nullptr, nullptr);
    std::string line = route;
    line += ' ';
    if (size > 1) {
        std::string utf8(static_cast<size_t>(size - 1), '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, url, -1, &utf8[0], size, nullptr, nullptr);
        line += utf8;
    }
    line += '\n';
    DWORD written = 0;
    ::WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    ::CloseHandle(h);
}
#else
void Trace(const char*, const wchar_t*) {}
#endif

}  // namespace

void OpenWebPage(const wchar_t* url) {
    if (!url || !*url) return;
    if (ShellExecuteThroughDesktop(url, nullptr, nullptr, SW_SHOWNORMAL)) {
        Trace("shell", url);
        return;
    }
    Trace("direct", url);
    ::ShellExecuteW(nullptr, L"open", url, nullptr, nullptr, SW_SHOWNORMAL);
}

bool StartAsDesktopUser(const wchar_t* program, const wchar_t* parameters, const wchar_t* folder, int show) {
    if (!program || !*program) return false;
    bool started = ShellExecuteThroughDesktop(program, parameters, folder, show);
    std::wstring line = L"\"" + std::wstring(program) + L"\"";
    if (parameters && *parameters) line += L" " + std::wstring(parameters);
    Trace(started ? "program shell" : "program none", line.c_str());
    return started;
}
