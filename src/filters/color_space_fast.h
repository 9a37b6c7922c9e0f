// Exact integer forms of the HSL conversions for the pixel loops.
//
// Saturation and lightness are rationals with small denominators, so the double-precision
// results of color_space.h equal integer quotients (a value exactly halfway rounds up in both).
// The hue is not: at exact halves the double steps sometimes land just below, so it comes from a
// table built once from the defining function. hslToRgb works in units of 1/65025: with
// M2 = 65025 × m2 and M1 = 65025 × m1 (both integers), a channel at hue position h is
// (255·M1 + w(h)·(M2 − M1) + 32512) / 65025, where w(h) is 0 on the m1 plateau, 255 on the m2
// plateau and 6 × the distance along the ramps; no half can occur, so the quotient is exact.
#pragma once

#include <algorithm>
#include <cstdint>

namespace varnel::detail {

struct HslTables {
    // hue[sector × 65536 + delta² + delta + n]; entry 0 (delta 0) is 0. Four bytes of padding
    // let a vector kernel read each entry as the low byte of a 32-bit word.
    uint8_t hue[3 * 65536 + 4];
    // ceil(2^32 / d), exact reciprocals for the saturation quotient (entry 0 is 0).
    uint32_t satRecip[512];
    // w(h) for the red (h + 85), green (h) and blue (h − 85) positions of hue h.
    int32_t weightR[256];
    int32_t weightG[256];
    int32_t weightB[256];
};

// Built on first use, then shared.
const HslTables& hslTables();

// Hue and saturation of a colour; `sum` receives max + min (the lightness is (sum + 1) >> 1).
inline void fastHueSat(const HslTables& t, int r, int g, int b, int& h, int& s, int& sum) {
    const int mx = std::max(r, std::max(g, b));
    const int mn = std::min(r, std::min(g, b));
    const int d = mx - mn;
    int sector;
    int n;
    if (r == mx) {
        sector = 0;
        n = g - b;
    } else if (g == mx) {
        sector = 1;
        n = b - r;
    } else {
        sector = 2;
        n = r - g;
    }
    h = t.hue[sector * 65536 + d * d + d + n];
    sum = mx + mn;
    const int den = sum < 256 ? sum : 511 - sum;
    s = int((uint64_t(uint32_t(510 * d + den)) * t.satRecip[2 * den]) >> 32);
}

// The colour of (h, s, l), each 0 … 255, as hslToRgb gives it.
inline void fastHslToRgb(const HslTables& t, int h, int s, int l, uint8_t& r, uint8_t& g,
                         uint8_t& b) {
    const int m2 = l < 128 ? l * (s + 255) : 255 * l + 255 * s - l * s;
    const int m1 = 510 * l - m2;
    const int d = m2 - m1;
    const int base = 255 * m1 + 32512;
    r = uint8_t(uint32_t(base + t.weightR[h] * d) / 65025u);
    g = uint8_t(uint32_t(base + t.weightG[h] * d) / 65025u);
    b = uint8_t(uint32_t(base + t.weightB[h] * d) / 65025u);
}

}  // namespace varnel::detail
