#pragma once
#include <windows.h>

#include <atomic>

#include "exec/EventThread.h"

// Receives one chunk of command output (at least one byte) on the reader
// thread; the bytes are valid only during the call. The result is ignored.
typedef bool (*CmdOutputCallback)(const char* text, int length, void* context);

// Runs one command line at a time hidden through the system's cmd.exe and
// hands its output, chunk by chunk, to a callback.
class CCmdCommandOp {
public:
    static constexpr int kMaxCommandBytes = 4088;
    static constexpr int kChunkBytes = 4095;
    // How long an owner waits for the reader to finish its pass.
    static constexpr DWORD kReaderGraceMs = 2000;

    CCmdCommandOp();
    virtual ~CCmdCommandOp();
    CCmdCommandOp(const CCmdCommandOp&) = delete;
    CCmdCommandOp& operator=(const CCmdCommandOp&) = delete;

    bool Initialize();
    bool SetOutputCallback(CmdOutputCallback callback, void* context);
    bool Execute(const char* command, int length);
    bool Close();
    bool Shutdown();
    bool ReadOutputStep();
    bool TerminateConsoleProcesses();

private:
    static bool ReadOutputStepProc(void* self);
    void ReleaseReadEnds();

    char m_commandLine[4096];
    char m_output[4096];
    std::atomic<CmdOutputCallback> m_callback{nullptr};
    std::atomic<void*> m_context{nullptr};
    std::atomic<bool> m_readingActive{false};
    // The newest read end, waiting for the reader to take it over; only the
    // reader closes the end it reads from, so no handle is closed under it.
    std::atomic<HANDLE> m_postedReadEnd{nullptr};
    std::atomic<bool> m_dropReadEnd{false};
    HANDLE m_readEnd = nullptr;  // the reader's own
    HANDLE m_writeEnd = nullptr;
    STARTUPINFOW m_startupInfo;
    SECURITY_ATTRIBUTES m_pipeSecurity;
    PROCESS_INFORMATION m_processInfo;
    // Every child and whatever it starts; ended together on Close.
    HANDLE m_job = nullptr;
    CEventThread m_reader;
};

CCmdCommandOp* CreateCmdCommandOp();
bool SetCmdOutputCallback(CCmdCommandOp* op, CmdOutputCallback callback, void* context);
bool RunCmdCommand(CCmdCommandOp* op, const char* command, int length);
bool CloseCmdCommand(CCmdCommandOp* op);
bool DestroyCmdCommandOp(CCmdCommandOp* op);
