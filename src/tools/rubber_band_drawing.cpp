#include "tools/rubber_band_drawing.h"

namespace varnel {

namespace {

int32_t wrap8(int64_t v) {
    return int32_t(((v % 8) + 8) % 8);
}

// The outline of `rect` as at most four strips that do not overlap.
std::vector<Rect> outlineStrips(const Rect& r) {
    if (r.isEmpty()) return {};
    if (r.width() <= 2 || r.height() <= 2) return {r};
    return {Rect{r.left, r.top, r.right, r.top + 1}, Rect{r.left, r.bottom - 1, r.right, r.bottom},
            Rect{r.left, r.top + 1, r.left + 1, r.bottom - 1},
            Rect{r.right - 1, r.top + 1, r.right, r.bottom - 1}};
}

}  // namespace

bool bandPatternBit(const uint8_t (&pattern)[8], int32_t x, int32_t y, int32_t phase) {
    const int32_t column = wrap8(int64_t(x) - phase);
    return (pattern[wrap8(y)] >> (7 - column)) & 1;
}

bool onBandOutline(const Rect& r, int32_t x, int32_t y) {
    if (!r.contains(x, y)) return false;
    if (r.width() <= 2 || r.height() <= 2) return true;
    return x == r.left || x == r.right - 1 || y == r.top || y == r.bottom - 1;
}

void toggleBandOutline(InvertMask& mask, const Rect& rect, const uint8_t (&pattern)[8],
                       int32_t phase, const Rect& exclude, std::vector<Rect>& touched) {
    for (const Rect& strip : outlineStrips(rect)) {
        const Rect r = strip.intersected(mask.bounds());
        if (r.isEmpty()) continue;
        for (int32_t y = r.top; y < r.bottom; ++y) {
            for (int32_t x = r.left; x < r.right; ++x) {
                if (bandPatternBit(pattern, x, y, phase) && !onBandOutline(exclude, x, y))
                    mask.toggle(x, y);
            }
        }
        touched.push_back(r);
    }
}

void RubberBandDrawing::reset() {
    rect_ = {};
    shown_ = {};
    phase_ = 0;
}

std::vector<Rect> RubberBandDrawing::show(InvertMask& mask, bool erase) {
    std::vector<Rect> touched;
    if (mask.generation() != generation_) {
        // The marks went with the mask's old size.
        shown_ = {};
        generation_ = mask.generation();
    }
    if (erase) {
        toggleBandOutline(mask, shown_, kBandStripe, phase_, Rect{}, touched);
        shown_ = {};
        return touched;
    }
    if (rect_ != shown_ || shown_.isEmpty()) {
        toggleBandOutline(mask, shown_, kBandStripe, phase_, rect_, touched);
        toggleBandOutline(mask, rect_, kBandStripe, phase_, shown_, touched);
        shown_ = rect_;
        return touched;
    }
    if (!shown_.intersects(mask.bounds())) {
        shown_ = {};
        return touched;
    }
    toggleBandOutline(mask, shown_, kBandStep, phase_, Rect{}, touched);
    phase_ = (phase_ + 1) % 8;
    return touched;
}

}  // namespace varnel
