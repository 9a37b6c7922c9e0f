#include "imageops/print_layout.h"

#include <algorithm>

namespace varnel {

namespace {

// a × b / c rounded to the nearest integer (halves away from zero), for non-negative values.
int64_t mulDivRounded(int64_t a, int64_t b, int64_t c) {
    return (2 * a * b + c) / (2 * c);
}

}  // namespace

PagePlacement placeOnPage(Size image, Size printable) {
    PagePlacement out;
    const int64_t w = image.width, h = image.height;
    const int64_t areaW = printable.width, areaH = printable.height;
    if (w <= 0 || h <= 0 || areaW <= 0 || areaH <= 0) return out;

    int64_t destW = 0, destH = 0;
    if (w > areaW || h > areaH) {
        // Whichever side binds, the other follows the image's proportions; the comparison is
        // exact, so the bound side fills the area and the other never passes it.
        out.reduced = true;
        out.factor = 1;
        if (w * areaH >= h * areaW) {
            destW = areaW;
            destH = std::clamp<int64_t>(mulDivRounded(h, areaW, w), 1, areaH);
        } else {
            destH = areaH;
            destW = std::clamp<int64_t>(mulDivRounded(w, areaH, h), 1, areaW);
        }
    } else {
        const int64_t widthLimit = mulDivRounded(areaW, 3, 4);
        const int64_t factor = std::max<int64_t>(1, std::min(widthLimit / w, areaH / h));
        out.factor = int32_t(factor);
        destW = factor * w;
        destH = factor * h;
    }
    const int64_t x = (areaW - destW) / 2, y = (areaH - destH) / 2;
    out.destination = Rect::fromXYWH(int32_t(x), int32_t(y), int32_t(destW), int32_t(destH));
    return out;
}

}  // namespace varnel
