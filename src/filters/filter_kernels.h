// The row kernels of the adjustments: table lookups per channel (Levels, Curves and the other
// table adjustments) and the per-pixel computations (Desaturate, Colorize, Hue/Saturation, Color
// Balance with preserved luminosity), in compiled variants: the baseline one (filter_kernels.cpp),
// an AVX2 one working on eight pixels at a time (filter_kernels_avx2.cpp), and one that adds
// AVX-512 byte permutes for the table lookups, 64 bytes at a time (filter_kernels_avx512.cpp).
// The fastest one the processor supports (platform::cpuFeatures(), which VARNEL_CPU can limit) is
// chosen at first use; all give the same bytes, which the tests check by switching between them.
//
// Each kernel maps `count` pixels (3 bytes each, blue first) from src to dst; src and dst are the
// same memory or do not overlap.
#pragma once

#include <cstdint>

namespace varnel::filter_kernels {

struct HueSatTables {
    // Per HSL hue: the new hue in the low byte, the colour range × 256 above it.
    const int32_t* rangeHue;
    // Per colour range × 256 + saturation (or lightness): the new value.
    const int32_t* saturation;
    const int32_t* lightness;
    // The same tables as their per-range shifts (ranges 0 … 5; 8 entries each): hue shift dh
    // (new hue = hue + dh, wrapped by 255), lightness dl and saturation ds, each −255 … 255.
    const int32_t* hueShift;
    const int32_t* lightShift;
    const int32_t* satShift;
};

struct Kernels {
    // Blue, green and red through their 256-entry tables.
    void (*lookup3)(const uint8_t* lutB, const uint8_t* lutG, const uint8_t* lutR,
                    const uint8_t* src, uint8_t* dst, int32_t count);
    // `count` single bytes through one table.
    void (*lookup1)(const uint8_t* lut, const uint8_t* src, uint8_t* dst, int32_t count);
    void (*desaturate)(const uint8_t* src, uint8_t* dst, int32_t count);
    // colors[l] = the colour (blue | green << 8 | red << 16) for a pixel of HSL lightness l.
    void (*colorize)(const uint32_t* colors, const uint8_t* src, uint8_t* dst, int32_t count);
    void (*hueSaturation)(const HueSatTables& tables, const uint8_t* src, uint8_t* dst,
                          int32_t count);
    // The channels through their tables (blue, green, red; 256 entries each), then the result's
    // hue and saturation at the original pixel's lightness.
    void (*balancePreserve)(const int32_t* lutB, const int32_t* lutG, const int32_t* lutR,
                            const uint8_t* src, uint8_t* dst, int32_t count);
};

const Kernels& baseline();
// Only valid where the processor has AVX2.
const Kernels& avx2();
// Only valid where the processor has AVX-512 BW and VBMI (and AVX2).
const Kernels& avx512();
// The variant in use.
const Kernels& current();

enum class CodePath { Best, Baseline, Avx2, Avx512 };
// Switches the variant in use; false (nothing changed) when the processor cannot run it or
// VARNEL_CPU rules it out.
bool use(CodePath path);

}  // namespace varnel::filter_kernels
