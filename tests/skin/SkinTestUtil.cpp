#include "SkinTestUtil.h"

#include <tlhelp32.h>

#include <cstdlib>
#include <gtest/gtest.h>

#include "framework/Gdi.h"
#include "skin/Gdiplus.h"

namespace {
// GDI+ for the whole test program, as the application object starts it.
class GdiplusEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput in;
        Gdiplus::GdiplusStartup(&m_token, &in, nullptr);
        ::LoadLibraryW(L"riched20.dll");
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(m_token); }

private:
    ULONG_PTR m_token = 0;
};
::testing::Environment* const g_gdiplus = ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);
}

bool CTestParent::Create(int x, int y, int w, int h, DWORD extraStyle) {
    return CreateEx(WS_EX_TOPMOST, RegisterPlainClass(L"SkinTestParent"), L"skin test",
                    WS_POPUP | WS_VISIBLE | extraStyle, RECT{x, y, x + w, y + h}, nullptr, 0);
}

int CTestParent::Count(UINT msg, int code) const {
    int n = 0;
    for (const Note& note : notes)
        if (note.msg == msg && (code < 0 || static_cast<int>(LOWORD(note.wParam)) == code)) ++n;
    return n;
}

LRESULT CTestParent::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT r = GetClientRect();
        CBrush brush(::CreateSolidBrush(kBackground));
        ::FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
        return 1;
    }
    case WM_COMMAND:
        notes.push_back(Note{msg, wParam, lParam, ::GetTickCount()});
        break;
    case WM_VSCROLL:
    case WM_HSCROLL:
        notes.push_back(Note{msg, wParam, lParam, ::GetTickCount()});
        if (onScroll) onScroll(msg, wParam, reinterpret_cast<HWND>(lParam));
        return 0;
    default:
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

CScreenShot::CScreenShot(const RECT& r) : m_w(r.right - r.left), m_h(r.bottom - r.top) {
    m_bits.assign(static_cast<size_t>(m_w) * m_h, 0);
    CWindowDC screen(nullptr);
    CMemoryDC mem(screen);
    void* bits = nullptr;
    CBitmap bmp(CreateArgbBitmap(screen, m_w, m_h, &bits));
    {
        CSelectObject sel(mem, bmp.Get());
        ::BitBlt(mem, 0, 0, m_w, m_h, screen, r.left, r.top, SRCCOPY);
        ::GdiFlush();
        memcpy(m_bits.data(), bits, m_bits.size() * 4);
    }
}

COLORREF CScreenShot::At(int x, int y) const {
    DWORD p = m_bits[static_cast<size_t>(y) * m_w + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

RECT CScreenShot::Ink(COLORREF background) const {
    RECT box{m_w, m_h, -1, -1};
    for (int y = 0; y < m_h; ++y)
        for (int x = 0; x < m_w; ++x)
            if (!ColorNear(At(x, y), background, 40)) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    if (box.right < 0) return RECT{0, 0, 0, 0};
    return box;
}

RECT ScreenRectOf(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

bool ColorNear(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

int ThreadCount() {
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 te{};
    te.dwSize = sizeof(te);
    int n = 0;
    DWORD self = ::GetCurrentProcessId();
    for (BOOL ok = ::Thread32First(snap, &te); ok; ok = ::Thread32Next(snap, &te))
        if (te.th32OwnerProcessID == self) ++n;
    ::CloseHandle(snap);
    return n;
}
