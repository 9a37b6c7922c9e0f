// The AVX-512 variant: table lookups 64 bytes at a time through byte permutes (each 256-entry
// table is four 64-byte registers; two two-table permutes cover its halves and the index's top
// bit picks between them). Colour rows interleave blue, green and red, so each 64-byte block
// looks every byte up in all three tables and keeps, per byte, the one of its channel; the
// channel pattern repeats every three blocks. Row ends go through masked loads and stores, so no
// byte beyond the row is read or written. Desaturate spreads each pixel's channels over its three
// bytes with byte permutes, 21 pixels at a time; the other per-pixel kernels are the AVX2 ones.
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

// Byte i of a 21-pixel block (63 bytes) replaced by byte 3 × (i / 3) + c: channel c of its pixel.
struct ChannelIndex {
    alignas(64) uint8_t at[3][64];
};

constexpr ChannelIndex makeChannelIndex() {
    ChannelIndex t{};
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 64; ++i) t.at[c][i] = uint8_t((3 * (i / 3) + c) & 63);
    }
    return t;
}

// Every byte of 21 pixels becomes (max + min) >> 1 of its pixel: the block is spread three times so
// that each byte sees its pixel's blue, green and red, and the floor of the mean is the rounded-up
// average less the odd bit of the sum.
inline __m512i desaturate21(__m512i v, const __m512i index[3]) {
    const __m512i b = _mm512_permutexvar_epi8(index[0], v);
    const __m512i g = _mm512_permutexvar_epi8(index[1], v);
    const __m512i r = _mm512_permutexvar_epi8(index[2], v);
    const __m512i mx = _mm512_max_epu8(b, _mm512_max_epu8(g, r));
    const __m512i mn = _mm512_min_epu8(b, _mm512_min_epu8(g, r));
    const __m512i odd = _mm512_and_si512(_mm512_xor_si512(mx, mn), _mm512_set1_epi8(1));
    return _mm512_sub_epi8(_mm512_avg_epu8(mx, mn), odd);
}

void desaturateRows(const uint8_t* src, uint8_t* dst, int32_t count) {
    static constexpr ChannelIndex kIndex = makeChannelIndex();
    const __m512i index[3] = {_mm512_load_si512(kIndex.at[0]), _mm512_load_si512(kIndex.at[1]),
                              _mm512_load_si512(kIndex.at[2])};
    const int64_t bytes = int64_t(count) * 3;
    const __mmask64 block = (uint64_t(1) << 63) - 1;
    int64_t i = 0;
    // Blocks of 63 bytes, read as 64 while the row lasts; the 64th byte is neither used nor
    // written, so the next block reads it unchanged even in place.
    for (; i + 64 <= bytes; i += 63) {
        const __m512i v = _mm512_loadu_si512(src + i);
        _mm512_mask_storeu_epi8(dst + i, block, desaturate21(v, index));
    }
    if (i < bytes) {
        const __mmask64 tail = (uint64_t(1) << (bytes - i)) - 1;  // at most 63 bytes are left
        const __m512i v = _mm512_maskz_loadu_epi8(tail, src + i);
        _mm512_mask_storeu_epi8(dst + i, tail, desaturate21(v, index));
    }
}

}  // namespace

const Kernels& avx512() {
    static const Kernels k{&lookupRows24,   &lookupRows8,         &desaturateRows,
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
