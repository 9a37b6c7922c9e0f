#include "document/compositor.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/blend_rows.h"
#include "document/layer.h"
#include "platform/parallel.h"

namespace varnel {

namespace {

// One entry clipped to the area being composited, with what its rows need.
struct Clip {
    const RasterLayer* layer;
    Rect r;
    Point offset;
    uint8_t opacity;
    int32_t mode;
    int planeCount;
    const Channel* planes[LayerMaskSet::kPlaneCount];
};

// A run of columns within a band of rows covered by the same layers; its layers are
// `order[first .. first + count)`.
struct Span {
    int32_t x0, x1;
    size_t first, count;
};

bool masksFit(const RasterLayer& layer) {
    const LayerMaskSet* m = layer.masks();
    return !m || !m->hasPlanes() || m->size() == layer.pixels().size();
}

}  // namespace

bool takesPart(const LayerItem& layer) {
    if (layer.kind() != kLayerKindRaster || layer.isEmpty() || !layer.isVisible()) return false;
    const auto& raster = static_cast<const RasterLayer&>(layer);
    return raster.pixels().isValid() && raster.effectiveOpacity() != 0 && masksFit(raster);
}

std::vector<CompositeEntry> compositeEntries(const std::vector<const LayerItem*>& layers) {
    std::vector<CompositeEntry> out;
    for (const LayerItem* layer : layers) {
        if (!layer || !takesPart(*layer)) continue;
        out.push_back(
            {static_cast<const RasterLayer*>(layer), layer->canvasBounds(), layer->offset()});
    }
    return out;
}

void rebaseEntries(std::vector<CompositeEntry>& entries, Point origin) {
    for (CompositeEntry& e : entries) {
        e.bounds = e.bounds.offset(-origin.x, -origin.y);
        e.offset = {e.offset.x - origin.x, e.offset.y - origin.y};
    }
}

namespace {

// compositeInto without its guard: the band and span lists may throw when memory is short.
int compositeIntoUnguarded(const std::vector<CompositeEntry>& entries, ColorImage& color,
                           GrayMap& alpha, Rect rect) {
    if (entries.empty()) return 0;
    if (!color.isValid() || color.bitsPerPixel() != 24 || !alpha.isValid() ||
        alpha.bitsPerPixel() != 8 || color.size() != alpha.size()) {
        return 0;
    }
    rect = rect.normalized().intersected(color.bounds());
    if (rect.isEmpty()) return 1;

    std::vector<Clip> clips;
    clips.reserve(entries.size());
    bool needScratch = false;
    for (const CompositeEntry& e : entries) {
        const Rect r = e.bounds.intersected(rect);
        if (r.isEmpty()) continue;
        Clip c{e.layer, r, e.offset, e.layer->effectiveOpacity(), e.layer->blendMode(), 0, {}};
        if (const LayerMaskSet* m = e.layer->masks()) {
            for (int i = 0; i < LayerMaskSet::kPlaneCount; ++i) {
                if (const Channel* p = m->plane(i)) c.planes[c.planeCount++] = p;
            }
        }
        needScratch |= c.planeCount > 1;
        clips.push_back(c);
    }
    // Rows of a band are independent: parts of them go to the worker threads, each part with its
    // own row of scratch for layers with several planes.
    const int threads = workerThreads();
    const int32_t maxParts = threads > 1 ? threads * 4 : 1;
    const int minRows = minRowsFor(rect.width());
    std::vector<uint8_t> scratch;
    try {
        scratch.resize(needScratch ? size_t(rect.width()) * size_t(maxParts) : 0);
    } catch (const std::bad_alloc&) {
        return 0;
    }

    // Bands of rows over which the same entries are present: entry edges are the only places
    // where the set changes, so the covering layers of a span are found once per band, not per
    // pixel or per row.
    std::vector<int32_t> ys{rect.top, rect.bottom};
    for (const Clip& c : clips) {
        ys.push_back(c.r.top);
        ys.push_back(c.r.bottom);
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

    std::vector<const Clip*> active;
    std::vector<int32_t> xs;
    std::vector<Span> spans;
    std::vector<const Clip*> order;
    for (size_t band = 0; band + 1 < ys.size(); ++band) {
        const int32_t y0 = ys[band];
        const int32_t y1 = ys[band + 1];
        active.clear();
        xs.assign({rect.left, rect.right});
        for (const Clip& c : clips) {
            if (c.r.top <= y0 && c.r.bottom >= y1) {
                active.push_back(&c);
                xs.push_back(c.r.left);
                xs.push_back(c.r.right);
            }
        }
        std::sort(xs.begin(), xs.end());
        xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
        spans.clear();
        order.clear();
        for (size_t i = 0; i + 1 < xs.size(); ++i) {
            Span s{xs[i], xs[i + 1], order.size(), 0};
            for (const Clip* c : active) {
                if (c->r.left <= s.x0 && c->r.right >= s.x1) order.push_back(c);
            }
            s.count = order.size() - s.first;
            spans.push_back(s);
        }

        auto rowsOf = [&](int32_t part, int32_t begin, int32_t end) {
            uint8_t* own =
                needScratch ? scratch.data() + size_t(rect.width()) * size_t(part) : nullptr;
            for (int32_t y = y0 + begin; y < y0 + end; ++y) {
                Bgr* crow = color.pixels(y);
                uint8_t* arow = alpha.row(y);
                for (const Span& s : spans) {
                    const int32_t n = s.x1 - s.x0;
                    if (s.count == 0) {
                        std::memset(arow + s.x0, 0, size_t(n));
                        continue;
                    }
                    for (size_t k = 0; k < s.count; ++k) {
                        const Clip& c = *order[s.first + k];
                        const int32_t ly = y - c.offset.y;
                        const int32_t lx = s.x0 - c.offset.x;
                        const Bgr* src = c.layer->pixels().pixels(ly) + lx;
                        const uint8_t* plane = nullptr;
                        if (c.planeCount == 1) {
                            plane = c.planes[0]->row(ly) + lx;
                        } else if (c.planeCount > 1) {
                            std::memcpy(own, c.planes[0]->row(ly) + lx, size_t(n));
                            for (int i = 1; i < c.planeCount; ++i) {
                                multiplyAlphaRow(own, c.planes[i]->row(ly) + lx, n);
                            }
                            plane = own;
                        }
                        if (k == 0) {
                            startRow(crow + s.x0, arow + s.x0, src, plane, c.opacity, n);
                        } else {
                            blendRow(crow + s.x0, arow + s.x0, src, plane, c.opacity, c.mode, n);
                        }
                    }
                }
            }
        };
        const int32_t rows = y1 - y0;
        const int32_t parts = std::clamp<int32_t>(rows / minRows, 1, maxParts);
        if (parts == 1) {
            rowsOf(0, 0, rows);
            continue;
        }
        parallelRows(parts, 1, [&](int first, int last) {
            for (int p = first; p < last; ++p) {
                rowsOf(p, int32_t(int64_t(rows) * p / parts),
                       int32_t(int64_t(rows) * (p + 1) / parts));
            }
        });
    }
    return 1;
}

}  // namespace

int compositeInto(const std::vector<CompositeEntry>& entries, ColorImage& color, GrayMap& alpha,
                  Rect rect) {
    try {
        return compositeIntoUnguarded(entries, color, alpha, rect);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

}  // namespace varnel
