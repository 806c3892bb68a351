#pragma once
#include "skin/LayeredShell.h"

class CTooltipChildDlg;

// The usage-agreement overlay: a modeless, hidden-at-first shell whose panel
// shows the agreement text. Its creator places and shows it.
class CTooltipDlg : public CLayeredShell {
public:
    CTooltipDlg();
    ~CTooltipDlg() override;

    void ShowPanel(bool show);
    CTooltipChildDlg* PanelChild() const;

protected:
    BOOL OnInitDialog() override;
    // Its offsets of one and two pixels are not scaled; only the bottom margin is.
    RECT AlignedPanelRect(const RECT& shell) const override;
    // Its offsets of one and two pixels are not scaled at creation either.
    RECT PanelCreationRect(const RECT& shell) const override;
    void LayoutPanel() override;
};
