#include "filters/filter_kernels.h"

#include <algorithm>

#include "filters/color_space_fast.h"
#include "filters/table_filter.h"
#include "platform/cpu_features.h"

namespace varnel::filter_kernels {
namespace {

inline int lightnessSum(int r, int g, int b) {
    return std::max(r, std::max(g, b)) + std::min(r, std::min(g, b));
}

void desaturateRows(const uint8_t* src, uint8_t* dst, int32_t count) {
    for (int32_t i = 0; i < count; ++i, src += 3, dst += 3) {
        const uint8_t v = uint8_t(lightnessSum(src[0], src[1], src[2]) >> 1);
        dst[0] = v, dst[1] = v, dst[2] = v;
    }
}

void colorizeRows(const uint32_t* colors, const uint8_t* src, uint8_t* dst, int32_t count) {
    for (int32_t i = 0; i < count; ++i, src += 3, dst += 3) {
        const uint32_t c = colors[(lightnessSum(src[0], src[1], src[2]) + 1) >> 1];
        dst[0] = uint8_t(c), dst[1] = uint8_t(c >> 8), dst[2] = uint8_t(c >> 16);
    }
}

void hueSaturationRows(const HueSatTables& t, const uint8_t* src, uint8_t* dst, int32_t count) {
    const detail::HslTables& hsl = detail::hslTables();
    for (int32_t i = 0; i < count; ++i, src += 3, dst += 3) {
        int h, s, sum;
        detail::fastHueSat(hsl, src[2], src[1], src[0], h, s, sum);
        const int rh = t.rangeHue[h];
        const int k = rh >> 8;
        uint8_t r, g, b;
        detail::fastHslToRgb(hsl, rh & 0xFF, t.saturation[k + s], t.lightness[k + ((sum + 1) >> 1)],
                             r, g, b);
        dst[0] = b, dst[1] = g, dst[2] = r;
    }
}

void balancePreserveRows(const int32_t* lutB, const int32_t* lutG, const int32_t* lutR,
                         const uint8_t* src, uint8_t* dst, int32_t count) {
    const detail::HslTables& hsl = detail::hslTables();
    for (int32_t i = 0; i < count; ++i, src += 3, dst += 3) {
        const int b = src[0], g = src[1], r = src[2];
        const int l = (lightnessSum(r, g, b) + 1) >> 1;
        int h, s, sum;
        detail::fastHueSat(hsl, lutR[r], lutG[g], lutB[b], h, s, sum);
        uint8_t nr, ng, nb;
        detail::fastHslToRgb(hsl, h, s, l, nr, ng, nb);
        dst[0] = nb, dst[1] = ng, dst[2] = nr;
    }
}

bool hasAvx512() {
    return platform::cpuFeatures().avx512;
}

bool hasAvx2() {
    return platform::cpuFeatures().avx2;
}

const Kernels* best() {
    if (hasAvx512()) return &avx512();
    if (hasAvx2()) return &avx2();
    return &baseline();
}

const Kernels*& active() {
    static const Kernels* k = best();
    return k;
}

}  // namespace

const Kernels& baseline() {
    static const Kernels k{&lookupRows24, &lookupRows8,       &desaturateRows,
                           &colorizeRows, &hueSaturationRows, &balancePreserveRows};
    return k;
}

const Kernels& current() {
    return *active();
}

bool use(CodePath path) {
    switch (path) {
        case CodePath::Best:
            active() = best();
            return true;
        case CodePath::Baseline:
            active() = &baseline();
            return true;
        case CodePath::Avx2:
            if (!hasAvx2()) return false;
            active() = &avx2();
            return true;
        case CodePath::Avx512:
            if (!hasAvx512()) return false;
            active() = &avx512();
            return true;
    }
    return false;
}

}  // namespace varnel::filter_kernels
