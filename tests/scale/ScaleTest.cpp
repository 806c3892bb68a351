#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>
#include <sstream>
#include <string>
#include <vector>

#include "dialogs/DialogLayout.h"
#include "dialogs/DialogMessages.h"
#include "dialogs/ExecutePromptChildDlg.h"
#include "dialogs/ExecutePromptDlg.h"
#include "dialogs/ProblemSolvingFeedbackChildDlg.h"
#include "dialogs/ProblemSolvingFeedbackDlg.h"
#include "dialogs/PromptDlg.h"
#include "framework/Gdi.h"
#include "mainwnd/ResultPrompt.h"
#include "mainwnd/TarnwickDlg.h"
#include "skin/CheckBoxBtn.h"
#include "skin/Drawing.h"
#include "skin/DrawStateInfoStatic.h"
#include "skin/DrawTextStatic.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/support/TestSupport.h"

// Every window of the tool, at a resolution of the screen, shows each of its
// texts whole, and lies inside its screen and its parent. The windows are
// opened as the tool opens them, in a copy of this program started at each
// resolution in turn.

namespace {

bool IsChild() { return ::GetEnvironmentVariableW(L"TARNWICK_SCALE_CHILD", nullptr, 0) > 0; }

std::string Narrow(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) s += c < 128 ? static_cast<char>(c) : '?';
    return s;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// What a control draws as text: the text, its font, its DrawText format and
// the part of the control it draws in. False where it draws none (image
// buttons, the scrolling agreement).
struct DrawnText {
    std::wstring text;
    HFONT font = nullptr;
    UINT format = 0;
    RECT area{};
};

bool TextOf(HWND h, DrawnText& out) {
    CWnd* w = CWnd::FromHandlePermanent(h);
    ::GetClientRect(h, &out.area);
    wchar_t buf[512] = {};
    ::GetWindowTextW(h, buf, 512);
    out.text = buf;
    if (auto* label = dynamic_cast<CDrawTextStatic*>(w)) {
        int format = DrawTextStaticFormat(label->TextAlign());
        if (format < 0) return false;
        out.font = label->Font();
        out.format = static_cast<UINT>(format);
    } else if (auto* box = dynamic_cast<CCheckBoxBtn*>(w)) {
        out.font = box->Font();
        out.format = DT_SINGLELINE;
        out.area.left = CheckBoxTextLeft(out.area, box->scale);
    } else if (auto* status = dynamic_cast<CDrawStateInfoStatic*>(w)) {
        out.font = status->Font();
        out.format = static_cast<UINT>(StateInfoFormat(status->TextAlign()));
        out.text = status->StateText();
    } else {
        return false;
    }
    return !out.text.empty();
}

// Problems of one shown window: `name` says which, in each line.
class WindowCheck {
public:
    std::vector<std::string> problems;

    void Check(HWND shell, HWND panel, const std::string& name) {
        RECT shellRect{}, panelRect{};
        ::GetWindowRect(shell, &shellRect);
        ::GetWindowRect(panel, &panelRect);
        RECT work = WorkAreaOf(shellRect);
        if (!Inside(shellRect, work)) Add(name, "window " + RectText(shellRect) + " is not inside the work area " + RectText(work));
        if (!Inside(panelRect, shellRect)) Add(name, "panel " + RectText(panelRect) + " is outside its window");
        m_name = name;
        m_shellRect = shellRect;
        ::EnumChildWindows(panel, [](HWND child, LPARAM self) -> BOOL {
            reinterpret_cast<WindowCheck*>(self)->CheckControl(child);
            return TRUE;
        }, reinterpret_cast<LPARAM>(this));
    }

private:
    void Add(const std::string& name, const std::string& what) { problems.push_back(name + ": " + what); }

    void CheckControl(HWND control) {
        if (!::IsWindowVisible(control)) return;
        RECT r{};
        ::GetWindowRect(control, &r);
        std::string id = "control " + std::to_string(::GetDlgCtrlID(control));
        DrawnText t;
        bool drawsText = TextOf(control, t);
        // A static that shows nothing may lie anywhere; whatever shows or takes a key lies in the window.
        bool shows = drawsText || (::GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP);
        if (shows && !Inside(r, m_shellRect)) Add(m_name, id + " " + RectText(r) + " is outside its window");
        if (!drawsText) return;
        int width = t.area.right - t.area.left, height = t.area.bottom - t.area.top;
        RECT need{0, 0, width, 0};
        HDC dc = ::GetDC(control);
        HGDIOBJ old = ::SelectObject(dc, t.font);
        ::DrawTextW(dc, t.text.c_str(), static_cast<int>(t.text.size()), &need,
                    DT_CALCRECT | (t.format & (DT_WORDBREAK | DT_SINGLELINE)));
        ::SelectObject(dc, old);
        ::ReleaseDC(control, dc);
        if (need.right > width || need.bottom > height) {
            std::ostringstream s;
            s << id << " \"" << Narrow(t.text) << "\" needs " << need.right << "x" << need.bottom << ", has " << width
              << "x" << height;
            Add(m_name, s.str());
        }
    }

    std::string m_name;
    RECT m_shellRect{};
};

// Shows a shell, checks it, and ends it the way `end` does.
template <typename End>
void ShowAndCheck(CLayeredShell& dlg, const std::string& name, WindowCheck& check, End end) {
    ModalOnThread run(dlg);
    if (!run.WaitShown(15000)) {
        check.problems.push_back(name + ": never shown");
        return;
    }
    check.Check(run.Shell(), run.Panel(), name);
    end(run);
    if (!run.WaitEnded(5000)) check.problems.push_back(name + ": did not close");
}

void PressPromptOk(ModalOnThread& run) { ::PostMessageW(run.Shell(), WM_PROMPT_BUTTON, 1, 0); }

void CheckEveryWindow(WindowCheck& check) {
    CTarnwickDlg main;
    ShowAndCheck(main, "main window", check, [](ModalOnThread& run) { ::PostMessageW(run.Shell(), WM_CLOSE, 0, 0); });
    float scale = main.m_scale;
    // A run on a small screen is there for a lowered factor; one whose
    // window fits as it is tests nothing of that.
    if (::GetEnvironmentVariableW(L"TARNWICK_SCALE_FITTED", nullptr, 0) > 0 && scale >= ScreenScaleFactor()) {
        std::ostringstream s;
        s << "not fitted: its factor " << scale << " is the resolution's own, so this run tests nothing";
        check.problems.push_back("main window: " + s.str());
    }

    CProblemSolvingFeedbackDlg feedback(scale);
    ShowAndCheck(feedback, "feedback", check, [&](ModalOnThread&) {
        HWND close = static_cast<CProblemSolvingFeedbackChildDlg*>(feedback.Panel())->m_close.m_hWnd;
        ::PostMessageW(::GetParent(close), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(close), BN_CLICKED),
                       reinterpret_cast<LPARAM>(close));
    });

    struct Prompt {
        const wchar_t* text;
        int mode;
        float scale;
    };
    const Prompt prompts[] = {
        {L"工具初始化失败", kPromptOkSqueezed, 1.0f},
        {L"检测到当前工具有新的版本更新，请下载最新版本使用。", kPromptOk, scale},
        {L"另一个修复正在进行，请稍后再试", kPromptOk, scale},
        {L"修复失败", kPromptOk, scale},
    };
    for (const Prompt& p : prompts) {
        CPromptDlg prompt;
        prompt.m_scale = p.scale;
        prompt.SetPromptText(p.text);
        prompt.SetPromptMode(p.mode);
        ShowAndCheck(prompt, "prompt " + Narrow(p.text), check, PressPromptOk);
    }
    // The longest result: two printers' names that must give way, and the longest words around them.
    std::atomic<HWND> slot{nullptr};
    CResultPrompt result(slot, nullptr);
    result.m_scale = scale;
    result.SetPromptText(L"修复成功");
    result.SetPromptMode(kPromptOk);
    result.SetPrinterNotice(PrinterNotice{L"Finance Department Colour LaserJet M480f", L"不打印到纸上，请把",
                                          L"Finance Department Colour LaserJet M480f (副本 1)", L"设为默认打印机"});
    ShowAndCheck(result, "result with a printer", check, PressPromptOk);

    g_repairStatusText = L"正在清除打印机任务,请稍等";
    g_repairProgress = 57;
    CExecutePromptDlg progress(scale);
    ShowAndCheck(progress, "progress", check,
                 [](ModalOnThread& run) { ::PostMessageW(run.Shell(), WM_CLOSE_EXECUTE_PROMPT, 0, 0); });
    g_repairProgress = 0;
    g_repairStatusText.clear();
}

// The resolutions this run walks: TARNWICK_SCALE_DPIS, as "120,192", or the six.
std::vector<int> Resolutions() {
    wchar_t buf[128] = {};
    if (!::GetEnvironmentVariableW(L"TARNWICK_SCALE_DPIS", buf, 128)) return {96, 120, 144, 168, 192, 240};
    std::vector<int> out;
    std::wistringstream in(buf);
    for (std::wstring item; std::getline(in, item, L',');) out.push_back(std::stoi(item));
    return out;
}

}  // namespace

TEST(EveryWindow, ItsTextsFitAndItLiesOnTheScreenAtEachResolution) {
    if (IsChild()) GTEST_SKIP();
    int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    std::printf("screen %dx%d\n", width, height);
    // Windows judged on another screen than the run asked for prove nothing.
    wchar_t asked[64] = {};
    if (::GetEnvironmentVariableW(L"TARNWICK_SCREEN", asked, 64)) {
        int w = 0, h = 0;
        ASSERT_EQ(2, swscanf(asked, L"%dx%d", &w, &h)) << "TARNWICK_SCREEN " << Narrow(asked);
        ASSERT_TRUE(w == width && h == height)
            << "the screen is " << width << "x" << height << ", not the " << w << "x" << h << " this run asked for";
    }
    ::SetEnvironmentVariableW(L"TARNWICK_SCALE_CHILD", L"1");
    for (int dpi : Resolutions()) EXPECT_EQ(0, RunSelfAtDpi(static_cast<DWORD>(dpi), "AtThisResolution.*", 90000)) << dpi << " dpi";
    ::SetEnvironmentVariableW(L"TARNWICK_SCALE_CHILD", nullptr);
}

// Run in a copy of this program at each resolution by the test above.
TEST(AtThisResolution, EveryWindow) {
    if (!IsChild()) GTEST_SKIP() << "runs in a copy at each resolution";
    EnsureDialogLibraries();
    WindowCheck check;
    CheckEveryWindow(check);
    for (const auto& p : check.problems) ADD_FAILURE() << ScreenDpi() << " dpi, " << p;
}
