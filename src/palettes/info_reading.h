// What the Info palette shows for a pointer over a canvas view: the colour of the pixel the view
// shows there (taken from the view's own rendered frame, so over transparent parts it is the
// checkerboard's colour) and the image pixel under the pointer. Plain logic over the view's zoom
// state and frame.
#pragma once

#include <cstdint>

#include "core/geometry.h"

namespace varnel {

class PixelBuffer32;
class ZoomScroller;

struct InfoReading {
    // False when the pointer is outside the image area the view shows: colour and point are
    // then blank.
    bool inImage = false;
    uint8_t red = 0, green = 0, blue = 0;
    Point point;

    friend bool operator==(const InfoReading&, const InfoReading&) = default;
};

// The reading for the pointer at client point `client`. The frame holds `frameScale` frame
// pixels per client pixel in each direction (2 on a screen of twice the density).
InfoReading readInfo(const ZoomScroller& scroller, const PixelBuffer32& frame, Point client,
                     double frameScale = 1.0);

}  // namespace varnel
