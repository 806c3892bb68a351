// The real Tarnwick.exe, driven from outside as a user drives it: real clicks
// on its controls, and only what can be seen from outside looked at (its
// windows, the screen's pixels, LOG.txt and the files it touches).
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "skin/ResourceImage.h"
#include "tests/fakes/FakeConsole.h"
#include "tests/feedback/FakeService.h"
#include "tests/feedback/LibraryFolder.h"
#include "tests/support/TestSupport.h"
#include "tests/support/UsbDevices.h"

namespace {

const wchar_t kTitle[] = L"打印机无响应修复工具";

std::string Gbk(const std::wstring& w) {
    int n = ::WideCharToMultiByte(936, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(936, 0, w.c_str(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

std::wstring SpoolFolder() {
    wchar_t sys[MAX_PATH] = {};
    ::GetSystemDirectoryW(sys, MAX_PATH);
    return std::wstring(sys) + L"\\spool\\PRINTERS";
}

std::vector<std::wstring> FilesIn(const std::wstring& dir) {
    std::vector<std::wstring> out;
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.push_back(fd.cFileName);
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
    return out;
}

// The folder the tool under test is copied from: this build's, or the one
// TARNWICK_E2E_TOOL_DIR names (the 32-bit release, tests/e2e/run-e2e32), with
// the planted gdiplus.dll of the same build under it.
std::wstring ToolFolder() {
    wchar_t dir[MAX_PATH] = {};
    DWORD n = ::GetEnvironmentVariableW(L"TARNWICK_E2E_TOOL_DIR", dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return ProgramFolder();
    std::wstring folder(dir, n);
    return folder.back() == L'\\' ? folder : folder + L"\\";
}

// The mark of a killed run, in the view a tool of either build keeps it in,
// or in the one an earlier 32-bit version kept it in (WOW6432Node).
bool MarkSet(REGSAM view) {
    HKEY record = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Dalvex\\Tarnwick", 0, KEY_QUERY_VALUE | view, &record) !=
        ERROR_SUCCESS)
        return false;
    DWORD value = 0, size = sizeof(value);
    bool found = ::RegGetValueW(record, nullptr, L"SpoolerDisabled", RRF_RT_REG_DWORD, nullptr, &value, &size) ==
                 ERROR_SUCCESS;
    ::RegCloseKey(record);
    return found;
}

void SetMark(REGSAM view, bool on) {
    HKEY record = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Dalvex\\Tarnwick", 0, nullptr, 0, KEY_SET_VALUE | view,
                          nullptr, &record, nullptr) != ERROR_SUCCESS)
        return;
    DWORD one = 1;
    if (on) ::RegSetValueExW(record, L"SpoolerDisabled", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one));
    else ::RegDeleteValueW(record, L"SpoolerDisabled");
    ::RegCloseKey(record);
}

RECT WindowRect(HWND h) {
    RECT r{};
    ::GetWindowRect(h, &r);
    return r;
}

struct Found {
    DWORD pid;
    int w, h;
    HWND hwnd;
};

// A visible top-level window of the process with this size (a shell).
HWND ShellOfSize(DWORD pid, int w, int h) {
    Found f{pid, w, h, nullptr};
    ::EnumWindows([](HWND hwnd, LPARAM lp) -> BOOL {
        auto* f = reinterpret_cast<Found*>(lp);
        DWORD p = 0;
        ::GetWindowThreadProcessId(hwnd, &p);
        RECT r = WindowRect(hwnd);
        if (p == f->pid && ::IsWindowVisible(hwnd) && r.right - r.left == f->w && r.bottom - r.top == f->h) {
            f->hwnd = hwnd;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&f));
    return f.hwnd;
}

// The panel laid over a shell: the visible pop-up it owns.
HWND PanelOf(HWND shell) {
    Found f{0, 0, 0, nullptr};
    struct Ctx { HWND shell; HWND found; } ctx{shell, nullptr};
    ::EnumWindows([](HWND hwnd, LPARAM lp) -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(lp);
        if (::GetWindow(hwnd, GW_OWNER) == c->shell && ::IsWindowVisible(hwnd) &&
            ::GetDlgItem(hwnd, 1009) == nullptr) {  // not the agreement overlay
            c->found = hwnd;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&ctx));
    (void)f;
    return ctx.found;
}

// One row of the screen in one copy, so that sampling keeps up with the bar.
std::vector<COLORREF> ScreenRow(int x, int y, int width) {
    std::vector<COLORREF> out;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -1;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bmp && bits) {
        HGDIOBJ old = ::SelectObject(mem, bmp);
        ::BitBlt(mem, 0, 0, width, 1, screen, x, y, SRCCOPY);
        ::GdiFlush();
        auto* px = static_cast<const DWORD*>(bits);
        for (int i = 0; i < width; ++i) out.push_back(RGB((px[i] >> 16) & 0xFF, (px[i] >> 8) & 0xFF, px[i] & 0xFF));
        ::SelectObject(mem, old);
        ::DeleteObject(bmp);
    }
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return out;
}

// Most conditions here walk every window of the desktop, each a call to
// wineserver, whose time six programs at once share: asked every 30 ms.
bool WaitFor(const std::function<bool()>& done, DWORD ms) { return PumpUntil(done, ms, 30); }

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = 0; (p = text.find(what, p)) != std::string::npos; p += what.size()) ++n;
    return n;
}

void Click(HWND control) {
    RECT r = WindowRect(control);
    // From elsewhere, so the window under the pointer is looked up afresh.
    MouseMoveTo(r.left - 40, r.top - 40);
    ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

const wchar_t kMonitors[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";

class Tool : public ::testing::Test {
protected:
    void SetUp() override {
        // A folder of its own: the removal that the last case's tool started
        // goes on for seconds after it ends, more on a busy machine, and took
        // the files of the case after it from a folder they shared.
        static int cases = 0;
        m_folder = MakeTempFolder(L"Tarnwick e2e tool " + std::to_wstring(++cases)) + L"\\";
        ASSERT_TRUE(::CopyFileW((ToolFolder() + L"Tarnwick.exe").c_str(), (m_folder + L"Tarnwick.exe").c_str(), FALSE));
        ASSERT_TRUE(::CopyFileW((ToolFolder() + L"DalvexFeedbackInformation.dll").c_str(),
                                (m_folder + L"DalvexFeedbackInformation.dll").c_str(), FALSE));
        m_service.Set(CFakeService::Behaviour::Answer, 200, "1.0.1");
        PointLibraryAt(m_folder, LoopbackBase(m_service.Port()));
        for (const auto& f : FilesIn(SpoolFolder())) {
            std::wstring p = SpoolFolder() + L"\\" + f;
            ::SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(p.c_str());
        }
        wchar_t tmp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, tmp);
        m_state = std::wstring(tmp) + L"tarnwick-e2e-spooler.txt";
        m_opened = std::wstring(tmp) + L"tarnwick-e2e-opened.txt";
        ::DeleteFileW(m_opened.c_str());
        SetSpooler("running auto");
        ::SetEnvironmentVariableW(L"TARNWICK_FAKE_STATE", m_state.c_str());
        for (const wchar_t* v : {L"TARNWICK_FAKE_HANG", L"TARNWICK_FAKE_LANG", L"TARNWICK_FAKE_FAIL",
                                 L"TARNWICK_FAKE_DEPENDENT", L"TARNWICK_FAKE_SPOOL_LOG", L"TARNWICK_FAKE_SPOOL_BLOCK",
                                 L"TARNWICK_FAKE_XCV"})
            ::SetEnvironmentVariableW(v, nullptr);
        // Commands as quick as on a real machine; a case that follows the bar
        // or acts in the middle of a run paces them (Paced).
        ::SetEnvironmentVariableW(L"TARNWICK_FAKE_DELAY_MS", L"100");
        // Where the removal and the pages went: each test names it when it looks.
        m_trace = std::wstring(tmp) + L"tarnwick-e2e-trace.txt";
        ::DeleteFileW(m_trace.c_str());
        ::SetEnvironmentVariableW(L"TARNWICK_OPEN_TRACE", m_trace.c_str());
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kToolOverrides);
        SetMark(KEY_WOW64_64KEY, false);
        SetMark(KEY_WOW64_32KEY, false);
        ::SetEnvironmentVariableW(L"FEEDBACK_URL_SINK", m_opened.c_str());
        RegisterBrowser();
        for (const auto& f : {m_folder + L"LOG.txt", m_state, m_opened, m_trace}) KeepOnFailure(f);
    }
    void TearDown() override {
        if (m_process) {
            if (::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) ::TerminateProcess(m_process, 9);
            ::CloseHandle(m_process);
        }
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kToolOverrides);
        ::SetEnvironmentVariableW(L"TARNWICK_OPEN_TRACE", nullptr);
        // The monitors a case registered, passed or failed.
        for (const wchar_t* monitor : {L"Contoso Port Monitor", L"Standard TCP/IP Port", L"USB Monitor"}) {
            std::wstring key = std::wstring(kMonitors) + monitor;
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
            ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
        }
        RemoveUsbPrintDevices();
        ::SetEnvironmentVariableW(L"TARNWICK_FAKE_SPOOL_PRINTERS", nullptr);
    }


    // A DLL override for the tools this test starts from now on, and for no
    // other program. A Wine process takes WINEDLLOVERRIDES from the Linux
    // environment of the first, never from what a parent sets; Wine's
    // per-program overrides are read by each program at its start.
    static constexpr const wchar_t* kToolOverrides = L"Software\\Wine\\AppDefaults\\Tarnwick.exe\\DllOverrides";
    void OverrideForTheTool(const wchar_t* dll, const wchar_t* order) {
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kToolOverrides, dll, REG_SZ, order,
                          static_cast<DWORD>((wcslen(order) + 1) * sizeof(wchar_t)));
    }

    // Each command works 0.6 s before its last line, so that every value of
    // the bar shows and a step can be caught in the middle.
    static void Paced() { ::SetEnvironmentVariableW(L"TARNWICK_FAKE_DELAY_MS", L"600"); }

    // The stand-in print system in place of Wine's own (winspool.drv=n).
    void UseStandInPrintSystem(bool blocking) {
        wchar_t tmp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, tmp);
        m_spoolLog = std::wstring(tmp) + L"tarnwick-e2e-spool-calls.txt";
        ::DeleteFileW(m_spoolLog.c_str());
        KeepOnFailure(m_spoolLog);
        ::SetEnvironmentVariableW(L"TARNWICK_FAKE_SPOOL_LOG", m_spoolLog.c_str());
        ::SetEnvironmentVariableW(L"TARNWICK_FAKE_SPOOL_BLOCK", blocking ? L"1" : nullptr);
        OverrideForTheTool(L"winspool.drv", L"native");
    }

    // Another start of the tool, as a second double-click makes one.
    PROCESS_INFORMATION LaunchAnother() {
        std::wstring cmd = L"\"" + m_folder + L"Tarnwick.exe\"";
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        EXPECT_TRUE(::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, m_folder.c_str(), &si,
                                     &pi));
        if (pi.hThread) ::CloseHandle(pi.hThread);
        return pi;
    }

    // The removal started through the desktop shell, as the trace saw it.
    std::string RemovalTraced() {
        std::string lines = ReadFileBytes(m_trace);
        size_t at = lines.find("program ");
        if (at == std::string::npos) return std::string();
        return lines.substr(at, lines.find('\n', at) - at);
    }

    // The stand-ins' state, and Wine's service manager to match.
    void SetSpooler(const std::string& state) {
        WriteFileBytes(m_state, state);
        fake::MirrorService(std::wstring(state.begin(), state.end()));
    }

    void QueueJobs() {
        std::wstring spool = SpoolFolder();
        WriteFileBytes(spool + L"\\00017.SHD", std::string(200, 's'));
        WriteFileBytes(spool + L"\\00017.SPL", std::string(4000, 'p'));
        ::SetFileAttributesW((spool + L"\\00017.SPL").c_str(), FILE_ATTRIBUTE_READONLY);
    }

    // The stand-in browser records the pages the tool opens.
    void RegisterBrowser() {
        std::wstring command = L"\"" + ProgramFolder() + L"feedback_url_sink.exe\" \"" + m_opened + L"\" \"%1\"";
        for (const wchar_t* scheme : {L"Software\\Classes\\http\\shell\\open\\command",
                                      L"Software\\Classes\\https\\shell\\open\\command"}) {
            HKEY key = nullptr;
            if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, scheme, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
                ERROR_SUCCESS) {
                ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                                 static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
                ::RegCloseKey(key);
            }
        }
    }

    void Launch() {
        std::wstring cmd = L"\"" + m_folder + L"Tarnwick.exe\"";
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, m_folder.c_str(), &si, &pi));
        ::CloseHandle(pi.hThread);
        m_process = pi.hProcess;
        m_pid = pi.dwProcessId;
    }

    // Starts the tool and waits for its main window and panel.
    void Open() {
        Launch();
        ASSERT_TRUE(WaitFor([&] { return (m_shell = ShellOfSize(m_pid, 410, 611)) != nullptr; }, 20000));
        ASSERT_TRUE(WaitFor([&] { return (m_panel = PanelOf(m_shell)) != nullptr; }, 5000));
        m_start = ::GetDlgItem(m_panel, 1004);
        ASSERT_NE(nullptr, m_start);
        PumpFor(500);
    }

    bool Exited(DWORD ms) { return ::WaitForSingleObject(m_process, ms) == WAIT_OBJECT_0; }

    // The message a prompt of the tool shows, once one is up.
    HWND WaitForPrompt(DWORD ms, std::wstring* text) {
        HWND prompt = nullptr;
        WaitFor([&] { return (prompt = ShellOfSize(m_pid, 336, 156)) != nullptr && PanelOf(prompt); }, ms);
        if (prompt && text) {
            HWND panel = PanelOf(prompt);
            wchar_t buf[256] = {};
            ::GetWindowTextW(::GetDlgItem(panel, 1019), buf, 256);
            *text = buf;
        }
        return prompt;
    }

    std::string Log() { return ReadFileBytes(m_folder + L"LOG.txt"); }

    // Presses start and follows the progress bar until the result prompt;
    // returns the fill widths seen, each with the time since the click when
    // it was first seen.
    struct Seen {
        int width;
        DWORD at;
    };
    std::vector<Seen> RunRepair(std::wstring* result) {
        std::vector<Seen> seen;
        DWORD start = ::GetTickCount();
        Click(m_start);
        HWND shell = nullptr, panel = nullptr;
        WaitFor([&] { return (shell = ShellOfSize(m_pid, 278, 158)) && (panel = PanelOf(shell)); }, 10000);
        EXPECT_NE(nullptr, panel) << "no progress window";
        Gdiplus::Image* fillRaw = nullptr;
        LoadPngResource(202, fillRaw);
        std::unique_ptr<Gdiplus::Bitmap> fill(static_cast<Gdiplus::Bitmap*>(fillRaw));
        Gdiplus::Color fillColour;
        fill->GetPixel(95, 4, &fillColour);
        HWND prompt = nullptr;
        while (!(prompt = ShellOfSize(m_pid, 336, 156)) && ::GetTickCount() - start < 120000) {
            if (panel && ::IsWindow(panel) && ::IsWindowVisible(panel)) {
                RECT pr = WindowRect(panel);
                RECT cr{};
                ::GetClientRect(panel, &cr);
                int y = pr.top + cr.bottom - 25 + 4, x0 = pr.left + 30;
                int width = 0;
                std::vector<COLORREF> row = ScreenRow(x0, y, 191);
                for (int x = 0; x < static_cast<int>(row.size()); ++x) {
                    COLORREF c = row[static_cast<size_t>(x)];
                    int d = std::abs(GetRValue(c) - fillColour.GetR()) + std::abs(GetGValue(c) - fillColour.GetG()) +
                            std::abs(GetBValue(c) - fillColour.GetB());
                    if (d < 90) width = x + 1;
                }
                if (seen.empty() || seen.back().width != width) seen.push_back(Seen{width, ::GetTickCount() - start});
            }
            PumpFor(60);
        }
        WaitForPrompt(5000, result);
        return seen;
    }

    static std::vector<int> Widths(const std::vector<Seen>& seen) {
        std::vector<int> w;
        for (const auto& s : seen) w.push_back(s.width);
        return w;
    }
    static DWORD FirstSeen(const std::vector<Seen>& seen, int width) {
        for (const auto& s : seen)
            if (s.width == width) return s.at;
        return 0;
    }

    void PressPromptButton(int id) {
        HWND prompt = ShellOfSize(m_pid, 336, 156);
        ASSERT_NE(nullptr, prompt);
        Click(::GetDlgItem(PanelOf(prompt), id));
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(prompt) || !::IsWindowVisible(prompt); }, 5000));
    }

    // Every line of the log is stamped; commands come in order, each before its output.
    void ExpectCommandsLogged(const std::vector<std::string>& commands) {
        std::string log = Log();
        std::regex stamp(R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] )");
        size_t at = 0;
        for (const auto& c : commands) {
            size_t found = log.find("] " + c + "\r\n", at);
            ASSERT_NE(std::string::npos, found) << "not logged in order: " << c;
            at = found + c.size();
        }
        EXPECT_TRUE(std::regex_search(log, stamp));
    }

    CFakeService m_service;
    std::wstring m_folder, m_state, m_opened, m_trace, m_spoolLog;
    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
    HWND m_shell = nullptr, m_panel = nullptr, m_start = nullptr;
};

const std::vector<std::string> kAllSteps = {
    "net session /delete /y",
    "sc config spooler start= disabled",
    "net stop spooler /y",
    "attrib %systemroot%\\System32\\spool\\PRINTERS\\*.* -R /s",
    "del %systemroot%\\System32\\spool\\PRINTERS\\*.* /q /s",
    "sc config spooler start= auto",
    "net start spooler",
};

}  // namespace

namespace {
// Clicks OK on the result prompt with real input and times, from the click,
// the prompt (shell and panel) going and start coming back; MAXDWORD for what did not happen
// within `ms`.
struct OkAnswer {
    DWORD goneMs = MAXDWORD, enabledMs = MAXDWORD;
};
OkAnswer ConfirmResult(DWORD pid, HWND start, DWORD ms) {
    OkAnswer a;
    HWND prompt = ShellOfSize(pid, 336, 156);
    HWND panel = prompt ? PanelOf(prompt) : nullptr;
    if (!panel) return a;
    RECT r = WindowRect(::GetDlgItem(panel, 1015));
    MouseMoveTo(r.left - 40, r.top - 40);
    LARGE_INTEGER f, t0, t;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&t0);
    ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    WaitFor([&] {
        ::QueryPerformanceCounter(&t);
        DWORD now = static_cast<DWORD>((t.QuadPart - t0.QuadPart) * 1000 / f.QuadPart);
        auto gone = [](HWND h) { return !::IsWindow(h) || !::IsWindowVisible(h); };
        if (a.goneMs == MAXDWORD && gone(prompt) && gone(panel)) a.goneMs = now;
        if (a.enabledMs == MAXDWORD && ::IsWindowEnabled(start)) a.enabledMs = now;
        return a.goneMs != MAXDWORD && a.enabledMs != MAXDWORD;
    }, ms);
    return a;
}
}  // namespace

TEST_F(Tool, AnEmptyQueueSkipsTheDeleteAndAStoppedSpoolerStillRunsThrough) {
    Paced();
    SetSpooler("stopped auto");
    ASSERT_NO_FATAL_FAILURE(Open());
    std::wstring result;
    auto seen = RunRepair(&result);
    EXPECT_EQ(L"修复成功", result);
    auto widths = Widths(seen);
    EXPECT_EQ(widths.end(), std::find(widths.begin(), widths.end(), 130)) << "65 shown without a delete";
    EXPECT_NE(widths.end(), std::find(widths.begin(), widths.end(), 156));
    std::string log = Log();
    EXPECT_EQ(std::string::npos, log.find("] del ")) << "the delete was issued";
    EXPECT_NE(std::string::npos, log.find(Gbk(L"没有启动")));
    EXPECT_NE(std::string::npos, log.find(Gbk(L"找不到文件")));
}

TEST_F(Tool, QueuedJobsAreClearedAndTwoRunsFollowEachOther) {
    Paced();
    QueueJobs();
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_TRUE(::IsWindowEnabled(m_start));
    std::wstring result;
    auto seen = RunRepair(&result);
    EXPECT_EQ(L"修复成功", result);
    auto widths = Widths(seen);
    for (int w : {26, 52, 78, 104, 130, 156, 180})
        EXPECT_NE(widths.end(), std::find(widths.begin(), widths.end(), w)) << "progress " << w / 2 << " not shown; widths seen: " << ::testing::PrintToString(widths);
    for (size_t i = 1; i < widths.size(); ++i) EXPECT_LE(widths[i - 1], widths[i]) << "progress went back";
    // Step 4 waits about 2.1 seconds when attrib finds the files.
    DWORD at52 = FirstSeen(seen, 104), at65 = FirstSeen(seen, 130);
    EXPECT_GE(at65 - at52, 1700u);
    EXPECT_TRUE(FilesIn(SpoolFolder()).empty()) << "the queued jobs are still there";
    ExpectCommandsLogged(kAllSteps);
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find(Gbk(L"删除文件 - ")));
    EXPECT_NE(std::string::npos, log.find(Gbk(L"服务已经启动成功")));
    EXPECT_FALSE(::IsWindowEnabled(m_start)) << "start stays off until the result is confirmed";
    // Start comes back as soon as OK is clicked. The prompt itself takes Wine
    // 2 s to hide on an X server without a window manager.
    OkAnswer ok = ConfirmResult(m_pid, m_start, 5000);
    EXPECT_LE(ok.enabledMs, 500u) << "start was still off 0.5 s after OK";
    EXPECT_LE(ok.goneMs, 5000u) << "the prompt stayed";

    // A second run starts from the beginning; its result closed with the close glyph.
    QueueJobs();
    auto again = RunRepair(&result);
    EXPECT_EQ(L"修复成功", result);
    ASSERT_FALSE(again.empty());
    EXPECT_LE(again.front().width, 26) << "the second run starts from 0";
    PressPromptButton(1013);
    PumpFor(500);
    EXPECT_FALSE(::IsWindowEnabled(m_start)) << "closing the result prompt leaves start off";
    HWND box = ::GetDlgItem(m_panel, 1010);
    Click(box);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowEnabled(m_start); }, 2000));
    Click(box);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(m_start) != FALSE; }, 2000)) << "ticking the box enables start";
    EXPECT_EQ(2u, [&] {
        std::string l = Log();
        size_t n = 0;
        for (size_t p = 0; (p = l.find("] net session /delete /y\r\n", p)) != std::string::npos; ++p) ++n;
        return n;
    }());
}

namespace {
// Stand-ins of this prefix still alive.
std::vector<std::wstring> RunningStandIns() {
    std::vector<std::wstring> found;
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W e{};
    e.dwSize = sizeof(e);
    for (BOOL ok = ::Process32FirstW(snap, &e); ok; ok = ::Process32NextW(snap, &e)) {
        for (const wchar_t* name : {L"net.exe", L"sc.exe", L"attrib.exe", L"cmd.exe", L"winecmd.exe"})
            if (_wcsicmp(e.szExeFile, name) == 0) found.push_back(e.szExeFile);
    }
    ::CloseHandle(snap);
    return found;
}

DWORD SpoolerStartType() {
    DWORD type = 0;
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? ::OpenServiceW(manager, L"Spooler", SERVICE_QUERY_CONFIG) : nullptr;
    if (service) {
        DWORD needed = 0;
        ::QueryServiceConfigW(service, nullptr, 0, &needed);
        std::string buffer(needed, '\0');
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(&buffer[0]);
        if (needed && ::QueryServiceConfigW(service, config, needed, &needed)) type = config->dwStartType;
        ::CloseServiceHandle(service);
    }
    if (manager) ::CloseServiceHandle(manager);
    return type;
}

bool SpoolerDisabledRecorded() { return MarkSet(KEY_WOW64_64KEY); }
}  // namespace

namespace {
// A printer's end on 127.0.0.1 or another loopback address: one that
// accepts and counts what it is sent, one whose queue is full so that a
// connect is never answered, or one that refuses (a port that nobody
// listens on).
class CPrinterPort {
public:
    enum class Kind { Accepts, Full, Refuses };
    explicit CPrinterPort(Kind kind, const char* address = "127.0.0.1") {
        m_socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        ::inet_pton(AF_INET, address, &a.sin_addr);
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&a), sizeof(a));
        int len = sizeof(a);
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
        if (kind == Kind::Refuses) {
            ::closesocket(m_socket);
            m_socket = INVALID_SOCKET;
            return;
        }
        ::listen(m_socket, kind == Kind::Full ? 0 : 8);
        if (kind == Kind::Full) Fill(a);
    }
    ~CPrinterPort() {
        for (SOCKET s : m_others) ::closesocket(s);
        if (m_socket != INVALID_SOCKET) ::closesocket(m_socket);
    }
    unsigned short Port() const { return m_port; }
    // The connections accepted so far, and the bytes they brought.
    void Accept(int& connections, int& bytes) {
        u_long on = 1;
        ::ioctlsocket(m_socket, FIONBIO, &on);
        for (SOCKET c; (c = ::accept(m_socket, nullptr, nullptr)) != INVALID_SOCKET;) {
            ++connections;
            char buf[256];
            DWORD until = ::GetTickCount() + 1000;
            for (int n; (n = ::recv(c, buf, sizeof(buf), 0)) != 0 && ::GetTickCount() < until;) {
                if (n > 0) bytes += n;
                else ::Sleep(20);
            }
            m_others.push_back(c);
        }
    }

private:
    // Connections that nobody accepts, until the next one is left unanswered.
    void Fill(const sockaddr_in& a) {
        for (int i = 0; i < 16; ++i) {
            SOCKET c = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            u_long on = 1;
            ::ioctlsocket(c, FIONBIO, &on);
            ::connect(c, reinterpret_cast<const sockaddr*>(&a), sizeof(a));
            m_others.push_back(c);
            fd_set w;
            FD_ZERO(&w);
            FD_SET(c, &w);
            timeval t{0, 300000};
            if (::select(0, nullptr, &w, nullptr, &t) == 0) return;
        }
    }

    SOCKET m_socket = INVALID_SOCKET;
    unsigned short m_port = 0;
    std::vector<SOCKET> m_others;
};

const std::wstring kTcpMonitor = std::wstring(kMonitors) + L"Standard TCP/IP Port";

// The stand-ins read their lists as UTF-8.
std::string Utf8(const std::wstring& text) {
    std::string out(static_cast<size_t>(::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr,
                                                              nullptr)) - 1, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], static_cast<int>(out.size()) + 1, nullptr, nullptr);
    return out;
}

// Printers' SNMP agents on UDP port 161 of loopback addresses of their own
// (tests/e2e/snmp-agent), "ADDRESS=answer" or "ADDRESS=silent" each. A Linux
// program: Wine binds a UDP socket given one such address to all of them.
class CSnmpAgents {
public:
    explicit CSnmpAgents(const std::string& agents) {
        m_unixFolder = "/tmp/tarnwick-snmp-" + std::to_string(::GetCurrentProcessId());
        m_folder = L"Z:" + std::wstring(m_unixFolder.begin(), m_unixFolder.end());
        std::replace(m_folder.begin(), m_folder.end(), L'/', L'\\');
        ::CreateDirectoryW(m_folder.c_str(), nullptr);
        for (const wchar_t* f : {L"\\ready", L"\\failed", L"\\requests", L"\\stop"})
            ::DeleteFileW((m_folder + f).c_str());
        wchar_t script[MAX_PATH] = {};
        ::GetEnvironmentVariableW(L"TARNWICK_SNMP_AGENT", script, MAX_PATH);
        std::wstring cmd = L"Z:\\usr\\bin\\python3 " + std::wstring(script) + L" " +
                           std::wstring(m_unixFolder.begin(), m_unixFolder.end()) + L" " +
                           std::wstring(agents.begin(), agents.end());
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        // Wine starts a Linux program without giving a handle of it.
        m_started = script[0] && ::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, L"Z:\\tmp", &si, &pi);
        m_error = m_started ? 0 : ::GetLastError();
        for (HANDLE h : {pi.hProcess, pi.hThread})
            if (h) ::CloseHandle(h);
    }
    ~CSnmpAgents() {
        if (m_started) WriteFileBytes(m_folder + L"\\stop", "");
    }
    // Empty once every agent is bound, else why not.
    std::string Ready() {
        if (!m_started) return "tests/e2e/snmp-agent did not start (TARNWICK_SNMP_AGENT): error " + std::to_string(m_error);
        auto there = [&](const wchar_t* f) { return ::GetFileAttributesW((m_folder + f).c_str()) != INVALID_FILE_ATTRIBUTES; };
        WaitFor([&] { return there(L"\\ready") || there(L"\\failed"); }, 10000);
        if (there(L"\\ready")) return std::string();
        return "snmp-agent: " + ReadFileBytes(m_folder + L"\\failed") + " (binding port 161 takes root)";
    }
    // "ADDRESS COMMUNITY" for each request, in the order they came.
    std::vector<std::string> Requests() {
        std::vector<std::string> lines;
        std::string all = ReadFileBytes(m_folder + L"\\requests");
        for (size_t at = 0, end; (end = all.find('\n', at)) != std::string::npos; at = end + 1)
            lines.push_back(all.substr(at, end - at));
        return lines;
    }

private:
    std::string m_unixFolder;
    std::wstring m_folder;
    bool m_started = false;
    DWORD m_error = 0;
};

// A Standard TCP/IP port as Windows keeps it, at 127.0.0.1.
void AddTcpPort(const std::wstring& name, unsigned short port) {
    std::wstring key = kTcpMonitor + L"\\Ports\\" + name;
    const wchar_t address[] = L"127.0.0.1";
    DWORD number = port, raw = 1;
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"IPAddress", REG_SZ, address, sizeof(address));
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"PortNumber", REG_DWORD, &number, sizeof(number));
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"Protocol", REG_DWORD, &raw, sizeof(raw));
}
}  // namespace

TEST_F(Tool, APrinterThatCantBeReachedIsNamedWithItsAddressAndOneThatNeverAnswersCostsAtMostTwoAndAHalfSeconds) {
    WSADATA wsa;
    ASSERT_EQ(0, ::WSAStartup(MAKEWORD(2, 2), &wsa));
    CPrinterPort accepts(CPrinterPort::Kind::Accepts), full(CPrinterPort::Kind::Full),
        refuses(CPrinterPort::Kind::Refuses);
    const wchar_t driver[] = L"tcpmon.dll";
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kTcpMonitor.c_str(), L"Driver", REG_SZ, driver, sizeof(driver));
    AddTcpPort(L"IP_accepts", accepts.Port());
    AddTcpPort(L"IP_full", full.Port());
    AddTcpPort(L"IP_refuses", refuses.Port());
    wchar_t tmp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tmp);
    std::wstring printers = std::wstring(tmp) + L"tarnwick-e2e-printers.txt";
    ::SetEnvironmentVariableW(L"TARNWICK_FAKE_SPOOL_PRINTERS", printers.c_str());
    UseStandInPrintSystem(false);
    // From the last step's bar to the prompt: the commands' own time varies
    // by a second from run to run on a busy machine.
    auto afterLastStep = [](const std::vector<Seen>& seen, DWORD total) {
        DWORD last = FirstSeen(seen, 180);
        EXPECT_TRUE(last) << "the bar was not seen at the last step";
        return total - last;
    };
    WriteFileBytes(printers, "USB Printer|USB001\n");
    ASSERT_NO_FATAL_FAILURE(Open());
    std::wstring result;
    DWORD t0 = ::GetTickCount();
    auto seen = RunRepair(&result);
    DWORD plain = afterLastStep(seen, ::GetTickCount() - t0);
    EXPECT_EQ(L"修复成功", result);
    ::TerminateProcess(m_process, 9);
    ASSERT_TRUE(Exited(5000));

    // A key without a host leaves the port to its monitor's GetConfigInfo;
    // a port number kept as text is no number at all (its bytes make 57).
    std::wstring key = kTcpMonitor + L"\\Ports\\";
    DWORD number = accepts.Port();
    const wchar_t address[] = L"127.0.0.1", text[] = L"9";
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, (key + L"IP_nohost").c_str(), L"PortNumber", REG_DWORD, &number, sizeof(number));
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, (key + L"IP_text").c_str(), L"IPAddress", REG_SZ, address, sizeof(address));
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, (key + L"IP_text").c_str(), L"PortNumber", REG_SZ, text, sizeof(text));
    std::wstring xcv = std::wstring(tmp) + L"tarnwick-e2e-xcv.txt";
    WriteFileBytes(xcv, "IP_nohost|GetConfigInfo|host=127.0.0.1|protocol=1|port=" + std::to_string(accepts.Port()) + "\n");
    ::SetEnvironmentVariableW(L"TARNWICK_FAKE_XCV", xcv.c_str());
    // The stand-in reads its printers as UTF-8.
    std::wstring list = L"前台打印机|IP_accepts\n财务部打印机|IP_refuses\n仓库打印机|IP_full\n"
                        L"新打印机|IP_nohost\n旧打印机|IP_text\n";
    WriteFileBytes(printers, Utf8(list));
    ASSERT_NO_FATAL_FAILURE(Open());
    t0 = ::GetTickCount();
    seen = RunRepair(&result);
    DWORD checked = afterLastStep(seen, ::GetTickCount() - t0);
    printf("last step to 修复成功: %.1f s with a USB printer, %.1f s with five network printers, one never "
           "answering\n", plain / 1000.0, checked / 1000.0);
    EXPECT_LE(checked, plain + 2500);
    EXPECT_EQ(L"修复成功\r\n“财务部打印机”（127.0.0.1）拒绝连接，打印机的端口或地址可能不对", result);
    std::string log = Log();
    auto port = [](const CPrinterPort& p) { return std::to_wstring(p.Port()); };
    EXPECT_NE(std::string::npos, log.find(Gbk(L"] 打印机“前台打印机”（127.0.0.1:" + port(accepts) + L"）：可以连通（")));
    EXPECT_NE(std::string::npos, log.find(Gbk(L"] 打印机“财务部打印机”（127.0.0.1:" + port(refuses) + L"）：连接被拒绝\r\n")));
    EXPECT_NE(std::string::npos, log.find(Gbk(L"] 打印机“仓库打印机”（127.0.0.1:" + port(full) + L"）：没有应答（2 秒）\r\n")))
        << log;
    EXPECT_NE(std::string::npos, log.find(Gbk(L"] 打印机“新打印机”（127.0.0.1:" + port(accepts) + L"）：可以连通（")));
    EXPECT_NE(std::string::npos, log.find(Gbk(L"] 打印机“旧打印机”：地址未知，未检查连接\r\n"))) << log;
    EXPECT_NE(std::string::npos, ReadFileBytes(m_spoolLog).find("XcvDataW IP_nohost GetConfigInfo in=132 out=964"));
    int connections = 0, bytes = 0;
    accepts.Accept(connections, bytes);
    EXPECT_EQ(2, connections);
    EXPECT_EQ(0, bytes) << "a raw port prints whatever it is sent";
    PressPromptButton(1015);
}

// Network printers that print, each at an address of its own, whose status
// query (SNMP) gets no answer: no agent at all, an agent that keeps silent;
// beside one whose agent answers and a shared queue in the first one's state.
TEST_F(Tool, APrinterThatPrintsButWhoseStatusQueryFailsHasThatQuerySwitchedOff) {
    WSADATA wsa;
    ASSERT_EQ(0, ::WSAStartup(MAKEWORD(2, 2), &wsa));
    CSnmpAgents agents("127.0.0.22=silent 127.0.0.23=answer");
    ASSERT_EQ("", agents.Ready());
    using Kind = CPrinterPort::Kind;
    CPrinterPort none(Kind::Accepts, "127.0.0.21"), muted(Kind::Accepts, "127.0.0.22"),
        fine(Kind::Accepts, "127.0.0.23"), shared(Kind::Accepts, "127.0.0.24");
    const wchar_t driver[] = L"tcpmon.dll";
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kTcpMonitor.c_str(), L"Driver", REG_SZ, driver, sizeof(driver));
    auto port = [](const CPrinterPort& p) { return std::to_string(p.Port()); };
    auto wport = [](const CPrinterPort& p) { return std::to_wstring(p.Port()); };
    wchar_t tmp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tmp);
    std::wstring xcv = std::wstring(tmp) + L"tarnwick-e2e-xcv.txt", printers = std::wstring(tmp) + L"tarnwick-e2e-printers.txt";
    WriteFileBytes(xcv, "IP_none|GetConfigInfo|host=127.0.0.21|protocol=1|snmp=1|community=public|index=1|port=" + port(none) +
                            "\nIP_mute|GetConfigInfo|ip=127.0.0.22|protocol=1|snmp=1|community=office|index=3|queue=lp1|port=" +
                            port(muted) + "\nIP_fine|GetConfigInfo|host=127.0.0.23|protocol=1|snmp=1|community=public|index=1|port=" +
                            port(fine) + "\nIP_shared|GetConfigInfo|host=127.0.0.24|protocol=1|snmp=1|community=public|index=1|port=" +
                            port(shared) + "\n");
    ::SetEnvironmentVariableW(L"TARNWICK_FAKE_XCV", xcv.c_str());
    ::SetEnvironmentVariableW(L"TARNWICK_FAKE_SPOOL_PRINTERS", printers.c_str());
    UseStandInPrintSystem(false);
    // From the last step's bar to the prompt.
    auto afterLastStep = [this](std::wstring* result) {
        DWORD t0 = ::GetTickCount();
        std::vector<Seen> seen = RunRepair(result);
        DWORD last = FirstSeen(seen, 180);
        EXPECT_TRUE(last) << "the bar was not seen at the last step";
        return ::GetTickCount() - t0 - last;
    };

    // The printer whose agent answers, alone: nothing to change.
    WriteFileBytes(printers, Utf8(L"前台打印机|IP_fine\n"));
    ASSERT_NO_FATAL_FAILURE(Open());
    std::wstring result;
    DWORD answered = afterLastStep(&result);
    EXPECT_EQ(L"修复成功", result);
    ::TerminateProcess(m_process, 9);
    ASSERT_TRUE(Exited(5000));

    WriteFileBytes(printers, Utf8(L"前台打印机|IP_fine\n仓库打印机|IP_none\n财务部打印机|IP_mute\n"
                                  L"共享打印机|IP_shared|Stand-in Driver|shared\n"));
    ASSERT_NO_FATAL_FAILURE(Open());
    DWORD silent = afterLastStep(&result);
    printf("last step to the prompt: %.1f s with the agent answering, %.1f s with two silent\n", answered / 1000.0,
           silent / 1000.0);
    EXPECT_LE(silent, answered + 1000);
    EXPECT_EQ(L"修复成功\r\n“仓库打印机”不回答状态查询（SNMP），已关闭该查询，不再误报脱机", result);

    // Each silent port's data goes back as its monitor gave it, but for the query.
    std::string calls = ReadFileBytes(m_spoolLog);
    std::vector<std::string> configured;
    for (size_t at = calls.find("\nConfigPort "); at != std::string::npos; at = calls.find("\nConfigPort ", at + 1))
        configured.push_back(calls.substr(at + 1, calls.find_first_of("\r\n", at + 1) - at - 1));
    // The ports are switched off side by side, in either order.
    std::sort(configured.begin(), configured.end());
    EXPECT_EQ((std::vector<std::string>{
                  "ConfigPort IP_mute version=1 protocol=1 size=964 host= community=office doublespool=0 queue=lp1 "
                  "ip=127.0.0.22 port=" + port(muted) + " snmp=0 index=3",
                  "ConfigPort IP_none version=1 protocol=1 size=964 host=127.0.0.21 community=public doublespool=0 "
                  "queue= ip= port=" + port(none) + " snmp=0 index=1"}),
              configured) << calls;
    // One request a run for each agent, with its port's community.
    std::vector<std::string> requests = agents.Requests();
    std::sort(requests.begin(), requests.end());
    EXPECT_EQ((std::vector<std::string>{"127.0.0.22 office", "127.0.0.23 public", "127.0.0.23 public"}), requests);
    std::string log = Log();
    const std::wstring seen = L"）：打印端口可以连通，但不回答状态查询（SNMP），";
    for (const std::wstring& line :
         {L"] 打印机“仓库打印机”（127.0.0.21:" + wport(none) + seen + L"已关闭端口 IP_none 的“SNMP 状态已启用”\r\n",
          L"] 打印机“财务部打印机”（127.0.0.22:" + wport(muted) + seen + L"已关闭端口 IP_mute 的“SNMP 状态已启用”\r\n",
          L"] 打印机“共享打印机”（127.0.0.24:" + wport(shared) + seen + L"端口 IP_shared 有共享打印机使用，未作更改\r\n",
          L"] 打印机“前台打印机”（127.0.0.23:" + wport(fine) + L"）：可以连通（"})
        EXPECT_NE(std::string::npos, log.find(Gbk(line))) << "not logged: " << Gbk(line);
    PressPromptButton(1015);
}


// USB printers as Windows keeps them: ports of the USB monitor, each named
// by its device's interface, one device plugged in and one away; then a
// default printer that makes files beside the one that prints.
TEST_F(Tool, AUsbPrinterThatIsAwayAndADefaultPrinterThatMakesFilesAreNamed) {
    const wchar_t usbmon[] = L"usbmon.dll";
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, (std::wstring(kMonitors) + L"USB Monitor").c_str(), L"Driver", REG_SZ,
                      usbmon, sizeof(usbmon));
    AddUsbPrintDevice(L"E2E1", L"USB", 1, true);
    AddUsbPrintDevice(L"E2E2", L"USB", 2, false);
    wchar_t tmp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tmp);
    std::wstring printers = std::wstring(tmp) + L"tarnwick-e2e-printers.txt";
    ::SetEnvironmentVariableW(L"TARNWICK_FAKE_SPOOL_PRINTERS", printers.c_str());
    UseStandInPrintSystem(false);
    WriteFileBytes(printers, "Office Printer|USB001|Brother HL-L2350DW\nHP LaserJet|USB002|HP LaserJet Pro|offline\n");
    ASSERT_NO_FATAL_FAILURE(Open());
    std::wstring result;
    RunRepair(&result);
    EXPECT_EQ(L"修复成功\r\n“HP LaserJet”未连接，请打开电源并检查 USB 线", result);
    std::string calls = ReadFileBytes(m_spoolLog);
    EXPECT_EQ(std::string::npos, calls.find("SetPrinterW HP LaserJet")) << calls;
    std::string log = Log();
    for (const wchar_t* line : {L"] 打印机“Office Printer”：USB 打印机（USB001），设备已连接\r\n",
                                L"] 打印机“HP LaserJet”：USB 打印机（USB002），设备未连接\r\n",
                                L"：“使用脱机打印机”由 Windows 因 USB 设备未连接而设置，未作更改，现在：使用脱机打印机\r\n"})
        EXPECT_NE(std::string::npos, log.find(Gbk(line))) << "not logged: " << Gbk(line);
    ::TerminateProcess(m_process, 9);
    ASSERT_TRUE(Exited(5000));

    WriteFileBytes(printers, "Microsoft Print to PDF|PORTPROMPT:|Microsoft Print To PDF|default\n"
                             "Office Printer|USB001|Brother HL-L2350DW\n");
    ASSERT_NO_FATAL_FAILURE(Open());
    RunRepair(&result);
    EXPECT_EQ(L"修复成功\r\n“Microsoft Print to PDF”不打印到纸上，请把“Office Printer”设为默认打印机", result);
    PressPromptButton(1015);
}

TEST_F(Tool, AHungStopIsEndedAndThePrinterIsGivenBackWithinFortySeconds) {
    ::SetEnvironmentVariableW(L"TARNWICK_FAKE_HANG", L"net stop");
    ASSERT_NO_FATAL_FAILURE(Open());
    DWORD start = ::GetTickCount();
    std::wstring result;
    RunRepair(&result);
    DWORD took = ::GetTickCount() - start;
    printf("click to 修复失败 with a hung stop: %.1f s\n", took / 1000.0);
    EXPECT_EQ(L"修复失败", result);
    EXPECT_GE(took, 30000u);
    EXPECT_LE(took, 40000u);
    ExpectCommandsLogged({"net stop spooler /y", "sc config spooler start= auto", "net start spooler"});
    std::string log = Log();
    size_t restore = log.rfind("] sc config spooler start= auto");
    ASSERT_NE(std::string::npos, restore);
    EXPECT_NE(std::string::npos, log.find(Gbk(L"成功"), restore)) << "the restore's answer was not read";
    EXPECT_NE(std::string::npos, log.find(Gbk(L"服务已经启动成功"), restore));
    EXPECT_EQ("running auto", ReadFileBytes(m_state));
    EXPECT_TRUE(WaitFor([] { return RunningStandIns().empty(); }, 2000)) << "a command outlived the run";
    EXPECT_FALSE(SpoolerDisabledRecorded());
    PressPromptButton(1015);
}

TEST_F(Tool, AWindowsThatAnswersInEnglishIsJudgedByTheServiceState) {
    ::SetEnvironmentVariableW(L"TARNWICK_FAKE_LANG", L"en");
    QueueJobs();
    ASSERT_NO_FATAL_FAILURE(Open());
    DWORD start = ::GetTickCount();
    std::wstring result;
    RunRepair(&result);
    EXPECT_EQ(L"修复成功", result);
    printf("click to 修复成功 in English: %.1f s\n", (::GetTickCount() - start) / 1000.0);
    EXPECT_LE(::GetTickCount() - start, 20000u);
    EXPECT_TRUE(FilesIn(SpoolFolder()).empty());
    std::string log = Log();
    size_t judged = 0;
    for (size_t p = 0; (p = log.find(Gbk(L"] 由服务状态判定\r\n"), p)) != std::string::npos; ++p) ++judged;
    EXPECT_EQ(5u, judged) << "sc twice, net twice and the spool folder";
    EXPECT_EQ("running auto", ReadFileBytes(m_state));
    PressPromptButton(1015);
}

TEST_F(Tool, NoServerServiceAndARunningFaxServiceStillRepair) {
    ::SetEnvironmentVariableW(L"TARNWICK_FAKE_FAIL", L"net session");
    ::SetEnvironmentVariableW(L"TARNWICK_FAKE_DEPENDENT", L"1");
    ASSERT_NO_FATAL_FAILURE(Open());
    std::wstring result;
    RunRepair(&result);
    EXPECT_EQ(L"修复成功", result);
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find(Gbk(L"Fax 服务已成功停止")));
    EXPECT_EQ(std::string::npos, log.find(Gbk(L"(Y/N)"))) << "the stop asked a question";
    PressPromptButton(1015);
}

TEST_F(Tool, AKilledRunIsMendedAtTheNextStartAndAShutdownWaitsForTheSpooler) {
    Paced();
    ::SetEnvironmentVariableW(L"TARNWICK_FAKE_HANG", L"net stop");
    ASSERT_NO_FATAL_FAILURE(Open());
    Click(m_start);
    ASSERT_TRUE(WaitFor([&] { return Log().find("] net stop spooler /y") != std::string::npos; }, 10000));
    EXPECT_TRUE(SpoolerDisabledRecorded());
    EXPECT_EQ(0, ::SendMessageW(m_shell, WM_QUERYENDSESSION, 0, 0)) << "Windows may shut down with printing off";
    ::SendMessageW(m_shell, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), SpoolerStartType()) << "an ending session left it disabled";

    ::TerminateProcess(m_process, 9);
    ASSERT_TRUE(Exited(5000));
    ::CloseHandle(m_process);
    m_process = nullptr;
    SetSpooler("stopped disabled");
    ASSERT_TRUE(SpoolerDisabledRecorded());
    ::SetEnvironmentVariableW(L"TARNWICK_FAKE_HANG", nullptr);
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_EQ("running auto", ReadFileBytes(m_state));
    EXPECT_FALSE(SpoolerDisabledRecorded());
    ExpectCommandsLogged({"net stop spooler /y", "sc config spooler start= auto", "net start spooler"});
    EXPECT_NE(0, ::SendMessageW(m_shell, WM_QUERYENDSESSION, 0, 0)) << "an idle tool must not hold up a shutdown";
}

// Either build keeps the mark in the 64-bit view, so each mends the other's
// killed run; a mark that an earlier 32-bit version left under WOW6432Node
// is mended too.
TEST_F(Tool, AMarkLeftInEitherRegistryViewIsMendedAtTheNextStart) {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        SCOPED_TRACE(view == KEY_WOW64_32KEY ? "WOW6432Node" : "64-bit view");
        SetSpooler("stopped disabled");
        SetMark(view, true);
        ASSERT_TRUE(MarkSet(view));
        ASSERT_NO_FATAL_FAILURE(Open());
        EXPECT_EQ("running auto", ReadFileBytes(m_state));
        EXPECT_FALSE(MarkSet(KEY_WOW64_32KEY));
        EXPECT_FALSE(MarkSet(KEY_WOW64_64KEY));
        ::TerminateProcess(m_process, 9);
        ASSERT_TRUE(Exited(5000));
        ::CloseHandle(m_process);
        m_process = nullptr;
    }
}

TEST_F(Tool, WithoutItsLibraryTheToolSaysSoAndEndsLeavingItsFolder) {
    ::DeleteFileW((m_folder + L"DalvexFeedbackInformation.dll").c_str());
    Launch();
    std::wstring text;
    HWND prompt = WaitForPrompt(20000, &text);
    ASSERT_NE(nullptr, prompt);
    EXPECT_EQ(L"工具初始化失败", text);
    PressPromptButton(1015);
    ASSERT_TRUE(Exited(5000));
    DWORD code = 1;
    ::GetExitCodeProcess(m_process, &code);
    EXPECT_EQ(0u, code);
    EXPECT_EQ("", RemovalTraced()) << "an early end must not remove the tool";
    EXPECT_TRUE(FileExists(m_folder + L"Tarnwick.exe"));
}

TEST_F(Tool, ANewerVersionIsOfferedAndTheToolEnds) {
    m_service.Set(CFakeService::Behaviour::Answer, 200, "1.0.2");
    Launch();
    std::wstring text;
    HWND prompt = WaitForPrompt(20000, &text);
    ASSERT_NE(nullptr, prompt);
    EXPECT_EQ(L"检测到当前工具有新的版本更新，请下载最新版本使用。", text);
    PressPromptButton(1015);
    ASSERT_TRUE(Exited(10000));
    EXPECT_TRUE(WaitFor([&] { return ReadFileBytes(m_opened).find("download") != std::string::npos; }, 10000))
        << "the download page was not opened: " << ReadFileBytes(m_opened);
    EXPECT_EQ("", RemovalTraced());
    EXPECT_TRUE(FileExists(m_folder + L"Tarnwick.exe"));
}

TEST_F(Tool, ClosingThroughTheFeedbackDialogReportsAndRemovesTheTool) {
    ASSERT_NO_FATAL_FAILURE(Open());
    // Read at start; without it the tool's files are all the folder holds.
    ::DeleteFileW((m_folder + L"DalvexFeedbackInformation.ini").c_str());
    Click(::GetDlgItem(m_panel, 1002));
    HWND feedback = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (feedback = ShellOfSize(m_pid, 410, 479)) && PanelOf(feedback); }, 10000));
    Click(::GetDlgItem(PanelOf(feedback), 1016));
    ASSERT_TRUE(Exited(15000));
    bool reported = false;
    for (const auto& r : m_service.Requests())
        if (r.method == "POST" && r.body.find("answer=1") != std::string::npos) reported = true;
    EXPECT_TRUE(reported) << "the answer did not reach the service";
    // Started as the user, through the desktop shell, never elevated; the
    // release has no trace.
    if (ToolFolder() == ProgramFolder()) {
        EXPECT_EQ(0u, RemovalTraced().find("program shell ")) << ReadFileBytes(m_trace);
    }
    // One del removes them one after the other, then the folder goes.
    for (const wchar_t* name : {L"Tarnwick.exe", L"DalvexFeedbackInformation.dll", L"LOG.txt"})
        EXPECT_TRUE(WaitFor([&] { return !FileExists(m_folder + name); }, 10000)) << "not removed";
    std::wstring folder = m_folder.substr(0, m_folder.size() - 1);
    EXPECT_TRUE(WaitFor([&] { return !FileExists(folder); }, 3000)) << "the emptied folder stayed";
}

namespace {
HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

std::vector<std::vector<COLORREF>> Pixels(HWND control) {
    RECT r = WindowRect(control);
    std::vector<std::vector<COLORREF>> rows;
    for (int y = r.top; y < r.bottom; ++y) rows.push_back(ScreenRow(r.left, y, r.right - r.left));
    return rows;
}

// What a screen reader says for a button: its window text. (Wine's oleacc
// gives no standard object for another program's window: E_NOINTERFACE.)
std::wstring AccessibleName(HWND control) {
    wchar_t text[64] = {};
    ::GetWindowTextW(control, text, 64);
    return text;
}
}

TEST_F(Tool, TheKeyboardAloneRepairsAndClosesAndAScreenReaderHearsWhatTheButtonsDo) {
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_EQ(L"一键修复", AccessibleName(m_start));
    EXPECT_EQ(L"最小化", AccessibleName(::GetDlgItem(m_panel, 1003)));
    EXPECT_EQ(L"关闭", AccessibleName(::GetDlgItem(m_panel, 1002)));
    EXPECT_TRUE(WaitFor([&] { return FocusOf(m_panel) == m_start; }, 500)) << "the focus is not on start at once";
    MouseMoveTo(5, 5);
    auto unmarked = Pixels(m_start);
    // A click shows no mark: the box looks as before once ticked again.
    HWND agree = ::GetDlgItem(m_panel, 1010);
    auto box = Pixels(agree);
    Click(agree);
    Click(agree);
    MouseMoveTo(5, 5);
    EXPECT_TRUE(WaitFor([&] { return Pixels(agree) == box; }, 1000)) << "a click marked the box";
    PressKey(VK_TAB);
    PressKey(VK_TAB, VK_SHIFT);
    PressKey(VK_TAB, VK_SHIFT);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(m_panel) == m_start; }, 1000)) << "Shift+Tab did not go back";
    EXPECT_TRUE(WaitFor([&] { return Pixels(m_start) != unmarked; }, 1000)) << "the keyboard's focus shows no mark";

    PressKey(VK_SPACE);
    std::wstring text;
    HWND prompt = WaitForPrompt(20000, &text);
    ASSERT_NE(nullptr, prompt) << "Space did not start a repair";
    EXPECT_EQ(L"修复成功", text);
    HWND ok = ::GetDlgItem(PanelOf(prompt), 1015);
    EXPECT_TRUE(WaitFor([&] { return FocusOf(prompt) == ok; }, 500)) << "the prompt's focus is not on 确认";
    PressKey(VK_SPACE);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(m_start) && !::IsWindowVisible(prompt); }, 1000))
        << "Space on 确认 did not give the start button back";
    EXPECT_TRUE(WaitFor([&] { return FocusOf(m_panel) == m_start; }, 1000)) << "the focus is not back on start";

    // Closing: back along the tab order to close, then the feedback's close.
    // Without the library's settings the folder holds only the tool's files,
    // and goes with them.
    ::DeleteFileW((m_folder + L"DalvexFeedbackInformation.ini").c_str());
    HWND close = ::GetDlgItem(m_panel, 1002);
    for (int i = 0; i < 8 && FocusOf(m_panel) != close; ++i) PressKey(VK_TAB, VK_SHIFT);
    ASSERT_EQ(close, FocusOf(m_panel)) << "Shift+Tab never reached close";
    PressKey(VK_SPACE);
    HWND feedback = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (feedback = ShellOfSize(m_pid, 410, 479)) && PanelOf(feedback); }, 5000));
    HWND solved = ::GetDlgItem(PanelOf(feedback), 1016), leave = ::GetDlgItem(PanelOf(feedback), 1015);
    EXPECT_TRUE(WaitFor([&] { return FocusOf(feedback) == solved; }, 500)) << "the focus is not on the first answer";
    for (int i = 0; i < 3; ++i) PressKey(VK_TAB);
    EXPECT_EQ(leave, FocusOf(feedback));
    PressKey(VK_SPACE);
    EXPECT_TRUE(Exited(10000)) << "the tool did not close by keyboard";
    // It removes its folder 3 s later, which the next case makes anew.
    std::wstring folder = m_folder.substr(0, m_folder.size() - 1);
    EXPECT_TRUE(WaitFor([&] { return !FileExists(folder); }, 10000)) << "the tool's folder stayed";
}

namespace {
// The agreement overlay's panel: the window holding the agreement text.
HWND AgreementPanel(DWORD pid) {
    struct Ctx { DWORD pid; HWND found; } ctx{pid, nullptr};
    ::EnumWindows([](HWND hwnd, LPARAM lp) -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(lp);
        DWORD p = 0;
        ::GetWindowThreadProcessId(hwnd, &p);
        if (p == c->pid && ::GetDlgItem(hwnd, 1009)) {
            c->found = hwnd;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}
}  // namespace

TEST_F(Tool, ThePanelsTextsOverlayKeysAndMinimise) {
    ASSERT_NO_FATAL_FAILURE(Open());
    HWND title = ::GetDlgItem(m_panel, 1012);
    Click(title);
    HWND overlay = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (overlay = AgreementPanel(m_pid)) && ::IsWindowVisible(overlay); }, 10000))
        << "the agreement did not show";
    // The overlay covers the title but for its lowest rows: click there.
    RECT tr = WindowRect(title);
    ClickAt((tr.left + tr.right) / 2, tr.bottom - 3);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(overlay); }, 5000)) << "a second click did not hide it";
    Click(title);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(overlay) != FALSE; }, 5000));
    RECT pr = WindowRect(m_panel);
    MouseMoveTo(pr.left + 200, pr.bottom - 60);
    ClickAt(pr.left + 300, pr.bottom - 3);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(overlay); }, 5000)) << "a click elsewhere did not hide it";

    Click(::GetDlgItem(m_panel, 1008));
    EXPECT_TRUE(WaitFor([&] { return ReadFileBytes(m_opened).find("feedback?tool=10042&version=1.0.1") !=
                                     std::string::npos; }, 10000))
        << ReadFileBytes(m_opened);
    Click(::GetDlgItem(m_panel, 1017));
    EXPECT_TRUE(WaitFor([&] { return ReadFileBytes(m_opened).find("/detail/dc_172545.html") != std::string::npos; },
                        10000))
        << ReadFileBytes(m_opened);

    // Enter and Escape do not take the panel away from its shell.
    ::SetForegroundWindow(m_panel);
    PressKey(VK_RETURN);
    PressKey(VK_ESCAPE);
    PumpFor(500);
    EXPECT_TRUE(::IsWindowVisible(m_panel));
    EXPECT_TRUE(::IsWindowVisible(m_shell));

    Click(::GetDlgItem(m_panel, 1003));
    EXPECT_TRUE(WaitFor([&] { return ::IsIconic(m_shell) && !::IsWindowVisible(m_panel); }, 5000))
        << "minimise did not take both windows away";
    ::PostMessageW(m_shell, WM_SYSCOMMAND, SC_RESTORE, 0);  // as the taskbar does
    EXPECT_TRUE(WaitFor([&] { return !::IsIconic(m_shell) && ::IsWindowVisible(m_panel); }, 5000))
        << "restoring did not bring the panel back";
}

// Not a timed test: figures for the README, run by tests/e2e/benchmark.
TEST_F(Tool, DISABLED_Benchmark) {
    ::SetEnvironmentVariableW(L"TARNWICK_FAKE_DELAY_MS", L"0");
    auto seconds = [](DWORD ms) { return ms / 1000.0; };
    // Start to visible main window, against a bare window under the same Wine.
    DWORD t0 = ::GetTickCount();
    Launch();
    ASSERT_TRUE(WaitFor([&] { return (m_shell = ShellOfSize(m_pid, 410, 611)) && PanelOf(m_shell); }, 20000));
    DWORD toolStart = ::GetTickCount() - t0;
    m_panel = PanelOf(m_shell);
    m_start = ::GetDlgItem(m_panel, 1004);
    {
        std::wstring cmd = L"\"" + ProgramFolder() + L"bare_window.exe\"";
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        DWORD b0 = ::GetTickCount();
        ASSERT_TRUE(::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        HWND bare = nullptr;
        WaitFor([&] { return (bare = ::FindWindowW(L"TarnwickBareWindow", nullptr)) && ::IsWindowVisible(bare); },
                20000);
        DWORD bareStart = ::GetTickCount() - b0;
        ::PostMessageW(bare, WM_CLOSE, 0, 0);
        ::WaitForSingleObject(pi.hProcess, 5000);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        printf("start to visible main window: %.2f s (bare Win32 window: %.2f s)\n", seconds(toolStart),
               seconds(bareStart));
    }
    // The whole repair with commands that answer at once.
    QueueJobs();
    DWORD r0 = ::GetTickCount();
    std::wstring result;
    RunRepair(&result);
    DWORD repair = ::GetTickCount() - r0;
    EXPECT_EQ(L"修复成功", result);
    printf("click to result prompt, queued jobs: %.2f s (pacing floor: 7 commands read at most every 0.5 s, "
           "plus the 2.1 s wait of step 4)\n", seconds(repair));
    OkAnswer ok = ConfirmResult(m_pid, m_start, 15000);
    printf("click on OK to start enabled: %.2f s, to the prompt gone: %.2f s\n", seconds(ok.enabledMs),
           seconds(ok.goneMs));
    DWORD e0 = ::GetTickCount();
    RunRepair(&result);
    printf("click to result prompt, empty queue: %.2f s\n", seconds(::GetTickCount() - e0));
    PressPromptButton(1015);
    // Idle: the step thread polls every 100 ms and the reader every 500 ms.
    // The tool's time from Windows; wineserver's, when the script names it,
    // from its /proc entry through Wine's Z: drive, in clock ticks of 10 ms.
    auto cpu = [&] {
        FILETIME c, e, k, u;
        ::GetProcessTimes(m_process, &c, &e, &k, &u);
        return (ULARGE_INTEGER{{k.dwLowDateTime, k.dwHighDateTime}}.QuadPart +
                ULARGE_INTEGER{{u.dwLowDateTime, u.dwHighDateTime}}.QuadPart) / 10000.0;
    };
    wchar_t serverPid[32] = {};
    ::GetEnvironmentVariableW(L"TARNWICK_WINESERVER_PID", serverPid, 32);
    auto serverCpu = [&]() -> double {
        if (!serverPid[0]) return -1;
        std::string stat = ReadFileBytes(std::wstring(L"Z:\\proc\\") + serverPid + L"\\stat");
        size_t at = stat.rfind(')');
        if (at == std::string::npos) return -1;
        std::vector<std::string> fields;
        for (size_t i = at + 2, j; i < stat.size(); i = j + 1) {
            j = stat.find(' ', i);
            if (j == std::string::npos) j = stat.size();
            fields.push_back(stat.substr(i, j - i));
        }
        // utime and stime, fields 14 and 15 of the line.
        return fields.size() > 12 ? (std::stod(fields[11]) + std::stod(fields[12])) * 10.0 : -1;
    };
    auto idle = [&](const char* where) {
        PumpFor(2000);
        double tool = cpu(), server = serverCpu();
        // Not pumping: the benchmark's own polling would load wineserver.
        ::Sleep(30000);
        double toolShare = (cpu() - tool) / 300.0;
        if (server < 0) printf("idle CPU, pointer %s: tool %.2f %% of a core\n", where, toolShare);
        else
            printf("idle CPU, pointer %s: tool %.2f %%, wineserver %.2f %% of a core\n", where, toolShare,
                   (serverCpu() - server) / 300.0);
    };
    MouseMoveTo(5, 5);
    idle("away");
    RECT sr = WindowRect(m_start);
    MouseMoveTo((sr.left + sr.right) / 2, (sr.top + sr.bottom) / 2);
    idle("on start");
}

namespace {
// Closing as a user does: the close button, then an answer in the feedback
// dialog; the tool then ends and removes its own files.
class ClosedTool : public Tool {
protected:
    void SetUp() override {
        Tool::SetUp();
        wchar_t tmp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, tmp);
        m_cmdLog = std::wstring(tmp) + L"tarnwick-e2e-cmdlines.txt";
        ::DeleteFileW(m_cmdLog.c_str());
        ::SetEnvironmentVariableW(L"TARNWICK_FAKE_CMDLOG", m_cmdLog.c_str());
        KeepOnFailure(m_cmdLog);
    }
    void TearDown() override {
        ::SetEnvironmentVariableW(L"TARNWICK_FAKE_CMDLOG", nullptr);
        Tool::TearDown();
    }
    void RepairAndClose() {
        std::wstring result;
        RunRepair(&result);
        ASSERT_EQ(L"修复成功", result);
        ASSERT_NO_FATAL_FAILURE(PressPromptButton(1015));
        Click(::GetDlgItem(m_panel, 1002));
        HWND feedback = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (feedback = ShellOfSize(m_pid, 410, 479)) && PanelOf(feedback); }, 10000));
        Click(::GetDlgItem(PanelOf(feedback), 1016));
        ASSERT_TRUE(Exited(15000));
        ASSERT_TRUE(WaitFor([&] { return !FileExists(m_folder + L"DalvexFeedbackInformation.dll"); }, 10000))
            << "the tool was not removed";
    }
    std::wstring m_cmdLog;
};
}  // namespace

TEST_F(ClosedTool, ALogTheUserAlreadyHadIsAppendedToAndStays) {
    const std::string mine = "[2020-01-01 08:00:00] my own notes\r\nsecond line\r\n";
    ASSERT_TRUE(WriteFileBytes(m_folder + L"LOG.txt", mine));
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(RepairAndClose());
    EXPECT_FALSE(FileExists(m_folder + L"Tarnwick.exe"));
    std::string log = Log();
    EXPECT_EQ(0u, log.find(mine)) << "the user's lines were changed";
    EXPECT_NE(std::string::npos, log.find("] net session /delete /y\r\n", mine.size())) << "nothing appended";
}

// The registry's AutoRun command must not run in an elevated interpreter.
TEST_F(ClosedTool, EveryCommandInterpreterTheToolStartsSkipsAutoRun) {
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(RepairAndClose());
    std::string lines = ReadFileBytes(m_cmdLog);
    EXPECT_NE(std::string::npos, lines.find("net stop spooler")) << "the repair's commands were not seen";
    // The shell starts the removal's interpreter with its own environment,
    // so the command line comes from the tool's trace.
    std::string removal = RemovalTraced();
    const std::string shell = "program shell ";
    ASSERT_EQ(0u, removal.find(shell)) << ReadFileBytes(m_trace);
    EXPECT_NE(std::string::npos, removal.find("rmdir")) << removal;
    lines += removal.substr(shell.size()) + "\n";
    std::regex withD(R"(^("[^"]*"|\S+)\s+/[Dd]\s+/[Cc]\s)");
    size_t start = 0, seen = 0;
    for (size_t end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1, ++seen) {
        std::string line = lines.substr(start, end - start);
        EXPECT_TRUE(std::regex_search(line, withD)) << line;
    }
    EXPECT_GE(seen, 7u);
}

// Pages open through the desktop shell, so the browser runs as the user and
// not elevated: the program's own (更多工具) and the library's alike. The
// test build traces which way each page went.
TEST_F(Tool, PagesOpenThroughTheDesktopShell) {
    ASSERT_NO_FATAL_FAILURE(Open());
    Click(::GetDlgItem(m_panel, 1017));
    Click(::GetDlgItem(m_panel, 1008));
    EXPECT_TRUE(WaitFor([&] { return ReadFileBytes(m_opened).find("/feedback?tool=10042") != std::string::npos &&
                                     ReadFileBytes(m_opened).find("/detail/dc_172545.html") != std::string::npos; },
                        10000))
        << ReadFileBytes(m_opened);
    // The tool writes its line once the shell has answered, which may be
    // after the browser has the page.
    std::string feedbackLine = "shell " + LoopbackBase(m_service.Port()) + "/feedback?tool=10042";
    WaitFor([&] { return ReadFileBytes(m_trace).find(feedbackLine) != std::string::npos; }, 1000);
    std::string lines = ReadFileBytes(m_trace);
    EXPECT_NE(std::string::npos, lines.find("shell https://")) << lines;
    EXPECT_NE(std::string::npos, lines.find("/detail/dc_172545.html\n")) << lines;
    EXPECT_NE(std::string::npos, lines.find(feedbackLine)) << lines;
    EXPECT_EQ(std::string::npos, lines.find("direct ")) << lines;
}

// Windows prefers a DLL beside the program to its own for every name outside
// its KnownDLLs; Wine does the same for the names WINEDLLOVERRIDES makes
// native first, as tests/e2e/overrides does for gdiplus (a Wine process
// reads it at start from its Linux environment, so it can't be set here).
// The tool runs elevated from folders anyone can write to.
TEST_F(Tool, AGdiplusDllBesideTheToolIsNeverLoaded) {
    ASSERT_TRUE(::CopyFileW((ToolFolder() + L"planted\\gdiplus.dll").c_str(), (m_folder + L"gdiplus.dll").c_str(),
                            FALSE));
    Launch();
    HWND shell = nullptr;
    WaitFor([&] { return (shell = ShellOfSize(m_pid, 410, 611)) != nullptr || Exited(0); }, 20000);
    EXPECT_FALSE(FileExists(m_folder + L"gdiplus.dll.loaded")) << "the gdiplus.dll beside the tool was loaded";
    EXPECT_NE(nullptr, shell) << "the tool did not come up with the system's GDI+";
}

// ---- The printers themselves, through a stand-in print system
// (tests/fakes/winspool.cpp) that logs every call it gets.

TEST_F(Tool, PausedAndOfflineQueuesPrintAgainAndAPrinterWithoutPaperIsNamed) {
    UseStandInPrintSystem(false);
    QueueJobs();
    ASSERT_NO_FATAL_FAILURE(Open());
    std::wstring result;
    RunRepair(&result);
    EXPECT_EQ(L"修复成功\r\n“HP LaserJet”缺纸", result);
    std::string calls = ReadFileBytes(m_spoolLog);
    EXPECT_NE(std::string::npos, calls.find("EnumPrintersW flags=6 level=4")) << calls;
    EXPECT_NE(std::string::npos, calls.find("OpenPrinterW Office LaserJet access=4")) << calls;
    EXPECT_NE(std::string::npos, calls.find("SetPrinterW Office LaserJet level=0 command=2")) << calls;
    // Only the "use printer offline" bit goes; the rest as read, the descriptor untouched.
    EXPECT_NE(std::string::npos, calls.find("SetPrinterW Label Printer level=2 attributes=64 no-descriptor")) << calls;
    for (const char* untouched : {"SetPrinterW Front Desk", "SetPrinterW \\\\server\\Copier", "SetPrinterW HP",
                                  "EnumJobsW \\\\server\\Copier"})
        EXPECT_EQ(std::string::npos, calls.find(untouched)) << calls;

    std::string log = Log();
    size_t firstCommand = log.find("] net session /delete /y");
    size_t job = log.find(Gbk(L"] 待删除的打印任务：“季度报表.docx”，打印机“Office LaserJet”，3 页\r\n"));
    EXPECT_LT(job, firstCommand) << "the jobs were not written down before the repair";
    EXPECT_LT(log.find(Gbk(L"] 待删除的打印任务：“发票.pdf”，打印机“Office LaserJet”，1 页")), firstCommand);
    size_t lastCommand = log.find("] net start spooler");
    for (const wchar_t* line : {L"] 打印机“Office LaserJet”：已恢复打印，现在：就绪\r\n",
                                L"] 打印机“Label Printer”：已取消“使用脱机打印机”，现在：就绪\r\n",
                                L"] 打印机“HP LaserJet”：无需处理，现在：缺纸\r\n",
                                L"] 打印机“Front Desk”：共享打印机，未作更改，现在：已暂停（共享）\r\n",
                                L"] 打印机“\\\\server\\Copier”：网络打印机，未作更改，现在：已暂停（网络打印机）\r\n"}) {
        size_t at = log.find(Gbk(line));
        EXPECT_TRUE(at != std::string::npos && at > lastCommand) << "not logged after the repair: " << Gbk(line);
    }
    PressPromptButton(1015);
}

TEST_F(Tool, APrintSystemThatNeverAnswersDelaysTheResultByAtMostSixAndAHalfSeconds) {
    ASSERT_NO_FATAL_FAILURE(Open());
    // The seven commands alone take a second more or less from run to run on
    // a busy machine; the print system delays what comes before the first
    // step (the record) and after the last is issued (its command, the look).
    auto waited = [](const std::vector<Seen>& seen, DWORD total) {
        DWORD first = FirstSeen(seen, 26), last = FirstSeen(seen, 180);
        EXPECT_TRUE(first && last) << "the bar was not seen at the first and the last step";
        return first + (total - last);
    };
    std::wstring result;
    DWORD t0 = ::GetTickCount();
    auto seen = RunRepair(&result);
    DWORD plain = waited(seen, ::GetTickCount() - t0);
    ASSERT_EQ(L"修复成功", result);
    ::TerminateProcess(m_process, 9);
    ASSERT_TRUE(Exited(5000));
    ::CloseHandle(m_process);
    m_process = nullptr;

    UseStandInPrintSystem(true);
    ASSERT_NO_FATAL_FAILURE(Open());
    t0 = ::GetTickCount();
    seen = RunRepair(&result);
    DWORD blocked = waited(seen, ::GetTickCount() - t0);
    printf("click to 修复成功 less the first six commands: %.1f s plain, %.1f s with a print system that never "
           "answers\n", plain / 1000.0, blocked / 1000.0);
    EXPECT_EQ(L"修复成功", result);
    EXPECT_LE(blocked, plain + 6500);
    EXPECT_EQ(2u, Count(Log(), Gbk(L"] 打印机状态检查超时\r\n"))) << "the record and the look each give up";
    PressPromptButton(1015);
    // Closes as always, with the calls left behind still blocked.
    Click(::GetDlgItem(m_panel, 1002));
    HWND feedback = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (feedback = ShellOfSize(m_pid, 410, 479)) && PanelOf(feedback); }, 10000));
    Click(::GetDlgItem(PanelOf(feedback), 1016));
    EXPECT_TRUE(Exited(5000)) << "the tool did not end";
}

// Like gdiplus.dll above, for the print system, which is loaded on the
// first repair; native first, as Windows takes a DLL beside the program.
TEST_F(Tool, AWinspoolBesideTheToolIsNeverLoaded) {
    ASSERT_TRUE(::CopyFileW((ToolFolder() + L"planted\\winspool.drv").c_str(),
                            (m_folder + L"winspool.drv").c_str(), FALSE));
    OverrideForTheTool(L"winspool.drv", L"native,builtin");
    ASSERT_NO_FATAL_FAILURE(Open());
    std::wstring result;
    RunRepair(&result);
    EXPECT_EQ(0u, result.find(L"修复成功")) << "the repair did not end with the system's print system";
    EXPECT_FALSE(FileExists(m_folder + L"winspool.drv.loaded")) << "the winspool.drv beside the tool was loaded";
    PressPromptButton(1015);
}

// ---- One tool per session, one repair per PC.

namespace {
// A window of the test's own in front, so that "brought forward" means something.
HWND ForegroundDecoy() {
    static HWND decoy = ::CreateWindowExW(0, L"STATIC", L"decoy", WS_POPUP | WS_VISIBLE, 0, 0, 120, 80, nullptr,
                                          nullptr, nullptr, nullptr);
    ::ShowWindow(decoy, SW_SHOW);
    ::SetForegroundWindow(decoy);
    PumpUntil([] { return ::GetForegroundWindow() == decoy; }, 2000);
    return decoy;
}

bool InFront(HWND shell) {
    HWND front = ::GetForegroundWindow();
    return front && (front == shell || ::GetWindow(front, GW_OWNER) == shell);
}
}  // namespace

TEST_F(Tool, ASecondStartBringsTheFirstToolForwardAndEndsAtOnce) {
    Paced();
    // Two starts at once make one tool.
    Launch();
    PROCESS_INFORMATION other = LaunchAnother();
    HWND shell = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        return (shell = ShellOfSize(m_pid, 410, 611)) || (shell = ShellOfSize(other.dwProcessId, 410, 611));
    }, 20000));
    DWORD tool = 0;
    ::GetWindowThreadProcessId(shell, &tool);
    HANDLE loser = tool == m_pid ? other.hProcess : m_process;
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(loser, 3000)) << "two tools run";
    // From here on the fixture follows the tool that stayed.
    if (tool != m_pid) {
        std::swap(m_process, other.hProcess);
        m_pid = tool;
    }
    ::CloseHandle(other.hProcess);
    m_shell = shell;
    ASSERT_TRUE(WaitFor([&] { return (m_panel = PanelOf(m_shell)) != nullptr; }, 5000));
    m_start = ::GetDlgItem(m_panel, 1004);

    // Minimised, the first tool comes back.
    Click(::GetDlgItem(m_panel, 1003));
    ASSERT_TRUE(WaitFor([&] { return ::IsIconic(m_shell) != FALSE; }, 2000));
    PROCESS_INFORMATION again = LaunchAnother();
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(again.hProcess, 2000)) << "the second start stayed";
    ::CloseHandle(again.hProcess);
    EXPECT_TRUE(WaitFor([&] { return !::IsIconic(m_shell) && InFront(m_shell); }, 2000))
        << "the main window was not restored and brought forward";
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(m_panel) != FALSE; }, 1000)) << "the panel stayed hidden";

    // During a run the progress window comes forward; the second start
    // neither repairs nor removes anything.
    QueueJobs();
    Click(m_start);
    HWND progress = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (progress = ShellOfSize(m_pid, 278, 158)) != nullptr; }, 2000));
    ForegroundDecoy();
    ::DeleteFileW(m_trace.c_str());
    DWORD t0 = ::GetTickCount();
    PROCESS_INFORMATION during = LaunchAnother();
    bool ended = ::WaitForSingleObject(during.hProcess, 2000) == WAIT_OBJECT_0;
    printf("a second start during a run ended after %.2f s\n", (::GetTickCount() - t0) / 1000.0);
    EXPECT_TRUE(ended) << "the second start stayed";
    ::CloseHandle(during.hProcess);
    EXPECT_TRUE(WaitFor([&] { return InFront(progress); }, 2000)) << "the progress window is not in front";
    std::wstring result;
    EXPECT_NE(nullptr, WaitForPrompt(20000, &result));
    EXPECT_EQ(L"修复成功", result);
    std::string log = Log();
    EXPECT_EQ(1u, Count(log, "] net session /delete /y\r\n")) << log;
    EXPECT_EQ(1u, Count(log, "] sc config spooler start= disabled\r\n")) << "the spooler was marked twice";
    EXPECT_EQ("", RemovalTraced()) << "the second start removed the tool";
    EXPECT_TRUE(FileExists(m_folder + L"Tarnwick.exe"));
    PressPromptButton(1015);
}

// After the second-start case: each of the three parts takes every third
// case, and this order evens them out.
TEST_F(Tool, WhileAnotherRepairHoldsTheLockStartShowsANoticeAndRunsNothing) {
    // Another session's repair, as far as this PC is concerned.
    HANDLE other = ::CreateMutexW(nullptr, TRUE, L"Global\\Tarnwick.Repair");
    ASSERT_NE(nullptr, other);
    ASSERT_NO_FATAL_FAILURE(Open());
    Click(m_start);
    bool progressSeen = false;
    HWND prompt = nullptr;
    WaitFor([&] {
        progressSeen = progressSeen || ShellOfSize(m_pid, 278, 158);
        return (prompt = ShellOfSize(m_pid, 336, 156)) && PanelOf(prompt);
    }, 2000);
    std::wstring text;
    ASSERT_EQ(prompt, WaitForPrompt(1000, &text));
    EXPECT_EQ(L"另一个修复正在进行，请稍后再试", text);
    EXPECT_FALSE(progressSeen) << "a progress window showed for a run that never began";
    EXPECT_EQ(std::string::npos, Log().find("] net ")) << "a command ran";
    EXPECT_EQ("running auto", ReadFileBytes(m_state));
    // However the notice is closed, the user may try again.
    PressPromptButton(1013);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(m_start) != FALSE; }, 1000));
    ::ReleaseMutex(other);
    ::CloseHandle(other);
}

namespace {
// From outside the tool, as a crashing driver does from inside the spooler:
// stops Wine's spooler 1.5 s after each of its next `times` starts, then
// lets it run.
class CSpoolerBreaker {
public:
    explicit CSpoolerBreaker(int times) : m_times(times) {
        m_quit = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_thread = ::CreateThread(nullptr, 0, &CSpoolerBreaker::Run, this, 0, nullptr);
    }
    ~CSpoolerBreaker() {
        ::SetEvent(m_quit);
        ::WaitForSingleObject(m_thread, 10000);
        ::CloseHandle(m_thread);
        ::CloseHandle(m_quit);
    }
    int Stopped() const { return m_stopped; }

private:
    static DWORD WINAPI Run(LPVOID self) {
        static_cast<CSpoolerBreaker*>(self)->Watch();
        return 0;
    }
    void Watch() {
        SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
        SC_HANDLE service = ::OpenServiceW(manager, L"Spooler", SERVICE_QUERY_STATUS | SERVICE_STOP);
        bool wasRunning = true;  // the start before the run is not counted
        while (m_stopped < m_times && ::WaitForSingleObject(m_quit, 50) == WAIT_TIMEOUT) {
            SERVICE_STATUS status{};
            if (!service || !::QueryServiceStatus(service, &status)) continue;
            bool running = status.dwCurrentState == SERVICE_RUNNING;
            if (running && !wasRunning) {
                if (::WaitForSingleObject(m_quit, 1500) != WAIT_TIMEOUT) break;
                ::ControlService(service, SERVICE_CONTROL_STOP, &status);
                ++m_stopped;
                running = false;
            }
            wasRunning = running;
        }
        if (service) ::CloseServiceHandle(service);
        if (manager) ::CloseServiceHandle(manager);
    }

    int m_times;
    std::atomic<int> m_stopped{0};
    HANDLE m_quit = nullptr, m_thread = nullptr;
};

bool SpoolerRunning() {
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? ::OpenServiceW(manager, L"Spooler", SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS status{};
    bool running = service && ::QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING;
    if (service) ::CloseServiceHandle(service);
    if (manager) ::CloseServiceHandle(manager);
    return running;
}
}  // namespace

TEST_F(Tool, ASpoolerThatStopsByItselfAfterItsStartFailsTheRunAndIsLeftRunning) {
    // A port monitor of another maker; Wine's own "Local Port" is Microsoft's.
    const wchar_t dll[] = L"vendormon.dll";
    std::wstring monitor = std::wstring(kMonitors) + L"Contoso Port Monitor";
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, monitor.c_str(), L"Driver", REG_SZ, dll, sizeof(dll)));
    ASSERT_NO_FATAL_FAILURE(Open());
    std::wstring result;
    {
        CSpoolerBreaker breaker(2);
        RunRepair(&result);
        EXPECT_EQ(2, breaker.Stopped());
    }
    EXPECT_EQ(L"修复失败\r\n打印服务启动后又自动停止了，可能是打印机驱动有问题", result);
    std::string log = Log();
    EXPECT_EQ(1u, Count(log, Gbk(L"] 打印服务启动后又停止了，再启动一次\r\n"))) << log;
    EXPECT_EQ(3u, Count(log, "] net start spooler\r\n")) << "the start, once more, and the restore's";
    EXPECT_EQ(2u, Count(log, Gbk(L"秒后停止"))) << log;
    EXPECT_EQ(1u, Count(log, Gbk(L"] 可能的原因：端口监视器“Contoso Port Monitor”（C:\\windows\\system32\\vendormon.dll，"
                                 L"Contoso Printing Ltd.）\r\n")))
        << log;
    EXPECT_EQ(std::string::npos, log.find(Gbk(L"“Local Port”")));
    EXPECT_TRUE(SpoolerRunning());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), SpoolerStartType());
    PressPromptButton(1015);
}

// Last of its part, where the other test programs have ended: its limit is
// what a user on a slow PC would wait, not what a machine busy with a dozen
// Wine programs besides adds to every command.
TEST_F(Tool, ASlowPcStillRepairsAndTheResultWaitsOnlyForTheSlowness) {
    // Every stand-in takes 2.5 s: attrib outlasts the 2.1 s that step 4 waits.
    ::SetEnvironmentVariableW(L"TARNWICK_FAKE_DELAY_MS", L"2500");
    QueueJobs();
    ASSERT_NO_FATAL_FAILURE(Open());
    DWORD began = ::GetTickCount();
    std::wstring result;
    RunRepair(&result);
    DWORD took = ::GetTickCount() - began;
    EXPECT_EQ(L"修复成功", result);
    EXPECT_TRUE(FilesIn(SpoolFolder()).empty()) << "the queued jobs are still there";
    // Seven commands of 2.5 s, and what a plain run takes beside them on a
    // busy two-core machine, where Wine starts three processes for each
    // command: up to 15 s with five other test programs running (a run of
    // 0.6 s commands takes 13.7 s there), and the 2 s to 2.5 s that the
    // spooler is watched after its start. A wait for the step's 30 s limit,
    // 27.5 s more, would show here.
    EXPECT_LE(took, 7 * 2500u + 15000u + 2500u);
}
