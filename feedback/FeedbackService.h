#pragma once
#include <windows.h>

#include <string>

// The library's state behind the six exports: where the service is and the
// last tool that asked for a version check. Safe to call from any thread.
class CFeedbackService {
public:
    CFeedbackService();
    CFeedbackService(const CFeedbackService&) = delete;
    CFeedbackService& operator=(const CFeedbackService&) = delete;

    int Init(HMODULE library);
    int CheckVersion(const wchar_t* toolId, const wchar_t* version);
    void OpenDownloadPage();
    void OpenFeedbackPage(const wchar_t* toolId, const wchar_t* version);
    void SendAnswer(const wchar_t* toolId, const wchar_t* version, int answer, const wchar_t* timeText);
    void Release();

private:
    struct Endpoint {
        bool ready = false;
        bool secure = true;
        std::wstring host;
        unsigned short port = 443;
        std::wstring path;  // without a trailing '/'
        std::wstring base;  // as configured, without a trailing '/'
    };
    Endpoint Snapshot();

    SRWLOCK m_lock;
    Endpoint m_endpoint;
    std::wstring m_lastToolId;
    // The answer given since the last feedback-page request, 0 for none: the
    // page follows only "not solved" or a request of the user's own.
    int m_pendingAnswer = 0;
};
