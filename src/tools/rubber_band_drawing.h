// The drawing of a drag rectangle ("rubber band") as marked pixels of a view's InvertMask: a
// diagonal stripe of four inverted and four plain pixels along the rectangle's edges, which moves
// one pixel per tick like the marching ants of the selection. Plain logic without a window, so
// that each step's marks can be checked.
#pragma once

#include <cstdint>
#include <vector>

#include "core/geometry.h"
#include "view/invert_mask.h"

namespace varnel {

// 8 × 8 monochrome patterns, one byte per row from the top, most significant bit leftmost.
// Stripe: pixel (x, y) is set when (x + y + 3) mod 8 < 4.
inline constexpr uint8_t kBandStripe[8] = {0x87, 0x0F, 0x1E, 0x3C, 0x78, 0xF0, 0xE1, 0xC3};
// Step: exactly the pixels where the stripe differs from the stripe one column to the left, so
// that toggling them moves the stripe one pixel to the right.
inline constexpr uint8_t kBandStep[8] = {0x44, 0x88, 0x11, 0x22, 0x44, 0x88, 0x11, 0x22};

// Whether client pixel (x, y) is set in `pattern` anchored at client x = phase, y = 0.
bool bandPatternBit(const uint8_t (&pattern)[8], int32_t x, int32_t y, int32_t phase);

// Whether (x, y) is drawn for `rect`: its one-pixel edges when it is more than 2 pixels wide and
// high, otherwise every pixel of it.
bool onBandOutline(const Rect& rect, int32_t x, int32_t y);

// Toggles the marks of `rect`'s outline where the pattern is set, leaving out the pixels on the
// outline of `exclude`. Adds the client rectangles it may have changed to `touched`.
void toggleBandOutline(InvertMask& mask, const Rect& rect, const uint8_t (&pattern)[8],
                       int32_t phase, const Rect& exclude, std::vector<Rect>& touched);

class RubberBandDrawing {
public:
    // Phase 0, nothing to show and nothing shown.
    void reset();
    // The rectangle to show (client coordinates, normalised).
    void setRect(const Rect& rect) { rect_ = rect; }
    Rect rect() const { return rect_; }
    // The rectangle whose marks are in the mask now.
    Rect shownRect() const { return shown_; }
    int32_t phase() const { return phase_; }

    // erase: takes the shown rectangle's marks off. Otherwise, when the rectangle to show is not
    // the shown one (or nothing is shown), moves the marks from the old rectangle to the new one
    // without toggling shared edge pixels twice; when it is the shown one, advances the stripes by
    // one pixel. Returns the client rectangles to repaint.
    std::vector<Rect> show(InvertMask& mask, bool erase);

private:
    Rect rect_;
    Rect shown_;
    int32_t phase_ = 0;
    // The mask's generation when the marks were made: a resized mask no longer holds them.
    uint64_t generation_ = 0;
};

}  // namespace varnel
