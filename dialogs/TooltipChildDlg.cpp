#include "dialogs/TooltipChildDlg.h"

#include "dialogs/AgreementText.h"
#include "dialogs/DialogLayout.h"
#include "framework/Gdi.h"
#include "res/images.h"
#include "res/resource.h"
#include "skin/ResourceImage.h"
#include "skin/SkinScrollWnd.h"

CTooltipChildDlg::CTooltipChildDlg() : CSkinPanel(IDD_TOOLTIP_PANEL) {}

CTooltipChildDlg::~CTooltipChildDlg() = default;

void CTooltipChildDlg::DoDataExchange(CDataExchange* pDX) { DDX_Control(pDX, IDC_AGREEMENT_TEXT, m_agreementText); }

void CTooltipChildDlg::LoadAgreementText() {
    if (!m_agreementText.IsWindow()) return;
    m_agreementText.MoveWindow(AgreementEditRect(GetClientRect(), m_scale), true);
    if (!m_agreementBitmap) {
        CBitmap skin(static_cast<HBITMAP>(::LoadImageW(ResourceModule(), MAKEINTRESOURCEW(IDB_SCROLLBAR_SKIN),
                                                       IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        m_agreementBitmap = std::move(skin);
    }
    SkinWndScroll(m_agreementText.m_hWnd, m_agreementBitmap.Get(), m_scale, 0);
    // A rich edit keeps its own default face unless told: it takes the
    // panel's, as the rest of the tool's text does.
    if (HFONT font = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)))
        ::SendMessageW(m_agreementText.m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    m_agreementText.SetWindowText(AgreementText());
}

bool CTooltipChildDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    // Enter or Escape in the text would otherwise hide the panel behind the
    // shell's back.
    if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) return true;
    return CSkinPanel::OnCommand(wParam, lParam);
}

BOOL CTooltipChildDlg::OnEraseBkgnd(HDC dc) {
    RECT c = GetClientRect();
    if (c.right <= 0 || c.bottom <= 0) return TRUE;
    CMemoryDC mem(dc);
    CBitmap bitmap(::CreateCompatibleBitmap(dc, c.right, c.bottom));
    if (!mem || !bitmap) return TRUE;
    CSelectObject select(mem, bitmap);
    if (!m_background && !LoadPngResource(IDP_AGREEMENT_SHEET, m_background)) return TRUE;
    {
        Gdiplus::Graphics g(mem.Get());
        // The picture's last column and its transparent bottom strip stay out.
        INT w = static_cast<INT>(m_background->GetWidth()) - 1;
        INT h = static_cast<INT>(m_background->GetHeight()) - 18;
        g.DrawImage(m_background.get(), Gdiplus::Rect(c.left, c.top, c.right - c.left, c.bottom - c.top), 0, 0, w, h,
                    Gdiplus::UnitPixel);
    }
    ::BitBlt(dc, 0, 0, c.right, c.bottom, mem, 0, 0, SRCCOPY);
    return TRUE;
}

void CTooltipChildDlg::OnDestroy() {
    m_background.reset();
}

void CTooltipChildDlg::PostNcDestroy() {
    // The skinned bars draw from this bitmap until they are gone, and they go
    // with the children, after this window's WM_DESTROY.
    m_agreementBitmap.Reset();
}

LRESULT CTooltipChildDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND: return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_DESTROY: {
        LRESULT r = Default();
        OnDestroy();
        return r;
    }
    default: return CSkinPanel::WindowProc(msg, wParam, lParam);
    }
}
