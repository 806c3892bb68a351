#pragma once
#include "framework/Gdi.h"
#include "framework/RichEditCtrl.h"
#include "skin/ResourceImage.h"
#include "skin/SkinPanel.h"

// The agreement overlay's panel: the read-only agreement text with a skinned
// vertical scroll bar.
class CTooltipChildDlg : public CSkinPanel {
public:
    CTooltipChildDlg();
    ~CTooltipChildDlg() override;

    // Places the text control, skins its scroll bars and fills in the text.
    void LoadAgreementText();

    CRichEditCtrl m_agreementText;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnEraseBkgnd(HDC dc);
    void OnDestroy();
    void PostNcDestroy() override;

    ImagePtr m_background;
    CBitmap m_agreementBitmap;
};
