#pragma once
#include <windows.h>
#include <string>

// A window object wrapping an HWND. The object is found again from its handle
// through a process-wide map (never through GWLP_USERDATA, which skinned
// controls use for themselves), so windows may live on any thread.
class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    operator HWND() const { return m_hWnd; }

    static CWnd* FromHandlePermanent(HWND hwnd);

    bool Attach(HWND hwnd);
    HWND Detach();
    // Replaces the window procedure; PreSubclassWindow runs first.
    bool SubclassWindow(HWND hwnd);
    bool SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();

    // Creates a child or pop-up of a class registered with our procedure.
    bool CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* name, DWORD style,
                  const RECT& rect, HWND parent, UINT id);
    static const wchar_t* RegisterPlainClass(const wchar_t* name, UINT classStyle = 0);

    virtual bool DestroyWindow();
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Owner-drawn children get WM_DRAWITEM and friends reflected here.
    virtual bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // Thin conveniences.
    LRESULT SendMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) const { return ::SendMessageW(m_hWnd, msg, w, l); }
    BOOL PostMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) const { return ::PostMessageW(m_hWnd, msg, w, l); }
    RECT GetClientRect() const;
    RECT GetWindowRect() const;
    bool MoveWindow(int x, int y, int w, int h, bool repaint = true) const { return ::MoveWindow(m_hWnd, x, y, w, h, repaint) != FALSE; }
    bool MoveWindow(const RECT& r, bool repaint = true) const { return MoveWindow(r.left, r.top, r.right - r.left, r.bottom - r.top, repaint); }
    bool ShowWindow(int cmd) const { return ::ShowWindow(m_hWnd, cmd) != FALSE; }
    bool IsWindowVisible() const { return ::IsWindowVisible(m_hWnd) != FALSE; }
    bool IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }
    bool EnableWindow(bool enable) const { return ::EnableWindow(m_hWnd, enable) != FALSE; }
    bool IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd) != FALSE; }
    void Invalidate(bool erase = true) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void SetWindowText(const std::wstring& text) const { ::SetWindowTextW(m_hWnd, text.c_str()); }
    std::wstring GetWindowText() const;
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    CWnd* GetParentWnd() const { return FromHandlePermanent(GetParent()); }
    LONG_PTR GetStyle() const { return ::GetWindowLongPtrW(m_hWnd, GWL_STYLE); }
    LONG_PTR GetExStyle() const { return ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE); }
    UINT_PTR SetTimer(UINT_PTR id, UINT ms) const { return ::SetTimer(m_hWnd, id, ms, nullptr); }
    bool KillTimer(UINT_PTR id) const { return ::KillTimer(m_hWnd, id) != FALSE; }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    void ScreenToClient(POINT& pt) const { ::ScreenToClient(m_hWnd, &pt); }
    void ClientToScreen(POINT& pt) const { ::ClientToScreen(m_hWnd, &pt); }
    void ClientToScreen(RECT& r) const;
    bool IsIconic() const { return ::IsIconic(m_hWnd) != FALSE; }

protected:
    // The window procedure of this object; handlers are called from its switch
    // and everything else falls through to Default.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // The procedure the window had before we took it over.
    LRESULT Default();
    LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void PreSubclassWindow() {}
    // Last message of the window; the object stays alive.
    virtual void PostNcDestroy() {}

    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

private:
    friend class CDialog;
    WNDPROC m_prevProc = nullptr;
    // The message being handled, for Default().
    struct Current { UINT msg; WPARAM w; LPARAM l; };
    Current m_current{};
    static void MapAdd(HWND hwnd, CWnd* wnd);
    static void MapRemove(HWND hwnd);
};
