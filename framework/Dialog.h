#pragma once
#include "framework/Wnd.h"

class CDataExchange {
public:
    explicit CDataExchange(CWnd* dlg) : m_dlg(dlg) {}
    CWnd* m_dlg;
};

// Binds a template control to its object once; a second exchange keeps it.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

// A dialog created from a template id: modeless with Create, modal with
// DoModal, which runs our own loop so that PreTranslateMessage sees every
// message first. Works on any thread.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr) : m_templateId(templateId), m_parent(parent) {}
    ~CDialog() override;

    bool Create(UINT templateId, CWnd* parent);
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange*) {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // WM_COMMAND; true when handled.
    virtual bool OnCommand(WPARAM wParam, LPARAM lParam);
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK StaticDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND CreateFromTemplate(HWND owner);
    void CenterIfUnmoved(const RECT& before);

    UINT m_templateId;
    CWnd* m_parent;
    bool m_modal = false;
    bool m_endModal = false;
    INT_PTR m_result = -1;
};

// `r` moved, at its size, as far into `work` as it goes; its top-left corner
// never lies above or left of `work`.
RECT KeptInWorkArea(const RECT& r, const RECT& work);
// The work area of the monitor that holds most of `r`.
RECT WorkAreaOf(const RECT& r);

// The focus mark of a top-level window's controls: hidden until the keyboard
// is used in that window (Tab, an arrow or Space), as Windows keeps it. Under
// Wine the dialog manager sends no WM_CHANGEUISTATE on Tab, so the dialogs
// keep it themselves, and take it from Windows where it is sent.
bool FocusCuesShown(HWND control);
void ShowFocusCues(HWND window, bool show);

// The extended dialog class of the framework; nothing of its extras is used.
class CDialogEx : public CDialog {
public:
    using CDialog::CDialog;
};
