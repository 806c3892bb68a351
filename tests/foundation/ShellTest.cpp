#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/SelfRemoval.h"
#include "mainwnd/TarnwickDlg.h"
#include "mainwnd/TarnwickDlgOP.h"
#include "skin/Drawing.h"
#include "skin/LayeredShell.h"
#include "skin/ResourceImage.h"
#include "tests/support/TestSupport.h"

namespace {
const ShellInsets kInsets{5, 4, 5, 7};
const wchar_t kShellTitle[] = L"打印机无响应修复工具";
}

TEST(ShellGeometry, ScaleFromDpi) {
    EXPECT_FLOAT_EQ(1.0f, ScaleFromDpi(96));
    EXPECT_FLOAT_EQ(1.0f, ScaleFromDpi(100));
    EXPECT_FLOAT_EQ(1.2f, ScaleFromDpi(120));
    EXPECT_FLOAT_EQ(1.44f, ScaleFromDpi(144));
}

TEST(ShellGeometry, At96DpiShellAndPanelAgreeWithTheImage) {
    RECT shell = CentredShellRect(1280, 1024, 410, 611, 1.0f);
    EXPECT_RECT_EQ((RECT{435, 207, 845, 818}), shell);
    EXPECT_RECT_EQ((RECT{440, 211, 840, 811}), PanelAtCreation(shell, 1.0f, kInsets));
    EXPECT_RECT_EQ((RECT{440, 211, 840, 811}), InsetRect(shell, kInsets, 1.0f));
}

TEST(ShellGeometry, At120DpiEachFormulaTruncatesOnItsOwn) {
    RECT shell = CentredShellRect(1280, 1024, 410, 611, 1.2f);
    EXPECT_EQ(492, shell.right - shell.left);
    EXPECT_EQ(733, shell.bottom - shell.top);
    RECT created = PanelAtCreation(shell, 1.2f, kInsets);
    EXPECT_EQ(479, created.right - created.left);
    EXPECT_EQ(719, created.bottom - created.top);
    EXPECT_EQ(shell.left + 6, created.left);
    EXPECT_EQ(shell.top + 4, created.top);
    RECT aligned = InsetRect(shell, kInsets, 1.2f);
    EXPECT_RECT_EQ((RECT{shell.left + 6, shell.top + 4, shell.left + 6 + 480, shell.top + 4 + 721}), aligned);
    // Dragging the panel puts the shell around it again.
    EXPECT_RECT_EQ(shell, OutsetRect(aligned, kInsets, 1.2f));
}

TEST(ShellGeometry, AFactorTheScreenCantHoldIsLoweredToOneItCanButNeverBelowOne) {
    const RECT sxga{0, 0, 1280, 1024}, hd{0, 0, 1280, 720}, narrow{0, 0, 600, 2000}, tiny{0, 0, 800, 600};
    EXPECT_FLOAT_EQ(1.67f, FittedScale(1.92f, 410, 611, sxga));  // 1020 px tall; 1.68 makes 1026
    EXPECT_FLOAT_EQ(1.44f, FittedScale(1.44f, 410, 611, sxga));
    EXPECT_FLOAT_EQ(1.18f, FittedScale(1.2f, 410, 611, hd));  // 720 px tall, the whole screen
    EXPECT_FLOAT_EQ(1.46f, FittedScale(2.4f, 410, 611, narrow));
    EXPECT_FLOAT_EQ(1.0f, FittedScale(1.2f, 410, 611, tiny));
    EXPECT_FLOAT_EQ(1.0f, FittedScale(1.0f, 410, 611, tiny));
}

// Fonts follow a lowered factor: 8 pt at 240 dpi is 27 px; the main window
// fitted to 1.61 on a 1280x984 work area draws it at 18 px. Unfitted, nothing
// changes: the progress window's own 1.2 at 96 dpi included.
TEST(ShellGeometry, FontsShrinkWithAFittedFactorOnly) {
    const RECT work{0, 0, 1280, 984};
    float fitted = FittedScale(2.4f, 410, 611, work);
    EXPECT_FLOAT_EQ(1.61f, fitted);
    EXPECT_EQ(-18, ShrunkFontHeight(-27, FontShrink(fitted, 2.4f)));
    EXPECT_EQ(-16, ShrunkFontHeight(-16, FontShrink(1.2f, 1.2f)));
    EXPECT_EQ(-13, ShrunkFontHeight(-13, FontShrink(1.2f, 1.0f)));
    EXPECT_EQ(-18, ShrunkFontHeight(-21, FontShrink(1.44f, 1.6f)));
}

TEST(ShellGeometry, APlacedWindowStartsInsideTheWorkArea) {
    const RECT work{0, 40, 1280, 1024};  // a taskbar along the top
    EXPECT_RECT_EQ((RECT{100, 40, 300, 240}), KeptInWorkArea(RECT{100, -74, 300, 126}, work));
    EXPECT_RECT_EQ((RECT{1080, 824, 1280, 1024}), KeptInWorkArea(RECT{1200, 900, 1400, 1100}, work));
    EXPECT_RECT_EQ((RECT{0, 40, 2000, 2040}), KeptInWorkArea(RECT{-10, -10, 1990, 1990}, work));
    EXPECT_RECT_EQ((RECT{435, 207, 845, 818}), KeptInWorkArea(CentredShellRect(1280, 1024, 410, 611, 1.0f), work));
}

// ---- The real main window, run in a copy of this program so that its
// self-removal acts on a folder of the test's own.

namespace {

bool IsChild() { return ::GetEnvironmentVariableW(L"TARNWICK_SHELL_CHILD", nullptr, 0) > 0; }

struct Failures {
    std::vector<std::string> items;
    void Check(bool ok, const std::string& what) {
        if (!ok) items.push_back(what);
    }
};

std::string Narrow(const RECT& r) { return RectText(r); }

HWND WaitForWindow(const wchar_t* cls, const wchar_t* title, DWORD ms) {
    DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        HWND h = ::FindWindowW(cls, title);
        if (h && ::IsWindowVisible(h)) return h;
        ::Sleep(50);
    }
    return nullptr;
}

HWND PanelOf(HWND shell) {
    HWND found = nullptr;
    DWORD tid = ::GetWindowThreadProcessId(shell, nullptr);
    struct Ctx { HWND shell; HWND* out; } ctx{shell, &found};
    ::EnumThreadWindows(tid, [](HWND h, LPARAM lp) -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(lp);
        if (::GetWindow(h, GW_OWNER) == c->shell && ::IsWindowVisible(h)) {
            *c->out = h;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&ctx));
    return found;
}

RECT WindowRect(HWND h) {
    RECT r{};
    ::GetWindowRect(h, &r);
    return r;
}

// Real input from the checker thread: the window's thread pumps meanwhile.
void Drag(int x, int y, int dx, int dy) {
    ::SetCursorPos(x, y);
    ::Sleep(100);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    ::SendInput(1, &in, sizeof(in));
    ::Sleep(150);
    for (int i = 1; i <= 5; ++i) {
        ::SetCursorPos(x + dx * i / 5, y + dy * i / 5);
        INPUT mv{};
        mv.type = INPUT_MOUSE;
        mv.mi.dwFlags = MOUSEEVENTF_MOVE;
        ::SendInput(1, &mv, sizeof(mv));
        ::Sleep(60);
    }
    in.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(1, &in, sizeof(in));
    ::Sleep(300);
}

bool Same(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

bool Near(int a, int b, int tolerance) { return std::abs(a - b) <= tolerance; }

void CheckMainWindow(HWND shell, float s, Failures& f) {
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT sr = WindowRect(shell);
    int W = ScalePx(410, s), H = ScalePx(611, s);
    f.Check(sr.right - sr.left == W && sr.bottom - sr.top == H, "shell size " + Narrow(sr));
    f.Check(Near(sr.left, work.left + (work.right - work.left - W) / 2, 1) &&
                Near(sr.top, work.top + (work.bottom - work.top - H) / 2, 1),
            "shell not centred " + Narrow(sr));
    HWND panel = PanelOf(shell);
    f.Check(panel != nullptr, "no visible panel");
    if (!panel) return;
    f.Check(Same(WindowRect(panel), InsetRect(sr, kInsets, s)),
            "panel " + Narrow(WindowRect(panel)) + " over shell " + Narrow(sr));

    // Per-pixel alpha reaches the screen: with the panel hidden the shell's
    // own picture shows, its shadow blended over the black root window.
    ::ShowWindow(panel, SW_HIDE);
    ::Sleep(400);
    Gdiplus::Image* raw = nullptr;
    LoadPngResource(141, raw);
    std::unique_ptr<Gdiplus::Bitmap> png(static_cast<Gdiplus::Bitmap*>(raw));
    if (s == 1.0f && png) {
        struct Probe { int x, y; };
        for (Probe p : {Probe{205, 305}, Probe{100, 500}, Probe{2, 300}, Probe{205, 608}}) {
            Gdiplus::Color c;
            png->GetPixel(p.x, p.y, &c);
            COLORREF screen = ScreenPixel(sr.left + p.x, sr.top + p.y);
            int a = c.GetA();
            int er = c.GetR() * a / 255, eg = c.GetG() * a / 255, eb = c.GetB() * a / 255;
            f.Check(Near(GetRValue(screen), er, 8) && Near(GetGValue(screen), eg, 8) && Near(GetBValue(screen), eb, 8),
                    "pixel " + std::to_string(p.x) + "," + std::to_string(p.y) + " alpha " + std::to_string(a));
        }
    }
    ::ShowWindow(panel, SW_SHOW);
    ::Sleep(200);

    // Moving the shell (as Alt+Space, Move does) brings the panel along.
    ::SetWindowPos(shell, nullptr, sr.left - 40, sr.top - 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::Sleep(200);
    sr = WindowRect(shell);
    f.Check(Same(WindowRect(panel), InsetRect(sr, kInsets, s)), "panel did not follow the shell");

    // The right 186 pixels of the top band do not drag.
    RECT pr = WindowRect(panel);
    Drag(pr.right - 100, pr.top + 60, 30, 40);
    f.Check(Same(WindowRect(shell), sr), "pressing beside the close button dragged");

    // The band drags the panel, and the shell follows it.
    pr = WindowRect(panel);
    Drag(pr.left + 60, pr.top + 30, 35, 45);
    RECT moved = WindowRect(panel);
    f.Check(moved.left == pr.left + 35 && moved.top == pr.top + 45, "panel not dragged: " + Narrow(moved));
    f.Check(Same(WindowRect(shell), OutsetRect(moved, kInsets, s)),
            "shell did not follow the dragged panel " + Narrow(WindowRect(shell)));
    // From then on the panel leads.
    RECT before = WindowRect(panel);
    sr = WindowRect(shell);
    ::SetWindowPos(shell, nullptr, sr.left + 20, sr.top + 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::Sleep(200);
    f.Check(Same(WindowRect(panel), before), "panel followed after it was dragged");

    // The system menu's About entry opens the about box; closing it leaves the window as it was.
    wchar_t item[64] = {};
    ::GetMenuStringW(::GetSystemMenu(shell, FALSE), 0x10, item, 64, MF_BYCOMMAND);
    f.Check(std::wstring(item) == L"&About Tarnwick...", "no About entry in the system menu");
    sr = WindowRect(shell);
    ::PostMessageW(shell, WM_SYSCOMMAND, 0x10, 0);
    HWND about = WaitForWindow(nullptr, L"About Tarnwick", 5000);
    f.Check(about != nullptr, "about box did not open");
    if (about) {
        ::PostMessageW(about, WM_COMMAND, IDOK, 0);
        for (int i = 0; i < 30 && ::IsWindow(about); ++i) ::Sleep(100);
        f.Check(!::IsWindow(about), "about box did not close");
    }
    f.Check(Same(WindowRect(shell), sr) && ::IsWindowVisible(panel), "main window changed");
}

}  // namespace

TEST(ShellChild, MainWindowAsTheUserSeesIt) {
    if (!IsChild()) GTEST_SKIP() << "runs in a copy of the test program";
    Gdiplus::GdiplusStartupInput in;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &in, nullptr);
    Failures failures;
    float s = ScreenScaleFactor();
    std::atomic<bool> checked{false};
    DWORD dialogThread = ::GetCurrentThreadId();
    std::thread checker([&] {
        HWND shell = WaitForWindow(L"#32770", kShellTitle, 15000);
        failures.Check(shell != nullptr, "main window did not appear");
        // Ends the dialog's loop, so that the failure is told at once and
        // not after the parent's time limit.
        if (!shell) ::PostThreadMessageW(dialogThread, WM_QUIT, 0, 0);
        if (shell) {
            ::Sleep(500);
            CheckMainWindow(shell, s, failures);
            ::PostMessageW(shell, WM_CLOSE, 0, 0);
        }
        checked = true;
    });
    {
        CTarnwickDlg dlg;
        dlg.SetOnDestroyed(&ScheduleSelfRemoval);
        dlg.DoModal();
    }
    checker.join();
    Gdiplus::GdiplusShutdown(token);
    for (const auto& item : failures.items) ADD_FAILURE() << item;
}

namespace {

// Copies this program into `folder` and runs the child test there at `dpi`.
int RunChildCopy(const std::wstring& folder, DWORD dpi) {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe = folder + L"\\foundation_tests.exe";
    if (!::CopyFileW(self, exe.c_str(), FALSE)) return -2;
    KeepOnFailure(folder + L"\\LOG.txt");
    DWORD oldDpi = GetLogPixels();
    SetLogPixels(dpi);
    // Wine has no timeout.exe; the stand-in waits as Windows' does. The
    // removal runs from the desktop shell, with the shell's own search path.
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    ::CopyFileW((ProgramFolder() + L"fakes\\timeout.exe").c_str(), (std::wstring(system) + L"\\timeout.exe").c_str(),
                FALSE);
    ::SetEnvironmentVariableW(L"TARNWICK_SHELL_CHILD", L"1");
    int code = RunToExit(L"\"" + exe + L"\" --gtest_filter=ShellChild.*", folder, 90000);
    ::SetEnvironmentVariableW(L"TARNWICK_SHELL_CHILD", nullptr);
    SetLogPixels(oldDpi);
    return code;
}

void PlaceToolFiles(const std::wstring& folder) {
    std::wstring dll = ProgramFolder() + L"DalvexFeedbackInformation.dll";
    if (!::CopyFileW(dll.c_str(), (folder + L"\\DalvexFeedbackInformation.dll").c_str(), FALSE))
        WriteFileBytes(folder + L"\\DalvexFeedbackInformation.dll", "library");
}

bool WaitGone(const std::wstring& path, DWORD ms) {
    DWORD start = ::GetTickCount();
    while (FileExists(path)) {
        if (::GetTickCount() - start > ms) return false;
        ::Sleep(100);
    }
    return true;
}

}  // namespace

TEST(MainWindow, At96DpiClosingRemovesOnlyTheToolsOwnFiles) {
    if (IsChild()) GTEST_SKIP();
    std::wstring folder = MakeTempFolder(L"Tarnwick tool 96");
    PlaceToolFiles(folder);
    ASSERT_TRUE(WriteFileBytes(folder + L"\\my notes.txt", "the user's own"));
    // A log this run did not make is the user's.
    const std::string log = "[2026-12-08 10:00:00] net stop spooler\r\n";
    ASSERT_TRUE(WriteFileBytes(folder + L"\\LOG.txt", log));
    ASSERT_EQ(0, RunChildCopy(folder, 96));
    // One del removes them in turn; the last one named is gone last.
    EXPECT_TRUE(WaitGone(folder + L"\\foundation_tests.exe", 10000));
    EXPECT_TRUE(WaitGone(folder + L"\\DalvexFeedbackInformation.dll", 5000));
    ::Sleep(1500);  // the rmdir that follows must have had its go
    EXPECT_TRUE(FileExists(folder + L"\\my notes.txt"));
    // Kept, and only appended to: the last line says which way the removal went.
    EXPECT_EQ(0u, ReadFileBytes(folder + L"\\LOG.txt").find(log));
    EXPECT_TRUE(FileExists(folder));
}

TEST(MainWindow, At120DpiAndAFolderLeftEmptyIsRemovedToo) {
    if (IsChild()) GTEST_SKIP();
    std::wstring folder = MakeTempFolder(L"Tarnwick tool 120");
    PlaceToolFiles(folder);
    ASSERT_EQ(0, RunChildCopy(folder, 120));
    EXPECT_TRUE(WaitGone(folder, 10000));
}
