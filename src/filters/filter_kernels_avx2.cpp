// The AVX2 variant of the per-pixel kernels: eight pixels at a time, spread over 32-bit lanes.
// Everything stays integer: table reads are gathers, the saturation quotient and the division by
// 65025 of the HSL-to-RGB step are multiplications by exact reciprocals. The standard and shared
// headers come before the target switch, so nothing with external linkage is compiled for AVX2;
// the last pixels of a row (fewer than eight) go through the baseline kernels.
#include <cstdint>

#include "filters/color_space_fast.h"
#include "filters/filter_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#pragma GCC push_options
#pragma GCC target("avx2")

namespace varnel::filter_kernels {
namespace {

// Eight pixels (24 bytes, no byte beyond them read) into blue, green and red lanes.
inline void load8(const uint8_t* s, __m256i& b, __m256i& g, __m256i& r) {
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i hi = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + 16));
    __m256i v = _mm256_set_m128i(hi, lo);
    // Pixels 0 … 3 in the low half (bytes 0 … 11), pixels 4 … 7 in the high half (bytes 12 … 23).
    v = _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6));
    const __m256i mb = _mm256_setr_epi8(0, -1, -1, -1, 3, -1, -1, -1, 6, -1, -1, -1, 9, -1, -1, -1,
                                        0, -1, -1, -1, 3, -1, -1, -1, 6, -1, -1, -1, 9, -1, -1, -1);
    const __m256i one = _mm256_set1_epi32(1);
    b = _mm256_shuffle_epi8(v, mb);
    g = _mm256_shuffle_epi8(v, _mm256_add_epi32(mb, one));
    r = _mm256_shuffle_epi8(v, _mm256_add_epi32(mb, _mm256_add_epi32(one, one)));
}

// Eight packed pixels (blue | green << 8 | red << 16 per lane) back as 24 bytes.
inline void storePacked8(uint8_t* d, __m256i packed) {
    const __m256i compact =
        _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4, 5, 6,
                         8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    __m256i v = _mm256_shuffle_epi8(packed, compact);
    v = _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm256_castsi256_si128(v));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 16), _mm256_extracti128_si256(v, 1));
}

inline void store8(uint8_t* d, __m256i b, __m256i g, __m256i r) {
    storePacked8(
        d, _mm256_or_si256(b, _mm256_or_si256(_mm256_slli_epi32(g, 8), _mm256_slli_epi32(r, 16))));
}

// High 32 bits of the 64-bit products a × b per lane (both unsigned 32-bit), shifted right by
// `extra` more bits.
template <int Extra>
inline __m256i mulShift(__m256i a, __m256i b) {
    const __m256i even = _mm256_srli_epi64(_mm256_mul_epu32(a, b), 32 + Extra);
    const __m256i odd = _mm256_srli_epi64(
        _mm256_mul_epu32(_mm256_srli_epi64(a, 32), _mm256_srli_epi64(b, 32)), 32 + Extra);
    return _mm256_or_si256(even, _mm256_slli_epi64(odd, 32));
}

// Exact floor(n / 65025) for 0 ≤ n < 2^26: n × ceil(2^42 / 65025) >> 42.
inline __m256i div65025(__m256i n) {
    return mulShift<10>(n, _mm256_set1_epi32(67636241));
}

inline __m256i gatherBytes(const uint8_t* table, __m256i index) {
    return _mm256_and_si256(_mm256_i32gather_epi32(reinterpret_cast<const int*>(table), index, 1),
                            _mm256_set1_epi32(0xFF));
}

inline __m256i gatherInts(const int32_t* table, __m256i index) {
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(table), index, 4);
}

// max + min of the three channels, and their maximum and minimum.
inline void extremes(__m256i r, __m256i g, __m256i b, __m256i& mx, __m256i& mn) {
    mx = _mm256_max_epi32(r, _mm256_max_epi32(g, b));
    mn = _mm256_min_epi32(r, _mm256_min_epi32(g, b));
}

// HSL hue and saturation (see fastHueSat); `sum` receives max + min.
inline void hueSat(const detail::HslTables& t, __m256i r, __m256i g, __m256i b, __m256i& h,
                   __m256i& s, __m256i& sum) {
    __m256i mx, mn;
    extremes(r, g, b, mx, mn);
    const __m256i d = _mm256_sub_epi32(mx, mn);
    const __m256i isR = _mm256_cmpeq_epi32(r, mx);
    const __m256i isG = _mm256_andnot_si256(isR, _mm256_cmpeq_epi32(g, mx));
    // Red maximum: G − B from sector 0; green: B − R from 65536; blue: R − G from 131072.
    __m256i n = _mm256_blendv_epi8(_mm256_sub_epi32(r, g), _mm256_sub_epi32(b, r), isG);
    n = _mm256_blendv_epi8(n, _mm256_sub_epi32(g, b), isR);
    __m256i base = _mm256_blendv_epi8(_mm256_set1_epi32(2 * 65536), _mm256_set1_epi32(65536), isG);
    base = _mm256_andnot_si256(isR, base);
    const __m256i index =
        _mm256_add_epi32(_mm256_add_epi32(base, _mm256_mullo_epi32(d, d)), _mm256_add_epi32(d, n));
    h = gatherBytes(t.hue, index);

    sum = _mm256_add_epi32(mx, mn);
    const __m256i den = _mm256_min_epi32(sum, _mm256_sub_epi32(_mm256_set1_epi32(511), sum));
    // (510 × d + den) / (2 × den) through the exact reciprocal (0 for den 0, when d is 0 too).
    const __m256i num = _mm256_add_epi32(_mm256_mullo_epi32(d, _mm256_set1_epi32(510)), den);
    const __m256i recip =
        gatherInts(reinterpret_cast<const int32_t*>(t.satRecip), _mm256_add_epi32(den, den));
    s = mulShift<0>(num, recip);
}

// w(x) = clamp(min(6x, 1020 − 6x), 0, 255): 0 on the m1 plateau, 255 on the m2 plateau, the
// ramps between.
inline __m256i weight(__m256i x) {
    const __m256i six = _mm256_mullo_epi32(x, _mm256_set1_epi32(6));
    const __m256i w = _mm256_min_epi32(six, _mm256_sub_epi32(_mm256_set1_epi32(1020), six));
    return _mm256_max_epi32(_mm256_min_epi32(w, _mm256_set1_epi32(255)), _mm256_setzero_si256());
}

// The colour of (h, s, l) packed as blue | green << 8 | red << 16 (see fastHslToRgb).
inline __m256i hslToPacked(__m256i h, __m256i s, __m256i l) {
    const __m256i ls = _mm256_mullo_epi32(l, s);
    const __m256i l255 = _mm256_sub_epi32(_mm256_slli_epi32(l, 8), l);
    const __m256i s255 = _mm256_sub_epi32(_mm256_slli_epi32(s, 8), s);
    const __m256i low = _mm256_cmpgt_epi32(_mm256_set1_epi32(128), l);
    const __m256i m2 = _mm256_blendv_epi8(_mm256_sub_epi32(_mm256_add_epi32(l255, s255), ls),
                                          _mm256_add_epi32(ls, l255), low);
    const __m256i m1 = _mm256_sub_epi32(_mm256_add_epi32(l255, l255), m2);
    const __m256i d = _mm256_sub_epi32(m2, m1);
    const __m256i base =
        _mm256_add_epi32(_mm256_sub_epi32(_mm256_slli_epi32(m1, 8), m1), _mm256_set1_epi32(32512));

    const __m256i c85 = _mm256_set1_epi32(85);
    const __m256i c255 = _mm256_set1_epi32(255);
    __m256i hr = _mm256_add_epi32(h, c85);
    hr = _mm256_sub_epi32(hr, _mm256_and_si256(_mm256_cmpgt_epi32(hr, c255), c255));
    __m256i hb = _mm256_sub_epi32(h, c85);
    hb = _mm256_add_epi32(hb,
                          _mm256_and_si256(_mm256_cmpgt_epi32(_mm256_setzero_si256(), hb), c255));

    const __m256i r = div65025(_mm256_add_epi32(base, _mm256_mullo_epi32(weight(hr), d)));
    const __m256i g = div65025(_mm256_add_epi32(base, _mm256_mullo_epi32(weight(h), d)));
    const __m256i b = div65025(_mm256_add_epi32(base, _mm256_mullo_epi32(weight(hb), d)));
    return _mm256_or_si256(b, _mm256_or_si256(_mm256_slli_epi32(g, 8), _mm256_slli_epi32(r, 16)));
}

void desaturateRows(const uint8_t* src, uint8_t* dst, int32_t count) {
    int32_t i = 0;
    for (; i + 8 <= count; i += 8, src += 24, dst += 24) {
        __m256i b, g, r, mx, mn;
        load8(src, b, g, r);
        extremes(r, g, b, mx, mn);
        const __m256i v = _mm256_srli_epi32(_mm256_add_epi32(mx, mn), 1);
        store8(dst, v, v, v);
    }
    baseline().desaturate(src, dst, count - i);
}

void colorizeRows(const uint32_t* colors, const uint8_t* src, uint8_t* dst, int32_t count) {
    int32_t i = 0;
    const __m256i one = _mm256_set1_epi32(1);
    for (; i + 8 <= count; i += 8, src += 24, dst += 24) {
        __m256i b, g, r, mx, mn;
        load8(src, b, g, r);
        extremes(r, g, b, mx, mn);
        const __m256i l = _mm256_srli_epi32(_mm256_add_epi32(_mm256_add_epi32(mx, mn), one), 1);
        storePacked8(dst, gatherInts(reinterpret_cast<const int32_t*>(colors), l));
    }
    baseline().colorize(colors, src, dst, count - i);
}

// x / 255 for 0 ≤ x ≤ 65279, exactly.
inline __m256i div255(__m256i x) {
    return _mm256_srli_epi32(
        _mm256_add_epi32(_mm256_add_epi32(x, _mm256_set1_epi32(1)), _mm256_srli_epi32(x, 8)), 8);
}

void hueSaturationRows(const HueSatTables& t, const uint8_t* src, uint8_t* dst, int32_t count) {
    const detail::HslTables& hsl = detail::hslTables();
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i c255 = _mm256_set1_epi32(255);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i dh = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t.hueShift));
    const __m256i dl = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t.lightShift));
    const __m256i ds = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t.satShift));
    int32_t i = 0;
    for (; i + 8 <= count; i += 8, src += 24, dst += 24) {
        __m256i b, g, r, h, s, sum;
        load8(src, b, g, r);
        hueSat(hsl, r, g, b, h, s, sum);
        const __m256i l = _mm256_srli_epi32(_mm256_add_epi32(sum, one), 1);

        // The colour range: thresholds 21, 64, 106, 149, 192; from 234 on the hue is red again.
        __m256i k = _mm256_sub_epi32(zero, _mm256_cmpgt_epi32(h, _mm256_set1_epi32(20)));
        k = _mm256_sub_epi32(k, _mm256_cmpgt_epi32(h, _mm256_set1_epi32(63)));
        k = _mm256_sub_epi32(k, _mm256_cmpgt_epi32(h, _mm256_set1_epi32(105)));
        k = _mm256_sub_epi32(k, _mm256_cmpgt_epi32(h, _mm256_set1_epi32(148)));
        k = _mm256_sub_epi32(k, _mm256_cmpgt_epi32(h, _mm256_set1_epi32(191)));
        k = _mm256_andnot_si256(_mm256_cmpgt_epi32(h, _mm256_set1_epi32(233)), k);

        // hueT: h + dh wrapped into 0 … 255.
        __m256i h2 = _mm256_add_epi32(h, _mm256_permutevar8x32_epi32(dh, k));
        h2 = _mm256_add_epi32(h2, _mm256_and_si256(_mm256_cmpgt_epi32(zero, h2), c255));
        h2 = _mm256_sub_epi32(h2, _mm256_and_si256(_mm256_cmpgt_epi32(h2, c255), c255));

        // satT: min((ds + 255) × s / 255, 255); products from 65280 on give 255 anyway.
        const __m256i sp =
            _mm256_mullo_epi32(_mm256_add_epi32(_mm256_permutevar8x32_epi32(ds, k), c255), s);
        const __m256i s2 =
            _mm256_min_epi32(div255(_mm256_min_epi32(sp, _mm256_set1_epi32(65280))), c255);

        // lightT: (dl + 255) × l / 255 when dl < 0, else (255 − l) × dl / 255 + l.
        const __m256i dk = _mm256_permutevar8x32_epi32(dl, k);
        const __m256i darker = div255(_mm256_mullo_epi32(_mm256_add_epi32(dk, c255), l));
        const __m256i lighter =
            _mm256_add_epi32(div255(_mm256_mullo_epi32(_mm256_sub_epi32(c255, l), dk)), l);
        const __m256i l2 = _mm256_blendv_epi8(lighter, darker, _mm256_cmpgt_epi32(zero, dk));

        storePacked8(dst, hslToPacked(h2, s2, l2));
    }
    baseline().hueSaturation(t, src, dst, count - i);
}

void balancePreserveRows(const int32_t* lutB, const int32_t* lutG, const int32_t* lutR,
                         const uint8_t* src, uint8_t* dst, int32_t count) {
    const detail::HslTables& hsl = detail::hslTables();
    const __m256i one = _mm256_set1_epi32(1);
    int32_t i = 0;
    for (; i + 8 <= count; i += 8, src += 24, dst += 24) {
        __m256i b, g, r, mx, mn, h, s, sum;
        load8(src, b, g, r);
        extremes(r, g, b, mx, mn);
        const __m256i l = _mm256_srli_epi32(_mm256_add_epi32(_mm256_add_epi32(mx, mn), one), 1);
        hueSat(hsl, gatherInts(lutR, r), gatherInts(lutG, g), gatherInts(lutB, b), h, s, sum);
        storePacked8(dst, hslToPacked(h, s, l));
    }
    baseline().balancePreserve(lutB, lutG, lutR, src, dst, count - i);
}

}  // namespace

const Kernels& avx2() {
    // Gathers are slower than scalar reads for the plain table lookups.
    static const Kernels k{baseline().lookup3, baseline().lookup1, &desaturateRows,
                           &colorizeRows,      &hueSaturationRows, &balancePreserveRows};
    return k;
}

}  // namespace varnel::filter_kernels
#pragma GCC pop_options
#else
namespace varnel::filter_kernels {
const Kernels& avx2() {
    return baseline();
}
}  // namespace varnel::filter_kernels
#endif
