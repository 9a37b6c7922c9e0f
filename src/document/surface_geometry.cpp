#include "document/surface_geometry.h"

#include <cstring>

namespace varnel {

namespace {

int bytesPerPixel(const PixelSurface& s) {
    if (!s.isValid()) return 0;
    return s.bitsPerPixel() == 24 ? 3 : s.bitsPerPixel() == 8 ? 1 : 0;
}

template <int B>
inline void copyPixel(uint8_t* to, const uint8_t* from) {
    if constexpr (B == 3) {
        to[0] = from[0];
        to[1] = from[1];
        to[2] = from[2];
    } else {
        to[0] = from[0];
    }
}

// Quarter turns walk the source in square tiles so that both the rows read and the rows written
// stay in cache; within a tile each target row is written in one run.
template <int B>
void rotateRows(const PixelSurface& src, SurfaceStore& dst, int quarterTurns) {
    constexpr int32_t kTile = 64;
    const int32_t w = src.width();
    const int32_t h = src.height();
    const uint8_t* rows[kTile];
    for (int32_t ty = 0; ty < h; ty += kTile) {
        const int32_t th = ty + kTile < h ? kTile : h - ty;
        for (int32_t i = 0; i < th; ++i) rows[i] = src.row(ty + i);
        if (quarterTurns == 2) {
            // Source row y becomes target row h − 1 − y, mirrored.
            for (int32_t i = 0; i < th; ++i) {
                uint8_t* out = dst.row(h - 1 - (ty + i));
                for (int32_t x = 0; x < w; ++x)
                    copyPixel<B>(out + B * (w - 1 - x), rows[i] + B * x);
            }
            continue;
        }
        for (int32_t x = 0; x < w; ++x) {
            if (quarterTurns == 1) {
                // Source (x, y) goes to target (h − 1 − y, x).
                uint8_t* out = dst.row(x) + B * (h - 1 - ty);
                for (int32_t i = 0; i < th; ++i) copyPixel<B>(out - B * i, rows[i] + B * x);
            } else {
                // Source (x, y) goes to target (y, w − 1 − x).
                uint8_t* out = dst.row(w - 1 - x) + B * ty;
                for (int32_t i = 0; i < th; ++i) copyPixel<B>(out + B * i, rows[i] + B * x);
            }
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
