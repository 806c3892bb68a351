// The six exports: each hands over to the one service object.
#include "feedback/DalvexFeedbackInformation.h"
#include "feedback/FeedbackService.h"

namespace {
HMODULE g_library = nullptr;
CFeedbackService g_service;
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_library = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" {

int __cdecl InitFreedbackDll(void) { return g_service.Init(g_library); }

int __cdecl GetToolIsNewVersion(const wchar_t* toolId, const wchar_t* version) {
    return g_service.CheckVersion(toolId, version);
}

void __cdecl OpenToolDownUrl(void) { g_service.OpenDownloadPage(); }

void __cdecl FeedbackQuestion(const wchar_t* toolId, const wchar_t* version) {
    g_service.OpenFeedbackPage(toolId, version);
}

void __cdecl CustomerFeedbackEx(const wchar_t* toolId, const wchar_t* version, int answer, const wchar_t* timeText) {
    g_service.SendAnswer(toolId, version, answer, timeText);
}

void __cdecl ReleaseFreedbackRes(void) { g_service.Release(); }

}  // extern "C"
