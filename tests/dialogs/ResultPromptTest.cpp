#include <gtest/gtest.h>

#include <string>

#include "dialogs/DialogLayout.h"
#include "dialogs/DialogMessages.h"
#include "dialogs/PromptChildDlg.h"
#include "framework/Gdi.h"
#include "mainwnd/ResultPrompt.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

// The message as its static draws it: its font, its width, every line.
RECT MeasuredMessage(CDrawTextStatic& message) {
    RECT area = message.GetClientRect();
    CWindowDC dc(message.m_hWnd);
    CSelectObject font(dc, message.Font());
    std::wstring text = message.GetWindowText();
    RECT r{0, 0, area.right - area.left, 0};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_WORDBREAK);
    return r;
}

// A result prompt naming `printer`: the same size as ever, the first line
// whole, everything inside the text area. Returns the message shown.
std::wstring ShowNotice(float scale, SIZE shellSize, const PrinterNotice& notice) {
    std::atomic<HWND> slot{nullptr};
    CResultPrompt prompt(slot, nullptr);
    prompt.m_scale = scale;
    prompt.SetPromptText(L"修复成功");
    prompt.SetPromptMode(kPromptOk);
    prompt.SetPrinterNotice(notice);
    ModalOnThread run(prompt);
    EXPECT_TRUE(run.WaitShown());
    SIZE shell = WindowSize(run.Shell());
    EXPECT_EQ(shellSize.cx, shell.cx);
    EXPECT_EQ(shellSize.cy, shell.cy);
    CDrawTextStatic& message = static_cast<CPromptChildDlg*>(prompt.Panel())->m_message;
    std::wstring text = message.GetWindowText();
    RECT area = message.GetClientRect(), drawn = MeasuredMessage(message);
    EXPECT_LE(drawn.bottom - drawn.top, area.bottom - area.top) << "taller than the text area";
    EXPECT_LE(drawn.right - drawn.left, area.right - area.left) << "wider than the text area";
    EXPECT_EQ(0u, text.find(L"修复成功\r\n“")) << "the result is no longer the first line";
    std::wstring end = L"”" + (notice.other.empty() ? notice.what : notice.after);
    EXPECT_EQ(text.size() - end.size(), text.rfind(end)) << "the words after the last name are cut";
    ::SendMessageW(run.Shell(), WM_PROMPT_BUTTON, 1, 0);
    EXPECT_TRUE(run.WaitEnded());
    return text;
}

std::wstring ShowNotice(float scale, SIZE shellSize, const std::wstring& printer) {
    return ShowNotice(scale, shellSize, PrinterNotice{printer, L"缺纸", L"", L""});
}

void CheckPrinterNotices(float scale, SIZE shellSize) {
    EXPECT_EQ(L"修复成功\r\n“HP LaserJet”缺纸", ShowNotice(scale, shellSize, L"HP LaserJet"));
    // Two names give way together, each keeping its beginning.
    std::wstring longName(40, L'打');
    std::wstring two = ShowNotice(scale, shellSize, PrinterNotice{longName, L"未连接，请改用", longName + L" (副本 1)", L"打印"});
    EXPECT_EQ(0u, two.find(L"修复成功\r\n“打")) << two;
    EXPECT_NE(std::wstring::npos, two.find(L"打…”未连接，请改用“打")) << two;
    std::wstring latin = L"Finance Department Colour LaserJet Enterprise M480f Floor 3";
    std::wstring chinese(60, L'打');
    ASSERT_EQ(60u, latin.size() + 1);
    latin += L"B";
    EXPECT_EQ(0u, ShowNotice(scale, shellSize, latin).find(L"修复成功\r\n“Finance")) << "the name's beginning stays";
    ShowNotice(scale, shellSize, chinese);
    std::wstring shown = ShowNotice(scale, shellSize, chinese + chinese);
    EXPECT_NE(std::wstring::npos, shown.find(L"打…”缺纸")) << "a name too long for the prompt was not shortened";
}

}  // namespace

TEST(ResultPrompt, APrinterNoticeFitsAt96Dpi) {
    if (ScreenDpi() != 96) GTEST_SKIP() << "needs 96 dpi";
    CheckPrinterNotices(1.0f, SIZE{336, 156});
}

// Run in a child process at 120 dpi by the test below.
TEST(ResultPromptAt120Dpi, APrinterNoticeFits) {
    if (ScreenDpi() != 120) GTEST_SKIP() << "runs in the 120 dpi child";
    CheckPrinterNotices(1.2f, SIZE{403, 187});
}

TEST(ResultPrompt, At120Dpi) { EXPECT_EQ(0, RunSelfAtDpi(120, "ResultPromptAt120Dpi.*")); }
