#include "framework/Dialog.h"
#include "framework/WinApp.h"

#include <algorithm>
#include <vector>

namespace {
thread_local CDialog* t_creatingDialog = nullptr;
const wchar_t kFocusCues[] = L"Tarnwick.FocusCues";

bool IsNavigationKey(WPARAM key) {
    return key == VK_TAB || key == VK_SPACE || (key >= VK_LEFT && key <= VK_DOWN);
}
}

RECT KeptInWorkArea(const RECT& r, const RECT& work) {
    int dx = std::max(std::min(0L, work.right - r.right), work.left - r.left);
    int dy = std::max(std::min(0L, work.bottom - r.bottom), work.top - r.top);
    return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

RECT WorkAreaOf(const RECT& r) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (::GetMonitorInfoW(::MonitorFromRect(&r, MONITOR_DEFAULTTOPRIMARY), &info)) return info.rcWork;
    RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

bool FocusCuesShown(HWND control) {
    HWND root = ::GetAncestor(control, GA_ROOT);
    return root && ::GetPropW(root, kFocusCues);
}

void ShowFocusCues(HWND window, bool show) {
    HWND root = ::GetAncestor(window, GA_ROOT);
    if (!root || (::GetPropW(root, kFocusCues) != nullptr) == show) return;
    if (show) ::SetPropW(root, kFocusCues, reinterpret_cast<HANDLE>(1));
    else ::RemovePropW(root, kFocusCues);
    HWND focus = ::GetFocus();
    if (focus && ::GetAncestor(focus, GA_ROOT) == root) ::InvalidateRect(focus, nullptr, TRUE);
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    if (control.m_hWnd || !pDX || !pDX->m_dlg) return;
    control.SubclassDlgItem(static_cast<UINT>(id), pDX->m_dlg);
}

CDialog::~CDialog() {
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        HWND hwnd = m_hWnd;
        // Run the destroy handlers while the object is still whole.
        ::DestroyWindow(hwnd);
    }
}

HWND CDialog::CreateFromTemplate(HWND owner) {
    t_creatingDialog = this;
    HWND hwnd = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner,
                                     &CDialog::StaticDlgProc, reinterpret_cast<LPARAM>(this));
    t_creatingDialog = nullptr;
    return hwnd;
}

bool CDialog::Create(UINT templateId, CWnd* parent) {
    if (m_hWnd) return false;
    m_templateId = templateId;
    m_parent = parent;
    m_modal = false;
    return CreateFromTemplate(parent ? parent->m_hWnd : nullptr) != nullptr;
}

namespace {
// The windows of this thread that a modal dialog blocks, as a message box does.
struct Blocked {
    HWND except;
    std::vector<HWND> windows;
};
BOOL CALLBACK CollectEnabled(HWND hwnd, LPARAM lParam) {
    auto* b = reinterpret_cast<Blocked*>(lParam);
    if (hwnd != b->except && ::IsWindowEnabled(hwnd) && ::IsWindowVisible(hwnd)) b->windows.push_back(hwnd);
    return TRUE;
}
}

INT_PTR CDialog::DoModal() {
    if (m_hWnd) return -1;
    HWND owner = m_parent ? m_parent->m_hWnd : nullptr;
    if (!owner) {
        // Like the framework: with no parent, the main window of this thread owns it.
        CWnd* main = CWinApp::MainWnd();
        if (main && main->m_hWnd && main != this &&
            ::GetWindowThreadProcessId(main->m_hWnd, nullptr) == ::GetCurrentThreadId())
            owner = main->m_hWnd;
    }
    m_modal = true;
    m_endModal = false;
    m_result = -1;
    Blocked blocked{nullptr, {}};
    ::EnumThreadWindows(::GetCurrentThreadId(), &CollectEnabled, reinterpret_cast<LPARAM>(&blocked));
    if (!CreateFromTemplate(owner)) {
        m_modal = false;
        return -1;
    }
    for (HWND h : blocked.windows)
        if (h != m_hWnd) ::EnableWindow(h, FALSE);
    if (!m_endModal && m_hWnd) ::ShowWindow(m_hWnd, SW_SHOW);

    MSG msg;
    while (!m_endModal) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // Keep the quit for the loop above us.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            if (!m_endModal) m_result = IDCANCEL;
            break;
        }
        if (got == -1) break;
        // Up the chain of windows, then translate and dispatch.
        bool handled = false;
        for (HWND h = msg.hwnd; h && !handled; h = ::GetParent(h))
            if (CWnd* w = FromHandlePermanent(h)) handled = w->PreTranslateMessage(&msg) != FALSE;
        if (handled) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    for (HWND h : blocked.windows)
        if (::IsWindow(h)) ::EnableWindow(h, TRUE);
    if (m_hWnd) {
        if (owner && ::IsWindow(owner) && ::GetActiveWindow() == m_hWnd) ::SetActiveWindow(owner);
        ::DestroyWindow(m_hWnd);
    }
    m_modal = false;
    return m_result;
}

void CDialog::EndDialog(INT_PTR result) {
    m_result = result;
    if (m_modal) {
        m_endModal = true;
        if (m_hWnd) ::ShowWindow(m_hWnd, SW_HIDE);
        // Wake the loop if it is waiting.
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
    } else if (m_hWnd) {
        ::ShowWindow(m_hWnd, SW_HIDE);
    }
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return FALSE;
    HWND root = ::GetAncestor(msg->hwnd, GA_ROOT);
    if (root != m_hWnd && msg->hwnd != m_hWnd) return FALSE;
    if (msg->message == WM_KEYDOWN && IsNavigationKey(msg->wParam)) ShowFocusCues(m_hWnd, true);
    return ::IsDialogMessageW(m_hWnd, msg);
}

BOOL CDialog::OnInitDialog() {
    CDataExchange dx(this);
    DoDataExchange(&dx);
    return TRUE;
}

bool CDialog::OnCommand(WPARAM wParam, LPARAM) {
    switch (LOWORD(wParam)) {
    case IDOK: OnOK(); return true;
    case IDCANCEL: OnCancel(); return true;
    default: return false;
    }
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND) {
        if (OnCommand(wParam, lParam)) return 0;
        return Default();
    }
    if ((msg == WM_CHANGEUISTATE || msg == WM_UPDATEUISTATE) && (HIWORD(wParam) & UISF_HIDEFOCUS) &&
        LOWORD(wParam) != UIS_INITIALIZE)
        ShowFocusCues(m_hWnd, LOWORD(wParam) == UIS_CLEAR);
    return CWnd::WindowProc(msg, wParam, lParam);
}

void CDialog::CenterIfUnmoved(const RECT& before) {
    RECT now = GetWindowRect();
    if (now.left != before.left || now.top != before.top) return;
    if (GetStyle() & WS_CHILD) return;
    int w = now.right - now.left, h = now.bottom - now.top;
    RECT area{};
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
        ::GetWindowRect(owner, &area);
    } else {
        MONITORINFO mi{};
        mi.cbSize = sizeof(mi);
        ::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &mi);
        area = mi.rcWork;
    }
    int x = area.left + ((area.right - area.left) - w) / 2;
    int y = area.top + ((area.bottom - area.top) - h) / 2;
    // Centred on a smaller owner, it may still not start above or left of
    // the screen's work area, where its top row would be out of reach.
    RECT placed = KeptInWorkArea(RECT{x, y, x + w, y + h}, WorkAreaOf(area));
    ::SetWindowPos(m_hWnd, nullptr, placed.left, placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK CDialog::StaticDlgProc(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
    if (msg != WM_INITDIALOG) return FALSE;
    CDialog* dlg = reinterpret_cast<CDialog*>(lParam);
    if (!dlg) dlg = t_creatingDialog;
    if (!dlg) return TRUE;
    // From here every message goes through the object's WindowProc; the dialog
    // manager's own procedure stays behind it as the default.
    dlg->SubclassWindow(hwnd);
    RECT before = dlg->GetWindowRect();
    BOOL focus = dlg->OnInitDialog();
    // Like the framework we stand in for: a modal dialog that its
    // initialisation did not place is centred.
    if (dlg->m_modal && dlg->m_hWnd) dlg->CenterIfUnmoved(before);
    return focus;
}
