#include "view/selection_outline.h"

#include <cstring>

namespace varnel {

namespace {
int32_t gPhase = 0;
}

int32_t SelectionOutline::phase() {
    return gPhase;
}

void SelectionOutline::setPhase(int32_t phase) {
    gPhase = ((phase % 8) + 8) % 8;
}

void SelectionOutline::forget() {
    rect_ = {};
    points_.clear();
    snapshot_.release();
    prepared_ = false;
}

bool SelectionOutline::prepare(const SelectionArea& selection, const ZoomScroller& scroller,
                               const PixelBuffer32& screen) {
    forget();
    if (selection.isEmpty()) return false;
    const GrayMap* mask = selection.mask;
    if (mask &&
        (!mask->isValid() || mask->bitsPerPixel() != 8 || mask->size() != selection.rect.size())) {
        return false;
    }
    Rect visible = scroller.visibleClientImageRect().intersected(screen.bounds());
    Rect r = scroller.imageToClient(selection.rect).intersected(visible);
    if (r.isEmpty()) return false;
    if (!snapshot_.resize(r.width(), r.height())) return false;
    snapshot_.copyFrom(screen, r, Point{0, 0});

    // The mask scaled to screen pixels over r enlarged by one pixel; 0 outside the selection.
    const int32_t bw = r.width() + 2, bh = r.height() + 2;
    levels_.assign(size_t(bw) * size_t(bh), 0);
    const Point o = scroller.offset();
    const AxisMap mx = scroller.axisMap(ScrollAxis::Horizontal);
    const AxisMap my = scroller.axisMap(ScrollAxis::Vertical);
    const Rect sb = selection.rect;
    columns_.assign(size_t(bw), -1);
    for (int32_t i = 0; i < bw; ++i) {
        int64_t cx = int64_t(r.left - 1 + i) - o.x;
        if (cx < 0 || cx >= mx.contentLen) continue;
        int32_t ix = mx.sample(cx);
        if (ix >= sb.left && ix < sb.right) columns_[size_t(i)] = ix - sb.left;
    }
    for (int32_t j = 0; j < bh; ++j) {
        int64_t cy = int64_t(r.top - 1 + j) - o.y;
        if (cy < 0 || cy >= my.contentLen) continue;
        int32_t iy = my.sample(cy);
        if (iy < sb.top || iy >= sb.bottom) continue;
        const uint8_t* m = mask ? mask->row(iy - sb.top) : nullptr;
        uint8_t* out = levels_.data() + size_t(j) * size_t(bw);
        for (int32_t i = 0; i < bw; ++i) {
            int32_t mx = columns_[size_t(i)];
            if (mx >= 0) out[i] = m ? m[mx] : 255;
        }
    }
    for (int32_t y = 0; y < r.height(); ++y) {
        const uint8_t* above = levels_.data() + size_t(y) * size_t(bw);
        const uint8_t* row = above + bw;
        const uint8_t* below = row + bw;
        for (int32_t x = 0; x < r.width(); ++x) {
            int32_t bx = x + 1;
            if (row[bx] < kInsideLevel) continue;
            if (row[bx - 1] <= kOutsideLevel || row[bx + 1] <= kOutsideLevel ||
                above[bx] <= kOutsideLevel || below[bx] <= kOutsideLevel) {
                points_.push_back(Point{x, y});
            }
        }
    }
    rect_ = r;
    prepared_ = true;
    return true;
}

Rect SelectionOutline::drawInto(PixelBuffer32& screen) {
    if (!prepared_ || rect_.isEmpty()) return {};
    const uint32_t white = packPixel(255, 255, 255), black = packPixel(0, 0, 0);
    for (const Point& p : points_) {
        int32_t v = ((p.x + p.y + 3 - gPhase) % 8 + 8) % 8;
        snapshot_.row(p.y)[p.x] = v < 4 ? white : black;
    }
    screen.copyFrom(snapshot_, snapshot_.bounds(), rect_.topLeft());
    gPhase = (gPhase + 1) % 8;
    return rect_.intersected(screen.bounds());
}

}  // namespace varnel
