#include "filters/filter.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "filters/last_filter.h"

namespace varnel {
namespace {

// The mask's bounds placed on the surface, computed wide so that a far-off origin cannot wrap.
Rect placedBounds(const GrayMap& plane, Point origin, const Rect& surfaceBounds) {
    const int64_t left = std::max<int64_t>(origin.x, surfaceBounds.left);
    const int64_t top = std::max<int64_t>(origin.y, surfaceBounds.top);
    const int64_t right = std::min<int64_t>(int64_t(origin.x) + plane.width(), surfaceBounds.right);
    const int64_t bottom =
        std::min<int64_t>(int64_t(origin.y) + plane.height(), surfaceBounds.bottom);
    if (right <= left || bottom <= top) return {};
    return {int32_t(left), int32_t(top), int32_t(right), int32_t(bottom)};
}

inline uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// First index ≥ x (and ≤ n) whose byte differs from `value`.
inline int32_t runEnd(const uint8_t* m, int32_t x, int32_t n, uint8_t value) {
    const uint64_t word = 0x0101010101010101ull * value;
    while (x + 8 <= n && load64(m + x) == word) x += 8;
    while (x < n && m[x] == value) ++x;
    return x;
}

// First index ≥ x (and ≤ n) whose byte is 0 or 255.
inline int32_t partialRunEnd(const uint8_t* m, int32_t x, int32_t n) {
    while (x < n && m[x] != 0 && m[x] != 255) ++x;
    return x;
}

bool isAll255(const GrayMap& plane, Point origin, const Rect& rect) {
    const int32_t n = rect.width();
    for (int32_t y = rect.top; y < rect.bottom; ++y) {
        const uint8_t* m = plane.row(y - origin.y) + (rect.left - origin.x);
        if (runEnd(m, 0, n, 255) != n) return false;
    }
    return true;
}

// out = old + ((new − old) × c >> 8) per byte, for coverages strictly between 0 and 255.
template <int Bpp>
void blendRun(const uint8_t* oldPx, const uint8_t* newPx, uint8_t* out, const uint8_t* m,
              int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        const int c = m[i];
        for (int k = 0; k < Bpp; ++k) {
            const int o = oldPx[i * Bpp + k];
            out[i * Bpp + k] = uint8_t(o + (((int(newPx[i * Bpp + k]) - o) * c) >> 8));
        }
    }
}

}  // namespace

// --- Filter ---------------------------------------------------------------------------------

Filter::~Filter() = default;

std::string Filter::name() const {
    return "Unknown Filter";
}

int Filter::process24(PixelSurface& surface) {
    (void)surface;
    return 0;
}

int Filter::process8(PixelSurface& surface) {
    (void)surface;
    return 0;
}

Rect Filter::processingRect(const Rect& bounds, const CoverageMask* mask, const Rect* limit) {
    Rect rect = bounds;
    if (mask && mask->plane) rect = placedBounds(*mask->plane, mask->origin, rect);
    if (limit) rect = rect.intersected(*limit);
    return rect.isEmpty() ? Rect{} : rect;
}

int Filter::apply(PixelSurface& surface, const CoverageMask* mask, const Rect* limit) {
    return run(nullptr, surface, mask, limit);
}

int Filter::applyFrom(const PixelSurface& source, PixelSurface& surface, const CoverageMask* mask,
                      const Rect* limit) {
    if (!readsSeparateSource()) return 0;
    return run(&source, surface, mask, limit);
}

int Filter::run(const PixelSurface* source, PixelSurface& surface, const CoverageMask* mask,
                const Rect* limit) {
    onApply();
    changed_ = {};
    if (!surface.isValid()) return 0;
    const GrayMap* plane = mask ? mask->plane : nullptr;
    if (plane && !plane->isValid()) return 0;
    if (source && (!source->isValid() || source->size() != surface.size() ||
                   source->bitsPerPixel() != surface.bitsPerPixel())) {
        return 0;
    }
    const Rect rect = processingRect(surface.bounds(), plane ? mask : nullptr, limit);
    if (rect.isEmpty()) return 0;

    target_ = &surface;
    source_ = source ? source : &surface;
    mask_ = plane ? mask : nullptr;
    rect_ = rect;
    int result = 0;
    switch (surface.bitsPerPixel()) {
        case 24:
            result = process24(surface);
            break;
        case 8:
            result = process8(surface);
            break;
        default:
            result = 0;
            break;
    }
    if (result) changed_ = changedArea();
    afterProcess(result);
    target_ = nullptr;
    source_ = nullptr;
    mask_ = nullptr;
    rect_ = {};
    return result;
}

// --- PointFilter ----------------------------------------------------------------------------

void PointFilter::transformPixel(Bgr& pixel) const {
    (void)pixel;
}

void PointFilter::transformValue(uint8_t& value) const {
    (void)value;
}

void PointFilter::transformRow24(const uint8_t* src, uint8_t* dst, int32_t count) const {
    for (int32_t i = 0; i < count; ++i) {
        Bgr p{src[3 * i], src[3 * i + 1], src[3 * i + 2]};
        transformPixel(p);
        dst[3 * i] = p.b;
        dst[3 * i + 1] = p.g;
        dst[3 * i + 2] = p.r;
    }
}

void PointFilter::transformRow8(const uint8_t* src, uint8_t* dst, int32_t count) const {
    for (int32_t i = 0; i < count; ++i) {
        uint8_t v = src[i];
        transformValue(v);
        dst[i] = v;
    }
}

int PointFilter::process24(PixelSurface& surface) {
    return processBytes(surface, 3);
}

int PointFilter::process8(PixelSurface& surface) {
    return processBytes(surface, 1);
}

int PointFilter::processBytes(PixelSurface& surface, int bpp) {
    const bool fused = source_ != &surface;
    // Values this filter leaves alone need no pass (unless they have to be copied across).
    if (bpp == 1 && !changesValues() && !fused) return 1;

    using RowFn = void (PointFilter::*)(const uint8_t*, uint8_t*, int32_t) const;
    const RowFn rowFn = bpp == 3 ? &PointFilter::transformRow24 : &PointFilter::transformRow8;
    const int32_t width = rect_.width();
    const size_t offset = size_t(rect_.left) * size_t(bpp);

    // A mask that selects every pixel of the rectangle is the same as none: detected once so
    // that the plain loop runs without looking at the mask.
    const GrayMap* plane = mask_ ? mask_->plane : nullptr;
    const Point origin = mask_ ? mask_->origin : Point{};
    if (plane && isAll255(*plane, origin, rect_)) plane = nullptr;

    if (!plane) {
        for (int32_t y = rect_.top; y < rect_.bottom; ++y) {
            (this->*rowFn)(source_->row(y) + offset, surface.row(y) + offset, width);
        }
        return 1;
    }

    std::vector<uint8_t> scratch;
    try {
        scratch.resize(size_t(width) * size_t(bpp));
    } catch (...) {
        return 0;
    }
    for (int32_t y = rect_.top; y < rect_.bottom; ++y) {
        const uint8_t* src = source_->row(y) + offset;
        uint8_t* dst = surface.row(y) + offset;
        const uint8_t* m = plane->row(y - origin.y) + (rect_.left - origin.x);
        int32_t x = 0;
        while (x < width) {
            const uint8_t c = m[x];
            const size_t at = size_t(x) * size_t(bpp);
            int32_t end;
            if (c == 0) {
                // Unselected pixels are not visited; a fused pass copies them across.
                end = runEnd(m, x, width, 0);
                if (fused) std::memcpy(dst + at, src + at, size_t(end - x) * size_t(bpp));
            } else if (c == 255) {
                end = runEnd(m, x, width, 255);
                (this->*rowFn)(src + at, dst + at, end - x);
            } else {
                end = partialRunEnd(m, x, width);
                (this->*rowFn)(src + at, scratch.data(), end - x);
                if (bpp == 3) {
                    blendRun<3>(src + at, scratch.data(), dst + at, m + x, end - x);
                } else {
                    blendRun<1>(src + at, scratch.data(), dst + at, m + x, end - x);
                }
            }
            x = end;
        }
    }
    return 1;
}

// --- AreaFilter -----------------------------------------------------------------------------

std::unique_ptr<AreaFilter> AreaFilter::clone() const {
    std::unique_ptr<AreaFilter> copy;
    try {
        copy = cloneFilter();
    } catch (...) {
        return nullptr;
    }
    if (copy) copy->internal_ = false;
    return copy;
}

Rect AreaFilter::changedArea() const {
    return target_ ? target_->bounds() : Rect{};
}

void AreaFilter::onApply() {
    if (!internal_) rememberLastFilter(*this);
}

}  // namespace varnel
