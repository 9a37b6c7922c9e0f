#include "document/surface_geometry.h"

#include <cstring>

namespace varnel {

namespace {

int bytesPerPixel(const PixelSurface& s) {
    if (!s.isValid()) return 0;
    return s.bitsPerPixel() == 24 ? 3 : s.bitsPerPixel() == 8 ? 1 : 0;
}

template <int B>
void rotateRows(const PixelSurface& src, SurfaceStore& dst, int quarterTurns) {
    const int32_t w = src.width();
    const int32_t h = src.height();
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* in = src.row(y);
        for (int32_t x = 0; x < w; ++x) {
            int32_t nx, ny;
            if (quarterTurns == 1) {
                nx = h - 1 - y;
                ny = x;
            } else if (quarterTurns == 2) {
                nx = w - 1 - x;
                ny = h - 1 - y;
            } else {
                nx = y;
                ny = w - 1 - x;
            }
            std::memcpy(dst.row(ny) + B * nx, in + B * x, B);
        }
    }
}

template <int B>
void mirrorRows(const PixelSurface& src, SurfaceStore& dst) {
    const int32_t w = src.width();
    for (int32_t y = 0; y < src.height(); ++y) {
        const uint8_t* in = src.row(y);
        uint8_t* out = dst.row(y);
        for (int32_t x = 0; x < w; ++x) std::memcpy(out + B * (w - 1 - x), in + B * x, B);
    }
}

}  // namespace

std::unique_ptr<SurfaceStore> croppedStore(const PixelSurface& surface, Rect rect) {
    const int bpp = bytesPerPixel(surface);
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

std::unique_ptr<SurfaceStore> rotatedStore(const PixelSurface& surface, int quarterTurns) {
    const int bpp = bytesPerPixel(surface);
    if (!bpp || quarterTurns < 1 || quarterTurns > 3) return nullptr;
    const bool swap = quarterTurns != 2;
    auto out =
        SurfaceStore::create(swap ? surface.height() : surface.width(),
                             swap ? surface.width() : surface.height(), surface.bitsPerPixel());
    if (!out) return nullptr;
    if (bpp == 3) {
        rotateRows<3>(surface, *out, quarterTurns);
    } else {
        rotateRows<1>(surface, *out, quarterTurns);
    }
    return out;
}

std::unique_ptr<SurfaceStore> flippedStore(const PixelSurface& surface, bool vertical) {
    const int bpp = bytesPerPixel(surface);
    if (!bpp) return nullptr;
    auto out = SurfaceStore::create(surface.width(), surface.height(), surface.bitsPerPixel());
    if (!out) return nullptr;
    if (vertical) {
        const size_t bytes = size_t(bpp) * size_t(surface.width());
        for (int32_t y = 0; y < surface.height(); ++y) {
            std::memcpy(out->row(surface.height() - 1 - y), surface.row(y), bytes);
        }
    } else if (bpp == 3) {
        mirrorRows<3>(surface, *out);
    } else {
        mirrorRows<1>(surface, *out);
    }
    return out;
}

}  // namespace varnel
