#pragma once
// The six calls of DalvexFeedbackInformation.dll: plain C, wide strings, the
// C calling convention, exported under these undecorated names.
#ifdef __cplusplus
extern "C" {
#endif

typedef int(__cdecl* InitFreedbackDllFn)(void);
typedef int(__cdecl* GetToolIsNewVersionFn)(const wchar_t* toolId, const wchar_t* version);
typedef void(__cdecl* OpenToolDownUrlFn)(void);
typedef void(__cdecl* FeedbackQuestionFn)(const wchar_t* toolId, const wchar_t* version);
typedef void(__cdecl* CustomerFeedbackExFn)(const wchar_t* toolId, const wchar_t* version, int answer,
                                            const wchar_t* timeText);
typedef void(__cdecl* ReleaseFreedbackResFn)(void);

// Results of GetToolIsNewVersion.
enum {
    kVersionCheckNotReady = 0,  // not initialised, or unusable arguments
    kVersionCheckCurrent = 1,   // the service names no newer version
    kVersionCheckUnknown = 2,   // offline, timed out or an unusable answer
    kVersionCheckNewer = 3      // the service names a newer version
};

// Answers of CustomerFeedbackEx.
enum { kAnswerSolved = 1, kAnswerNotSolved = 2, kAnswerClosed = 3 };

#ifdef __cplusplus
}
#endif
