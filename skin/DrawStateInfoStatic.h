#pragma once
#include <atomic>
#include <memory>
#include <string>

#include "framework/Gdi.h"
#include "framework/Handle.h"
#include "framework/Static.h"
#include "skin/Gdiplus.h"

// The DrawText format of an alignment mode of the status line.
int StateInfoFormat(int mode);

// A status line whose text is replaced from outside at any time; a thread of
// its own repaints it every 600 ms so that the change shows without a call.
class CDrawStateInfoStatic : public CStatic {
public:
    CDrawStateInfoStatic();
    ~CDrawStateInfoStatic() override;

    void InitFontFromParent();
    void SetTextAlign(int mode) { m_align = mode; }
    int TextAlign() const { return m_align; }
    HFONT Font() const { return m_font.Get(); }
    void SetTextColorAndRedraw(COLORREF colour);
    void SetBackgroundImage(Gdiplus::Image* image) { m_backgroundImage = image; }
    void SetBackgroundSource(int l, int t, int r, int b) { m_backgroundSource = RECT{l, t, r, b}; }
    void SetStateText(const std::wstring& text) { m_text = text; }
    const std::wstring& StateText() const { return m_text; }
    void StartRefresh();
    void StopRefresh();
    // Whether the refresh thread of the last StartRefresh still runs.
    bool RefreshRunning() const;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnPaint();

private:
    void DrawContent(HDC dc);

    CBrush m_backgroundBrush;
    RECT m_client{0, 0, 0, 0};
    CFont m_font;
    COLORREF m_textColor = 0;
    int m_align = 0;
    Gdiplus::Image* m_backgroundImage = nullptr;
    RECT m_backgroundSource{0, 0, 0, 0};
    std::wstring m_text;
    // Shared with the running thread only: another control never touches it.
    std::shared_ptr<std::atomic<bool>> m_stop;
    CHandle m_thread;
};
