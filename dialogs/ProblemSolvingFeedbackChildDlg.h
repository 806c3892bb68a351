#pragma once
#include "dialogs/ProblemSolvingFeedbackDlg.h"
#include "skin/GDIPngButton.h"
#include "skin/ResourceImage.h"
#include "skin/SkinPanel.h"

class CFeedbackInformation;

// The feedback dialog's panel: close glyph and the three large buttons.
class CProblemSolvingFeedbackChildDlg : public CSkinPanel {
public:
    CProblemSolvingFeedbackChildDlg();
    ~CProblemSolvingFeedbackChildDlg() override;

    void LayoutPanel();
    // Reports one of the library's answers (kAnswerSolved ...) and closes the dialog.
    void ReportAnswer(int answer);
    BOOL PreTranslateMessage(MSG* msg) override;

    CFeedbackInformation* m_feedbackClient = nullptr;
    UrlOpener m_urlOpener;

    CGDIPngButton m_close;
    CGDIPngButton m_solved;
    CGDIPngButton m_unsolved;
    CGDIPngButton m_more;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    RECT DragBand() const override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnEraseBkgnd(HDC dc);
    void OnDestroy();

    RECT m_clientRect{};
    ImagePtr m_background;
};

// The seconds since 1970 as the library wants them: the low 32 bits, signed, in decimal.
std::wstring FeedbackTimeText(long long secondsSince1970);
