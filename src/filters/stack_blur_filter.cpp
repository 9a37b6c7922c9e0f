#include "filters/stack_blur_filter.h"

#include <algorithm>
#include <cmath>

#include "core/stack_blur.h"

namespace varnel {

double clampBlurRadius(double radius) {
    if (!(radius > kBlurRadiusMin)) return kBlurRadiusMin;  // NaN too
    return std::min(radius, kBlurRadiusMax);
}

int blurWholeSurface(PixelSurface& surface, int32_t rx, int32_t ry) {
    if (!surface.isValid() || (surface.bitsPerPixel() != 24 && surface.bitsPerPixel() != 8))
        return 0;
    return stackBlur(surface, surface.bounds(), rx, ry);
}

StackBlurFilter::StackBlurFilter(uint32_t radius) : radius_(clampBlurRadius(double(radius))) {}

int StackBlurFilter::blur24(PixelSurface& surface) const {
    if (surface.bitsPerPixel() != 24) return 0;
    const int32_t r = int32_t(radius_);
    return blurWholeSurface(surface, r, r);
}

int StackBlurFilter::blur8(PixelSurface& surface) const {
    if (surface.bitsPerPixel() != 8) return 0;
    const int32_t r = int32_t(radius_);
    return blurWholeSurface(surface, r, r);
}

std::unique_ptr<AreaFilter> StackBlurFilter::cloneFilter() const {
    auto copy = std::make_unique<StackBlurFilter>(0u);
    copy->radius_ = radius_;
    return copy;
}

}  // namespace varnel
