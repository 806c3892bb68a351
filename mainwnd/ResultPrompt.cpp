#include "mainwnd/ResultPrompt.h"

BOOL CResultPrompt::OnInitDialog() {
    BOOL focus = CPromptDlg::OnInitDialog();
    m_slot = m_hWnd;
    return focus;
}

// OK gives start back at once: under Wine without a window manager each of
// the prompt's two windows takes 2 s to go, and the user must not wait for that.
void CResultPrompt::OnOK() {
    ::EnableWindow(m_start, TRUE);
    CPromptDlg::OnOK();
}
