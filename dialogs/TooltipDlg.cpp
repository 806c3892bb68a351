#include "dialogs/TooltipDlg.h"

#include "dialogs/DialogLayout.h"
#include "dialogs/TooltipChildDlg.h"
#include "res/images.h"
#include "res/resource.h"

CTooltipDlg::CTooltipDlg() : CLayeredShell(IDD_TOOLTIP_SHELL, ShellInsets{1, 1, 2, 18}) {}

CTooltipDlg::~CTooltipDlg() = default;

CTooltipChildDlg* CTooltipDlg::PanelChild() const { return static_cast<CTooltipChildDlg*>(m_panel.get()); }

BOOL CTooltipDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();

    SIZE size = TooltipShellSize(m_scale);
    RECT wr = GetWindowRect();
    auto panel = std::make_unique<CTooltipChildDlg>();
    panel->m_scale = m_scale;
    StartShell(RECT{wr.left, wr.top, wr.left + size.cx, wr.top + size.cy}, IDP_AGREEMENT_SHEET, std::move(panel),
               IDD_TOOLTIP_PANEL);
    return TRUE;
}

RECT CTooltipDlg::PanelCreationRect(const RECT& shell) const { return TooltipPanelAtCreation(shell, m_scale); }

void CTooltipDlg::LayoutPanel() { PanelChild()->LoadAgreementText(); }

RECT CTooltipDlg::AlignedPanelRect(const RECT& shell) const { return TooltipPanelAligned(shell, m_scale); }

void CTooltipDlg::ShowPanel(bool show) {
    if (m_panel && m_panel->IsWindow()) m_panel->ShowWindow(show ? SW_SHOW : SW_HIDE);
}
