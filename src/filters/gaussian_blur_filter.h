// Gaussian Blur: Stack Blur with the whole-number part of the radius on both passes. Through a
// selection the blur reads the real pixels around it, up to a margin, so that the edge of the
// selection does not act as an edge of the image, and the blurred pixels are blended in by the
// mask's coverage.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "filters/filter.h"

namespace varnel {

// The parameters of Gaussian Blur, as its dialog and the command line give them.
struct GaussianBlurParams {
    double radius = 1.0;  // 0.1 … 250
};

class GaussianBlurFilter : public AreaFilter {
public:
    // The radius is kept within 0.1 … 250. Below 1 the blur changes nothing (and succeeds).
    explicit GaussianBlurFilter(double radius);

    std::string name() const override { return "Gaussian Blur"; }
    double radius() const { return radius_; }

    // How far beyond the processing rectangle the blur reads: trunc(2.7 × radius), plus 1 when
    // the fraction of 2.7 × radius exceeds 0.0001.
    int32_t margin() const;

    // Stack Blur of a whole surface with trunc(radius) on both passes.
    int blur24(PixelSurface& surface) const;
    int blur8(PixelSurface& surface) const;

    // Reads another surface as readily as its own (the dialog's preview uses that).
    bool readsSeparateSource() const override { return true; }

protected:
    int process24(PixelSurface& surface) override { return process(surface); }
    int process8(PixelSurface& surface) override { return process(surface); }
    Rect changedArea() const override { return changed_; }
    std::unique_ptr<AreaFilter> cloneFilter() const override;

private:
    int process(PixelSurface& surface);

    double radius_;
    Rect changed_;
};

}  // namespace varnel
