#pragma once
#include "dialogs/DialogLayout.h"
#include "skin/LayeredShell.h"

// The progress window of a repair run. It stays until WM_CLOSE_EXECUTE_PROMPT
// arrives, then DoModal returns IDOK.
class CExecutePromptDlg : public CLayeredShell {
public:
    // Drawn at ProgressScale of the main window's factor.
    explicit CExecutePromptDlg(float mainScale = kExecutePromptScale);
    ~CExecutePromptDlg() override;

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    void LayoutPanel() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // The run goes on whatever the keys say: only the close message ends it.
    void OnOK() override {}
    void OnCancel() override {}
    void OnDestroy() override;
};
