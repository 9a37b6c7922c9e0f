#include "palettes/info_reading.h"

#include <cmath>

#include "view/pixel_buffer.h"
#include "view/zoom_scroller.h"

namespace varnel {

InfoReading readInfo(const ZoomScroller& scroller, const PixelBuffer32& frame, Point client,
                     double frameScale) {
    InfoReading r;
    // A frame that does not cover the point (not drawn yet, or of an older size) shows nothing
    // there yet.
    const Point at{int32_t(std::floor(client.x * frameScale)),
                   int32_t(std::floor(client.y * frameScale))};
    if (!scroller.visibleClientImageRect().contains(client) || !frame.bounds().contains(at))
        return r;
    const uint32_t p = frame.pixel(at.x, at.y);
    r.inImage = true;
    r.red = pixelRed(p);
    r.green = pixelGreen(p);
    r.blue = pixelBlue(p);
    r.point = scroller.clientToImageFloor(client);
    return r;
}

}  // namespace varnel
