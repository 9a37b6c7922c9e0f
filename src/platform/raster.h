// The platform layer's view of a bitmap: row pointers and a pixel format. It owns nothing; the
// engine's surfaces describe their stores this way when they ask for 2-D operations.
#pragma once

#include <cstdint>

#include "platform/color.h"
#include "platform/geometry.h"

namespace varnel::platform {

struct Raster {
    // rows[y] is the first byte of row y, row 0 being the top row.
    uint8_t* const* rows = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    // 1, 4, 8, 16, 24 or 32. 1- and 4-bit pixels are packed most significant bits first.
    int32_t bitsPerPixel = 0;
    // Colour table of indexed rasters (1, 4 and 8 bits).
    const Bgra* palette = nullptr;
    int32_t paletteCount = 0;
    // Red, green, blue and alpha masks of 16- and 32-bit pixels. All zero means the defaults:
    // 5-5-5 for 16 bits, 8-8-8 with an unused fourth byte for 32 bits.
    uint32_t masks[4] = {0, 0, 0, 0};

    bool isValid() const {
        return rows && width > 0 && height > 0 &&
               (bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 16 ||
                bitsPerPixel == 24 || bitsPerPixel == 32);
    }
    bool isIndexed() const { return bitsPerPixel <= 8; }
    Rect bounds() const { return {0, 0, width, height}; }
};

}  // namespace varnel::platform
