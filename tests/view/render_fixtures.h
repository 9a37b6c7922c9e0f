// Small composites for the rendering tests.
#pragma once

#include <cstdint>
#include <functional>

#include "core/surface.h"
#include "view/pixel_buffer.h"

namespace varnel::test {

// A colour image whose pixel (x, y) is colour(x, y).
inline void fillImage(ColorImage& image, int32_t w, int32_t h,
                      const std::function<Bgr(int32_t, int32_t)>& colour) {
    image.createColor(w, h);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) image.pixels(y)[x] = colour(x, y);
    }
}

inline void fillGray(GrayMap& map, int32_t w, int32_t h,
                     const std::function<uint8_t(int32_t, int32_t)>& level) {
    map.createGray(w, h);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) map.row(y)[x] = level(x, y);
    }
}

// A colour that tells its pixel apart: red from x, green from y.
inline Bgr coordColour(int32_t x, int32_t y) {
    return Bgr{77, uint8_t(y * 7 + 1), uint8_t(x * 5 + 3)};
}

inline bool sameRect(const PixelBuffer32& a, Point at, const PixelBuffer32& b, Rect r) {
    for (int32_t y = r.top; y < r.bottom; ++y) {
        for (int32_t x = r.left; x < r.right; ++x) {
            if (a.pixel(x - r.left + at.x, y - r.top + at.y) != b.pixel(x, y)) return false;
        }
    }
    return true;
}

}  // namespace varnel::test
