#pragma once
#include <atomic>
#include <memory>
#include <string>

#include "exec/FeedbackInformation.h"
#include "mainwnd/PanelLayout.h"
#include "mainwnd/RepairRun.h"
#include "mainwnd/ResultPrompt.h"
#include "skin/CheckBoxBtn.h"
#include "skin/DrawTextStatic.h"
#include "skin/GDIPngButton.h"
#include "skin/ResourceImage.h"
#include "skin/SkinPanel.h"

class CExecutePromptDlg;
class CTooltipDlg;

// The main window's panel: every control of the main screen; the repair run
// has its own object.
class CTarnwickDlgOP : public CSkinPanel, private IRepairRunView {
public:
    CTarnwickDlgOP();
    ~CTarnwickDlgOP() override;

    void LayoutPanelControls();
    int MeasureTextWidth(const std::wstring& text, HFONT drawnIn = nullptr);
    BOOL PreTranslateMessage(MSG* msg) override;
    // While the spooler is switched off by a run, Windows is asked not to
    // shut down, and a session that ends anyway gets it back.
    bool IsShutdownGuarded() const { return m_run.IsShutdownGuarded(); }
    void OnSessionEnding() { m_run.OnSessionEnding(); }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    RECT DragBand() const override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    // The panel is no modeless dialog to be dismissed: the keys do nothing.
    void OnOK() override {}
    void OnCancel() override {}

    BOOL OnEraseBkgnd(HDC dc);
    void OnLButtonDown(POINT client);
    void OnCloseButton();
    void OnAgreeClicked();
    void ToggleAgreement();
    void HideAgreement();
    void ShowAgreement(bool show);
    void OnDestroy();

    void StartRepair();
    void OnGuardShutdown(bool on);
    void OnShowProgress(unsigned run);
    void OnCloseProgress(unsigned run);

private:
    // What a run shows, for the run.
    void ShowProgress() override;
    void CloseProgress() override;
    void ShowResult(RunResult result, const PrinterNotice& notice) override {
        ShowRunResult(m_resultPrompt, m_startButton.m_hWnd, m_scale, result, notice);
    }
    void ShowBusy() override;
    void ShutdownGuardChanged(bool on) override;
    bool LoadBackground();

    RECT m_clientRect{};
    CGDIPngButton m_closeButton, m_minButton, m_moreToolsButton, m_startButton;
    // The progress window of the last run; the user-interface thread's alone.
    std::unique_ptr<CExecutePromptDlg> m_executePrompt;
    unsigned m_progressClosed = 0;
    // Runs begun, counted by the step thread.
    std::atomic<unsigned> m_runsBegun{0};
    ImagePtr m_background;
    CDrawTextStatic m_versionLabel, m_feedbackText;
    CCheckBoxBtn m_agreeBox;
    CDrawTextStatic m_agreementTitle;
    std::unique_ptr<CTooltipDlg> m_agreement;
    CFeedbackInformation m_feedback;
    // The result prompt runs on the step thread; closing the tool closes it first.
    std::atomic<HWND> m_resultPrompt{nullptr};
    CRepairRun m_run;
};
