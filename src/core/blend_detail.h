// Inline building blocks of the blend modes, shared by the per-pixel functions and the row loops
// of the compositor so that both compute exactly the same values.
#pragma once

#include <cstdint>
#include <utility>

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

// --- the hue/saturation/luminosity model of modes 15..18, on int channels --------------------

inline int lum(int r, int g, int b) {
    return (11 * b + 59 * g + 30 * r + 50) / 100;
}

// Pulls channels that left 0..255 back towards the luminance, keeping it. The minimum and
// maximum are taken before any change; the luminance is reduced modulo 256 (it is in range for
// every colour the modes build, which also keeps both divisors positive).
inline void clipColor(int& r, int& g, int& b) {
    const int l = lum(r, g, b) & 0xFF;
    const int n = imin(r, imin(g, b));
    const int x = imax(r, imax(g, b));
    if (n < 0) {
        r = l + ((r - l) * l) / (l - n);
        g = l + ((g - l) * l) / (l - n);
        b = l + ((b - l) * l) / (l - n);
    }
    if (x > 255) {
        r = l + ((r - l) * (255 - l)) / (x - l);
        g = l + ((g - l) * (255 - l)) / (x - l);
        b = l + ((b - l) * (255 - l)) / (x - l);
    }
}

inline Bgr setLum(int r, int g, int b, int l) {
    const int d = l - lum(r, g, b);
    r += d;
    g += d;
    b += d;
    clipColor(r, g, b);
    return {uint8_t(b), uint8_t(g), uint8_t(r)};
}

// Spreads the channels to saturation `s`: maximum s, minimum 0, middle in proportion.
inline void setSat(int& r, int& g, int& b, int s) {
    int* hi = &r;
    int* mid = &g;
    int* lo = &b;
    if (*hi < *mid) std::swap(hi, mid);
    if (*mid < *lo) std::swap(mid, lo);
    if (*hi < *mid) std::swap(hi, mid);
    if (*hi > *lo) {
        *mid = ((*mid - *lo) * s) / (*hi - *lo);
        *hi = s;
    } else {
        *mid = 0;
        *hi = 0;
    }
    *lo = 0;
}

inline int sat(int r, int g, int b) {
    return imax(r, imax(g, b)) - imin(r, imin(g, b));
}

// Modes 15..18 on whole colours.
template <int M>
inline Bgr nonSeparable(const Bgr& base, const Bgr& src) {
    static_assert(M >= 15 && M <= 18, "not a non-separable mode");
    if constexpr (M == 15) {  // Hue
        int r = src.r, g = src.g, b = src.b;
        setSat(r, g, b, sat(base.r, base.g, base.b));
        return setLum(r, g, b, lum(base.r, base.g, base.b));
    } else if constexpr (M == 16) {  // Saturation
        int r = base.r, g = base.g, b = base.b;
        setSat(r, g, b, sat(src.r, src.g, src.b));
        return setLum(r, g, b, lum(base.r, base.g, base.b));
    } else if constexpr (M == 17) {  // Color
        return setLum(src.r, src.g, src.b, lum(base.r, base.g, base.b));
    } else {  // Luminosity
        return setLum(base.r, base.g, base.b, lum(src.r, src.g, src.b));
    }
}

}  // namespace varnel::blend_detail
