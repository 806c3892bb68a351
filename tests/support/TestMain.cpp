// Every test program's entry point: GoogleTest, and a listener that keeps
// what explains a failure. At a case's first failed assertion it saves a
// screenshot of the display as it is at that moment; when the case ends it
// copies the files the case named with KeepOnFailure. Both go to
// <TARNWICK_ARTIFACTS>/<Suite.Case>/, which cmake/wine-run points at
// build/test-artifacts.
#include <gtest/gtest.h>

#include "skin/Gdiplus.h"
#include "tests/support/TestSupport.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring>& Kept() {
    static std::vector<std::wstring> files;
    return files;
}

// The Linux folder the scripts name, as Wine's Z: drive shows it.
std::wstring ArtifactRoot() {
    wchar_t buf[1024] = {};
    DWORD n = ::GetEnvironmentVariableW(L"TARNWICK_ARTIFACTS", buf, 1024);
    if (n == 0 || n >= 1024) return std::wstring();
    std::wstring root(buf, n);
    if (root[0] == L'/') root = L"Z:" + root;
    for (auto& c : root)
        if (c == L'/') c = L'\\';
    return root;
}

std::wstring CaseFolder(const ::testing::TestInfo& info) {
    std::wstring root = ArtifactRoot();
    if (root.empty()) return root;
    std::string name = std::string(info.test_suite_name()) + "." + info.name();
    std::wstring folder = root + L"\\";
    for (char c : name) folder += (c == '/' || c == '\\' || c == ':') ? L'_' : static_cast<wchar_t>(c);
    // Each level in turn: the root itself may be new.
    for (size_t at = 3; (at = folder.find(L'\\', at + 1)) != std::wstring::npos;)
        ::CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool SavePng(HBITMAP bitmap, const std::wstring& path) {
    Gdiplus::GdiplusStartupInput in;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &in, nullptr) != Gdiplus::Ok) return false;
    bool saved = false;
    {
        Gdiplus::Bitmap image(bitmap, nullptr);
        // The PNG encoder's class id, {557CF406-1A04-11D3-9A73-0000F81EF32E}.
        const CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
        saved = image.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
    }
    Gdiplus::GdiplusShutdown(token);
    return saved;
}

void SaveScreen(const std::wstring& path) {
    int x = ::GetSystemMetrics(SM_XVIRTUALSCREEN), y = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    int w = ::GetSystemMetrics(SM_CXVIRTUALSCREEN), h = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = ::SelectObject(mem, bitmap);
    ::BitBlt(mem, 0, 0, w, h, screen, x, y, SRCCOPY);
    ::SelectObject(mem, old);
    SavePng(bitmap, path);
    ::DeleteObject(bitmap);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
}

void CopyKept(const std::wstring& folder) {
    for (const auto& path : Kept()) {
        size_t slash = path.find_last_of(L"\\/");
        std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
        ::CopyFileW(path.c_str(), (folder + L"\\" + name).c_str(), FALSE);
    }
}

// A case that hangs is ended by ctest's time limit and never fails: past
// this, what it shows and kept is saved while it still runs.
const DWORD kStuckMs = 100000;

struct Watch {
    std::atomic<const ::testing::TestInfo*> info{nullptr};
    std::atomic<DWORD> since{0};
};

DWORD WINAPI Watchdog(LPVOID param) {
    auto* watch = static_cast<Watch*>(param);
    const ::testing::TestInfo* reported = nullptr;
    for (;; ::Sleep(1000)) {
        const ::testing::TestInfo* info = watch->info.load();
        if (!info || info == reported || ::GetTickCount() - watch->since.load() < kStuckMs) continue;
        reported = info;
        std::fprintf(stderr, "%s.%s is still running after %lu s\n", info->test_suite_name(), info->name(),
                     kStuckMs / 1000);
        std::wstring folder = CaseFolder(*info);
        if (folder.empty()) continue;
        SaveScreen(folder + L"\\screen-stuck.png");
        CopyKept(folder);
    }
}

// GoogleTest deletes its premature-exit file once every case has run; until
// then it names the running case, so that a harness that finds it left
// behind can say where the program ended, whatever its children printed.
void NameRunningCase(const ::testing::TestInfo& info) {
    wchar_t path[MAX_PATH] = {};
    DWORD n = ::GetEnvironmentVariableW(L"TEST_PREMATURE_EXIT_FILE", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    if (FILE* f = ::_wfopen(path, L"w")) {
        std::fprintf(f, "%s.%s\n", info.test_suite_name(), info.name());
        std::fclose(f);
    }
}

class ArtifactKeeper : public ::testing::EmptyTestEventListener {
public:
    ArtifactKeeper() { ::CloseHandle(::CreateThread(nullptr, 0, Watchdog, &m_watch, 0, nullptr)); }

private:
    void OnTestStart(const ::testing::TestInfo& info) override {
        NameRunningCase(info);
        Kept().clear();
        m_shot = false;
        m_watch.since = ::GetTickCount();
        m_watch.info = &info;
    }
    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (!result.failed() || m_shot) return;
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        if (!info) return;
        m_shot = true;
        std::wstring folder = CaseFolder(*info);
        if (folder.empty()) return;
        SaveScreen(folder + L"\\screen.png");
        CopyKept(folder);
    }
    void OnTestEnd(const ::testing::TestInfo& info) override {
        // Again at the end: a log written after the failure says more.
        if (info.result()->Failed()) {
            std::wstring folder = CaseFolder(info);
            if (!folder.empty()) CopyKept(folder);
        }
        m_watch.info = nullptr;
        Kept().clear();
    }
    bool m_shot = false;
    Watch m_watch;
};

}  // namespace

void KeepOnFailure(const std::wstring& path) { Kept().push_back(path); }

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ArtifactKeeper);
    return RUN_ALL_TESTS();
}
