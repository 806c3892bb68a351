#pragma once
#include <string>

#include "dialogs/DialogLayout.h"
#include "skin/DrawTextStatic.h"
#include "skin/GDIPngButton.h"
#include "skin/ResourceImage.h"
#include "skin/SkinPanel.h"

// The prompt's panel: close glyph, OK, Cancel and the message.
class CPromptChildDlg : public CSkinPanel {
public:
    CPromptChildDlg();
    ~CPromptChildDlg() override;

    // Places and skins the controls from the client rectangle.
    void LayoutPanel();
    BOOL PreTranslateMessage(MSG* msg) override;

    std::wstring m_promptText;
    int m_promptMode = kPromptOk;

    CGDIPngButton m_close;
    CGDIPngButton m_ok;
    CGDIPngButton m_cancel;
    CDrawTextStatic m_message;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    RECT DragBand() const override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnEraseBkgnd(HDC dc);
    void OnDestroy();

    ImagePtr m_background;
};
