#include "view/preview_geometry.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "document/layer.h"
#include "document/layer_stack.h"
#include "view/checker_pattern.h"
#include "view/display_cache.h"

namespace varnel {
namespace preview {

namespace {

constexpr int32_t kX0 = kToolbarX;
constexpr int32_t kY0 = kToolbarY;

int32_t roundHalfUp(double v) {
    return int32_t(std::floor(v + 0.5));
}

}  // namespace

Rect zoomOutRect() {
    return {kX0, kY0, kX0 + 16, kY0 + 16};
}
Rect sliderAreaRect() {
    return {kX0 + 16, kY0, kX0 + 112, kY0 + 16};
}
Rect sliderThumbRect(int32_t sliderPos) {
    return {kX0 + 18 + sliderPos, kY0, kX0 + 27 + sliderPos, kY0 + 16};
}
Rect zoomInRect() {
    return {kX0 + 112, kY0, kX0 + 128, kY0 + 16};
}
Rect actualPixelsRect() {
    return {kX0 + 131, kY0, kX0 + 147, kY0 + 16};
}
Rect toolbarRect() {
    return {kX0, kY0, kX0 + kToolbarWidth, kY0 + kToolbarHeight};
}
Rect navigatorButtonRect(int32_t clientWidth) {
    return {clientWidth - 18, 2, clientWidth - 2, 18};
}
Rect navigatorBoxRect(int32_t clientWidth) {
    return {clientWidth - kNavigatorBox, 0, clientWidth, kNavigatorBox};
}

Rect thumbnailFrame(int32_t clientWidth, Size image) {
    const Rect box = navigatorBoxRect(clientWidth);
    Rect t{box.left + 10, box.top + 10, box.right - 10, box.bottom - 10};
    if (image.width <= 0 || image.height <= 0) return t;
    if (image.width < image.height) {
        const int32_t w = roundHalfUp(double(kThumbnailSide) * image.width / image.height);
        t.left += (kThumbnailSide - w) / 2;
        t.right = t.left + std::max(w, 2);
    } else {
        const int32_t h = roundHalfUp(double(kThumbnailSide) * image.height / image.width);
        t.top += (kThumbnailSide - h) / 2;
        t.bottom = t.top + std::max(h, 2);
    }
    return t;
}

Rect thumbnailInner(int32_t clientWidth, Size image) {
    const Rect t = thumbnailFrame(clientWidth, image);
    Rect inner{t.left + 1, t.top + 1, t.right - 1, t.bottom - 1};
    // A canvas thinner than 1 : 100 still gets a thumbnail one pixel across.
    if (inner.right <= inner.left) inner.right = inner.left + 1;
    if (inner.bottom <= inner.top) inner.bottom = inner.top + 1;
    return inner;
}

float sliderZoom(int32_t position, float minZoom, float maxZoom) {
    const double n = kSliderSteps;
    const double p = std::clamp(position, 0, kSliderSteps);
    const double m = minZoom, big = maxZoom;
    if (p <= n / 2) return float(m + (1 - m) * 4 * p * p / (n * n));
    return float((big - 1) * 4 * p * p / (3 * n * n) + (4 - big) / 3);
}

int32_t sliderPosition(float zoom, float minZoom, float maxZoom) {
    const double n = kSliderSteps;
    const double m = minZoom, big = maxZoom;
    double z = zoom;
    if (!std::isfinite(z)) z = 1.0;
    z = std::clamp(z, std::min(m, big), std::max(m, big));
    double p;
    if (z <= 1) {
        p = m >= 1 ? n / 2 : (n / 2) * std::sqrt(std::max(0.0, (z - m) / (1 - m)));
    } else {
        p = big <= 1 ? n / 2 : (n / 2) * std::sqrt(std::max(0.0, (big + 3 * z - 4) / (big - 1)));
    }
    return std::clamp(int32_t(p + 0.5), 0, kSliderSteps - 1);
}

int32_t sliderPositionAtX(int32_t x) {
    return std::clamp(x, kSliderTrackLeft, kSliderTrackRight) - kSliderTrackLeft;
}

Rect viewRectangle(const ZoomScroller& scroller, Rect inner) {
    const Size content = scroller.contentSize();
    const Size client = scroller.clientSize();
    if (content.width <= client.width && content.height <= client.height) return inner;
    // The visible part in content coordinates.
    const Point scroll = scroller.scrollPosition();
    const Point offset = scroller.offset();
    auto visible = [](int32_t scrollPos, int32_t off, int32_t page, int32_t length) {
        // Where the content is smaller than the client it is centred (offset > 0) and all shows.
        if (off > 0 || length <= page) return std::pair<int32_t, int32_t>{0, length};
        return std::pair<int32_t, int32_t>{scrollPos, std::min(length, scrollPos + page)};
    };
    const auto [x0, x1] = visible(scroll.x, offset.x, client.width, content.width);
    const auto [y0, y1] = visible(scroll.y, offset.y, client.height, content.height);
    auto mapX = [&](int32_t c) {
        return inner.left + roundHalfUp(double(c) * inner.width() / std::max(1, content.width));
    };
    auto mapY = [&](int32_t c) {
        return inner.top + roundHalfUp(double(c) * inner.height() / std::max(1, content.height));
    };
    return {mapX(x0), mapY(y0), mapX(x1), mapY(y1)};
}

Point thumbnailToContent(Point p, Rect inner, Size content) {
    const double fx = double(p.x - inner.left) * content.width / std::max(1, inner.width());
    const double fy = double(p.y - inner.top) * content.height / std::max(1, inner.height());
    return {roundHalfUp(fx), roundHalfUp(fy)};
}

namespace {

Rect inflated(Rect r, int32_t by) {
    return {r.left - by, r.top - by, r.right + by, r.bottom + by};
}

}  // namespace

int32_t hitTest(PreviewMode mode, Point p, const HitContext& c) {
    const bool onPicture = c.visiblePicture.contains(p);
    switch (mode) {
        case PreviewMode::Plain:
            return onPicture ? kHitPicture : kHitNone;
        case PreviewMode::Toolbar:
            if (zoomOutRect().contains(p)) return kHitZoomOut;
            if (sliderThumbRect(c.sliderPos).contains(p)) return kHitSliderThumb;
            if (zoomInRect().contains(p)) return kHitZoomIn;
            if (sliderAreaRect().contains(p)) return kHitSliderArea;
            if (actualPixelsRect().contains(p)) return kHitActualPixels;
            if (c.navigatorAvailable && navigatorButtonRect(c.clientWidth).contains(p))
                return kHitNavigatorButton;
            return onPicture ? kHitPicture : kHitNone;
        case PreviewMode::Navigator:
            if (inflated(c.viewRect, 2).contains(p)) return kHitViewRect;
            if (thumbnailInner(c.clientWidth, c.image).contains(p)) return kHitThumbnail;
            if (navigatorBoxRect(c.clientWidth).contains(p)) return kHitNavigatorBox;
            return kHitPicture;
    }
    return kHitNone;
}

Rect thumbnailPlacement(Size thumbnail, Size canvas, Rect b) {
    if (canvas.width <= 0 || canvas.height <= 0) return {};
    const double sx = double(thumbnail.width) / canvas.width;
    const double sy = double(thumbnail.height) / canvas.height;
    return {roundHalfUp(sx * b.left), roundHalfUp(sy * b.top),
            thumbnail.width - int32_t(std::trunc(sx * (canvas.width - b.right))),
            thumbnail.height - int32_t(std::trunc(sy * (canvas.height - b.bottom)))};
}

void lightenOutside(PixelBuffer32& buffer, Rect area, Rect keep) {
    area = area.intersected(buffer.bounds());
    auto lift = [](uint32_t c) { return c + (((255 - c) * 180) >> 8); };
    for (int32_t y = area.top; y < area.bottom; ++y) {
        uint32_t* row = buffer.row(y);
        for (int32_t x = area.left; x < area.right; ++x) {
            if (keep.contains(Point{x, y})) continue;
            const uint32_t p = row[x];
            row[x] = packPixel(uint8_t(lift(pixelRed(p))), uint8_t(lift(pixelGreen(p))),
                               uint8_t(lift(pixelBlue(p))));
        }
    }
}

void darken(PixelBuffer32& buffer, Rect area, uint8_t v) {
    area = area.intersected(buffer.bounds());
    for (int32_t y = area.top; y < area.bottom; ++y) {
        uint32_t* row = buffer.row(y);
        for (int32_t x = area.left; x < area.right; ++x) {
            const uint32_t p = row[x];
            row[x] = packPixel(uint8_t((pixelRed(p) * v) >> 8), uint8_t((pixelGreen(p) * v) >> 8),
                               uint8_t((pixelBlue(p) * v) >> 8));
        }
    }
}

namespace {

// Up to four sample positions of an image axis inside the footprint of content pixel c.
struct Footprint {
    int32_t at[4];
    int32_t count;
};

Footprint footprint(const AxisMap& m, int64_t c) {
    const int64_t from = c * m.imageLen / m.contentLen;
    int64_t to = ((c + 1) * m.imageLen + m.contentLen - 1) / m.contentLen;
    to = std::clamp<int64_t>(to, from + 1, m.imageLen);
    const int64_t span = to - from;
    Footprint f{};
    f.count = int32_t(std::min<int64_t>(span, 4));
    for (int32_t i = 0; i < f.count; ++i) {
        f.at[i] =
            int32_t(std::min<int64_t>(from + (span * (2 * i + 1)) / (2 * f.count), m.imageLen - 1));
    }
    return f;
}

}  // namespace

bool renderAveraged(const RenderSource& source, const AxisMap& mx, const AxisMap& my, Rect area,
                    const CheckerPattern& checker, PixelBuffer32& target, Point to) {
    if (!source.color || !source.color->isValid()) return false;
    if (source.color->width() != mx.imageLen || source.color->height() != my.imageLen) return false;
    area = area.intersected({0, 0, mx.contentLen, my.contentLen});
    // Only what lands on the target.
    area = area.intersected({-to.x, -to.y, target.width() - to.x, target.height() - to.y});
    if (area.isEmpty()) return true;
    const GrayMap* coverage = source.opaque ? nullptr : source.coverage;
    if (coverage && (!coverage->isValid() || coverage->size() != source.color->size()))
        coverage = nullptr;
    std::vector<Footprint> columns(size_t(area.width()));
    for (int32_t x = area.left; x < area.right; ++x)
        columns[size_t(x - area.left)] = footprint(mx, x);
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const Footprint rows = footprint(my, y);
        uint32_t* out = target.row(y + to.y) + to.x;
        for (int32_t x = area.left; x < area.right; ++x) {
            const Footprint& cols = columns[size_t(x - area.left)];
            uint32_t b = 0, g = 0, r = 0, cover = 0;
            for (int32_t j = 0; j < rows.count; ++j) {
                const uint8_t* src = source.color->row(rows.at[j]);
                const uint8_t* a = coverage ? coverage->row(rows.at[j]) : nullptr;
                for (int32_t i = 0; i < cols.count; ++i) {
                    const int32_t ix = cols.at[i];
                    const uint32_t c = a ? a[ix] : 255;
                    b += src[3 * ix] * c;
                    g += src[3 * ix + 1] * c;
                    r += src[3 * ix + 2] * c;
                    cover += c;
                }
            }
            const uint32_t n = uint32_t(rows.count * cols.count);
            const uint32_t k = checker.colourAt(x, y);
            if (cover == 0 || !source.hasContent) {
                out[x] = k;
                continue;
            }
            const int32_t alpha = int32_t(255 - cover / n);  // how much checkerboard shows
            auto mix = [&](uint32_t weighted, uint8_t back) {
                const int32_t p = int32_t(weighted / cover);
                return uint8_t(p + ((alpha * (back - p)) >> 8));
            };
            out[x] = packPixel(mix(r, pixelRed(k)), mix(g, pixelGreen(k)), mix(b, pixelBlue(k)));
        }
    }
    return true;
}

}  // namespace preview

std::unique_ptr<Document> makePreviewPicture(const Document& source, const RasterLayer& layer) {
    if (!layer.pixels().isValid()) return nullptr;
    const Rect onCanvas = layer.canvasBounds().intersected(source.bounds());
    ImageSettings settings;
    settings.width = source.width();
    settings.height = source.height();
    settings.resolution = 72.0f;
    // The blank document's own first layer is replaced below.
    settings.transparentBackground = layer.isBackground() ? 0 : 1;
    settings.backgroundColor = 0xFFFFFF;
    settings.previewOnly = 1;
    std::unique_ptr<Document> picture = Document::createBlank(settings);
    if (!picture) return nullptr;
    try {
        LayerStack& stack = picture->layers();
        stack.removeAll(false);
        if (!onCanvas.isEmpty()) {
            const Point offset = layer.offset();
            const Rect inLayer{onCanvas.left - offset.x, onCanvas.top - offset.y,
                               onCanvas.right - offset.x, onCanvas.bottom - offset.y};
            ColorImage pixels;
            if (!pixels.copyRectFrom(layer.pixels(), inLayer)) return nullptr;
            std::unique_ptr<LayerMaskSet> masks;
            if (layer.hasTransparency()) {
                masks = std::make_unique<LayerMaskSet>(pixels.width(), pixels.height());
                for (int i = 0; i < LayerMaskSet::kPlaneCount; ++i) {
                    const Channel* plane = layer.masks()->plane(i);
                    if (!plane || !plane->isValid()) continue;
                    auto copy = std::make_unique<Channel>();
                    if (!copy->copyRectFrom(*plane, inLayer)) return nullptr;
                    masks->setPlane(i, std::move(copy));
                }
            }
            RasterLayer* added =
                masks ? stack.adoptRasterLayer(pixels, std::move(masks), onCanvas.topLeft())
                      : stack.adoptBackground(pixels, layer.isBackground(), onCanvas.topLeft());
            if (!added) return nullptr;
        }
        picture->invalidate(picture->bounds());
        return picture;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool drawThumbnail(Document& picture, Size size, PixelBuffer32& thumbnail) {
    if (!thumbnail.resize(size.width, size.height)) return false;
    const CheckerPattern checker{4, packPixel(255, 255, 255), packPixel(204, 204, 204)};
    for (int32_t y = 0; y < size.height; ++y) {
        uint32_t* row = thumbnail.row(y);
        for (int32_t x = 0; x < size.width; ++x) row[x] = checker.colourAt(x, y);
    }
    const RasterLayer* layer = picture.layers().rasterAt(0);
    if (!layer || !layer->pixels().isValid()) return true;
    const Rect bounds = layer->canvasBounds().intersected(picture.bounds());
    const Rect place =
        preview::thumbnailPlacement(size, picture.size(), bounds).intersected(thumbnail.bounds());
    if (place.isEmpty() || bounds.isEmpty()) return true;
    const ColorImage& pixels = layer->pixels();
    const Channel* alpha = layer->transparency();
    const Point offset = layer->offset();
    // Each thumbnail pixel averages a grid of up to 4 × 4 samples spread over its footprint.
    const double fx = double(bounds.width()) / place.width();
    const double fy = double(bounds.height()) / place.height();
    const int sx = std::clamp(int(fx), 1, 4), sy = std::clamp(int(fy), 1, 4);
    for (int32_t y = place.top; y < place.bottom; ++y) {
        uint32_t* row = thumbnail.row(y);
        for (int32_t x = place.left; x < place.right; ++x) {
            uint32_t sum[4] = {0, 0, 0, 0};
            for (int j = 0; j < sy; ++j) {
                const int32_t iy = std::clamp(
                    int32_t((y - place.top + (j + 0.5) / sy) * fy) + bounds.top - offset.y, 0,
                    pixels.height() - 1);
                const uint8_t* src = pixels.row(iy);
                const uint8_t* a = alpha && alpha->isValid() ? alpha->row(iy) : nullptr;
                for (int i = 0; i < sx; ++i) {
                    const int32_t ix = std::clamp(
                        int32_t((x - place.left + (i + 0.5) / sx) * fx) + bounds.left - offset.x, 0,
                        pixels.width() - 1);
                    const uint32_t cover = a ? a[ix] : 255;
                    sum[0] += src[3 * ix] * cover;
                    sum[1] += src[3 * ix + 1] * cover;
                    sum[2] += src[3 * ix + 2] * cover;
                    sum[3] += cover;
                }
            }
            const uint32_t n = uint32_t(sx * sy);
            const uint32_t cover = sum[3] / n;
            if (cover == 0) continue;
            const uint32_t k = row[x];
            // The averaged colour (weighted by coverage) over the checkerboard.
            auto mix = [&](uint32_t weighted, uint8_t back) {
                const uint32_t c = weighted / sum[3];
                return uint8_t(back + ((int32_t(c) - back) * int32_t(cover)) / 255);
            };
            row[x] = packPixel(mix(sum[2], pixelRed(k)), mix(sum[1], pixelGreen(k)),
                               mix(sum[0], pixelBlue(k)));
        }
    }
    return true;
}

}  // namespace varnel
