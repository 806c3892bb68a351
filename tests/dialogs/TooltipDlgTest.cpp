#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/AgreementText.h"
#include "dialogs/TooltipChildDlg.h"
#include "dialogs/TooltipDlg.h"
#include "res/resource.h"
#include "skin/Drawing.h"
#include "skin/SkinScrollWnd.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {
// The overlay created as the operation panel creates it, then placed and shown.
struct Overlay {
    explicit Overlay(float scale) {
        EnsureDialogLibraries();
        dlg.m_scale = scale;
        created = dlg.Create(IDD_TOOLTIP_SHELL, nullptr);
    }
    void Show() {
        dlg.MoveWindow(100, 100, 393, 482, true);
        dlg.ShowWindow(SW_SHOW);
        dlg.ShowPanel(true);
        PumpFor(400);
    }
    CTooltipChildDlg* Panel() { return dlg.PanelChild(); }
    HWND Edit() { return Panel()->m_agreementText.m_hWnd; }
    CSkinScrollWnd* Frame() {
        HWND limit = ::GetParent(Edit());
        return dynamic_cast<CSkinScrollWnd*>(CWnd::FromHandlePermanent(::GetParent(limit)));
    }
    std::wstring DisplayLine(int line) {
        wchar_t buf[512] = {};
        *reinterpret_cast<WORD*>(buf) = 500;
        LRESULT n = ::SendMessageW(Edit(), EM_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(buf));
        std::wstring s(buf, static_cast<size_t>(n));
        while (!s.empty() && (s.back() == L'\r' || s.back() == L'\n')) s.pop_back();
        return s;
    }
    std::wstring Text() {
        int n = ::GetWindowTextLengthW(Edit());
        std::wstring s(static_cast<size_t>(n) + 1, L'\0');
        n = ::GetWindowTextW(Edit(), &s[0], n + 1);
        s.resize(static_cast<size_t>(n));
        return s;
    }
    int FirstVisibleLine() { return static_cast<int>(::SendMessageW(Edit(), EM_GETFIRSTVISIBLELINE, 0, 0)); }
    bool LastCharacterVisible() {
        int last = ::GetWindowTextLengthW(Edit()) - 1;
        POINTL pt{};
        ::SendMessageW(Edit(), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&pt), last);
        RECT client{};
        ::GetClientRect(Edit(), &client);
        // The edit is a little larger than its clipping window; what shows is the limit's client.
        RECT limit{};
        ::GetClientRect(::GetParent(Edit()), &limit);
        return pt.y >= 0 && pt.y < limit.bottom;
    }
    CTooltipDlg dlg;
    bool created = false;
};

// The text as paragraphs, whatever line ends the control reports.
std::vector<std::wstring> Paragraphs(std::wstring text) {
    std::vector<std::wstring> out;
    std::wstring cur;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' || text[i] == L'\n') {
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            out.push_back(cur);
            cur.clear();
        } else {
            cur += text[i];
        }
    }
    out.push_back(cur);
    return out;
}
}

TEST(TooltipDlg, CreatedHiddenWithItsPanelAndTheWholeText) {
    Overlay o(1.0f);
    ASSERT_TRUE(o.created);
    ASSERT_NE(nullptr, o.Panel());
    EXPECT_FALSE(o.dlg.IsWindowVisible());
    EXPECT_TRUE(o.Panel()->IsWindowVisible());
    SIZE shell = WindowSize(o.dlg.m_hWnd);
    EXPECT_EQ(390, shell.cx);
    EXPECT_EQ(470, shell.cy);
    EXPECT_RECT_EQ(RECT({1, 1, 389, 453}), RectInClient(o.Panel()->m_hWnd, o.dlg.m_hWnd));

    std::vector<std::wstring> shown = Paragraphs(o.Text());
    std::vector<std::wstring> source = Paragraphs(AgreementText());
    EXPECT_EQ(63u, shown.size());
    EXPECT_EQ(source, shown);
    EXPECT_EQ(L"达维服务工具使用许可协议", o.DisplayLine(0));
    EXPECT_EQ(L"", o.DisplayLine(1));
    EXPECT_EQ(L"重要须知", o.DisplayLine(2));
}

TEST(TooltipDlg, PanelFollowsEveryMoveAndShowPanelToggles) {
    Overlay o(1.0f);
    ASSERT_TRUE(o.created);
    o.Show();
    EXPECT_RECT_EQ(RECT({1, 1, 391, 464}), RectInClient(o.Panel()->m_hWnd, o.dlg.m_hWnd));
    o.dlg.MoveWindow(300, 50, 393, 482, true);
    EXPECT_RECT_EQ(RECT({1, 1, 391, 464}), RectInClient(o.Panel()->m_hWnd, o.dlg.m_hWnd));
    o.dlg.ShowPanel(false);
    EXPECT_FALSE(o.Panel()->IsWindowVisible());
    o.dlg.ShowPanel(true);
    EXPECT_TRUE(o.Panel()->IsWindowVisible());
    // Neither window is dragged.
    RECT before = o.Panel()->GetWindowRect();
    POINT p = ClientPointOnScreen(o.Panel()->m_hWnd, 100, 3);
    MouseMoveTo(p.x, p.y);
    MouseDown();
    MouseMoveTo(p.x + 40, p.y + 40);
    MouseUp();
    EXPECT_RECT_EQ(before, o.Panel()->GetWindowRect());
}

TEST(TooltipDlg, ReadOnlyToTheKeyboard) {
    Overlay o(1.0f);
    ASSERT_TRUE(o.created);
    o.Show();
    EXPECT_NE(0, ::GetWindowLongPtrW(o.Edit(), GWL_STYLE) & ES_READONLY);
    std::wstring before = o.Text();
    POINT p = ClientPointOnScreen(o.Edit(), 60, 10);
    ClickAt(p.x, p.y);
    PumpFor(200);
    for (WORD vk : {WORD('A'), WORD(VK_BACK), WORD(VK_DELETE), WORD(VK_RETURN), WORD('Z')}) PressKey(vk);
    PumpFor(200);
    EXPECT_EQ(before, o.Text());
    EXPECT_TRUE(o.Panel()->IsWindowVisible());
}

TEST(TooltipDlg, SkinnedVerticalBarEvenWhenTheTextFits) {
    Overlay o(1.0f);
    ASSERT_TRUE(o.created);
    CSkinScrollWnd* frame = o.Frame();
    ASSERT_NE(nullptr, frame);
    // The frame takes the control's place, inset trunc(8s) in the panel as created.
    RECT client = o.Panel()->GetClientRect();
    EXPECT_RECT_EQ(RECT({8, 8, client.right - 8, client.bottom - 8}), RectInClient(frame->m_hWnd, o.Panel()->m_hWnd));
    o.Show();
    EXPECT_TRUE(frame->VertBar().IsWindowVisible());

    o.Panel()->m_agreementText.SetWindowText(L"短短一行");
    PumpFor(400);
    EXPECT_TRUE(frame->VertBar().IsWindowVisible());
    RECT bar = RectInClient(frame->VertBar().m_hWnd, frame->m_hWnd);
    RECT frameClient = frame->GetClientRect();
    EXPECT_EQ(frameClient.right, bar.right);
    EXPECT_GT(bar.right - bar.left, 0);
    EXPECT_GT(bar.bottom - bar.top, 100);
}

TEST(TooltipDlg, ScrollsThroughTheWholeTextWithTheSkinnedBar) {
    Overlay o(1.0f);
    ASSERT_TRUE(o.created);
    o.Show();
    CSkinScrollWnd* frame = o.Frame();
    ASSERT_NE(nullptr, frame);
    HWND bar = frame->VertBar().m_hWnd;
    RECT r{};
    ::GetWindowRect(bar, &r);
    ASSERT_FALSE(o.LastCharacterVisible());
    EXPECT_EQ(0, o.FirstVisibleLine());
    // Presses on the track near the bottom page down until nothing moves.
    int last = -1;
    for (int i = 0; i < 60 && o.FirstVisibleLine() != last; ++i) {
        last = o.FirstVisibleLine();
        ClickAt((r.left + r.right) / 2, r.bottom - 20);
        PumpFor(150);
    }
    EXPECT_GT(o.FirstVisibleLine(), 20);
    EXPECT_TRUE(o.LastCharacterVisible());
    // And back to the top through the upper end of the track.
    for (int i = 0; i < 60 && o.FirstVisibleLine() != 0; ++i) {
        ClickAt((r.left + r.right) / 2, r.top + 20);
        PumpFor(150);
    }
    EXPECT_EQ(0, o.FirstVisibleLine());
}

// Run in a child process at 120 dpi by the test below.
TEST(TooltipAt120Dpi, TextInsetByNinePixels) {
    if (ScreenDpi() != 120) GTEST_SKIP() << "runs in the 120 dpi child";
    Overlay o(ScreenScaleFactor());
    ASSERT_TRUE(o.created);
    SIZE shell = WindowSize(o.dlg.m_hWnd);
    EXPECT_EQ(468, shell.cx);
    EXPECT_EQ(564, shell.cy);
    CSkinScrollWnd* frame = o.Frame();
    ASSERT_NE(nullptr, frame);
    RECT client = o.Panel()->GetClientRect();
    EXPECT_RECT_EQ(RECT({9, 9, client.right - 9, client.bottom - 9}), RectInClient(frame->m_hWnd, o.Panel()->m_hWnd));
}

TEST(TooltipDlg, At120Dpi) { EXPECT_EQ(0, RunSelfAtDpi(120, "TooltipAt120Dpi.*")); }
