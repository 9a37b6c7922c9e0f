#include "support/pixels.h"

#include <cstring>

namespace varnel::testing {
namespace {

size_t rowBytes(const PixelSurface& s) {
    return (size_t(s.width()) * size_t(s.bitsPerPixel()) + 7) / 8;
}

}  // namespace

void fillNoise(PixelSurface& s, std::mt19937& rng) {
    const size_t bytes = rowBytes(s);
    for (int32_t y = 0; y < s.height(); ++y) {
        uint8_t* row = s.row(y);
        for (size_t i = 0; i < bytes; ++i) row[i] = uint8_t(rng());
    }
}

void fillNoise(PixelSurface& s, uint32_t seed) {
    std::mt19937 rng(seed);
    fillNoise(s, rng);
}

std::vector<uint8_t> pixelBytes(const PixelSurface& s) {
    std::vector<uint8_t> out;
    const size_t bytes = rowBytes(s);
    out.reserve(bytes * size_t(s.height()));
    for (int32_t y = 0; y < s.height(); ++y) out.insert(out.end(), s.row(y), s.row(y) + bytes);
    return out;
}

bool samePixels(const PixelSurface& a, const PixelSurface& b) {
    if (a.size() != b.size() || a.bitsPerPixel() != b.bitsPerPixel()) return false;
    const size_t bytes = rowBytes(a);
    for (int32_t y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.row(y), b.row(y), bytes) != 0) return false;
    }
    return true;
}

}  // namespace varnel::testing
