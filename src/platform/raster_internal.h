// Helpers shared by the raster operations (not part of the platform interface).
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/pixel_format.h"
#include "platform/raster.h"

namespace varnel::platform::detail {

inline Bgr toBgr(ColorRef c) {
    return Bgr::fromColorRef(c);
}

inline bool samePalette(const Raster& a, const Raster& b) {
    if (a.paletteCount != b.paletteCount) return false;
    for (int32_t i = 0; i < a.paletteCount; ++i) {
        const Bgra& p = a.palette[i];
        const Bgra& q = b.palette[i];
        if (p.b != q.b || p.g != q.g || p.r != q.r) return false;
    }
    return true;
}

inline bool isGreyRamp(const Raster& r) {
    if (r.bitsPerPixel != 8 || r.paletteCount != 256) return false;
    for (int32_t i = 0; i < 256; ++i) {
        const Bgra& p = r.palette[i];
        if (p.b != i || p.g != i || p.r != i) return false;
    }
    return true;
}

inline bool sameMasks(const Raster& a, const Raster& b) {
    static constexpr uint32_t k555[4] = {0x7C00, 0x03E0, 0x001F, 0};
    static constexpr uint32_t k888[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0};
    auto effective = [](const Raster& r) -> const uint32_t* {
        const bool none = !r.masks[0] && !r.masks[1] && !r.masks[2] && !r.masks[3];
        if (!none) return r.masks;
        return r.bitsPerPixel == 16 ? k555 : k888;
    };
    return std::memcmp(effective(a), effective(b), sizeof a.masks) == 0;
}

// Pixels of the two rasters mean the same colours byte for byte.
inline bool sameFormat(const Raster& a, const Raster& b) {
    if (a.bitsPerPixel != b.bitsPerPixel) return false;
    if (a.bitsPerPixel <= 8) return samePalette(a, b);
    if (a.bitsPerPixel == 16 || a.bitsPerPixel == 32) return sameMasks(a, b);
    return true;
}

// Bytes that hold `width` pixels of a row.
inline size_t rowSpanBytes(const Raster& r) {
    return (size_t(r.width) * size_t(r.bitsPerPixel) + 7) / 8;
}

}  // namespace varnel::platform::detail
