#include "palettes/info_reading.h"

#include "view/pixel_buffer.h"
#include "view/zoom_scroller.h"

namespace varnel {

InfoReading readInfo(const ZoomScroller& scroller, const PixelBuffer32& frame, Point client) {
    InfoReading r;
    // A frame that does not cover the point (not drawn yet, or of an older size) shows nothing
    // there yet.
    if (!scroller.visibleClientImageRect().contains(client) || !frame.bounds().contains(client))
        return r;
    const uint32_t p = frame.pixel(client.x, client.y);
    r.inImage = true;
    r.red = pixelRed(p);
    r.green = pixelGreen(p);
    r.blue = pixelBlue(p);
    r.point = scroller.clientToImageFloor(client);
    return r;
}

}  // namespace varnel
