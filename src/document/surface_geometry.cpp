#include "document/surface_geometry.h"

#include <cstring>

namespace varnel {

std::unique_ptr<SurfaceStore> croppedStore(const PixelSurface& surface, Rect rect) {
    const int bpp = !surface.isValid()             ? 0
                    : surface.bitsPerPixel() == 24 ? 3
                    : surface.bitsPerPixel() == 8  ? 1
                                                   : 0;
    rect = rect.normalized();
    if (!bpp || rect.isEmpty()) return nullptr;
    auto out = SurfaceStore::create(rect.width(), rect.height(), surface.bitsPerPixel());
    if (!out) return nullptr;
    const Rect keep = surface.bounds().intersected(rect);
    for (int32_t y = keep.top; y < keep.bottom; ++y) {
        std::memcpy(out->row(y - rect.top) + size_t(bpp) * size_t(keep.left - rect.left),
                    surface.row(y) + size_t(bpp) * size_t(keep.left),
                    size_t(bpp) * size_t(keep.width()));
    }
    return out;
}

}  // namespace varnel
