// CheckerPattern: the squares shown behind transparent pixels. Cell (0, 0) takes the first colour;
// a pixel takes the first colour when its cell column and cell row have the same parity.
#pragma once

#include <cstdint>

#include "view/pixel_buffer.h"

namespace varnel {

struct CheckerPattern {
    int32_t cell = 8;
    uint32_t first = packPixel(255, 255, 255);
    uint32_t second = packPixel(204, 204, 204);

    // The cell parity of a coordinate (0 for the first cell); coordinates may be negative.
    int32_t parity(int32_t v) const {
        int32_t c = cell > 0 ? cell : 1;
        int32_t q = v >= 0 ? v / c : -((-v + c - 1) / c);
        return q & 1;
    }
    uint32_t colourAt(int32_t x, int32_t y) const {
        return parity(x) == parity(y) ? first : second;
    }
};

}  // namespace varnel
