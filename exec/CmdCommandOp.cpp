#include "exec/CmdCommandOp.h"

#include <cstring>
#include <new>
#include <string>

#include "exec/ToolPaths.h"

namespace {

std::atomic<CCmdCommandOp*> g_instance{nullptr};

const size_t kPrefixBytes = sizeof(CCmdCommandOp::kPrefix) - 1;
const wchar_t kNoCwdSearch[] = L"NoDefaultCurrentDirectoryInExePath";

// The program's environment with the current folder taken out of the
// interpreter's search for commands.
std::wstring ChildEnvironment() {
    std::wstring block;
    if (wchar_t* env = ::GetEnvironmentStringsW()) {
        const size_t nameLen = wcslen(kNoCwdSearch);
        for (const wchar_t* p = env; *p; p += wcslen(p) + 1) {
            if (_wcsnicmp(p, kNoCwdSearch, nameLen) == 0 && p[nameLen] == L'=') continue;
            block.append(p, wcslen(p) + 1);
        }
        ::FreeEnvironmentStringsW(env);
    }
    block += kNoCwdSearch;
    block += L"=1";
    block += L'\0';
    block += L'\0';
    return block;
}

// A hidden command has nobody to answer a question; reading the null device
// gives it an end of input at once instead of a wait.
HANDLE OpenNullInput() {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    return ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                         nullptr);
}

std::wstring SystemFolder() {
    std::wstring cmd = SystemCmdPath();
    return cmd.substr(0, cmd.find_last_of(L'\\'));
}

bool IsInstance(CCmdCommandOp* op) { return op && g_instance.load() == op; }

}  // namespace

CCmdCommandOp::CCmdCommandOp() {
    std::memset(m_commandLine, 0, sizeof(m_commandLine));
    std::memset(m_output, 0, sizeof(m_output));
    std::memset(&m_startupInfo, 0, sizeof(m_startupInfo));
    std::memset(&m_pipeSecurity, 0, sizeof(m_pipeSecurity));
    std::memset(&m_processInfo, 0, sizeof(m_processInfo));
    ::InitializeCriticalSection(&m_postLock);

    // Closing the job, also by the process ending, ends every child with it.
    m_job.Reset(::CreateJobObjectW(nullptr, nullptr));
    if (m_job.Valid()) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        ::SetInformationJobObject(m_job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    }
}

CCmdCommandOp::~CCmdCommandOp() {
    Shutdown();
    m_job.Close();
    ::DeleteCriticalSection(&m_postLock);
}

bool CCmdCommandOp::Initialize() {
    if (m_reader.Start(&CCmdCommandOp::ReadOutputStepProc, this)) m_reader.SetRunning(true);
    return true;
}

bool CCmdCommandOp::SetOutputCallback(CmdOutputCallback callback, void* context) {
    m_context.store(context);
    m_callback.store(callback);
    return true;
}

bool CCmdCommandOp::SetEndedCallback(CmdEndedCallback callback, void* context) {
    m_endedContext.store(context);
    m_endedCallback.store(callback);
    return true;
}

bool CCmdCommandOp::Execute(const char* command, int length, unsigned tag) {
    // The buffer holds the prefix, at most this many bytes and a terminator;
    // a longer command is refused rather than cut or run past the buffer.
    if (length < 0 || length > kMaxCommandBytes || (length > 0 && !command)) return false;
    // Without a job a hung command could not be ended on Close.
    if (!m_job.Valid()) return false;

    m_pipeSecurity.nLength = sizeof(m_pipeSecurity);
    m_pipeSecurity.lpSecurityDescriptor = nullptr;
    m_pipeSecurity.bInheritHandle = TRUE;
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    m_startError = 0;
    if (!::CreatePipe(&readEnd, &writeEnd, &m_pipeSecurity, 0)) {
        m_startError = ::GetLastError();
        return false;
    }
    // The child gets only the write end; a child holding the read end would
    // see its own output.
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    m_writeEnd = writeEnd;

    std::memset(&m_startupInfo, 0, sizeof(m_startupInfo));
    m_startupInfo.cb = sizeof(m_startupInfo);
    ::GetStartupInfoW(&m_startupInfo);
    HANDLE nullInput = OpenNullInput();
    m_startupInfo.hStdInput = nullInput != INVALID_HANDLE_VALUE ? nullInput : nullptr;
    m_startupInfo.hStdOutput = writeEnd;
    m_startupInfo.hStdError = writeEnd;
    m_startupInfo.wShowWindow = SW_HIDE;
    m_startupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;

    std::memset(m_commandLine, 0, sizeof(m_commandLine));
    std::memcpy(m_commandLine, kPrefix, kPrefixBytes);
    if (length > 0) std::memcpy(m_commandLine + kPrefixBytes, command, static_cast<size_t>(length));

    bool started = false;
    int wideCount = ::MultiByteToWideChar(CP_ACP, 0, m_commandLine, -1, nullptr, 0);
    if (wideCount > 0) {
        std::wstring wide(static_cast<size_t>(wideCount), L'\0');
        ::MultiByteToWideChar(CP_ACP, 0, m_commandLine, -1, &wide[0], wideCount);
        // By full path, and started in the system folder: a cmd.exe or a
        // command planted beside the tool must not run with its rights.
        std::wstring application = SystemCmdPath();
        std::wstring folder = SystemFolder();
        std::wstring environment = ChildEnvironment();
        std::memset(&m_processInfo, 0, sizeof(m_processInfo));
        if (::CreateProcessW(application.c_str(), &wide[0], nullptr, nullptr, TRUE,
                             CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT, &environment[0], folder.c_str(),
                             &m_startupInfo, &m_processInfo)) {
            // Into the job before it runs, so nothing it starts escapes Close.
            if (::AssignProcessToJobObject(m_job.Get(), m_processInfo.hProcess)) {
                ::ResumeThread(m_processInfo.hThread);
                started = true;
            } else {
                m_startError = ::GetLastError();
                ::TerminateProcess(m_processInfo.hProcess, 1);
            }
            ::CloseHandle(m_processInfo.hThread);
            ::CloseHandle(m_processInfo.hProcess);
            m_processInfo.hThread = nullptr;
            m_processInfo.hProcess = nullptr;
        } else {
            m_startError = ::GetLastError();
        }
    }

    // The pipe breaks once the child and everything it started have ended.
    ::CloseHandle(writeEnd);
    m_writeEnd = nullptr;
    if (nullInput != INVALID_HANDLE_VALUE) ::CloseHandle(nullInput);
    m_startupInfo.hStdInput = nullptr;
    if (!started) {
        ::CloseHandle(readEnd);
        return false;
    }
    ::EnterCriticalSection(&m_postLock);
    // A read end the reader never took over is nobody's but ours.
    if (HANDLE unread = m_postedReadEnd.exchange(readEnd)) ::CloseHandle(unread);
    m_postedTag.store(tag);
    ::LeaveCriticalSection(&m_postLock);
    m_readingActive.store(true);
    m_reader.Wake();
    return true;
}

bool CCmdCommandOp::EndCommand(DWORD waitMs) {
    if (!m_job.Valid()) return false;
    TerminateConsoleProcesses();
    // Termination is asynchronous; the job counts what is still alive.
    DWORD start = ::GetTickCount();
    for (;;) {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
        if (!::QueryInformationJobObject(m_job.Get(), JobObjectBasicAccountingInformation, &info, sizeof(info), nullptr))
            return false;
        if (info.ActiveProcesses == 0) return true;
        if (::GetTickCount() - start >= waitMs) return false;
        ::Sleep(10);
    }
}

bool CCmdCommandOp::Close() {
    if (HANDLE unread = m_postedReadEnd.exchange(nullptr)) ::CloseHandle(unread);
    m_dropReadEnd.store(true);
    m_reader.Wake();
    TerminateConsoleProcesses();
    return true;
}

bool CCmdCommandOp::Shutdown() {
    Close();
    // The reader leaves between passes; the grace covers a pass in progress.
    m_reader.Stop(kReaderGraceMs);
    ReleaseReadEnds();
    return true;
}

bool CCmdCommandOp::TerminateConsoleProcesses() {
    // Only what this runner started, the children and their descendants, all
    // held in the job; a console the user opened himself is not touched.
    // The job stays usable for later launches.
    if (m_job.Valid()) ::TerminateJobObject(m_job.Get(), 0);
    return true;
}

bool CCmdCommandOp::ReadOutputStepProc(void* self) { return static_cast<CCmdCommandOp*>(self)->ReadOutputStep(); }

bool CCmdCommandOp::ReadOutputStep() {
    if (m_dropReadEnd.exchange(false)) m_readEnd.Close();
    ::EnterCriticalSection(&m_postLock);
    if (HANDLE posted = m_postedReadEnd.exchange(nullptr)) {
        m_readEnd.Reset(posted);
        m_readTag.store(m_postedTag.load());
    }
    ::LeaveCriticalSection(&m_postLock);
    if (m_readEnd.Valid() && m_readingActive.load()) {
        std::memset(m_output, 0, sizeof(m_output));
        DWORD count = 0;
        if (::ReadFile(m_readEnd.Get(), m_output, kChunkBytes, &count, nullptr)) {
            CmdOutputCallback callback = m_callback.load();
            // A write of no bytes reads as no bytes; it is no end.
            if (callback && count > 0) callback(m_output, static_cast<int>(count), m_context.load());
        } else {
            // The pipe breaks once the command and all it started are gone, and
            // only after everything they wrote was read.
            m_readEnd.Close();
            CmdEndedCallback ended = m_endedCallback.load();
            if (ended) ended(m_readTag.load(), m_endedContext.load());
        }
    }
    // Waiting on the stop event rather than sleeping lets a stop take effect
    // between passes, never inside one. With no pipe to read, the reader
    // sleeps until the next launch wakes it: an idle tool costs nothing.
    m_reader.WaitForStop(m_readEnd.Valid() || m_postedReadEnd.load() ? 500 : INFINITE);
    return true;
}

void CCmdCommandOp::ReleaseReadEnds() {
    // Only once the reader is gone.
    if (m_reader.IsAlive()) return;
    if (HANDLE unread = m_postedReadEnd.exchange(nullptr)) ::CloseHandle(unread);
    m_readEnd.Close();
    m_dropReadEnd.store(false);
}

CCmdCommandOp* CreateCmdCommandOp() {
    if (g_instance.load()) return nullptr;
    CCmdCommandOp* op = new (std::nothrow) CCmdCommandOp();
    if (!op) return nullptr;
    CCmdCommandOp* none = nullptr;
    if (!g_instance.compare_exchange_strong(none, op)) {
        delete op;
        return nullptr;
    }
    op->Initialize();
    return op;
}

bool SetCmdOutputCallback(CCmdCommandOp* op, CmdOutputCallback callback, void* context) {
    if (!IsInstance(op)) return false;
    return op->SetOutputCallback(callback, context);
}

bool RunCmdCommand(CCmdCommandOp* op, const char* command, int length) {
    if (!IsInstance(op)) return false;
    op->Execute(command, length);
    return true;
}

bool SetCmdEndedCallback(CCmdCommandOp* op, CmdEndedCallback callback, void* context) {
    if (!IsInstance(op)) return false;
    return op->SetEndedCallback(callback, context);
}

bool CloseCmdCommand(CCmdCommandOp* op) {
    if (!IsInstance(op)) return false;
    return op->Close();
}

bool DestroyCmdCommandOp(CCmdCommandOp* op) {
    if (!op) return false;
    CCmdCommandOp* expected = op;
    if (!g_instance.compare_exchange_strong(expected, nullptr)) return false;
    op->Shutdown();
    delete op;
    return true;
}
