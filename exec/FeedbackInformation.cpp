#include "exec/FeedbackInformation.h"

#include "exec/SystemLibrary.h"
#include "exec/ToolPaths.h"

namespace {

std::wstring LibraryBesideProgram() {
    std::wstring exe = ModulePath();
    size_t slash = exe.find_last_of(L'\\');
    if (slash == std::wstring::npos) return std::wstring();
    return exe.substr(0, slash + 1) + kFeedbackDllName;
}

template <typename Fn>
bool Resolve(HMODULE module, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    return fn != nullptr;
}

}  // namespace

CFeedbackInformation::CFeedbackInformation() : m_libraryPath(LibraryBesideProgram()) {}

CFeedbackInformation::CFeedbackInformation(std::wstring libraryPath) : m_libraryPath(std::move(libraryPath)) {}

CFeedbackInformation::~CFeedbackInformation() {
    if (m_module && m_release) m_release();
    Unload();
}

// Only the tool's own copy, by full path; its imports come from the system
// folder, never from a download folder that happens to hold the tool.
bool CFeedbackInformation::Load() {
    if (m_module) return true;
    if (m_libraryPath.empty()) return false;
    HMODULE module = ::LoadLibraryExW(m_libraryPath.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module && ::GetLastError() == ERROR_INVALID_PARAMETER) {
        // A Windows without the search flags would look for winhttp.dll, the
        // library's one import outside the KnownDLLs, beside the tool. Loaded
        // from the system folder first, it is found already in memory.
        HMODULE winhttp = LoadSystemLibrary(L"winhttp.dll");
        if (!winhttp) return false;
        module = ::LoadLibraryExW(m_libraryPath.c_str(), nullptr, 0);
        ::FreeLibrary(winhttp);
    }
    if (!module) return false;
    m_module = module;
    if (Resolve(module, "InitFreedbackDll", m_init) && Resolve(module, "GetToolIsNewVersion", m_isNewVersion) &&
        Resolve(module, "OpenToolDownUrl", m_openDownUrl) && Resolve(module, "FeedbackQuestion", m_feedbackQuestion) &&
        Resolve(module, "CustomerFeedbackEx", m_customerFeedback) &&
        Resolve(module, "ReleaseFreedbackRes", m_release))
        return true;
    Unload();
    return false;
}

void CFeedbackInformation::Unload() {
    m_init = nullptr;
    m_isNewVersion = nullptr;
    m_openDownUrl = nullptr;
    m_feedbackQuestion = nullptr;
    m_customerFeedback = nullptr;
    m_release = nullptr;
    if (m_module) ::FreeLibrary(m_module);
    m_module = nullptr;
}

int CFeedbackInformation::InitFreedbackDll() {
    if (!Load()) return 0;
    int result = m_init();
    // A library that refuses to start is treated as absent from here on.
    if (result == 0) Unload();
    return result;
}

int CFeedbackInformation::GetToolIsNewVersion(const wchar_t* toolId, const wchar_t* version) {
    return m_isNewVersion ? m_isNewVersion(toolId, version) : 0;
}

void CFeedbackInformation::OpenToolDownUrl() {
    if (m_openDownUrl) m_openDownUrl();
}

void CFeedbackInformation::FeedbackQuestion(const wchar_t* toolId, const wchar_t* version) {
    if (m_feedbackQuestion) m_feedbackQuestion(toolId, version);
}

void CFeedbackInformation::CustomerFeedbackEx(const wchar_t* toolId, const wchar_t* version, int answer,
                                              const wchar_t* timeText) {
    if (m_customerFeedback) m_customerFeedback(toolId, version, answer, timeText);
}

void CFeedbackInformation::ReleaseFreedbackRes() {
    if (m_release) m_release();
    Unload();
}
