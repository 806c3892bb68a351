#pragma once
#include <windows.h>

// Where each control of the main panel goes, from the client rectangle, the
// scale factor and the measured widths of the two agreement-line texts.
struct PanelLayout {
    RECT close, minimise, start, moreTools, version, feedbackText, agreeBox, agreementTitle;
};
PanelLayout ComputePanelLayout(const RECT& client, float s, int feedbackTextWidth, int agreementLineWidth);

// The agreement overlay over the panel, from the panel's screen rectangle.
RECT AgreementOverlayRect(const RECT& panelWindow, float s);
