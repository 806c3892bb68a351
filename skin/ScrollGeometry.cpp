#include "skin/ScrollGeometry.h"

#include <algorithm>

#include "skin/Drawing.h"

int ScrollThumbSize(int track, int page, int range, int thumbBorder) {
    // A range below zero has no meaningful proportion; the thumb fills the track.
    long long proportional = range + 1 > 0 ? static_cast<long long>(page) * track / (range + 1) : track;
    int size;
    if (thumbBorder <= 0) {
        if (track <= 5) return 0;
        size = static_cast<int>(std::max<long long>(proportional, 6));
    } else {
        int least = 2 * thumbBorder + 6;
        if (track < least) return 0;
        size = static_cast<int>(std::max<long long>(proportional, least));
    }
    // A page larger than the range would otherwise push the thumb over the arrows.
    return std::min(size, track);
}

ScrollLayout ComputeScrollLayout(const ScrollMetrics& m, bool forDrawing) {
    ScrollLayout l;
    l.track = std::max(m.length - ScalePx(2.0 * m.cell, m.scale), 0);
    int range = m.max - m.min;
    l.thumbSize = ScrollThumbSize(l.track, m.page, range, m.thumbBorder);
    l.arrow = l.track > 0 ? ScalePx(m.cell, m.scale) : m.length / 2;
    l.span = range - m.page + 1;
    if (l.span != 0)
        l.thumbStart = l.arrow + static_cast<int>(static_cast<long long>(m.pos) * (l.track - l.thumbSize) / l.span);
    else
        l.thumbStart = l.arrow + (l.track - l.thumbSize) / 2;
    if (forDrawing && l.span == 0) l.thumbSize = 0;
    return l;
}

void ScrollPartExtent(const ScrollLayout& l, int length, int part, int* start, int* end) {
    int thumbEnd = l.thumbStart + l.thumbSize;
    switch (part) {
    case kPartLineUp: *start = 0; *end = l.arrow; break;
    case kPartPageUp: *start = l.arrow; *end = l.thumbStart; break;
    case kPartThumb: *start = l.thumbStart; *end = thumbEnd; break;
    case kPartPageDown: *start = thumbEnd; *end = length - l.arrow; break;
    case kPartLineDown: *start = length - l.arrow; *end = length; break;
    default: *start = *end = 0; break;
    }
}

RECT ScrollPartRect(const ScrollMetrics& m, bool vertical, int part, bool forDrawing) {
    ScrollLayout l = ComputeScrollLayout(m, forDrawing);
    int start = 0, end = 0;
    ScrollPartExtent(l, m.length, part, &start, &end);
    int thickness = ScalePx(m.cell, m.scale);
    return vertical ? RECT{0, start, thickness, end} : RECT{start, 0, end, thickness};
}

int ScrollHitTest(const ScrollMetrics& m, bool vertical, POINT pt) {
    int c = vertical ? pt.y : pt.x;
    if (c < 0) return kPartNone;
    ScrollLayout l = ComputeScrollLayout(m, false);
    if (c < l.arrow) return kPartLineUp;
    if (c < l.thumbStart) return kPartPageUp;
    if (c < l.thumbStart + l.thumbSize) return kPartThumb;
    if (c < m.length - l.arrow) return kPartPageDown;
    return kPartLineDown;
}

RECT SkinCellRect(int part, int state, bool horizontal, int cell) {
    int column = 0;
    switch (part) {
    case kPartLineUp: column = 0; break;
    case kPartLineDown: column = 1; break;
    case kPartThumb: column = 2; break;
    default: column = 3; break;
    }
    if (horizontal) column += 4;
    return RECT{column * cell, state * cell, (column + 1) * cell, (state + 1) * cell};
}

int ScrollDragPosition(const ScrollMetrics& m, int startPos, int delta) {
    ScrollLayout l = ComputeScrollLayout(m, false);
    int travel = l.track - l.thumbSize;
    int offset = travel != 0 ? static_cast<int>(static_cast<long long>(l.span) * delta / travel) : 0;
    int pos = startPos + offset;
    pos = std::min(pos, l.span);
    return std::max(pos, m.min);
}
