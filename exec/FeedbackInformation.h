#pragma once
#include <windows.h>

#include <string>

#include "TarnwickVersion.h"
#include "feedback/DalvexFeedbackInformation.h"

// How the maker's library knows this tool.
constexpr wchar_t kToolId[] = L"10042";
constexpr wchar_t kToolVersion[] = TARNWICK_VERSION_W;

// The program's access to DalvexFeedbackInformation.dll. Every call passes
// straight through; without a complete library InitFreedbackDll answers 0 and
// the others do nothing.
class CFeedbackInformation {
public:
    // The library beside the running program.
    CFeedbackInformation();
    // The library at this full path.
    explicit CFeedbackInformation(std::wstring libraryPath);
    virtual ~CFeedbackInformation();
    CFeedbackInformation(const CFeedbackInformation&) = delete;
    CFeedbackInformation& operator=(const CFeedbackInformation&) = delete;

    virtual int InitFreedbackDll();
    virtual int GetToolIsNewVersion(const wchar_t* toolId, const wchar_t* version);
    virtual void OpenToolDownUrl();
    virtual void FeedbackQuestion(const wchar_t* toolId, const wchar_t* version);
    virtual void CustomerFeedbackEx(const wchar_t* toolId, const wchar_t* version, int answer,
                                    const wchar_t* timeText);
    virtual void ReleaseFreedbackRes();

private:
    bool Load();
    void Unload();

    std::wstring m_libraryPath;
    HMODULE m_module = nullptr;
    InitFreedbackDllFn m_init = nullptr;
    GetToolIsNewVersionFn m_isNewVersion = nullptr;
    OpenToolDownUrlFn m_openDownUrl = nullptr;
    FeedbackQuestionFn m_feedbackQuestion = nullptr;
    CustomerFeedbackExFn m_customerFeedback = nullptr;
    ReleaseFreedbackResFn m_release = nullptr;
};
