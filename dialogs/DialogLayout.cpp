#include "dialogs/DialogLayout.h"

#include <algorithm>
#include <cmath>

#include "res/images.h"
#include "skin/Drawing.h"

namespace {
double Sd(float s) { return static_cast<double>(s); }
RECT Box(int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; }
}

int PromptBaseWidth(int mode) { return mode == kPromptWideOkCancel ? 400 : 336; }

SIZE PromptShellSize(int mode, float s) { return SIZE{ScalePx(PromptBaseWidth(mode), s), ScalePx(156, s)}; }

PromptImages PromptModeImages(int mode) {
    switch (mode) {
    case kPromptOk:
        return PromptImages{{IDP_CONFIRM_BLUE, IDP_CONFIRM_SLATE, IDP_CONFIRM_DARK, IDP_CONFIRM_DARK},
                            {IDP_NO_BLUE, IDP_NO_SLATE, IDP_NO_DARK, IDP_NO_DARK}, false, L"确认", L"否"};
    case kPromptOkCancel:
        return PromptImages{{IDP_YES_BLUE, IDP_YES_SLATE, IDP_YES_DARK, IDP_YES_DARK},
                            {IDP_NO_BLUE, IDP_NO_SLATE, IDP_NO_DARK, IDP_NO_DARK}, true, L"是", L"否"};
    case kPromptOkSqueezed:
        return PromptImages{{IDP_CONFIRM_BACKUP_DARK, IDP_CONFIRM_BACKUP_BLUE, IDP_CONFIRM_BACKUP_BLUE,
                             IDP_CONFIRM_BACKUP_SLATE},
                            {IDP_BACK_TO_BACKUP_DARK, IDP_BACK_TO_BACKUP_BLUE, IDP_BACK_TO_BACKUP_BLUE,
                             IDP_BACK_TO_BACKUP_SLATE},
                            false, L"确认已备份，继续", L"返回备份书签资料"};
    case kPromptWideOkCancel:
        return PromptImages{{IDP_CONFIRM_BACKUP_BLUE, IDP_CONFIRM_BACKUP_SLATE, IDP_CONFIRM_BACKUP_DARK,
                             IDP_CONFIRM_BACKUP_DARK},
                            {IDP_BACK_TO_BACKUP_BLUE, IDP_BACK_TO_BACKUP_SLATE, IDP_BACK_TO_BACKUP_DARK,
                             IDP_BACK_TO_BACKUP_DARK},
                            true, L"确认已备份，继续", L"返回备份书签资料"};
    default:
        return PromptImages{{IDP_YES_BLUE, IDP_YES_DARK, IDP_YES_SLATE, IDP_YES_SLATE},
                            {IDP_NO_BLUE, IDP_NO_DARK, IDP_NO_SLATE, IDP_NO_SLATE}, false, L"是", L"否"};
    }
}

PromptLayout LayoutPrompt(int mode, int wp, int hp, float s) {
    PromptLayout l{};
    int closeLeft = wp - ScalePx(26, s), closeTop = ScalePx(8, s);
    l.close = Box(closeLeft, closeTop, ScalePx(12, s), ScalePx(12, s));

    int half = wp / 2;
    int top = ScalePx(107, s), height = ScalePx(24, s);
    int buttonWidth = mode == kPromptWideOkCancel ? 128 : 55;
    // The wide pair keeps 130 to the left of the middle, two more than its width.
    int okLeft = Trunc(half - (mode == kPromptWideOkCancel ? 130 : 55) * Sd(s) - 12 * Sd(s));
    int cancelLeft = Trunc(half + 12 * Sd(s));
    l.ok = Box(okLeft, top, ScalePx(buttonWidth, s), height);
    l.cancel = Box(cancelLeft, top, ScalePx(buttonWidth, s), height);
    // A lone button sits in the middle.
    if (mode == kPromptOk || mode == kPromptOkSqueezed)
        l.ok = Box(Trunc(half - 55 * Sd(s) / 2), top, ScalePx(55, s), height);

    l.message = RECT{ScalePx(10, s), ScalePx(50, s), wp - ScalePx(10, s), hp - ScalePx(40, s)};
    return l;
}

SIZE FeedbackShellSize(float s) { return SIZE{ScalePx(410, s), ScalePx(479, s)}; }

FeedbackLayout LayoutFeedback(const RECT& c, float s) {
    FeedbackLayout l{};
    int closeLeft = Trunc(c.right - 18 * Sd(s));
    int closeTop = Trunc(c.top + 6 * Sd(s));
    l.close = RECT{closeLeft, closeTop, Trunc(closeLeft + 12 * Sd(s)), Trunc(closeTop + 12 * Sd(s))};

    int wp = c.right - c.left, hp = c.bottom - c.top;
    if (wp <= 400) {
        // The artwork's own size fits: keep the buttons unscaled and centred.
        int left = c.left + wp / 2 - 133;
        l.solved = Box(left, c.top + hp / 2 - 80, 266, 60);
        l.unsolved = Box(left, c.top + hp / 2 + 20, 266, 60);
        l.more = Box(left, c.top + hp / 2 + 120, 266, 60);
    } else {
        int w = ScalePx(266, s), h = ScalePx(60, s);
        double midX = 400 * Sd(s) / 2, midY = 468 * Sd(s) / 2;
        l.solved = Box(Trunc(midX - 266 * Sd(s) / 2) + c.left, Trunc(midY - ScalePx(80, s)) + c.top, w, h);
        int left = c.left + Trunc(midX) - Trunc(266 * Sd(s) / 2);
        l.unsolved = Box(left, c.top + Trunc(midY) + ScalePx(20, s), w, h);
        l.more = Box(left, c.top + Trunc(midY) + ScalePx(120, s), w, h);
    }
    return l;
}

RECT ExecuteShellRect(int left, int top, float s) {
    return RECT{left, top, Trunc(left + 232 * Sd(s)), Trunc(top + 132 * Sd(s))};
}

float ProgressScale(float mainScale) { return std::max(mainScale, kExecutePromptScale); }

namespace {
// Pixels of the layout at 1.2, at factor s: the same at 1.2, and 1.6 times
// at 1.92, not a float's hair less.
int AtProgressScale(int px, float s) {
    return Trunc(px * (std::round(Sd(s) / Sd(kExecutePromptScale) * 10000.0) / 10000.0));
}
}

RECT ExecuteStatusRect(const RECT& c, float s) {
    int height = AtProgressScale(20, s);
    int top = c.top + (c.bottom - c.top) / 2 - height / 2;
    return RECT{c.left + AtProgressScale(30, s), top, c.right - AtProgressScale(10, s), top + height};
}

RECT ProgressTrackRect(const RECT& c, float s) {
    return Box(c.left + AtProgressScale(30, s), c.bottom - AtProgressScale(25, s), AtProgressScale(191, s),
               AtProgressScale(9, s));
}

int ProgressFillWidth(int progress, float s) {
    // Out-of-range values must not draw outside the track or mirror it.
    return std::clamp(AtProgressScale(2 * std::clamp(progress, 0, 100), s), 0, AtProgressScale(191, s));
}

SIZE TooltipShellSize(float s) { return SIZE{ScalePx(390, s), ScalePx(470, s)}; }

RECT TooltipPanelAtCreation(const RECT& shell, float s) {
    int w = shell.right - shell.left, h = shell.bottom - shell.top;
    return Box(shell.left + 1, shell.top + 1, w - 2, Trunc(h - 18 * Sd(s)));
}

RECT TooltipPanelAligned(const RECT& shell, float s) {
    return RECT{shell.left + 1, shell.top + 1, shell.right - 2, shell.bottom - ScalePx(18, s)};
}

RECT AgreementEditRect(const RECT& c, float s) {
    int in = ScalePx(8, s);
    return RECT{c.left + in, c.top + in, c.right - in, c.bottom - in};
}
