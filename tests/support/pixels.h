// Pixel helpers the test folders share: deterministic noise, a surface's pixel bytes and their
// comparison. Linked through the varnel_test_support library (tests/support/CMakeLists.txt).
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "core/surface.h"

namespace varnel::testing {

// Sets every pixel byte of `s` (not the row padding) from `rng`, row by row from the top.
void fillNoise(PixelSurface& s, std::mt19937& rng);
// The same from a generator seeded with `seed`: the same seed gives the same bytes.
void fillNoise(PixelSurface& s, uint32_t seed);

// The pixel bytes of `s`, row by row from the top, without the row padding.
std::vector<uint8_t> pixelBytes(const PixelSurface& s);

// True when both surfaces have the same size, depth and pixel bytes (row padding ignored).
bool samePixels(const PixelSurface& a, const PixelSurface& b);

}  // namespace varnel::testing
