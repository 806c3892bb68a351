#include <gtest/gtest.h>

#include <ctime>
#include <mutex>
#include <string>
#include <vector>

#include "dialogs/KnowledgeBase.h"
#include "dialogs/ProblemSolvingFeedbackChildDlg.h"
#include "dialogs/ProblemSolvingFeedbackDlg.h"
#include "exec/FeedbackInformation.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {
// Records the library calls instead of making them.
class RecordingClient : public CFeedbackInformation {
public:
    RecordingClient() : CFeedbackInformation(L"C:\\no such folder\\none.dll") {}
    void FeedbackQuestion(const wchar_t* id, const wchar_t* version) override {
        std::lock_guard<std::mutex> g(m_lock);
        m_calls.push_back(std::wstring(L"question ") + id + L" " + version);
    }
    void CustomerFeedbackEx(const wchar_t* id, const wchar_t* version, int answer, const wchar_t* time) override {
        std::lock_guard<std::mutex> g(m_lock);
        m_calls.push_back(std::wstring(L"answer ") + id + L" " + version + L" " + std::to_wstring(answer));
        m_times.push_back(time);
    }
    std::vector<std::wstring> Calls() {
        std::lock_guard<std::mutex> g(m_lock);
        return m_calls;
    }
    std::vector<std::wstring> Times() {
        std::lock_guard<std::mutex> g(m_lock);
        return m_times;
    }

private:
    std::mutex m_lock;
    std::vector<std::wstring> m_calls;
    std::vector<std::wstring> m_times;
};

CProblemSolvingFeedbackChildDlg* PanelOf(CProblemSolvingFeedbackDlg& dlg) {
    return static_cast<CProblemSolvingFeedbackChildDlg*>(dlg.Panel());
}

struct OpenedUrls {
    std::mutex lock;
    std::vector<std::wstring> urls;
};
}

TEST(FeedbackDlg, LayoutAt96Dpi) {
    if (ScreenDpi() != 96) GTEST_SKIP() << "needs 96 dpi";
    CProblemSolvingFeedbackDlg dlg;
    ModalOnThread run(dlg);
    ASSERT_TRUE(run.WaitShown());
    SIZE shell = WindowSize(run.Shell());
    EXPECT_EQ(410, shell.cx);
    EXPECT_EQ(479, shell.cy);
    EXPECT_RECT_EQ(Box(5, 4, 400, 468), RectInClient(run.Panel(), run.Shell()));
    CProblemSolvingFeedbackChildDlg* child = PanelOf(dlg);
    HWND panel = run.Panel();
    EXPECT_RECT_EQ(RECT({382, 6, 394, 18}), RectInClient(child->m_close, panel));
    EXPECT_RECT_EQ(RECT({67, 154, 333, 214}), RectInClient(child->m_solved, panel));
    EXPECT_RECT_EQ(RECT({67, 254, 333, 314}), RectInClient(child->m_unsolved, panel));
    EXPECT_RECT_EQ(RECT({67, 354, 333, 414}), RectInClient(child->m_more, panel));
    wchar_t title[64] = {};
    ::GetWindowTextW(run.Shell(), title, 64);
    EXPECT_STREQ(L"打印机无响应修复工具", title);
}

// Run in a child process at 120 dpi by the test below.
TEST(FeedbackAt120Dpi, Layout) {
    if (ScreenDpi() != 120) GTEST_SKIP() << "runs in the 120 dpi child";
    CProblemSolvingFeedbackDlg dlg;
    ModalOnThread run(dlg);
    ASSERT_TRUE(run.WaitShown());
    SIZE shell = WindowSize(run.Shell());
    EXPECT_EQ(492, shell.cx);
    EXPECT_EQ(574, shell.cy);
    RECT panel = RectInClient(run.Panel(), run.Shell());
    EXPECT_EQ(6, panel.left);
    EXPECT_EQ(4, panel.top);
    CProblemSolvingFeedbackChildDlg* child = PanelOf(dlg);
    EXPECT_RECT_EQ(Box(80, 184, 319, 72), RectInClient(child->m_solved, run.Panel()));
    EXPECT_RECT_EQ(Box(81, 304, 319, 72), RectInClient(child->m_unsolved, run.Panel()));
    EXPECT_RECT_EQ(Box(81, 424, 319, 72), RectInClient(child->m_more, run.Panel()));
}

TEST(FeedbackDlg, At120Dpi) { EXPECT_EQ(0, RunSelfAtDpi(120, "FeedbackAt120Dpi.*")); }

TEST(FeedbackDlg, EachAnswerIsReportedThenTheQuestion) {
    for (int answer : {1, 2, 3}) {
        SCOPED_TRACE(answer);
        RecordingClient client;
        CProblemSolvingFeedbackDlg dlg;
        dlg.SetFeedbackClient(&client);
        ModalOnThread run(dlg);
        ASSERT_TRUE(run.WaitShown());
        PumpFor(200);
        CProblemSolvingFeedbackChildDlg* child = PanelOf(dlg);
        HWND button = answer == 1 ? child->m_solved.m_hWnd : answer == 2 ? child->m_unsolved.m_hWnd : child->m_close.m_hWnd;
        long long before = static_cast<long long>(std::time(nullptr));
        POINT p = CentreOnScreen(button);
        ClickAt(p.x, p.y);
        ASSERT_TRUE(run.WaitEnded());
        long long after = static_cast<long long>(std::time(nullptr));
        EXPECT_EQ(IDCANCEL, run.Result());
        EXPECT_EQ((std::vector<std::wstring>{L"answer 10042 1.0.1 " + std::to_wstring(answer),
                                             L"question 10042 1.0.1"}),
                  client.Calls());
        ASSERT_EQ(1u, client.Times().size());
        long long stamp = std::stoll(client.Times()[0]);
        EXPECT_GE(stamp, before);
        EXPECT_LE(stamp, after);
    }
}

TEST(FeedbackDlg, TimeTextIsTheLow32BitsSigned) {
    EXPECT_EQ(L"1700000000", FeedbackTimeText(1700000000LL));
    // 2038-01-19 03:14:08 wraps as the library expects.
    EXPECT_EQ(L"-2147483648", FeedbackTimeText(2147483648LL));
    EXPECT_EQ(L"0", FeedbackTimeText(0));
}

TEST(FeedbackDlg, MoreSolutionsOpensTheKnowledgeBaseAndStays) {
    RecordingClient client;
    OpenedUrls opened;
    CProblemSolvingFeedbackDlg dlg;
    dlg.SetFeedbackClient(&client);
    dlg.SetUrlOpener([&opened](const wchar_t* url) {
        std::lock_guard<std::mutex> g(opened.lock);
        opened.urls.push_back(url);
    });
    ModalOnThread run(dlg);
    ASSERT_TRUE(run.WaitShown());
    PumpFor(200);
    CProblemSolvingFeedbackChildDlg* child = PanelOf(dlg);
    for (int i = 0; i < 2; ++i) {
        POINT p = CentreOnScreen(child->m_more);
        ClickAt(p.x, p.y);
        // Apart enough not to make a double click.
        PumpFor(::GetDoubleClickTime() + 200);
    }
    EXPECT_FALSE(run.Ended());
    EXPECT_TRUE(client.Calls().empty());
    {
        std::lock_guard<std::mutex> g(opened.lock);
        EXPECT_EQ((std::vector<std::wstring>{kKnowledgeBaseHome, kKnowledgeBaseHome}), opened.urls);
    }
    EXPECT_EQ(0, std::wstring(kKnowledgeBaseHome).rfind(L"https://", 0));
    // Enter and Escape leave it open too.
    PressKey(VK_RETURN);
    PressKey(VK_ESCAPE);
    PumpFor(300);
    EXPECT_FALSE(run.Ended());
    POINT p = CentreOnScreen(child->m_close);
    ClickAt(p.x, p.y);
    ASSERT_TRUE(run.WaitEnded());
    EXPECT_EQ(2u, client.Calls().size());
}

TEST(FeedbackDlg, WithoutAClientAnAnswerOnlyCloses) {
    CProblemSolvingFeedbackDlg dlg;
    ModalOnThread run(dlg);
    ASSERT_TRUE(run.WaitShown());
    PumpFor(200);
    POINT p = CentreOnScreen(PanelOf(dlg)->m_solved);
    ClickAt(p.x, p.y);
    ASSERT_TRUE(run.WaitEnded());
    EXPECT_EQ(IDCANCEL, run.Result());
}

TEST(FeedbackDlg, DraggingTheBandLeadsFromThenOn) {
    CProblemSolvingFeedbackDlg dlg;
    ModalOnThread run(dlg);
    ASSERT_TRUE(run.WaitShown());
    PumpFor(200);
    HWND shell = run.Shell(), panel = run.Panel();
    RECT panelBefore{};
    ::GetWindowRect(panel, &panelBefore);
    POINT from = ClientPointOnScreen(panel, 100, 12);
    MouseMoveTo(from.x, from.y);
    MouseDown();
    MouseMoveTo(from.x - 20, from.y + 10);
    MouseMoveTo(from.x - 40, from.y + 30);
    MouseUp();
    // The shell follows on the dialog's own thread, later under load.
    RECT panelAfter{}, shellAfter{};
    PumpUntil([&] {
        ::GetWindowRect(panel, &panelAfter);
        ::GetWindowRect(shell, &shellAfter);
        return panelAfter.left == panelBefore.left - 40 && panelAfter.top == panelBefore.top + 30 &&
               shellAfter.left == panelAfter.left - 5 && shellAfter.top == panelAfter.top - 4;
    }, 1000);
    EXPECT_EQ(panelBefore.left - 40, panelAfter.left);
    EXPECT_EQ(panelBefore.top + 30, panelAfter.top);
    EXPECT_EQ(panelAfter.left - 5, shellAfter.left);
    EXPECT_EQ(panelAfter.top - 4, shellAfter.top);
    // The shell moved by other means no longer brings the panel.
    ::SetWindowPos(shell, nullptr, shellAfter.left + 30, shellAfter.top + 30, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpFor(200);
    RECT panelLast{};
    ::GetWindowRect(panel, &panelLast);
    EXPECT_RECT_EQ(panelAfter, panelLast);
    POINT p = CentreOnScreen(PanelOf(dlg)->m_close);
    ClickAt(p.x, p.y);
    ASSERT_TRUE(run.WaitEnded());
}

namespace {
class CFeedbackWithoutPicture : public CProblemSolvingFeedbackDlg {
public:
    CFeedbackWithoutPicture() { m_shellImage = 4242; }
};
}

TEST(FeedbackDlg, WithoutItsPictureItStillHasButtons) {
    RecordingClient client;
    CFeedbackWithoutPicture dlg;
    dlg.SetFeedbackClient(&client);
    ModalOnThread run(dlg);
    ASSERT_TRUE(run.WaitShown());
    PumpFor(200);
    ASSERT_NE(nullptr, PanelOf(dlg));
    POINT p = CentreOnScreen(PanelOf(dlg)->m_unsolved);
    ClickAt(p.x, p.y);
    ASSERT_TRUE(run.WaitEnded());
    EXPECT_EQ(2u, client.Calls().size());
}
