// LayerThumbnail: a small picture of one layer over the whole canvas, as a layer list shows it.
// The canvas is scaled to the thumbnail's size; the layer's pixels sit at their offset. A
// background layer shows its pixels as they are; any other raster layer is laid over a
// checkerboard of 4-pixel cells (white and 204 grey) by its transparency planes; a layer without
// pixels, and every part of the canvas a layer does not cover, shows the plain checkerboard.
//
// Each thumbnail pixel is the average of an evenly spread grid of canvas samples (up to 8 × 8)
// in the canvas area it stands for, so the cost of a thumbnail does not depend on the canvas size,
// and a change to part of a layer is brought in by recomputing only the thumbnail pixels whose
// area it touches (update()).
#pragma once

#include <cstdint>
#include <vector>

#include "core/geometry.h"

namespace varnel {

class LayerItem;

class LayerThumbnail {
public:
    // The checkerboard's cells and colours.
    static constexpr int32_t kCheckerCell = 4;
    static constexpr uint8_t kCheckerLight = 255;
    static constexpr uint8_t kCheckerDark = 204;
    // The largest number of samples taken along each axis for one thumbnail pixel.
    static constexpr int32_t kMaxSamples = 8;

    // Pixels are 0xFFRRGGBB, rows top-down and packed.
    int32_t width() const { return size_.width; }
    int32_t height() const { return size_.height; }
    Size size() const { return size_; }
    const uint32_t* row(int32_t y) const {
        return pixels_.data() + size_t(y) * size_t(size_.width);
    }
    uint32_t pixel(int32_t x, int32_t y) const { return row(y)[x]; }
    bool isEmpty() const { return size_.isEmpty(); }

    // The canvas size and thumbnail size it was last rendered for.
    Size canvasSize() const { return canvas_; }

    // Renders the whole thumbnail of `layer` on a canvas of `canvas` at `size` (both sides at
    // least 1, at most 4096; otherwise the thumbnail becomes empty). False when it is left empty.
    bool render(const LayerItem& layer, Size canvas, Size size);
    // Brings the pixels that a change of `canvasRect` touches up to date. Renders everything when
    // the canvas size differs from the last rendering. False when the thumbnail is empty.
    bool update(const LayerItem& layer, Size canvas, const Rect& canvasRect);
    // The thumbnail pixels whose canvas area meets `canvasRect` (empty when none do).
    Rect affectedPixels(const Rect& canvasRect) const;

    // The number of canvas samples read by the renderings so far.
    int64_t samplesRead() const { return samplesRead_; }

private:
    void renderPixels(const LayerItem& layer, const Rect& pixels);

    Size size_;
    Size canvas_;
    std::vector<uint32_t> pixels_;
    int64_t samplesRead_ = 0;
};

}  // namespace varnel
