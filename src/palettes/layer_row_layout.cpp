#include "palettes/layer_row_layout.h"

#include <algorithm>

namespace varnel {

LayerRowLayout layerRowLayout(const Rect& row, Size canvas) {
    LayerRowLayout l;
    const int64_t cw = std::max(canvas.width, 1), ch = std::max(canvas.height, 1);
    l.eye = Rect{row.left, row.top, row.left + kEyeColumnWidth, row.bottom};

    // The square beside the eye, ending a pixel above the row's bottom, less 1 on every side.
    const int32_t side = row.height();
    const Rect square{row.left + kEyeColumnWidth + 1, row.top,
                      row.left + kEyeColumnWidth + 1 + side, row.bottom - 1};
    Rect box{square.left + 1, square.top + 1, square.right - 1, square.bottom - 1};
    const int64_t bw = std::max(box.width(), 2), bh = std::max(box.height(), 2);

    if (cw * bh >= ch * bw) {
        // Wide: the whole width, centred vertically.
        const int32_t h = int32_t(std::clamp<int64_t>(ch * bw / cw, 2, bh));
        const int32_t top = box.top + (box.height() - h) / 2;
        l.thumbnail = Rect{box.left, top, box.left + int32_t(bw), top + h};
    } else {
        // Tall: the whole height from the left; the box follows the thumbnail's width.
        const int32_t w = int32_t(std::clamp<int64_t>(cw * bh / ch, 2, bw));
        box.right = box.left + std::max(w, kThumbnailMinBoxWidth);
        const int32_t left = box.left + (box.width() - w) / 2;
        l.thumbnail = Rect{left, box.top, left + w, box.top + int32_t(bh)};
    }
    l.box = box;
    // Inside the frame; nothing is left of a thumbnail 2 pixels wide or high.
    l.pixels = Rect{l.thumbnail.left + 1, l.thumbnail.top + 1,
                    std::max(l.thumbnail.left + 1, l.thumbnail.right - 1),
                    std::max(l.thumbnail.top + 1, l.thumbnail.bottom - 1)};

    l.name =
        Rect{box.right + 5, row.top + 1, std::max(box.right + 5, row.right - 5), row.bottom - 2};
    l.editor = Rect{l.name.left - 1, l.name.top, l.name.right + 1, l.name.bottom};
    return l;
}

}  // namespace varnel
