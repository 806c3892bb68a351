#include "mainwnd/PanelLayout.h"

#include "skin/Drawing.h"

namespace {
// The panel's picture at 96 dots per inch; wider panels are scaled, narrower
// ones place the controls around the centre at their unscaled sizes.
const int kPictureW = 400, kPictureH = 600;
// Close and minimise, side by side in the top right corner.
const int kCaptionButtonW = 26, kCaptionButtonH = 34;
const int kStartW = 259, kStartH = 85;
// Offsets from the picture's centre.
const int kStartDx = 129, kStartDy = -80;
const int kMoreToolsW = 58, kMoreToolsH = 18, kMoreToolsDx = 150, kMoreToolsDy = 240;
const int kVersionW = 100, kVersionH = 30, kVersionDx = 7, kVersionDy = -293;
// The bottom line: the agreement box and title on the left, the feedback
// link on the right.
const int kLineRise = 25, kLineH = 20, kSideMargin = 6, kBoxLeft = 8, kBoxW = 16;
// Wide characters of the agreement title measure this much each.
const int kTitleCharW = 14;
// The overlay: inset from the panel and below its caption band.
const int kOverlayLeft = 5, kOverlayTop = 108, kOverlayTrimW = 7, kOverlayTrimH = 118;
}

PanelLayout ComputePanelLayout(const RECT& R, float s, int feedbackTextWidth, int agreementLineWidth) {
    PanelLayout L{};
    const double d = s;
    int W = R.right - R.left, H = R.bottom - R.top;
    L.close.left = Trunc(R.right - kCaptionButtonW * d + 1);
    L.close.top = R.top;
    L.close.right = Trunc(L.close.left + kCaptionButtonW * d);
    L.close.bottom = Trunc(L.close.top + kCaptionButtonH * d);
    L.minimise.left = Trunc(R.right - 2 * kCaptionButtonW * d);
    L.minimise.top = R.top;
    L.minimise.right = Trunc(L.minimise.left + kCaptionButtonW * d);
    L.minimise.bottom = Trunc(L.minimise.top + kCaptionButtonH * d);
    if (W > kPictureW) {
        L.start.left = Trunc(kPictureW * d / 2 - kStartW * d / 2) + R.left;
        L.start.top = Trunc(kPictureH * d / 2 + kStartDy * d) + R.top;
        L.start.right = Trunc(kStartW * d) + L.start.left;
        L.start.bottom = Trunc(kStartH * d) + L.start.top;
        L.moreTools.left = Trunc(kPictureW * d / 2 - kMoreToolsDx * d) + R.left;
        L.moreTools.top = Trunc(kPictureH * d / 2 + kMoreToolsDy * d) + R.top;
        L.moreTools.right = Trunc(kMoreToolsW * d) + L.moreTools.left;
        L.moreTools.bottom = Trunc(kMoreToolsH * d) + L.moreTools.top;
        L.version.left = Trunc(kPictureW * d / 2 - (2 * kVersionDx + 1) * d / 2) + R.left;
        L.version.top = Trunc(kPictureH * d / 2 + kVersionDy * d) + R.top;
        L.version.right = Trunc(kVersionW * d) + L.version.left;
        L.version.bottom = Trunc(kVersionH * d) + L.version.top;
    } else {
        L.start.left = W / 2 + R.left - kStartDx;
        L.start.top = H / 2 + R.top + kStartDy;
        L.start.right = L.start.left + kStartW;
        L.start.bottom = L.start.top + kStartH;
        L.moreTools.left = W / 2 + R.left - kMoreToolsDx;
        L.moreTools.top = H / 2 + R.top + kMoreToolsDy;
        L.moreTools.right = L.moreTools.left + kMoreToolsW;
        L.moreTools.bottom = L.moreTools.top + kMoreToolsH;
        L.version.left = W / 2 + R.left - kVersionDx;
        L.version.top = H / 2 + R.top + kVersionDy;
        L.version.right = L.version.left + kVersionW;
        L.version.bottom = L.version.top + kVersionH;
    }
    int D = Trunc(feedbackTextWidth + 4 * d + 2 + 6);
    L.feedbackText.left = R.right - D - kSideMargin;
    L.feedbackText.top = Trunc(R.bottom - kLineRise * d);
    L.feedbackText.right = R.right - kSideMargin;
    L.feedbackText.bottom = Trunc(L.feedbackText.top + kLineH * d);
    int n = agreementLineWidth / kTitleCharW;
    L.agreeBox.left = Trunc(kBoxLeft * d);
    L.agreeBox.top = Trunc(R.bottom - kLineRise * d);
    L.agreeBox.right = Trunc(L.agreeBox.left + kBoxW * d + 2 * n + 2);
    L.agreeBox.bottom = Trunc(L.agreeBox.top + kLineH * d);
    L.agreementTitle.left = L.agreeBox.right + kSideMargin;
    L.agreementTitle.top = Trunc(R.bottom - kLineRise * d);
    L.agreementTitle.right = L.agreementTitle.left + kTitleCharW * n;
    L.agreementTitle.bottom = Trunc(L.agreementTitle.top + kLineH * d);
    return L;
}

RECT AgreementOverlayRect(const RECT& w, float s) {
    const double d = s;
    int left = Trunc(w.left + kOverlayLeft * d), top = Trunc(w.top + kOverlayTop * d);
    return RECT{left, top, left + Trunc((w.right - w.left) - kOverlayTrimW * d),
                top + Trunc((w.bottom - w.top) - kOverlayTrimH * d)};
}
