#include "mainwnd/ResultPrompt.h"

#include <algorithm>

#include "dialogs/PromptChildDlg.h"
#include "framework/Gdi.h"
#include "skin/Drawing.h"

namespace {

// Each name cut to `keep` characters, never half a surrogate pair.
std::wstring Cut(const std::wstring& name, size_t keep) {
    if (keep >= name.size()) return name;
    if (keep > 0 && IS_HIGH_SURROGATE(name[keep - 1])) --keep;
    return name.substr(0, keep) + L"…";
}

std::wstring Message(const std::wstring& first, const PrinterNotice& n, size_t keep) {
    std::wstring text = first + L"\r\n“" + Cut(n.name, keep) + L"”" + n.what;
    if (!n.other.empty()) text += L"“" + Cut(n.other, keep) + L"”" + n.after;
    return text;
}

bool Fits(HDC dc, const RECT& area, const std::wstring& text) {
    int width = area.right - area.left, height = area.bottom - area.top;
    RECT r{0, 0, width, 0};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_WORDBREAK);
    // A word longer than the line widens the rectangle instead of wrapping.
    return r.bottom - r.top <= height && r.right - r.left <= width;
}

}  // namespace

std::wstring FitPrinterNotice(HDC dc, const RECT& area, const std::wstring& first, const PrinterNotice& notice) {
    if (notice.Empty()) return first;
    size_t length = std::max(notice.name.size(), notice.other.size());
    if (Fits(dc, area, Message(first, notice, length))) return Message(first, notice, length);
    // The longest beginning of the names that fits.
    size_t low = 0, high = length;
    while (low < high) {
        size_t mid = (low + high + 1) / 2;
        if (Fits(dc, area, Message(first, notice, mid))) low = mid;
        else high = mid - 1;
    }
    return Message(first, notice, low);
}

BOOL CResultPrompt::OnInitDialog() {
    // It takes the main window's factor: lowered to fit the screen, its
    // fonts are made smaller with it.
    m_fontShrink = FontShrink(m_scale, ScreenScaleFactor());
    BOOL focus = CPromptDlg::OnInitDialog();
    auto* panel = static_cast<CPromptChildDlg*>(Panel());
    if (panel && !m_reason.empty()) panel->m_message.SetWindowText(m_promptText + L"\r\n" + m_reason);
    if (!m_notice.Empty()) {
        if (auto* panel = static_cast<CPromptChildDlg*>(Panel())) {
            // Measured as the message draws: its own font, its own rectangle.
            CWindowDC dc(panel->m_message.m_hWnd);
            CSelectObject font(dc, panel->m_message.Font());
            RECT area = panel->m_message.GetClientRect();
            panel->m_message.SetWindowText(FitPrinterNotice(dc, area, m_promptText, m_notice));
        }
    }
    m_slot = m_hWnd;
    return focus;
}

// OK gives start back at once: under Wine without a window manager each of
// the prompt's two windows takes 2 s to go, and the user must not wait for that.
void CResultPrompt::OnOK() {
    GiveStartBack();
    CPromptDlg::OnOK();
}

// The focus goes back to start, as it was when the run began: the panel
// moved it on to the agreement box when start was turned off, where a Space
// would untick the box instead of repairing again.
void CResultPrompt::GiveStartBack() {
    ::EnableWindow(m_start, TRUE);
    if (HWND panel = ::GetParent(m_start)) ::SendMessageW(panel, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_start), TRUE);
}

void CResultPrompt::OnCancel() {
    if (m_startBackOnClose) GiveStartBack();
    CPromptDlg::OnCancel();
}

void ShowRunResult(std::atomic<HWND>& slot, HWND start, float scale, RunResult result, const PrinterNotice& notice) {
    CResultPrompt prompt(slot, start);
    prompt.m_scale = scale;
    prompt.m_fontShrink = FontShrink(scale, ScreenScaleFactor());
    prompt.SetPromptText(result == RunResult::Success ? L"修复成功" : L"修复失败");
    prompt.SetPromptMode(kPromptOk);
    if (result == RunResult::Success) prompt.SetPrinterNotice(notice);
    if (result == RunResult::SpoolerStopsAgain) prompt.SetReason(L"打印服务启动后又自动停止了，可能是打印机驱动有问题");
    // OK has given start back already; doing it again here, seconds later,
    // could turn it on in the middle of the next run.
    prompt.DoModal();
    slot = nullptr;
}

void ShowBusyNotice(std::atomic<HWND>& slot, HWND start, float scale) {
    CResultPrompt prompt(slot, start);
    prompt.m_scale = scale;
    prompt.m_fontShrink = FontShrink(scale, ScreenScaleFactor());
    prompt.SetPromptText(L"另一个修复正在进行，请稍后再试");
    prompt.SetPromptMode(kPromptOk);
    // Nothing ran: however the notice is closed, the user may try again.
    prompt.GiveStartBackOnClose();
    prompt.DoModal();
    slot = nullptr;
}
