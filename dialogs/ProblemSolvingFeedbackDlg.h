#pragma once
#include <functional>
#include <string>

#include "res/images.h"
#include "skin/LayeredShell.h"

class CFeedbackInformation;

// Opens a web address as the user (see OpenWebPage); the dialogs use it unless told otherwise.
using UrlOpener = std::function<void(const wchar_t* url)>;
void OpenUrlInBrowser(const wchar_t* url);

// Asks, when the main window closes, whether the tool solved the problem, and
// reports the answer through the feedback library.
class CProblemSolvingFeedbackDlg : public CLayeredShell {
public:
    // The main window's factor; one of 0 measures the screen's.
    explicit CProblemSolvingFeedbackDlg(float scale = 0.0f);
    ~CProblemSolvingFeedbackDlg() override;

    void SetFeedbackClient(CFeedbackInformation* client) { m_feedbackClient = client; }
    void SetUrlOpener(UrlOpener opener) { m_urlOpener = std::move(opener); }
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    void LayoutPanel() override;

    CFeedbackInformation* m_feedbackClient = nullptr;
    UrlOpener m_urlOpener = &OpenUrlInBrowser;
    // The shell's picture, a PNG resource.
    UINT m_shellImage = IDP_FEEDBACK_SHELL;
};
