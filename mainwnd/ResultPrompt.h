#pragma once
#include <atomic>
#include <string>

#include "dialogs/PromptDlg.h"
#include "mainwnd/RepairSequence.h"
#include "printing/PrinterCheck.h"

// The whole message fits `area` when drawn with DT_WORDBREAK in the font
// selected into `dc`: the printer's name gives way to an ellipsis, from its
// end, as far as it must. `first` stays whole.
std::wstring FitPrinterNotice(HDC dc, const RECT& area, const std::wstring& first, const PrinterNotice& notice);

// The repair's result prompt. It tells the panel its window, so that closing
// the tool can close it, and gives the start button back on OK.
class CResultPrompt : public CPromptDlg {
public:
    CResultPrompt(std::atomic<HWND>& slot, HWND start) : m_slot(slot), m_start(start) {}

    // One more line under the message, for a printer that needs a person.
    void SetPrinterNotice(const PrinterNotice& notice) { m_notice = notice; }
    // Or one line that says why a run failed.
    void SetReason(const std::wstring& reason) { m_reason = reason; }
    // The close glyph gives start back too.
    void GiveStartBackOnClose() { m_startBackOnClose = true; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    void GiveStartBack();

    std::atomic<HWND>& m_slot;
    HWND m_start;
    PrinterNotice m_notice;
    std::wstring m_reason;
    bool m_startBackOnClose = false;
};

// The prompt that ends a run, and the one that says another repair runs;
// each on the step thread, which waits for it.
void ShowRunResult(std::atomic<HWND>& slot, HWND start, float scale, RunResult result, const PrinterNotice& notice);
void ShowBusyNotice(std::atomic<HWND>& slot, HWND start, float scale);
