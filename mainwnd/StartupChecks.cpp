#include "mainwnd/StartupChecks.h"

#include "dialogs/PromptDlg.h"
#include "skin/Drawing.h"
#include "exec/FeedbackInformation.h"

void RunStartupChecks(CFeedbackInformation& feedback, float scale) {
    if (feedback.InitFreedbackDll() == 0) {
        CPromptDlg prompt;
        prompt.SetPromptText(L"工具初始化失败");
        prompt.SetPromptMode(kPromptOkSqueezed);
        prompt.DoModal();
        ::ExitProcess(0);
    }
    if (feedback.GetToolIsNewVersion(kToolId, kToolVersion) == kVersionCheckNewer) {
        CPromptDlg prompt;
        prompt.m_scale = scale;
        prompt.m_fontShrink = FontShrink(scale, ScreenScaleFactor());
        prompt.SetPromptText(L"检测到当前工具有新的版本更新，请下载最新版本使用。");
        prompt.SetPromptMode(kPromptOk);
        prompt.DoModal();
        feedback.OpenToolDownUrl();
        ::ExitProcess(0);
    }
}
