// Where a printed image lands on the page: the whole-number enlargement that keeps pixels crisp,
// or a uniform reduction for an image larger than the printable area, centred either way.
#pragma once

#include <cstdint>

#include "core/geometry.h"

namespace varnel {

struct PagePlacement {
    // The whole enlargement applied to the image; 1 when it prints at its own size or is reduced,
    // 0 when nothing is printed (an empty image or printable area).
    int32_t factor = 0;
    // True when the image is larger than the printable area and was scaled down to fit it.
    bool reduced = false;
    // The image's rectangle in device pixels, relative to the printable area's top-left corner.
    Rect destination;
};

// Places an image of `image` pixels on a printable area of `printable` device pixels.
//
// An image that fits the area is enlarged by the largest whole factor (at least 1) for which it
// stays within three quarters of the printable width (rounded to the nearest pixel) and within
// the printable height. An image wider or taller than the area is reduced uniformly to fit it,
// its aspect kept to the nearest pixel. The result is centred, rounding towards the top-left.
PagePlacement placeOnPage(Size image, Size printable);

}  // namespace varnel
