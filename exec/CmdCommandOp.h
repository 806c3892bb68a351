#pragma once
#include <windows.h>

#include <atomic>

#include "exec/EventThread.h"
#include "framework/Handle.h"

// Receives one chunk of command output (at least one byte) on the reader
// thread; the bytes are valid only during the call. The result is ignored.
typedef bool (*CmdOutputCallback)(const char* text, int length, void* context);
// Told on the reader thread once a command has ended and all of its output
// has been delivered; `tag` is the one the command was started with.
typedef void (*CmdEndedCallback)(unsigned tag, void* context);

// Runs one command line at a time hidden through the system's cmd.exe and
// hands its output, chunk by chunk, to a callback.
class CCmdCommandOp {
public:
    // "/D": the registry's AutoRun must not run with our rights, nor write
    // into the output that is judged.
    static constexpr char kPrefix[] = "cmd /D /C ";
    static constexpr int kMaxCommandBytes = 4096 - (sizeof(kPrefix) - 1) - 1;
    static constexpr int kChunkBytes = 4095;
    // How long an owner waits for the reader to finish its pass.
    static constexpr DWORD kReaderGraceMs = 2000;

    CCmdCommandOp();
    virtual ~CCmdCommandOp();
    CCmdCommandOp(const CCmdCommandOp&) = delete;
    CCmdCommandOp& operator=(const CCmdCommandOp&) = delete;

    bool Initialize();
    bool SetOutputCallback(CmdOutputCallback callback, void* context);
    bool SetEndedCallback(CmdEndedCallback callback, void* context);
    // `tag` comes back with the command's output and its end, so output of an
    // older command is never taken for the newer one's.
    bool Execute(const char* command, int length, unsigned tag = 0);
    // Why the last start that failed did.
    DWORD StartError() const { return m_startError; }
    // During an output callback: the tag of the command that wrote the chunk.
    unsigned OutputTag() const { return m_readTag; }
    // Ends whatever the runner started, its whole process tree, and waits up
    // to `waitMs` for it to be gone; the runner stays usable.
    bool EndCommand(DWORD waitMs);
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
    std::atomic<CmdEndedCallback> m_endedCallback{nullptr};
    std::atomic<void*> m_endedContext{nullptr};
    std::atomic<bool> m_readingActive{false};
    // The newest read end, waiting for the reader to take it over; only the
    // reader closes the end it reads from, so no handle is closed under it.
    std::atomic<HANDLE> m_postedReadEnd{nullptr};
    std::atomic<unsigned> m_postedTag{0};
    std::atomic<unsigned> m_readTag{0};
    // Taken only while a read end and its tag change hands, never across a read.
    CRITICAL_SECTION m_postLock;
    std::atomic<bool> m_dropReadEnd{false};
    CHandle m_readEnd;  // the reader's own
    HANDLE m_writeEnd = nullptr;
    STARTUPINFOW m_startupInfo;
    SECURITY_ATTRIBUTES m_pipeSecurity;
    PROCESS_INFORMATION m_processInfo;
    DWORD m_startError = 0;
    // Every child and whatever it starts; ended together on Close.
    CHandle m_job;
    CEventThread m_reader;
};

CCmdCommandOp* CreateCmdCommandOp();
bool SetCmdOutputCallback(CCmdCommandOp* op, CmdOutputCallback callback, void* context);
bool RunCmdCommand(CCmdCommandOp* op, const char* command, int length);
bool SetCmdEndedCallback(CCmdCommandOp* op, CmdEndedCallback callback, void* context);
bool CloseCmdCommand(CCmdCommandOp* op);
bool DestroyCmdCommandOp(CCmdCommandOp* op);
