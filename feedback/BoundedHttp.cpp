#include "feedback/BoundedHttp.h"

#include <winhttp.h>

#include <atomic>
#include <memory>

namespace {

struct HttpJob {
    BoundedHttpRequest request;
    BoundedHttpResult result;
    DWORD limitMs = 0;
    size_t bodyLimit = 0;
    DWORD startTick = 0;
    std::atomic<bool> abandoned{false};

    DWORD Remaining() const {
        DWORD spent = ::GetTickCount() - startTick;
        return spent >= limitMs ? 0 : limitMs - spent;
    }
    bool OutOfTime() const { return abandoned.load() || Remaining() == 0; }
};

class CInternetHandle {
public:
    explicit CInternetHandle(HINTERNET h = nullptr) : m_h(h) {}
    ~CInternetHandle() {
        if (m_h) ::WinHttpCloseHandle(m_h);
    }
    CInternetHandle(const CInternetHandle&) = delete;
    CInternetHandle& operator=(const CInternetHandle&) = delete;
    HINTERNET Get() const { return m_h; }

private:
    HINTERNET m_h;
};

void Perform(HttpJob& job) {
    const BoundedHttpRequest& rq = job.request;
    CInternetHandle session(::WinHttpOpen(L"DalvexFeedbackInformation/1.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                          WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session.Get()) return;
    int phase = static_cast<int>(job.Remaining());
    if (phase <= 0) return;
    ::WinHttpSetTimeouts(session.Get(), phase, phase, phase, phase);

    CInternetHandle connection(::WinHttpConnect(session.Get(), rq.host.c_str(), rq.port, 0));
    if (!connection.Get()) return;
    CInternetHandle req(::WinHttpOpenRequest(connection.Get(), rq.verb.c_str(), rq.pathAndQuery.c_str(), nullptr,
                                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                             rq.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!req.Get()) return;
    // The answer must come from the address asked, not from wherever a
    // redirect points.
    DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    ::WinHttpSetOption(req.Get(), WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof(never));

    const wchar_t* headers = WINHTTP_NO_ADDITIONAL_HEADERS;
    if (!rq.body.empty()) headers = L"Content-Type: application/x-www-form-urlencoded; charset=utf-8\r\n";
    DWORD bodySize = static_cast<DWORD>(rq.body.size());
    LPVOID bodyData = bodySize ? const_cast<char*>(rq.body.data()) : WINHTTP_NO_REQUEST_DATA;
    if (!::WinHttpSendRequest(req.Get(), headers, static_cast<DWORD>(-1L), bodyData, bodySize, bodySize, 0)) return;
    if (job.OutOfTime() || !::WinHttpReceiveResponse(req.Get(), nullptr)) return;

    DWORD status = 0, size = sizeof(status);
    if (!::WinHttpQueryHeaders(req.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                               WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return;

    std::string body;
    char chunk[1024];
    for (;;) {
        if (job.OutOfTime()) return;
        DWORD got = 0;
        if (!::WinHttpReadData(req.Get(), chunk, sizeof(chunk), &got)) return;
        if (got == 0) break;
        // An answer larger than any we expect is no answer.
        if (body.size() + got > job.bodyLimit) return;
        body.append(chunk, got);
    }
    job.result.status = status;
    job.result.body.swap(body);
    job.result.answered = true;
}

DWORD WINAPI HttpWorker(LPVOID param) {
    HMODULE self = nullptr;
    {
        std::unique_ptr<std::shared_ptr<HttpJob>> holder(static_cast<std::shared_ptr<HttpJob>*>(param));
        ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             reinterpret_cast<LPCWSTR>(&HttpWorker), &self);
        Perform(**holder);
    }
    // The reference taken by the starter keeps this code mapped even when the
    // program has already unloaded the library.
    ::FreeLibraryAndExitThread(self, 0);
    return 0;
}

}  // namespace

BoundedHttpResult RunBoundedHttp(const BoundedHttpRequest& request, DWORD limitMs, size_t bodyLimit) {
    auto job = std::make_shared<HttpJob>();
    job->request = request;
    job->limitMs = limitMs;
    job->bodyLimit = bodyLimit;
    job->startTick = ::GetTickCount();

    HMODULE self = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&HttpWorker), &self))
        return BoundedHttpResult();
    auto* holder = new std::shared_ptr<HttpJob>(job);
    HANDLE thread = ::CreateThread(nullptr, 0, HttpWorker, holder, 0, nullptr);
    if (!thread) {
        delete holder;
        ::FreeLibrary(self);
        return BoundedHttpResult();
    }
    DWORD waited = ::WaitForSingleObject(thread, limitMs);
    ::CloseHandle(thread);
    if (waited != WAIT_OBJECT_0) {
        job->abandoned = true;
        return BoundedHttpResult();
    }
    return job->result;
}
