#pragma once
#include <windows.h>
#include <utility>

// Owners of GDI objects and device contexts: one owner each, a destructor
// that gives the handle back, no copies, moves allowed.
template <typename T>
class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(T h) : m_h(h) {}
    ~CGdiObject() { Reset(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    CGdiObject(CGdiObject&& o) noexcept : m_h(o.Detach()) {}
    CGdiObject& operator=(CGdiObject&& o) noexcept {
        if (this != &o) Reset(o.Detach());
        return *this;
    }
    T Get() const { return m_h; }
    operator T() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    T Detach() { T h = m_h; m_h = nullptr; return h; }
    void Reset(T h = nullptr) {
        if (m_h) ::DeleteObject(m_h);
        m_h = h;
    }

private:
    T m_h = nullptr;
};

using CFont = CGdiObject<HFONT>;
using CBrush = CGdiObject<HBRUSH>;
using CBitmap = CGdiObject<HBITMAP>;

// Selects an object into a DC for a scope and puts the previous one back.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ obj) : m_dc(dc), m_prev(dc && obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~CSelectObject() { if (m_dc && m_prev) ::SelectObject(m_dc, m_prev); }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_prev;
};

// A memory DC compatible with another DC.
class CMemoryDC {
public:
    CMemoryDC() = default;
    explicit CMemoryDC(HDC compatible) : m_dc(::CreateCompatibleDC(compatible)) {}
    ~CMemoryDC() { Reset(); }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;
    CMemoryDC(CMemoryDC&& o) noexcept : m_dc(o.Detach()) {}
    CMemoryDC& operator=(CMemoryDC&& o) noexcept {
        if (this != &o) Reset(o.Detach());
        return *this;
    }
    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }
    HDC Detach() { HDC d = m_dc; m_dc = nullptr; return d; }
    void Reset(HDC dc = nullptr) {
        if (m_dc) ::DeleteDC(m_dc);
        m_dc = dc;
    }

private:
    HDC m_dc = nullptr;
};

// GetDC / ReleaseDC for a window (null: the screen).
class CWindowDC {
public:
    explicit CWindowDC(HWND hwnd) : m_hwnd(hwnd), m_dc(::GetDC(hwnd)) {}
    ~CWindowDC() { if (m_dc) ::ReleaseDC(m_hwnd, m_dc); }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// BeginPaint / EndPaint.
class CPaintDC {
public:
    explicit CPaintDC(HWND hwnd) : m_hwnd(hwnd) { m_dc = ::BeginPaint(hwnd, &m_ps); }
    ~CPaintDC() { ::EndPaint(m_hwnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }
    const PAINTSTRUCT& Ps() const { return m_ps; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc = nullptr;
};

// A 32-bit top-down DIB section: keeps per-pixel alpha whatever the display depth.
inline HBITMAP CreateArgbBitmap(HDC dc, int width, int height, void** bits = nullptr) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    HBITMAP bmp = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
    if (bits) *bits = p;
    return bmp;
}
