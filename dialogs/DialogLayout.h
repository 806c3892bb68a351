#pragma once
#include <windows.h>

// Geometry of the secondary dialogs, apart from their painting. Every product
// with the scale factor s is taken in floating point and truncated toward zero.

// Prompt dialog. Its modes: the buttons, their images and the shell's width.
enum PromptMode : int {
    kPromptOk = 1,            // one centred button
    kPromptOkCancel = 2,      // two buttons
    kPromptOkSqueezed = 3,    // one centred button, the wide images squeezed into it
    kPromptWideOkCancel = 4,  // a wider shell with two wide buttons
};
int PromptBaseWidth(int mode);
SIZE PromptShellSize(int mode, float s);
struct PromptImages {
    UINT ok[4];
    UINT cancel[4];
    bool cancelShown;
    // The words the images show: the buttons' names for a screen reader.
    const wchar_t* okName;
    const wchar_t* cancelName;
};
PromptImages PromptModeImages(int mode);
struct PromptLayout {
    RECT close;
    RECT ok;
    RECT cancel;
    RECT message;
};
PromptLayout LayoutPrompt(int mode, int panelWidth, int panelHeight, float s);

// Problem-solving feedback dialog.
SIZE FeedbackShellSize(float s);
struct FeedbackLayout {
    RECT close;
    RECT solved;
    RECT unsolved;
    RECT more;
};
FeedbackLayout LayoutFeedback(const RECT& client, float s);

// Execute prompt.
// 1.2 up to a main window's factor of 1.2, the main window's above it; the
// status line and the bar, laid out for 1.2, grow with it.
constexpr float kExecutePromptScale = 1.2f;
float ProgressScale(float mainScale);
RECT ExecuteShellRect(int left, int top, float s);
RECT ExecuteStatusRect(const RECT& client, float s = kExecutePromptScale);
RECT ProgressTrackRect(const RECT& client, float s = kExecutePromptScale);
int ProgressFillWidth(int progress, float s = kExecutePromptScale);

// Usage agreement.
SIZE TooltipShellSize(float s);
RECT TooltipPanelAtCreation(const RECT& shell, float s);
RECT TooltipPanelAligned(const RECT& shell, float s);
RECT AgreementEditRect(const RECT& client, float s);
