#pragma once
#include <atomic>
#include <string>

#include "skin/DrawStateInfoStatic.h"
#include "skin/ResourceImage.h"
#include "skin/SkinPanel.h"

// Written by the repair sequence, drawn by the progress window.
extern std::atomic<int> g_repairProgress;
extern std::wstring g_repairStatusText;

// The progress window's panel: the bar drawn from g_repairProgress and the
// status line showing g_repairStatusText.
class CExecutePromptChildDlg : public CSkinPanel {
public:
    CExecutePromptChildDlg();
    ~CExecutePromptChildDlg() override;

    void LayoutPanel();
    BOOL PreTranslateMessage(MSG* msg) override;

    CDrawStateInfoStatic m_status;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnEraseBkgnd(HDC dc);
    void OnTimer(UINT_PTR id);
    void OnDestroy();

    ImagePtr m_background;
    ImagePtr m_track;
    ImagePtr m_fill;
    int m_lastProgress = -1;
};
