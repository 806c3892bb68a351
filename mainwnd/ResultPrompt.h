#pragma once
#include <atomic>

#include "dialogs/PromptDlg.h"

// The repair's result prompt. It tells the panel its window, so that closing
// the tool can close it, and gives the start button back on OK.
class CResultPrompt : public CPromptDlg {
public:
    CResultPrompt(std::atomic<HWND>& slot, HWND start) : m_slot(slot), m_start(start) {}

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    std::atomic<HWND>& m_slot;
    HWND m_start;
};
