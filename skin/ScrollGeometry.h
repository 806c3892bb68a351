#pragma once
#include <windows.h>

// Parts of a skinned scroll bar, numbered with the request code each sends.
enum ScrollPart {
    kPartNone = -1,
    kPartLineUp = SB_LINEUP,
    kPartLineDown = SB_LINEDOWN,
    kPartPageUp = SB_PAGEUP,
    kPartPageDown = SB_PAGEDOWN,
    kPartThumb = SB_THUMBTRACK,
};

// How a part is drawn: the row of its cell in the skin bitmap.
enum ScrollState {
    kStateNormal = 0,
    kStateHot = 1,
    kStatePressed = 2,
};

// What the geometry of a bar depends on.
struct ScrollMetrics {
    int length = 0;       // along the bar, in pixels
    int cell = 0;         // skin cell size (bitmap width / 9)
    float scale = 1.0f;
    int thumbBorder = 0;
    int min = 0;
    int max = 0;
    int page = 0;
    int pos = 0;          // current position: the track position while dragging
};

// Extents along the bar.
struct ScrollLayout {
    int track = 0;       // room between the arrows
    int arrow = 0;       // length of each arrow
    int thumbSize = 0;
    int thumbStart = 0;
    int span = 0;        // range - page + 1: the positions the thumb can take
};

int ScrollThumbSize(int track, int page, int range, int thumbBorder);
// forDrawing: a bar whose page covers the whole range draws no thumb, while
// hit testing still keeps a thumb-sized zone in the middle.
ScrollLayout ComputeScrollLayout(const ScrollMetrics& m, bool forDrawing);
// Extent [start, end) of a part along the bar.
void ScrollPartExtent(const ScrollLayout& l, int length, int part, int* start, int* end);
// The part's rectangle in the bar's client area.
RECT ScrollPartRect(const ScrollMetrics& m, bool vertical, int part, bool forDrawing);
// The part under a client point, or -1.
int ScrollHitTest(const ScrollMetrics& m, bool vertical, POINT pt);
// The skin cell of a part in a state (a ScrollState).
RECT SkinCellRect(int part, int state, bool horizontal, int cell);
// The track position for a thumb dragged `delta` pixels from where it was at
// `startPos`, clamped to [min, span].
int ScrollDragPosition(const ScrollMetrics& m, int startPos, int delta);
