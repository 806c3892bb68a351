#include "mainwnd/TarnwickDlg.h"

#include "dialogs/FrontWindow.h"
#include "framework/Gdi.h"
#include "mainwnd/AboutDlg.h"
#include "mainwnd/TarnwickDlgOP.h"
#include "res/images.h"
#include "res/resource.h"
#include "skin/Drawing.h"

namespace {
const ShellInsets kMainInsets{5, 4, 5, 7};
}

CTarnwickDlg::CTarnwickDlg() : CLayeredShell(IDD_TARNWICK_DIALOG, kMainInsets) {
    m_hIcon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                              IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

CTarnwickDlg::~CTarnwickDlg() = default;

CTarnwickDlgOP* CTarnwickDlg::PanelOP() const { return static_cast<CTarnwickDlgOP*>(m_panel.get()); }

BOOL CTarnwickDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();

    HMENU sysMenu = ::GetSystemMenu(m_hWnd, FALSE);
    wchar_t about[128] = {};
    ::LoadStringW(::GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, 128);
    if (sysMenu && about[0]) {
        ::AppendMenuW(sysMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(sysMenu, MF_STRING, IDM_ABOUTBOX, about);
    }
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    InitLayeredShell();
    SetWindowText(L"打印机无响应修复工具");
    MarkFrontWindow(m_hWnd, FrontRank::Main);
    return TRUE;
}

bool CTarnwickDlg::InitLayeredShell() {
    // The resolution's factor, lowered where the window would not fit the
    // screen: a title bar or a row above or below it is out of reach.
    RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    RECT work = WorkAreaOf(screen);
    m_scale = FittedScale(ScreenScaleFactor(), kBaseWidth, kBaseHeight, work);
    m_fontShrink = FontShrink(m_scale, ScreenScaleFactor());
    RECT target =
        KeptInWorkArea(CentredShellRect(screen.right, screen.bottom, kBaseWidth, kBaseHeight, m_scale), work);
    auto panel = std::make_unique<CTarnwickDlgOP>();
    panel->m_scale = m_scale;
    return StartShell(target, IDP_MAIN_SHELL, std::move(panel), IDD_OPERATION_PANEL);
}

void CTarnwickDlg::LayoutPanel() { PanelOP()->LayoutPanelControls(); }

void CTarnwickDlg::OnSysCommand(UINT id, LPARAM) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
        return;
    }
    Default();
}

void CTarnwickDlg::OnPaint() {
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(m_hWnd);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0);
    RECT r = GetClientRect();
    int x = (r.right - r.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (r.bottom - r.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
}

void CTarnwickDlg::OnDestroy() {
    UnmarkFrontWindow(m_hWnd);
    CLayeredShell::OnDestroy();
    if (m_onDestroyed) m_onDestroyed();
}

LRESULT CTarnwickDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam), lParam);
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_hIcon);
    case WM_QUERYENDSESSION:
        return PanelOP() && PanelOP()->IsShutdownGuarded() ? FALSE : TRUE;
    case WM_ENDSESSION:
        if (wParam && PanelOP()) PanelOP()->OnSessionEnding();
        return 0;
    default:
        return CLayeredShell::WindowProc(msg, wParam, lParam);
    }
}
