// The row kernels of the adjustments that compute per pixel (Desaturate, Colorize, Hue/Saturation,
// Color Balance with preserved luminosity), in two compiled variants: the baseline one
// (filter_kernels.cpp) and an AVX2 one working on eight pixels at a time
// (filter_kernels_avx2.cpp). The faster one the processor supports is chosen at first use; both
// give the same bytes, which the tests check by switching between them.
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
// The variant in use.
const Kernels& current();

enum class CodePath { Best, Baseline, Avx2 };
// Switches the variant in use; false (nothing changed) when the processor cannot run it.
bool use(CodePath path);

}  // namespace varnel::filter_kernels
