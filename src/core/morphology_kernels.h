// The byte loops of the disc filter (dilate and erode), written so that the compiler vectorises
// them. This header is compiled twice, for the baseline instruction set and for AVX2
// (mask_ops.cpp and mask_ops_avx2.cpp), and the faster copy is chosen at run time; everything
// here has internal linkage so the two copies never mix. Include it only from those two files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/morphology_dispatch.h"

namespace varnel::morphology_kernels {
namespace {

template <bool kMax>
inline uint8_t pick(uint8_t a, uint8_t b) {
    if (kMax) return a > b ? a : b;
    return a < b ? a : b;
}

// dst[i] = extreme(dst[i], a[i]).
template <bool kMax>
void fold1(uint8_t* __restrict dst, const uint8_t* __restrict a, size_t n) {
    for (size_t i = 0; i < n; ++i) dst[i] = pick<kMax>(dst[i], a[i]);
}

template <bool kMax>
void fold2(uint8_t* __restrict dst, const uint8_t* __restrict a, const uint8_t* __restrict b,
           size_t n) {
    for (size_t i = 0; i < n; ++i) dst[i] = pick<kMax>(dst[i], pick<kMax>(a[i], b[i]));
}

template <bool kMax>
void fold4(uint8_t* __restrict dst, const uint8_t* __restrict a, const uint8_t* __restrict b,
           const uint8_t* __restrict c, const uint8_t* __restrict d, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        dst[i] = pick<kMax>(pick<kMax>(dst[i], pick<kMax>(a[i], b[i])), pick<kMax>(c[i], d[i]));
    }
}

constexpr MorphologyKernels kernels() {
    return {{&fold1<false>, &fold1<true>},
            {&fold2<false>, &fold2<true>},
            {&fold4<false>, &fold4<true>}};
}

}  // namespace
}  // namespace varnel::morphology_kernels
