#include "filters/filter.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "filters/last_filter.h"
#include "platform/parallel.h"

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

// First index ≥ x (and ≤ n) whose byte differs from `value`.
inline int32_t runEnd(const uint8_t* m, int32_t x, int32_t n, uint8_t value) {
#if defined(__SSE2__)
    const __m128i v = _mm_set1_epi8(char(value));
    for (; x + 16 <= n; x += 16) {
        const __m128i eq =
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(m + x)), v);
        const unsigned differs = ~unsigned(_mm_movemask_epi8(eq)) & 0xFFFFu;
        if (differs) return x + __builtin_ctz(differs);
    }
#endif
    while (x < n && m[x] == value) ++x;
    return x;
}

// First index ≥ x (and ≤ n) whose byte is 0 or 255.
inline int32_t partialRunEnd(const uint8_t* m, int32_t x, int32_t n) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi8(char(0xFF));
    for (; x + 16 <= n; x += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + x));
        const unsigned ends = unsigned(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, zero), _mm_cmpeq_epi8(v, full))));
        if (ends) return x + __builtin_ctz(ends);
    }
#endif
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

// out = old + ((new − old) × c >> 8) per byte, with the coverage c of each byte (strictly between
// 0 and 255). With 16-bit lanes the product is taken as the high half of (d × 128) × (c × 2),
// which is (d × c) >> 8 with the same rounding towards minus infinity.
void blendBytes(const uint8_t* oldB, const uint8_t* newB, uint8_t* out, const uint8_t* cover,
                int32_t bytes) {
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= bytes; i += 16) {
        const __m128i o = _mm_loadu_si128(reinterpret_cast<const __m128i*>(oldB + i));
        const __m128i n = _mm_loadu_si128(reinterpret_cast<const __m128i*>(newB + i));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cover + i));
        auto half = [&](__m128i o16, __m128i n16, __m128i c16) {
            const __m128i d = _mm_slli_epi16(_mm_sub_epi16(n16, o16), 7);
            return _mm_add_epi16(o16, _mm_mulhi_epi16(d, _mm_slli_epi16(c16, 1)));
        };
        const __m128i lo = half(_mm_unpacklo_epi8(o, zero), _mm_unpacklo_epi8(n, zero),
                                _mm_unpacklo_epi8(c, zero));
        const __m128i hi = half(_mm_unpackhi_epi8(o, zero), _mm_unpackhi_epi8(n, zero),
                                _mm_unpackhi_epi8(c, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; i < bytes; ++i) {
        const int o = oldB[i];
        out[i] = uint8_t(o + (((int(newB[i]) - o) * cover[i]) >> 8));
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

    // Rows are independent: parts of the rectangle go to the worker threads.
    const int32_t top = rect_.top;
    const int minRows = minRowsFor(width);
    if (!plane) {
        parallelRows(rect_.height(), minRows, [&](int begin, int end) {
            for (int32_t y = top + begin; y < top + end; ++y) {
                (this->*rowFn)(source_->row(y) + offset, surface.row(y) + offset, width);
            }
        });
        return 1;
    }

    parallelRows(rect_.height(), minRows, [&](int begin, int end) {
        // The filtered pixels of a partly covered run and (for colour pixels) each byte's
        // coverage, a bounded piece at a time so that nothing has to be allocated.
        constexpr int32_t kPiece = 1024;
        uint8_t scratch[kPiece * 3];
        uint8_t cover[kPiece * 3];
        for (int32_t y = top + begin; y < top + end; ++y) {
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
                    end = std::min(partialRunEnd(m, x, width), x + kPiece);
                    const int32_t n = end - x;
                    (this->*rowFn)(src + at, scratch, n);
                    const uint8_t* c = m + x;
                    if (bpp == 3) {
                        for (int32_t i = 0; i < n; ++i) {
                            cover[3 * i] = cover[3 * i + 1] = cover[3 * i + 2] = m[x + i];
                        }
                        c = cover;
                    }
                    blendBytes(src + at, scratch, dst + at, c, n * bpp);
                }
                x = end;
            }
        }
    });
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
