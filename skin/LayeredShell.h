#pragma once
#include <memory>

#include "framework/Dialog.h"
#include "skin/Gdiplus.h"
#include "skin/ResourceImage.h"

// Insets of a panel inside its shell, in skin pixels before scaling. A shell
// that places its panel with other rules overrides the two rectangles below.
struct ShellInsets {
    int left, top, right, bottom;
};

// Pure geometry of the shell/panel pattern; each edge is truncated on its own.
RECT InsetRect(const RECT& r, const ShellInsets& in, float s);
RECT OutsetRect(const RECT& r, const ShellInsets& in, float s);
// The panel at creation: x = trunc(left + in.left*s), y = trunc(top + in.top*s),
// width trunc(W - (in.left + in.right)*s), height trunc(H - (in.top + in.bottom)*s).
RECT PanelAtCreation(const RECT& shell, float s, const ShellInsets& in);
// The rectangle of size trunc(w*s) x trunc(h*s) centred on a screen of cx x cy.
RECT CentredShellRect(int cx, int cy, int w, int h, float s);
// `s`, or the largest factor below it, in hundredths, at which a w x h window
// fits `work`; never below 1.0, so a screen too small for 1.0 keeps 1.0.
float FittedScale(float s, int w, int h, const RECT& work);
// How much smaller a window's fonts are drawn when its factor was lowered to
// fit the screen: the fitted factor over the one it would have had, or 1.
float FontShrink(float fitted, float unfitted);
// A font's height at `shrink` of the size the resolution gave it.
LONG ShrunkFontHeight(LONG height, float shrink);

// A borderless shell: a layered window showing one PNG with per-pixel alpha,
// and a pop-up panel dialog laid over its opaque part that carries the controls.
class CLayeredShell : public CDialogEx {
public:
    CLayeredShell(UINT templateId, ShellInsets insets) : CDialogEx(templateId), m_insets(insets) {}
    ~CLayeredShell() override;

    float m_scale = 1.0f;
    // Where m_scale is the main window's lowered factor, or follows it: the
    // panel's fonts are drawn this much smaller (FontShrink).
    float m_fontShrink = 1.0f;

    // The panel moves the shell around itself while the user drags it; from
    // then on the panel leads.
    int FollowPanel(int left, int top, int right, int bottom);
    bool PanelFollows() const { return m_panelFollows; }
    CDialog* Panel() const { return m_panel.get(); }

protected:
    // The start-up every shell shares, from OnInitDialog: shows `image`
    // stretched to `shell`'s size, creates `panel` over it from its template,
    // places it at PanelCreationRect, shows it and calls LayoutPanel. A shell
    // that can't show its picture makes no panel, unless `panelWithoutImage`:
    // it then still takes its size and gets its panel. False without a panel.
    bool StartShell(const RECT& shell, UINT image, std::unique_ptr<CDialog> panel, UINT panelTemplate,
                    bool highQuality = false, bool panelWithoutImage = false);
    virtual RECT PanelCreationRect(const RECT& shell) const { return PanelAtCreation(shell, m_scale, m_insets); }
    // The panel's own layout, once it is placed and shown.
    virtual void LayoutPanel() {}

    // Shows the PNG stretched to width x height at the window's current
    // position. False, showing nothing, when the image cannot be loaded.
    bool ShowLayeredImage(UINT pngId, int width, int height, bool highQuality = false);
    virtual RECT AlignedPanelRect(const RECT& shell) const { return InsetRect(shell, m_insets, m_scale); }
    virtual RECT ShellRectAround(const RECT& panel) const { return OutsetRect(panel, m_insets, m_scale); }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    virtual void OnMove();
    virtual void OnDestroy();
    void OnSize(WPARAM kind);

    ShellInsets m_insets;
    bool m_panelFollows = true;
    bool m_minimised = false;
    ImagePtr m_background;
    std::unique_ptr<CDialog> m_panel;
};
