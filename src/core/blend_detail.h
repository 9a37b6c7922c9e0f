// Inline building blocks of the blend modes, shared by the per-pixel functions and the row loops
// of the compositor so that both compute exactly the same values.
#pragma once

#include <cstdint>

#include "core/color.h"

namespace varnel::blend_detail {

// Exact x / 255 for 0 <= x <= 65535.
constexpr uint32_t div255(uint32_t x) {
    return (x * 0x8081u) >> 23;
}

constexpr int imin(int a, int b) {
    return a < b ? a : b;
}
constexpr int imax(int a, int b) {
    return a > b ? a : b;
}

constexpr int softDodge(int x, int y) {
    if (x + y <= 255) {
        if (y == 255) return 255;
        return imin(255, x * 128 / (255 - y));
    }
    return imax(0, 255 + ((y - 255) * 128) / x);
}

// One channel of separable mode M (0..14); the result is already in 0..255 (Exclusion is reduced
// modulo 256 as its formula asks).
template <int M>
constexpr int channel(int b, int s) {
    if constexpr (M == 0) {
        return s;
    } else if constexpr (M == 1) {
        return (s * b) >> 8;
    } else if constexpr (M == 2) {
        return 255 - (((255 - s) * (255 - b)) >> 8);
    } else if constexpr (M == 3) {
        return b < 128 ? (s * b) >> 7 : 255 - (((255 - s) * (255 - b)) >> 7);
    } else if constexpr (M == 4) {
        return imin(b, s);
    } else if constexpr (M == 5) {
        return imax(b, s);
    } else if constexpr (M == 6) {
        return s == 255 ? 255 : imin(255, b * 255 / (255 - s));
    } else if constexpr (M == 7) {
        return softDodge(b, s);
    } else if constexpr (M == 8) {
        return s == 0 ? 0 : 255 - imin(255, (255 - b) * 255 / s);
    } else if constexpr (M == 9) {
        return softDodge(s, b);
    } else if constexpr (M == 10) {
        return s < 128 ? (s * b) >> 7 : 255 - (((255 - s) * (255 - b)) >> 7);
    } else if constexpr (M == 11) {
        const int m = (b * s) >> 8;
        const int sp = ((255 - b) * (255 - s)) >> 8;
        return m + (((255 - sp - m) * b) >> 8);
    } else if constexpr (M == 12) {
        return b > s ? b - s : s - b;
    } else if constexpr (M == 13) {
        return (s + b - ((s * b) >> 7)) & 0xFF;
    } else if constexpr (M == 14) {
        return b ^ s;
    } else {
        static_assert(M >= 0 && M <= 14, "not a separable mode");
        return s;
    }
}

inline constexpr bool isSeparable(int mode) {
    return mode >= 0 && mode <= 14;
}

}  // namespace varnel::blend_detail
