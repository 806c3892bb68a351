#pragma once
#include "framework/Button.h"
#include "framework/Gdi.h"
#include "skin/Gdiplus.h"

// The push button of the skinned windows: its face is one of four PNG images,
// stretched over the client area, drawn over a snapshot of what lay beneath.
class CGDIPngButton : public CButton {
public:
    CGDIPngButton() = default;
    ~CGDIPngButton() override;

    // Resource ids in the order normal, pressed, hover, disabled.
    void SetImages(UINT normal, UINT pressed, UINT hover, UINT disabled);
    void FreeImages();

    void DrawItem(DRAWITEMSTRUCT* dis) override;

    bool hover = false;
    bool firstPaint = true;
    bool tracking = false;
    CMemoryDC backgroundDC;
    bool backgroundCaptured = true;
    bool disabled = false;
    Gdiplus::Image* imageNormal = nullptr;
    Gdiplus::Image* imagePressed = nullptr;
    Gdiplus::Image* imageHover = nullptr;
    Gdiplus::Image* imageDisabled = nullptr;

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnEraseBkgnd(HDC dc);
    void OnMouseMove(POINT client);

private:
    void DrawImage(HDC dc, Gdiplus::Image* image, const RECT& r) const;
    CBitmap m_backgroundBitmap;
    HGDIOBJ m_backgroundPrev = nullptr;
};
