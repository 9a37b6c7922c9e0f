#include "document/layer_thumbnail.h"

#include <algorithm>
#include <array>

#include "document/layer.h"

namespace varnel {

namespace {

constexpr int32_t kMaxThumbnailSide = 4096;

// Samples per thumbnail pixel along an axis: enough to see every canvas pixel when the canvas
// is at most kMaxSamples times larger, never more.
int32_t samplesAlong(int32_t canvas, int32_t thumb) {
    const int32_t k = (canvas + thumb - 1) / thumb;
    return std::clamp<int32_t>(k, 1, LayerThumbnail::kMaxSamples);
}

// The canvas coordinate of sample i (of k) of thumbnail pixel t: the centre of the i-th of k
// equal parts of the pixel's canvas span.
int32_t samplePosition(int32_t t, int32_t i, int32_t k, int32_t canvas, int32_t thumb) {
    const int64_t num = (2 * int64_t(t) * k + 2 * int64_t(i) + 1) * canvas;
    return int32_t(num / (2 * int64_t(k) * thumb));
}

}  // namespace

bool LayerThumbnail::render(const LayerItem& layer, Size canvas, Size size) {
    if (canvas.isEmpty() || size.isEmpty() || size.width > kMaxThumbnailSide ||
        size.height > kMaxThumbnailSide) {
        size_ = {};
        canvas_ = {};
        pixels_.clear();
        return false;
    }
    pixels_.assign(size_t(size.width) * size_t(size.height), 0xFF000000u);
    size_ = size;
    canvas_ = canvas;
    renderPixels(layer, Rect::fromSize(size));
    return true;
}

bool LayerThumbnail::update(const LayerItem& layer, Size canvas, const Rect& canvasRect) {
    if (isEmpty()) return false;
    if (canvas != canvas_) return render(layer, canvas, size_);
    const Rect pixels = affectedPixels(canvasRect);
    if (!pixels.isEmpty()) renderPixels(layer, pixels);
    return true;
}

Rect LayerThumbnail::affectedPixels(const Rect& canvasRect) const {
    if (isEmpty()) return {};
    const Rect r = canvasRect.normalized().intersected(Rect::fromSize(canvas_));
    if (r.isEmpty()) return {};
    // A thumbnail pixel t samples the canvas span [t × W / w, (t + 1) × W / w); one pixel more on
    // each side covers the rounding of the sample positions.
    auto first = [](int32_t c, int32_t canvas, int32_t thumb) {
        return std::max<int64_t>(0, int64_t(c) * thumb / canvas - 1);
    };
    auto last = [](int32_t c, int32_t canvas, int32_t thumb) {
        return std::min<int64_t>(thumb, (int64_t(c) * thumb + canvas - 1) / canvas + 1);
    };
    return Rect{int32_t(first(r.left, canvas_.width, size_.width)),
                int32_t(first(r.top, canvas_.height, size_.height)),
                int32_t(last(r.right, canvas_.width, size_.width)),
                int32_t(last(r.bottom, canvas_.height, size_.height))};
}

void LayerThumbnail::renderPixels(const LayerItem& layer, const Rect& area) {
    const Rect pixels = area.intersected(Rect::fromSize(size_));
    if (pixels.isEmpty()) return;
    const int32_t kx = samplesAlong(canvas_.width, size_.width);
    const int32_t ky = samplesAlong(canvas_.height, size_.height);
    const int32_t n = kx * ky;

    // What the samples read: the layer's pixels at its offset and the planes that multiply into
    // its transparency. A background shows its colours as they are.
    const auto* raster = dynamic_cast<const RasterLayer*>(&layer);
    const bool hasPixels = raster && raster->pixels().isValid();
    const bool background = hasPixels && raster->isBackground();
    const Point offset = hasPixels ? raster->offset() : Point{};
    const Size layerSize = hasPixels ? raster->size() : Size{};
    std::array<const Channel*, LayerMaskSet::kPlaneCount> planes{};
    int planeCount = 0;
    if (hasPixels && !background && raster->masks()) {
        for (int i = 0; i < LayerMaskSet::kPlaneCount; ++i) {
            const Channel* p = raster->masks()->plane(i);
            if (p && p->isValid() && p->size() == layerSize) planes[size_t(planeCount++)] = p;
        }
    }

    // Layer columns of every sample of the pixels' columns (-1 outside the layer).
    std::vector<int32_t> columns(size_t(pixels.width()) * size_t(kx));
    for (int32_t tx = pixels.left; tx < pixels.right; ++tx) {
        for (int32_t i = 0; i < kx; ++i) {
            const int32_t x = samplePosition(tx, i, kx, canvas_.width, size_.width) - offset.x;
            columns[size_t(tx - pixels.left) * size_t(kx) + size_t(i)] =
                hasPixels && x >= 0 && x < layerSize.width ? x : -1;
        }
    }

    std::array<int32_t, kMaxSamples> rows{};
    const uint32_t full = 255u * uint32_t(n);
    for (int32_t ty = pixels.top; ty < pixels.bottom; ++ty) {
        for (int32_t j = 0; j < ky; ++j) {
            const int32_t y = samplePosition(ty, j, ky, canvas_.height, size_.height) - offset.y;
            rows[size_t(j)] = hasPixels && y >= 0 && y < layerSize.height ? y : -1;
        }
        uint32_t* out = pixels_.data() + size_t(ty) * size_t(size_.width);
        for (int32_t tx = pixels.left; tx < pixels.right; ++tx) {
            uint32_t sumA = 0, sumR = 0, sumG = 0, sumB = 0;
            const int32_t* cols = columns.data() + size_t(tx - pixels.left) * size_t(kx);
            for (int32_t j = 0; j < ky; ++j) {
                const int32_t y = rows[size_t(j)];
                if (y < 0) continue;
                const Bgr* line = raster->pixels().pixels(y);
                for (int32_t i = 0; i < kx; ++i) {
                    const int32_t x = cols[i];
                    if (x < 0) continue;
                    uint32_t a = 255;
                    for (int p = 0; p < planeCount; ++p) a = a * planes[size_t(p)]->row(y)[x] / 255;
                    const Bgr c = line[x];
                    sumA += a;
                    sumR += c.r * a;
                    sumG += c.g * a;
                    sumB += c.b * a;
                }
            }
            samplesRead_ += n;
            // The average over the samples laid over the checkerboard: what no sample covers
            // (full − sumA, in alpha units) shows the cell's grey.
            const uint32_t cell =
                ((tx / kCheckerCell + ty / kCheckerCell) & 1) ? kCheckerDark : kCheckerLight;
            const uint32_t under = cell * (full - sumA);
            auto channel = [&](uint32_t sum) { return (sum + under + full / 2) / full; };
            out[tx] = 0xFF000000u | (channel(sumR) << 16) | (channel(sumG) << 8) | channel(sumB);
        }
    }
}

}  // namespace varnel
