#include "palettes/palette_geometry.h"

#include <algorithm>
#include <cstdlib>

namespace varnel {

namespace {

// Whether [a0, a1) and [b0, b1) share some stretch.
bool overlaps(int32_t a0, int32_t a1, int32_t b0, int32_t b1) {
    return std::max(a0, b0) < std::min(a1, b1);
}

int32_t edgeOf(const Rect& r, uint32_t edge) {
    switch (edge) {
        case kSnapLeft:
            return r.left;
        case kSnapTop:
            return r.top;
        case kSnapRight:
            return r.right;
        default:
            return r.bottom;
    }
}

// The edge of a neighbour that faces `edge` of the window.
uint32_t facingEdge(uint32_t edge) {
    switch (edge) {
        case kSnapLeft:
            return kSnapRight;
        case kSnapTop:
            return kSnapBottom;
        case kSnapRight:
            return kSnapLeft;
        default:
            return kSnapTop;
    }
}

bool horizontalEdge(uint32_t edge) {
    return edge == kSnapTop || edge == kSnapBottom;
}

}  // namespace

int32_t snapEdge(const Rect& window, uint32_t edge, const SnapTargets& targets, int32_t distance,
                 bool& snapped) {
    const int32_t at = edgeOf(window, edge);
    int64_t best = int64_t(distance) + 1;
    int32_t result = at;
    auto consider = [&](int32_t candidate) {
        const int64_t d = std::llabs(int64_t(candidate) - at);
        if (d < best) {
            best = d;
            result = candidate;
        }
    };
    for (const Rect& c : targets.containers)
        if (!c.isEmpty()) consider(edgeOf(c, edge));
    const bool horizontal = horizontalEdge(edge);
    for (const Rect& n : targets.neighbours) {
        if (n.isEmpty()) continue;
        const bool side = horizontal ? overlaps(window.left, window.right, n.left, n.right)
                                     : overlaps(window.top, window.bottom, n.top, n.bottom);
        if (side) consider(edgeOf(n, facingEdge(edge)));
    }
    snapped = best <= distance;
    return result;
}

Rect snapMovedRect(const Rect& proposed, const SnapTargets& targets, int32_t distance) {
    Rect r = proposed;
    bool snapped = false;
    int32_t to = snapEdge(proposed, kSnapLeft, targets, distance, snapped);
    if (snapped) {
        r = r.offset(to - proposed.left, 0);
    } else {
        to = snapEdge(proposed, kSnapRight, targets, distance, snapped);
        if (snapped) r = r.offset(to - proposed.right, 0);
    }
    // The vertical edges are compared with the window where the horizontal snap put it, so that
    // a neighbour it now lies beside counts.
    const Rect moved = r;
    to = snapEdge(moved, kSnapTop, targets, distance, snapped);
    if (snapped) {
        r = r.offset(0, to - moved.top);
    } else {
        to = snapEdge(moved, kSnapBottom, targets, distance, snapped);
        if (snapped) r = r.offset(0, to - moved.bottom);
    }
    return r;
}

Rect snapSizedRect(const Rect& proposed, uint32_t edges, const SnapTargets& targets, Size minimum,
                   int32_t distance) {
    Rect r = proposed;
    bool snapped = false;
    auto trySnap = [&](uint32_t edge) {
        if (!(edges & edge)) return false;
        const int32_t to = snapEdge(r, edge, targets, distance, snapped);
        if (!snapped) return false;
        Rect next = r;
        switch (edge) {
            case kSnapLeft:
                next.left = to;
                break;
            case kSnapTop:
                next.top = to;
                break;
            case kSnapRight:
                next.right = to;
                break;
            default:
                next.bottom = to;
                break;
        }
        // A snap that would make the window smaller than it may be is not taken.
        if (next.width() < minimum.width || next.height() < minimum.height) return false;
        r = next;
        return true;
    };
    if (!trySnap(kSnapLeft)) trySnap(kSnapRight);
    if (!trySnap(kSnapTop)) trySnap(kSnapBottom);
    return r;
}

Rect sizedRect(const Rect& start, uint32_t edges, Point d, Size minimum) {
    Rect r = start;
    if (edges & kSnapLeft) r.left = std::min(start.left + d.x, start.right - minimum.width);
    if (edges & kSnapRight) r.right = std::max(start.right + d.x, start.left + minimum.width);
    if (edges & kSnapTop) r.top = std::min(start.top + d.y, start.bottom - minimum.height);
    if (edges & kSnapBottom) r.bottom = std::max(start.bottom + d.y, start.top + minimum.height);
    return r;
}

uint32_t borderEdgesAt(Size size, Point p, int32_t border, int32_t corner) {
    const int32_t w = size.width, h = size.height;
    if (p.x < 0 || p.y < 0 || p.x >= w || p.y >= h) return kSnapNone;
    const bool top = p.y < border, bottom = p.y >= h - border;
    const bool left = p.x < border, right = p.x >= w - border;
    if (top || bottom) {
        const uint32_t vertical = top ? kSnapTop : kSnapBottom;
        if (p.x < corner) return vertical | kSnapLeft;
        if (p.x >= w - corner) return vertical | kSnapRight;
        return vertical;
    }
    if (left || right) {
        const uint32_t horizontal = left ? kSnapLeft : kSnapRight;
        return p.y >= h - corner ? horizontal | kSnapBottom : horizontal;
    }
    return kSnapNone;
}

std::vector<int> attachedWindows(const std::vector<Rect>& windows, int index) {
    const int n = int(windows.size());
    if (index < 0 || index >= n) return {};
    auto attached = [](const Rect& a, const Rect& b) {
        if (a.isEmpty() || b.isEmpty()) return false;
        const bool side =
            (a.right == b.left || a.left == b.right) && overlaps(a.top, a.bottom, b.top, b.bottom);
        const bool stacked =
            (a.bottom == b.top || a.top == b.bottom) && overlaps(a.left, a.right, b.left, b.right);
        return side || stacked;
    };
    std::vector<bool> found(size_t(n), false);
    std::vector<int> pending{index};
    found[size_t(index)] = true;
    while (!pending.empty()) {
        const int at = pending.back();
        pending.pop_back();
        for (int i = 0; i < n; ++i) {
            if (found[size_t(i)] || !attached(windows[size_t(at)], windows[size_t(i)])) continue;
            found[size_t(i)] = true;
            pending.push_back(i);
        }
    }
    std::vector<int> out;
    for (int i = 0; i < n; ++i)
        if (found[size_t(i)] && i != index) out.push_back(i);
    return out;
}

std::vector<int32_t> tabLefts(const std::vector<int32_t>& widths) {
    std::vector<int32_t> lefts;
    lefts.reserve(widths.size());
    int32_t x = kTabStripStart;
    for (int32_t w : widths) {
        lefts.push_back(x);
        x += std::max(w, 0);
    }
    return lefts;
}

int tabAt(const std::vector<int32_t>& widths, int32_t x) {
    const std::vector<int32_t> lefts = tabLefts(widths);
    for (size_t i = 0; i < widths.size(); ++i)
        if (x >= lefts[i] && x < lefts[i] + widths[i]) return int(i);
    return -1;
}

int tabSwapTarget(const std::vector<int32_t>& widths, int pressed, int32_t x) {
    const int n = int(widths.size());
    if (pressed < 0 || pressed >= n) return -1;
    const int other = tabAt(widths, x);
    if (other < 0 || other == pressed) return -1;
    std::vector<int32_t> swapped = widths;
    std::swap(swapped[size_t(pressed)], swapped[size_t(other)]);
    // After the exchange the pressed tab sits in the other tab's slot.
    const int32_t left = tabLefts(swapped)[size_t(other)];
    return x >= left && x < left + widths[size_t(pressed)] ? other : -1;
}

}  // namespace varnel
