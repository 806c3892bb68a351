#include "framework/Wnd.h"

#include <mutex>
#include <unordered_map>

namespace {
std::mutex& MapLock() { static std::mutex m; return m; }
std::unordered_map<HWND, CWnd*>& Map() { static std::unordered_map<HWND, CWnd*> m; return m; }
// Set while CreateEx runs so that the first messages find their object.
thread_local CWnd* t_creating = nullptr;
}

void CWnd::MapAdd(HWND hwnd, CWnd* wnd) {
    std::lock_guard<std::mutex> g(MapLock());
    Map()[hwnd] = wnd;
}

void CWnd::MapRemove(HWND hwnd) {
    std::lock_guard<std::mutex> g(MapLock());
    Map().erase(hwnd);
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    if (!hwnd) return nullptr;
    std::lock_guard<std::mutex> g(MapLock());
    auto it = Map().find(hwnd);
    return it == Map().end() ? nullptr : it->second;
}

CWnd::~CWnd() {
    if (m_hWnd) {
        HWND hwnd = m_hWnd;
        if (m_prevProc) UnsubclassWindow();
        else Detach();
        // A window that outlives its object would call into freed memory.
        if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    }
}

bool CWnd::Attach(HWND hwnd) {
    if (!hwnd || m_hWnd) return false;
    m_hWnd = hwnd;
    MapAdd(hwnd, this);
    return true;
}

HWND CWnd::Detach() {
    HWND hwnd = m_hWnd;
    if (hwnd) MapRemove(hwnd);
    m_hWnd = nullptr;
    return hwnd;
}

bool CWnd::SubclassWindow(HWND hwnd) {
    if (!Attach(hwnd)) return false;
    PreSubclassWindow();
    m_prevProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StaticWndProc)));
    if (m_prevProc == &CWnd::StaticWndProc) m_prevProc = nullptr;
    return true;
}

bool CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    HWND child = parent ? ::GetDlgItem(parent->m_hWnd, static_cast<int>(id)) : nullptr;
    return child && SubclassWindow(child);
}

HWND CWnd::UnsubclassWindow() {
    if (m_hWnd && m_prevProc)
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_prevProc));
    m_prevProc = nullptr;
    return Detach();
}

const wchar_t* CWnd::RegisterPlainClass(const wchar_t* name, UINT classStyle) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (::GetClassInfoExW(::GetModuleHandleW(nullptr), name, &wc)) return name;
    wc.cbSize = sizeof(wc);
    wc.style = classStyle;
    wc.lpfnWndProc = &CWnd::StaticWndProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    ::RegisterClassExW(&wc);
    return name;
}

bool CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* name, DWORD style,
                    const RECT& r, HWND parent, UINT id) {
    if (m_hWnd) return false;
    // Our own classes reach StaticWndProc from the first message on, which
    // attaches the object being created; other classes are subclassed after.
    t_creating = this;
    HWND hwnd = ::CreateWindowExW(exStyle, className, name, style, r.left, r.top, r.right - r.left,
                                  r.bottom - r.top, parent,
                                  (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    t_creating = nullptr;
    if (!hwnd) return false;
    if (!m_hWnd) SubclassWindow(hwnd);
    return true;
}

bool CWnd::DestroyWindow() {
    if (!m_hWnd) return false;
    return ::DestroyWindow(m_hWnd) != FALSE;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

RECT CWnd::GetClientRect() const {
    RECT r{};
    ::GetClientRect(m_hWnd, &r);
    return r;
}

RECT CWnd::GetWindowRect() const {
    RECT r{};
    ::GetWindowRect(m_hWnd, &r);
    return r;
}

void CWnd::ClientToScreen(RECT& r) const {
    POINT a{r.left, r.top}, b{r.right, r.bottom};
    ::ClientToScreen(m_hWnd, &a);
    ::ClientToScreen(m_hWnd, &b);
    r = RECT{a.x, a.y, b.x, b.y};
}

std::wstring CWnd::GetWindowText() const {
    int n = ::GetWindowTextLengthW(m_hWnd);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    n = ::GetWindowTextW(m_hWnd, &s[0], n + 1);
    s.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return s;
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_prevProc) return ::CallWindowProcW(m_prevProc, m_hWnd, msg, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(m_current.msg, m_current.w, m_current.l); }

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC: {
        HWND child = nullptr;
        if (msg == WM_DRAWITEM) child = reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem;
        else if (msg == WM_MEASUREITEM) child = ::GetDlgItem(m_hWnd, static_cast<int>(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->CtlID));
        else child = reinterpret_cast<HWND>(lParam);
        LRESULT result = 0;
        if (CWnd* w = FromHandlePermanent(child))
            if (w->OnChildNotify(msg, wParam, lParam, &result)) return result;
        break;
    }
    default:
        break;
    }
    return DefWindowProc(msg, wParam, lParam);
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = FromHandlePermanent(hwnd);
    if (!wnd) {
        if (t_creating && !t_creating->m_hWnd) {
            wnd = t_creating;
            wnd->Attach(hwnd);
        } else {
            return ::DefWindowProcW(hwnd, msg, wParam, lParam);
        }
    }
    Current saved = wnd->m_current;
    wnd->m_current = Current{msg, wParam, lParam};
    LRESULT result = wnd->WindowProc(msg, wParam, lParam);
    wnd->m_current = saved;
    if (msg == WM_NCDESTROY) {
        // The handle is dead now; let the object go back to unattached.
        if (wnd->m_hWnd == hwnd) {
            wnd->m_prevProc = nullptr;
            wnd->Detach();
            wnd->PostNcDestroy();
        }
    }
    return result;
}
