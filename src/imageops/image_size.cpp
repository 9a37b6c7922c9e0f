#include "imageops/image_size.h"

#include <cmath>

namespace varnel {

namespace {

bool validSide(int32_t v) {
    return v >= 1 && v <= kMaxSurfaceSide;
}

}  // namespace

const char* resampleMethodName(int32_t method) {
    static const char* const names[kResampleMethodCount] = {
        "Nearest Neighbor", "Bilinear", "Bicubic Smooth", "Bicubic Sharp", "BSpline", "Lanczos",
    };
    return method >= 0 && method < kResampleMethodCount ? names[method] : nullptr;
}

ImageSizeParams ImageSizeParams::of(const Document& image) {
    ImageSizeParams p;
    p.width = p.oldWidth = image.width();
    p.height = p.oldHeight = image.height();
    p.resolution = image.resolution();
    p.resolutionUnit = image.resolutionUnit();
    return p;
}

bool ImageSizeParams::isValid() const {
    return validSide(width) && validSide(height) && resolution >= 1.0f && resolution <= 9999.999f &&
           (resolutionUnit == 0 || resolutionUnit == 1) && method >= 0 &&
           method < kResampleMethodCount;
}

int stretch(PixelSurface& surface, int32_t newWidth, int32_t newHeight, bool smooth) {
    if (!surface.isValid() || !validSide(newWidth) || !validSide(newHeight)) return 0;
    return surface.resizeTo({newWidth, newHeight}, smooth);
}

bool imageSizeChanges(const Document& image, const ImageSizeParams& params) {
    return params.width != image.width() || params.height != image.height() ||
           std::fabs(double(params.resolution) - double(image.resolution())) >= 0.0001 ||
           params.resolutionUnit != image.resolutionUnit();
}

int resizeImage(Document& image, const ImageSizeParams& params, ReplacedParts* replaced) {
    if (!params.isValid() || params.oldWidth != image.width() || params.oldHeight != image.height())
        return 0;
    if (!imageSizeChanges(image, params)) return 1;
    if ((params.width != params.oldWidth || params.height != params.oldHeight) &&
        !image.resizeAll({params.width, params.height}, isSmoothResample(params.method), replaced))
        return 0;
    image.setResolution(params.resolution, params.resolutionUnit);
    return 1;
}

}  // namespace varnel
