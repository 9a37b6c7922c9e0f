#include "formats/png_filter.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace varnel {

namespace {

// Writing needs no restored pixels, only the raw rows: every byte's predictions are independent,
// so the choice and the filtering run 16 bytes at a time, the bytes of the first pixel (no left
// neighbour) and a short tail one by one.

int paethPredictor(int a, int b, int c) {
    const int p = b - c, q = a - c;
    const int pa = p < 0 ? -p : p, pb = q < 0 ? -q : q, pc = (p + q) < 0 ? -(p + q) : p + q;
    return (pa <= pb && pa <= pc) ? a : pb <= pc ? b : c;
}

int predict(int filter, int a, int b, int c) {
    switch (filter) {
        case 1:
            return a;
        case 2:
            return b;
        case 3:
            return (a + b) >> 1;
        case 4:
            return paethPredictor(a, b, c);
        default:
            return 0;
    }
}

uint32_t magnitude(uint8_t v) {
    return v < 128 ? v : 256u - v;
}

// Adds the magnitudes of bytes [from, to) under each filter to sums.
void sumBytes(const uint8_t* cur, const uint8_t* prev, size_t bpp, size_t from, size_t to,
              uint64_t sums[5]) {
    for (size_t i = from; i < to; ++i) {
        const int a = i >= bpp ? cur[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
        for (int f = 0; f < 5; ++f) sums[f] += magnitude(uint8_t(cur[i] - predict(f, a, b, c)));
    }
}

void filterBytes(int filter, const uint8_t* cur, const uint8_t* prev, size_t bpp, size_t from,
                 size_t to, uint8_t* out) {
    for (size_t i = from; i < to; ++i) {
        const int a = i >= bpp ? cur[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
        out[i] = uint8_t(cur[i] - predict(filter, a, b, c));
    }
}

#if defined(__SSE2__)

inline __m128i load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline __m128i abs16(__m128i v) {
    return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v));
}

inline __m128i select(__m128i mask, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// Paeth's predictor for 16 bytes, in two halves of 16-bit lanes.
inline __m128i paeth(__m128i a8, __m128i b8, __m128i c8) {
    const __m128i zero = _mm_setzero_si128();
    __m128i half[2];
    for (int h = 0; h < 2; ++h) {
        const __m128i a = h ? _mm_unpackhi_epi8(a8, zero) : _mm_unpacklo_epi8(a8, zero);
        const __m128i b = h ? _mm_unpackhi_epi8(b8, zero) : _mm_unpacklo_epi8(b8, zero);
        const __m128i c = h ? _mm_unpackhi_epi8(c8, zero) : _mm_unpacklo_epi8(c8, zero);
        const __m128i p = _mm_sub_epi16(b, c), q = _mm_sub_epi16(a, c);
        const __m128i pa = abs16(p), pb = abs16(q), pc = abs16(_mm_add_epi16(p, q));
        const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
        half[h] = select(notA, select(_mm_cmpgt_epi16(pb, pc), c, b), a);
    }
    return _mm_packus_epi16(half[0], half[1]);
}

// (a + b) >> 1 byte by byte: the rounded-up mean less the rounding.
inline __m128i mean(__m128i a, __m128i b) {
    return _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1)));
}

inline __m128i magnitudes(__m128i v) {
    return _mm_min_epu8(v, _mm_sub_epi8(_mm_setzero_si128(), v));
}

inline __m128i predict(int filter, __m128i a, __m128i b, const uint8_t* above) {
    switch (filter) {
        case 1:
            return a;
        case 2:
            return b;
        case 3:
            return mean(a, b);
        default:
            return paeth(a, b, load(above));
    }
}

#endif

}  // namespace

int filterRow(const uint8_t* cur, const uint8_t* prev, uint8_t* out, size_t rowBytes,
              int bytesPerPixel) {
    const size_t n = rowBytes, bpp = size_t(bytesPerPixel);
    const size_t head = bpp < n ? bpp : n;
    uint64_t sums[5] = {};
    sumBytes(cur, prev, bpp, 0, head, sums);
    size_t i = head;
#if defined(__SSE2__)
    {
        const __m128i zero = _mm_setzero_si128();
        __m128i totals[5] = {zero, zero, zero, zero, zero};
        for (; i + 16 <= n; i += 16) {
            const __m128i x = load(cur + i), a = load(cur + i - bpp), b = load(prev + i);
            const __m128i c = load(prev + i - bpp);
            const __m128i filtered[5] = {x, _mm_sub_epi8(x, a), _mm_sub_epi8(x, b),
                                         _mm_sub_epi8(x, mean(a, b)),
                                         _mm_sub_epi8(x, paeth(a, b, c))};
            for (int f = 0; f < 5; ++f) {
                totals[f] = _mm_add_epi64(totals[f], _mm_sad_epu8(magnitudes(filtered[f]), zero));
            }
        }
        for (int f = 0; f < 5; ++f) {
            uint64_t parts[2];
            _mm_storeu_si128(reinterpret_cast<__m128i*>(parts), totals[f]);
            sums[f] += parts[0] + parts[1];
        }
    }
#endif
    sumBytes(cur, prev, bpp, i, n, sums);

    int best = 0;
    for (int f = 1; f < 5; ++f) {
        if (sums[f] < sums[best]) best = f;
    }
    out[0] = uint8_t(best);
    uint8_t* row = out + 1;
    if (best == 0) {
        std::memcpy(row, cur, n);
        return best;
    }
    filterBytes(best, cur, prev, bpp, 0, head, row);
    i = head;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        const __m128i x = load(cur + i), a = load(cur + i - bpp), b = load(prev + i);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i),
                         _mm_sub_epi8(x, predict(best, a, b, prev + i - bpp)));
    }
#endif
    filterBytes(best, cur, prev, bpp, i, n, row);
    return best;
}

}  // namespace varnel
