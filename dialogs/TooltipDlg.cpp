#include "dialogs/TooltipDlg.h"

#include "dialogs/DialogLayout.h"
#include "dialogs/TooltipChildDlg.h"
#include "res/images.h"
#include "res/resource.h"

CTooltipDlg::CTooltipDlg() : CLayeredShell(IDD_TOOLTIP_SHELL, ShellInsets{1, 1, 2, 18}) {}

CTooltipDlg::~CTooltipDlg() = default;

CTooltipChildDlg* CTooltipDlg::PanelChild() const { return static_cast<CTooltipChildDlg*>(m_panel); }

BOOL CTooltipDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();

    SIZE size = TooltipShellSize(m_scale);
    RECT shell = GetWindowRect();
    shell.right = shell.left + size.cx;
    shell.bottom = shell.top + size.cy;
    if (!ShowLayeredImage(IDP_AGREEMENT_SHEET, size.cx, size.cy)) return TRUE;

    auto* panel = new CTooltipChildDlg();
    panel->m_scale = m_scale;
    if (!CreatePanelWindow(panel, IDD_TOOLTIP_PANEL)) return TRUE;
    panel->MoveWindow(TooltipPanelAtCreation(shell, m_scale), true);
    panel->ShowWindow(SW_SHOW);
    panel->LoadAgreementText();
    return TRUE;
}

RECT CTooltipDlg::AlignedPanelRect(const RECT& shell) const { return TooltipPanelAligned(shell, m_scale); }

void CTooltipDlg::ShowPanel(bool show) {
    if (m_panel && m_panel->IsWindow()) m_panel->ShowWindow(show ? SW_SHOW : SW_HIDE);
}
