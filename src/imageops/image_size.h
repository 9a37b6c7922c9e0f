// Image Size: the parameter record the Image Size dialog returns, the two stretch modes behind
// its six resampling choices, and the operation that scales a whole document.
#pragma once

#include <cstdint>

#include "core/surface.h"
#include "document/document.h"
#include "document/replaced_parts.h"

namespace varnel {

// Resampling choices in the order of the dialog's list. Nearest Neighbor replicates pixels; the
// five others are names for one smooth mode (area averaging when shrinking, interpolation when
// enlarging) and give identical pixels.
enum ResampleMethod : int32_t {
    kResampleNearestNeighbor = 0,
    kResampleBilinear = 1,
    kResampleBicubicSmooth = 2,
    kResampleBicubicSharp = 3,
    kResampleBSpline = 4,
    kResampleLanczos = 5,
};
constexpr int32_t kResampleMethodCount = 6;

// The method's name as the dialog lists it ("Nearest Neighbor" … "Lanczos"); null out of range.
const char* resampleMethodName(int32_t method);
// True for the methods that smooth (every method but Nearest Neighbor).
inline bool isSmoothResample(int32_t method) {
    return method != kResampleNearestNeighbor;
}

struct ImageSizeParams {
    int32_t width = 0;           // new width in pixels, 1 … 30000
    int32_t height = 0;          // new height in pixels, 1 … 30000
    float resolution = 72;       // new resolution, 1 … 9999.999
    int32_t resolutionUnit = 0;  // 0 pixels/inch, 1 pixels/cm
    int32_t oldWidth = 0;        // the image's current size
    int32_t oldHeight = 0;
    int32_t method = kResampleBicubicSmooth;  // ResampleMethod

    // The current attributes of `image`, to be edited (Bicubic Smooth by default).
    static ImageSizeParams of(const Document& image);
    // Sizes, resolution, unit and method in range.
    bool isValid() const;
};
static_assert(sizeof(ImageSizeParams) == 28, "seven 32-bit fields");

// Replaces the surface's pixels by a stretched copy of the whole surface with the new size and
// the same depth: replicated, or smoothed (8-bit planes of levels average their levels). Fails
// (leaving the surface unchanged) for a side below 1 or above 30000, an invalid surface, or a
// shortage of memory. A surface that already has the size is not touched.
int stretch(PixelSurface& surface, int32_t newWidth, int32_t newHeight, bool smooth);

// True when applying the parameters would change the image: another width or height, a
// resolution that differs by 0.0001 or more, or another unit. The Image Size command records
// nothing otherwise.
bool imageSizeChanges(const Document& image, const ImageSizeParams& params);

// Image Size. When the pixel size changes, every raster layer's size and position are scaled by
// width / oldWidth and height / oldHeight and its pixels and planes resampled (smoothly unless
// the method is Nearest Neighbor), and every saved channel is resampled to the new canvas; then
// the resolution and its unit are set. Nothing to change succeeds at once. Fails, changing
// nothing, for parameters out of range, an old size that is not the image's, or a shortage of
// memory. With `replaced`, the pixel storage the resampled copies take the place of is handed to
// it instead of being freed.
int resizeImage(Document& image, const ImageSizeParams& params, ReplacedParts* replaced = nullptr);

}  // namespace varnel
