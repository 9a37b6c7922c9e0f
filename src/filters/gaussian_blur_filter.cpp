#include "filters/gaussian_blur_filter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/stack_blur.h"
#include "filters/coverage_blend.h"
#include "filters/stack_blur_filter.h"
#include "platform/parallel.h"

namespace varnel {

namespace {

// True when every mask value over `rect` is 255: such a mask selects nothing partially.
bool coversFully(const CoverageMask& mask, Rect rect) {
    const size_t n = size_t(rect.width());
    for (int32_t y = rect.top; y < rect.bottom; ++y) {
        const uint8_t* m = mask.plane->row(y - mask.origin.y) + (rect.left - mask.origin.x);
        for (size_t x = 0; x < n; ++x)
            if (m[x] != 255) return false;
    }
    return true;
}

}  // namespace

GaussianBlurFilter::GaussianBlurFilter(double radius) : radius_(clampBlurRadius(radius)) {}

int32_t GaussianBlurFilter::margin() const {
    const double reach = 2.7 * radius_;
    const double whole = std::trunc(reach);
    return int32_t(whole) + (reach - whole > 0.0001 ? 1 : 0);
}

int GaussianBlurFilter::blur24(PixelSurface& surface) const {
    if (surface.bitsPerPixel() != 24) return 0;
    const int32_t r = int32_t(radius_);
    return blurWholeSurface(surface, r, r);
}

int GaussianBlurFilter::blur8(PixelSurface& surface) const {
    if (surface.bitsPerPixel() != 8) return 0;
    const int32_t r = int32_t(radius_);
    return blurWholeSurface(surface, r, r);
}

std::unique_ptr<AreaFilter> GaussianBlurFilter::cloneFilter() const {
    return std::make_unique<GaussianBlurFilter>(radius_);
}

int GaussianBlurFilter::process(PixelSurface& target) {
    const PixelSurface& source = *source_;
    const bool separate = &source != &target;
    const int32_t r = int32_t(radius_);
    const int32_t bpp = target.bitsPerPixel() / 8;
    const Rect bounds = target.bounds();
    const bool partial = mask_ && !coversFully(*mask_, rect_);

    // The whole surface, fully selected: blurred in place, or from the source straight into the
    // target.
    if (rect_ == bounds && !partial) {
        changed_ = bounds;
        if (!separate && r < 1) return 1;
        return stackBlurInto(source, bounds, target, {0, 0}, r, r);
    }

    // Part of the surface: the pixels within the margin around the rectangle are blurred in a
    // copy, and only the rectangle is written back (through the mask when it has partial
    // coverage). A selection's edge is thus not an edge of the image.
    changed_ = rect_;
    if (r < 1 && !separate) return 1;
    const int32_t m = margin();
    const Rect region =
        Rect{rect_.left - m, rect_.top - m, rect_.right + m, rect_.bottom + m}.intersected(bounds);
    PixelSurface work;
    if (!work.create(region.width(), region.height(), target.bitsPerPixel())) return 0;
    if (!stackBlurInto(source, region, work, {0, 0}, r, r)) return 0;

    const size_t n = size_t(rect_.width()) * size_t(bpp);
    const size_t left = size_t(rect_.left) * size_t(bpp);
    parallelRows(rect_.height(), minRowsFor(rect_.width()), [&](int begin, int end) {
        for (int32_t y = rect_.top + begin; y < rect_.top + end; ++y) {
            const uint8_t* blurred =
                work.row(y - region.top) + size_t(rect_.left - region.left) * size_t(bpp);
            uint8_t* dst = target.row(y) + left;
            if (!partial) {
                std::memcpy(dst, blurred, n);
                continue;
            }
            const uint8_t* old = source.row(y) + left;
            const uint8_t* cover =
                mask_->plane->row(y - mask_->origin.y) + (rect_.left - mask_->origin.x);
            if (bpp == 3) {
                coverage::blendRow<3, coverage::Rule::TowardResult>(old, blurred, dst, cover,
                                                                    rect_.width());
            } else {
                coverage::blendRow<1, coverage::Rule::TowardResult>(old, blurred, dst, cover,
                                                                    rect_.width());
            }
        }
    });
    return 1;
}

}  // namespace varnel
