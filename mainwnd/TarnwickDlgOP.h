#pragma once
#include <atomic>
#include <string>

#include "exec/CmdCommandOp.h"
#include "exec/EventThread.h"
#include "exec/FeedbackInformation.h"
#include "mainwnd/RepairSequence.h"
#include "skin/CheckBoxBtn.h"
#include "skin/DrawTextStatic.h"
#include "skin/GDIPngButton.h"
#include "skin/SkinPanel.h"

class CExecutePromptDlg;
class CTooltipDlg;

// Where each control of the main panel goes, from the client rectangle, the
// scale factor and the measured widths of the two agreement-line texts.
struct PanelLayout {
    RECT close, minimise, start, moreTools, version, feedbackText, agreeBox, agreementTitle;
};
PanelLayout ComputePanelLayout(const RECT& client, float s, int feedbackTextWidth, int agreementLineWidth);

// The main window's panel: every control of the main screen, the start-up
// checks and the repair run.
class CTarnwickDlgOP : public CSkinPanel, private IRepairActions {
public:
    CTarnwickDlgOP();
    ~CTarnwickDlgOP() override;

    void LayoutPanelControls();
    int MeasureTextWidth(const std::wstring& text, HFONT drawnIn = nullptr);
    BOOL PreTranslateMessage(MSG* msg) override;
    // While the spooler is switched off by a run, Windows is asked not to
    // shut down, and a session that ends anyway gets it back.
    bool IsShutdownGuarded() const;
    void OnSessionEnding();

    static constexpr const wchar_t* kToolId = L"10042";
    static constexpr const wchar_t* kToolVersion = L"1.0.1";

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
    void OnDestroy();

    void StartRepair();
    static bool RunRepairStep(void* panel);
    static bool OnCommandOutput(const char* text, int length, void* panel);
    static void OnCommandEnded(unsigned tag, void* panel);
    void RestoreInterruptedRun();
    void OnGuardShutdown(bool on);
    void ShowRepairResult(bool success);

private:
    // What a run does, for the sequence.
    bool HasRunner() override;
    bool RunCommand(const char* command, int length, unsigned tag) override;
    void EndCommand() override;
    bool Confirms(SpoolerCheck check) override;
    void RecordSpoolerDisabled(bool disabled) override;
    void GuardShutdown(bool on) override;
    void Log(const std::string& line) override;
    void CloseProgress() override;
    void ShowResult(bool success) override;
    bool LoadBackground();

    CEventThread m_stepThread;
    RECT m_clientRect{};
    CGDIPngButton m_closeButton, m_minButton, m_moreToolsButton, m_startButton;
    std::atomic<CExecutePromptDlg*> m_executePrompt{nullptr};
    Gdiplus::Image* m_background = nullptr;
    std::atomic<CCmdCommandOp*> m_runner{nullptr};
    CDrawTextStatic m_versionLabel, m_feedbackText;
    CCheckBoxBtn m_agreeBox;
    CDrawTextStatic m_agreementTitle;
    CTooltipDlg* m_agreement = nullptr;
    CRepairSequence m_sequence;
    CFeedbackInformation m_feedback;
    // The result prompt runs on the step thread; closing the tool closes it first.
    std::atomic<HWND> m_resultPrompt{nullptr};
    std::atomic<bool> m_shutdownGuard{false};
};
