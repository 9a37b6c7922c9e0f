// Colour values: ColorRef (red in the low byte), and the in-memory pixel records Bgr and Bgra.
#pragma once

#include <cstdint>

namespace varnel {

// 32-bit colour value: red in bits 0-7, green in bits 8-15, blue in bits 16-23.
using ColorRef = uint32_t;

constexpr ColorRef makeRgb(uint8_t r, uint8_t g, uint8_t b) {
    return ColorRef(r) | (ColorRef(g) << 8) | (ColorRef(b) << 16);
}
constexpr uint8_t redOf(ColorRef c) {
    return uint8_t(c & 0xFF);
}
constexpr uint8_t greenOf(ColorRef c) {
    return uint8_t((c >> 8) & 0xFF);
}
constexpr uint8_t blueOf(ColorRef c) {
    return uint8_t((c >> 16) & 0xFF);
}

// One 24-bit pixel as stored: blue, green, red.
struct Bgr {
    uint8_t b = 0;
    uint8_t g = 0;
    uint8_t r = 0;
    static constexpr Bgr fromColorRef(ColorRef c) { return {blueOf(c), greenOf(c), redOf(c)}; }
    constexpr ColorRef toColorRef() const { return makeRgb(r, g, b); }
    friend bool operator==(const Bgr&, const Bgr&) = default;
};
static_assert(sizeof(Bgr) == 3);

// One 32-bit pixel or palette entry: blue, green, red, alpha (reserved, 0, in palettes).
struct Bgra {
    uint8_t b = 0;
    uint8_t g = 0;
    uint8_t r = 0;
    uint8_t a = 0;
    constexpr Bgr bgr() const { return {b, g, r}; }
    constexpr ColorRef toColorRef() const { return makeRgb(r, g, b); }
    friend bool operator==(const Bgra&, const Bgra&) = default;
};
static_assert(sizeof(Bgra) == 4);

}  // namespace varnel
