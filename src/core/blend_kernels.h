// The row loops of the compositor, written so that the compiler vectorises them. This header is
// compiled twice, once for the baseline instruction set and once for AVX2 (blend_rows.cpp and
// blend_rows_avx2.cpp), and the faster one is chosen at run time; everything here has internal
// linkage so the two copies never mix. Include it only from those two files.
//
// Every loop gives exactly what blendPixel gives:
// - divisions by 255 use (x + 1 + (x >> 8)) >> 8, exact for x <= 65279;
// - the divisions by a variable (dodge and burn, the general alpha formula) divide in single
//   precision and truncate. That is exact here: numerators are integers below 2^24, so they are
//   represented exactly; a quotient that is an integer is then computed exactly, and one that is
//   not lies at least 1/divisor (>= 1/65025) from the next integer, more than the rounding error
//   of a correctly rounded quotient below 256 (at most 2^-17), so truncation cannot cross it.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/blend_detail.h"
#include "core/color.h"

namespace varnel::blend_kernels {
namespace {

using blend_detail::channel;

constexpr int kChunk = 512;
constexpr int kModes = 19;

inline uint32_t d255(uint32_t x) {
    return (x + 1 + (x >> 8)) >> 8;
}

inline int qdiv(int num, int den) {
    return int(float(num) / float(den));
}

// One channel of separable mode M, in a branch-free form for the modes that divide.
template <int M>
inline int chan(int b, int s) {
    if constexpr (M == 6) {  // Color Dodge
        const int d = 255 - s;
        const int q = qdiv(b * 255, d > 0 ? d : 1);
        return s == 255 ? 255 : (q < 255 ? q : 255);
    } else if constexpr (M == 8) {  // Color Burn
        const int q = qdiv((255 - b) * 255, s > 0 ? s : 1);
        return s == 0 ? 0 : 255 - (q < 255 ? q : 255);
    } else if constexpr (M == 7 || M == 9) {  // Soft Dodge, Soft Burn
        const int x = M == 7 ? b : s;
        const int y = M == 7 ? s : b;
        const int d = 255 - y;
        const int q1 = qdiv(x * 128, d > 0 ? d : 1);
        const int low = y == 255 ? 255 : (q1 < 255 ? q1 : 255);
        const int high = 255 + qdiv((y - 255) * 128, x > 0 ? x : 1);
        return x + y <= 255 ? low : (high > 0 ? high : 0);
    } else {
        return channel<M>(b, s);
    }
}

// Opaque base, one source alpha for the run: s × m / 255 + (255 − s) × b / 255 per byte.
template <int M>
void opaqueConst(uint8_t* base, const uint8_t* src, int bytes, uint32_t s) {
    if (s == 255) {
        if constexpr (M == 0) {
            std::memcpy(base, src, size_t(bytes));
        } else {
            for (int i = 0; i < bytes; ++i) base[i] = uint8_t(chan<M>(base[i], src[i]));
        }
        return;
    }
    const uint32_t r = 255 - s;
    for (int i = 0; i < bytes; ++i) {
        const uint32_t b = base[i];
        const uint32_t m = uint32_t(chan<M>(int(b), src[i]));
        base[i] = uint8_t(d255(s * m) + d255(r * b));
    }
}

// The mode's result colour, byte by byte (separable modes).
template <int M>
void modeBytes(uint8_t* out, const uint8_t* base, const uint8_t* src, int bytes) {
    for (int i = 0; i < bytes; ++i) out[i] = uint8_t(chan<M>(base[i], src[i]));
}

inline int imin3(int a, int b, int c) {
    return blend_detail::imin(a, blend_detail::imin(b, c));
}
inline int imax3(int a, int b, int c) {
    return blend_detail::imax(a, blend_detail::imax(b, c));
}

// setSat without branches: the maximum becomes s, the minimum 0, the middle in proportion (equal
// channels end up equal, as in the ordered form).
inline void setSatFlat(int& r, int& g, int& b, int s) {
    const int mx = imax3(r, g, b);
    const int mn = imin3(r, g, b);
    const int spread = mx - mn;
    const int mid = qdiv((r + g + b - mx - mn - mn) * s, spread > 0 ? spread : 1);
    const int top = spread > 0 ? s : 0;
    const int m = spread > 0 ? mid : 0;
    r = r == mx ? top : (r == mn ? 0 : m);
    g = g == mx ? top : (g == mn ? 0 : m);
    b = b == mx ? top : (b == mn ? 0 : m);
}

// setLum with its clipping, without branches.
inline void setLumFlat(int& r, int& g, int& b, int l) {
    using blend_detail::lum;
    const int d = l - lum(r, g, b);
    r += d;
    g += d;
    b += d;
    const int k = lum(r, g, b) & 0xFF;
    const int n = imin3(r, g, b);
    const int x = imax3(r, g, b);
    const int dn = n < 0 ? k - n : 1;
    const int r1 = n < 0 ? k + qdiv((r - k) * k, dn) : r;
    const int g1 = n < 0 ? k + qdiv((g - k) * k, dn) : g;
    const int b1 = n < 0 ? k + qdiv((b - k) * k, dn) : b;
    const int dx = x > 255 ? x - k : 1;
    r = x > 255 ? k + qdiv((r1 - k) * (255 - k), dx) : r1;
    g = x > 255 ? k + qdiv((g1 - k) * (255 - k), dx) : g1;
    b = x > 255 ? k + qdiv((b1 - k) * (255 - k), dx) : b1;
}

// The mode's result colour, pixel by pixel (modes 15..18).
template <int M>
void modePixels(uint8_t* out, const uint8_t* base, const uint8_t* src, int n) {
    using blend_detail::lum;
    for (int i = 0; i < n; ++i) {
        const int bb = base[3 * i], bg = base[3 * i + 1], br = base[3 * i + 2];
        const int sb = src[3 * i], sg = src[3 * i + 1], sr = src[3 * i + 2];
        int r, g, b, l;
        if constexpr (M == 15) {  // Hue
            r = sr, g = sg, b = sb;
            setSatFlat(r, g, b, imax3(br, bg, bb) - imin3(br, bg, bb));
            l = lum(br, bg, bb);
        } else if constexpr (M == 16) {  // Saturation
            r = br, g = bg, b = bb;
            setSatFlat(r, g, b, imax3(sr, sg, sb) - imin3(sr, sg, sb));
            l = lum(br, bg, bb);
        } else if constexpr (M == 17) {  // Color
            r = sr, g = sg, b = sb;
            l = lum(br, bg, bb);
        } else {  // Luminosity
            r = br, g = bg, b = bb;
            l = lum(sr, sg, sb);
        }
        setLumFlat(r, g, b, l);
        out[3 * i] = uint8_t(b);
        out[3 * i + 1] = uint8_t(g);
        out[3 * i + 2] = uint8_t(r);
    }
}

// Opaque base, one alpha per byte.
void mixOpaque(uint8_t* base, const uint8_t* m, const uint8_t* s3, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        const uint32_t s = s3[i];
        base[i] = uint8_t(d255(s * m[i]) + d255((255 - s) * base[i]));
    }
}

// Any base alpha: the full formula per byte; a pixel whose new alpha is 0 keeps its colour.
void mixGeneral(uint8_t* base, const uint8_t* src, const uint8_t* m, const uint8_t* a3,
                const uint8_t* s3, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        const int a = a3[i];
        const int s = s3[i];
        const int cb = base[i];
        const int A = a + s - int(d255(uint32_t(a * s)));
        const int d = A > 0 ? A : 1;
        const int c = qdiv(s * ((255 - a) * src[i] + a * m[i]), 255 * d) + qdiv((A - s) * cb, d);
        base[i] = uint8_t(A > 0 ? c : cb);
    }
}

void newAlpha(uint8_t* a, const uint8_t* s, int n) {
    for (int i = 0; i < n; ++i) a[i] = uint8_t(a[i] + s[i] - d255(uint32_t(a[i]) * s[i]));
}

void expand3(uint8_t* out, const uint8_t* in, int n) {
    for (int i = 0; i < n; ++i) out[3 * i] = out[3 * i + 1] = out[3 * i + 2] = in[i];
}

void effective(uint8_t* out, const uint8_t* plane, uint8_t opacity, int n) {
    const uint32_t o = opacity;
    for (int i = 0; i < n; ++i) out[i] = uint8_t((plane[i] * o * 0x8081u) >> 23);
}

bool allEqual(const uint8_t* p, int n, uint8_t v) {
    uint32_t diff = 0;
    for (int i = 0; i < n; ++i) diff |= uint32_t(p[i] ^ v);
    return diff == 0;
}

using ConstFn = void (*)(uint8_t*, const uint8_t*, int, uint32_t);
using ModeFn = void (*)(uint8_t*, const uint8_t*, const uint8_t*, int);

template <int M>
constexpr ModeFn modeFn() {
    if constexpr (M <= 14) {
        return &modeBytes<M>;
    } else {
        return &modePixels<M>;
    }
}

template <int... M>
struct Tables {
    static constexpr ConstFn constFns[] = {&opaqueConst<(M <= 14 ? M : 0)>...};
    static constexpr ModeFn modeFns[] = {modeFn<M>()...};
};
using ModeTables = Tables<0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18>;

void blendRow(Bgr* basePx, uint8_t* baseAlpha, const Bgr* sourcePx, const uint8_t* sourceAlpha,
              uint8_t opacity, int mode, int count) {
    if (opacity == 0 || count <= 0) return;
    if (mode < 0 || mode >= kModes) mode = 0;
    const bool separable = mode <= 14;
    uint8_t s1[kChunk];
    uint8_t s3[3 * kChunk];
    uint8_t a3[3 * kChunk];
    uint8_t m[3 * kChunk];
    for (int x0 = 0; x0 < count; x0 += kChunk) {
        const int n = count - x0 < kChunk ? count - x0 : kChunk;
        uint8_t* b = reinterpret_cast<uint8_t*>(basePx + x0);
        const uint8_t* src = reinterpret_cast<const uint8_t*>(sourcePx + x0);
        uint8_t* alpha = baseAlpha ? baseAlpha + x0 : nullptr;
        const bool opaque = !alpha || allEqual(alpha, n, 255);
        if (opaque && separable && !sourceAlpha) {
            ModeTables::constFns[mode](b, src, 3 * n, opacity);
            continue;
        }
        if (sourceAlpha) {
            effective(s1, sourceAlpha + x0, opacity, n);
            if (allEqual(s1, n, 0)) continue;  // nothing of the source shows here
        } else {
            std::memset(s1, opacity, size_t(n));
        }
        const uint8_t* mode3 = src;  // Normal: the result is the source itself
        if (mode != 0) {
            ModeTables::modeFns[mode](m, b, src, separable ? 3 * n : n);
            mode3 = m;
        }
        expand3(s3, s1, n);
        if (opaque) {
            mixOpaque(b, mode3, s3, 3 * n);
        } else {
            expand3(a3, alpha, n);
            mixGeneral(b, src, mode3, a3, s3, 3 * n);
            newAlpha(alpha, s1, n);
        }
    }
}

void startRow(Bgr* base, uint8_t* baseAlpha, const Bgr* source, const uint8_t* sourceAlpha,
              uint8_t opacity, int count) {
    if (count <= 0) return;
    if (!sourceAlpha) {
        std::memset(baseAlpha, opacity, size_t(count));
        if (opacity != 0) std::memcpy(base, source, size_t(count) * sizeof(Bgr));
        return;
    }
    if (opacity == 255) {
        std::memcpy(baseAlpha, sourceAlpha, size_t(count));
    } else {
        effective(baseAlpha, sourceAlpha, opacity, count);
    }
    for (int i = 0; i < count; ++i) {
        if (baseAlpha[i] != 0) base[i] = source[i];
    }
}

void multiplyAlphaRow(uint8_t* accumulated, const uint8_t* plane, int count) {
    for (int i = 0; i < count; ++i) {
        accumulated[i] = uint8_t((uint32_t(accumulated[i]) * plane[i] * 0x8081u) >> 23);
    }
}

}  // namespace
}  // namespace varnel::blend_kernels
