// Stack Blur as a filter: the whole surface, both passes with the whole-number part of the radius;
// the mask and the processing rectangle are not used. The selection's Feather command runs one
// with the internal flag set on its 8-bit mask; such a filter never becomes the Last Filter.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "filters/filter.h"

namespace varnel {

// Radius limits of the blur filters: values at or below the lower one become it.
constexpr double kBlurRadiusMin = 0.1;
constexpr double kBlurRadiusMax = 250.0;
double clampBlurRadius(double radius);

// Stack Blur of a whole surface with the horizontal and vertical radii rx and ry (0 skips a
// pass, above 254 counts as 254): 24-bit surfaces blur their three bytes, 8-bit ones their one
// byte. Fails for other depths or a shortage of memory.
int blurWholeSurface(PixelSurface& surface, int32_t rx, int32_t ry);

class StackBlurFilter : public AreaFilter {
public:
    explicit StackBlurFilter(uint32_t radius);

    std::string name() const override { return "Stack Blur"; }
    double radius() const { return radius_; }

    // Stack Blur of a whole surface with trunc(radius) on both passes.
    int blur24(PixelSurface& surface) const;
    int blur8(PixelSurface& surface) const;

protected:
    int process24(PixelSurface& surface) override { return blur24(surface); }
    int process8(PixelSurface& surface) override { return blur8(surface); }
    std::unique_ptr<AreaFilter> cloneFilter() const override;

private:
    double radius_;
};

}  // namespace varnel
