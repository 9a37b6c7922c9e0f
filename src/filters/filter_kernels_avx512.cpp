// The AVX-512 variant: table lookups 64 bytes at a time through byte permutes (each 256-entry
// table is four 64-byte registers; two two-table permutes cover its halves and the index's top
// bit picks between them). Colour rows interleave blue, green and red, so each 64-byte block
// looks every byte up in all three tables and keeps, per byte, the one of its channel; the
// channel pattern repeats every three blocks. Row ends go through masked loads and stores, so no
// byte beyond the row is read or written. The per-pixel kernels are the AVX2 ones.
#include <cstdint>

#include "filters/filter_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#pragma GCC push_options
#pragma GCC target("avx2,avx512f,avx512bw,avx512vbmi")

namespace varnel::filter_kernels {
namespace {

struct Table {
    __m512i q0, q1, q2, q3;
};

inline Table loadTable(const uint8_t* lut) {
    return {_mm512_loadu_si512(lut), _mm512_loadu_si512(lut + 64), _mm512_loadu_si512(lut + 128),
            _mm512_loadu_si512(lut + 192)};
}

// lut[v] for each byte v; `high` marks the bytes of 128 and above.
inline __m512i lookup(const Table& t, __m512i v, __mmask64 high) {
    const __m512i lo = _mm512_permutex2var_epi8(t.q0, v, t.q1);
    const __m512i hi = _mm512_permutex2var_epi8(t.q2, v, t.q3);
    return _mm512_mask_blend_epi8(high, lo, hi);
}

// The bytes of a 64-byte block that belong to channel c when the block starts with channel p:
// byte i has channel (p + i) mod 3.
constexpr uint64_t channelBits(int p, int c) {
    uint64_t bits = 0;
    for (int i = 0; i < 64; ++i) {
        if ((p + i) % 3 == c) bits |= uint64_t(1) << i;
    }
    return bits;
}

void lookupRows24(const uint8_t* lutB, const uint8_t* lutG, const uint8_t* lutR, const uint8_t* src,
                  uint8_t* dst, int32_t count) {
    const Table tb = loadTable(lutB), tg = loadTable(lutG), tr = loadTable(lutR);
    // Green and red bytes of a block starting with channel 0, 1 or 2 (64 ≡ 1 mod 3).
    static constexpr uint64_t kGreen[3] = {channelBits(0, 1), channelBits(1, 1), channelBits(2, 1)};
    static constexpr uint64_t kRed[3] = {channelBits(0, 2), channelBits(1, 2), channelBits(2, 2)};
    const int64_t bytes = int64_t(count) * 3;
    int64_t i = 0;
    int phase = 0;
    for (; i + 64 <= bytes; i += 64, phase = phase == 2 ? 0 : phase + 1) {
        const __m512i v = _mm512_loadu_si512(src + i);
        const __mmask64 high = _mm512_movepi8_mask(v);
        __m512i out = lookup(tb, v, high);
        out = _mm512_mask_blend_epi8(kGreen[phase], out, lookup(tg, v, high));
        out = _mm512_mask_blend_epi8(kRed[phase], out, lookup(tr, v, high));
        _mm512_storeu_si512(dst + i, out);
    }
    if (i < bytes) {
        const __mmask64 tail = (uint64_t(1) << (bytes - i)) - 1;
        const __m512i v = _mm512_maskz_loadu_epi8(tail, src + i);
        const __mmask64 high = _mm512_movepi8_mask(v);
        __m512i out = lookup(tb, v, high);
        out = _mm512_mask_blend_epi8(kGreen[phase], out, lookup(tg, v, high));
        out = _mm512_mask_blend_epi8(kRed[phase], out, lookup(tr, v, high));
        _mm512_mask_storeu_epi8(dst + i, tail, out);
    }
}

void lookupRows8(const uint8_t* lut, const uint8_t* src, uint8_t* dst, int32_t count) {
    const Table t = loadTable(lut);
    int64_t i = 0;
    for (; i + 64 <= count; i += 64) {
        const __m512i v = _mm512_loadu_si512(src + i);
        _mm512_storeu_si512(dst + i, lookup(t, v, _mm512_movepi8_mask(v)));
    }
    if (i < count) {
        const __mmask64 tail = (uint64_t(1) << (count - i)) - 1;
        const __m512i v = _mm512_maskz_loadu_epi8(tail, src + i);
        _mm512_mask_storeu_epi8(dst + i, tail, lookup(t, v, _mm512_movepi8_mask(v)));
    }
}

}  // namespace

const Kernels& avx512() {
    static const Kernels k{&lookupRows24,   &lookupRows8,         avx2().desaturate,
                           avx2().colorize, avx2().hueSaturation, avx2().balancePreserve};
    return k;
}

}  // namespace varnel::filter_kernels
#pragma GCC pop_options
#else
namespace varnel::filter_kernels {
const Kernels& avx512() {
    return baseline();
}
}  // namespace varnel::filter_kernels
#endif
