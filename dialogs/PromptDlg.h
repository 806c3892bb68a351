#pragma once
#include <string>

#include "dialogs/DialogLayout.h"
#include "res/images.h"
#include "skin/LayeredShell.h"

// The skinned message box: a layered shell with CPromptChildDlg over it.
// DoModal gives IDOK for OK, IDCANCEL for Cancel and the close glyph.
class CPromptDlg : public CLayeredShell {
public:
    CPromptDlg();
    ~CPromptDlg() override;

    void SetPromptText(const std::wstring& text) { m_promptText = text; }
    void SetPromptMode(int mode) { m_promptMode = mode; }
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    void LayoutPanel() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnDestroy() override;

    std::wstring m_promptText;
    int m_promptMode = kPromptOk;
    // The shell's picture, a PNG resource.
    UINT m_shellImage = IDP_PROMPT_SHELL;
};

// Enter and Escape would end a dialog through the dialog manager; the prompt
// and feedback windows close only through their buttons.
bool IsEnterOrEscape(const MSG* msg);
