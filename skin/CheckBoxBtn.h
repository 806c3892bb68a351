#pragma once
#include "framework/Button.h"
#include "framework/Gdi.h"
#include "skin/Gdiplus.h"

// The box of the skinned check box within a client rectangle: 16 skin pixels
// square, at the left, vertically centred on the (integer) half height.
RECT CheckBoxBoxRect(const RECT& client, float scale);
// Where the text begins: two pixels right of the box.
int CheckBoxTextLeft(const RECT& client, float scale);

// An automatic check box painted from the cells of image 143 with its window
// text beside it; clicking, BN_CLICKED and BM_GETCHECK stay the button's own.
class CCheckBoxBtn : public CButton {
public:
    CCheckBoxBtn();
    ~CCheckBoxBtn() override;

    void InitFontFromParent();
    HFONT Font() const { return m_font.Get(); }

    Gdiplus::Image* checkImage = nullptr;
    COLORREF textColor = 0;
    Gdiplus::Image* backgroundImage = nullptr;
    RECT backgroundSource{0, 0, 0, 0};
    float scale = 1.0f;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnPaint();

private:
    void DrawContent(HDC dc);

    CMemoryDC m_memDC;
    CBitmap m_memBitmap;
    SIZE m_memSize{0, 0};
    CBrush m_backgroundBrush;
    RECT m_client{0, 0, 0, 0};
    CFont m_font;
};
