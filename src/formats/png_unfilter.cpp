#include "formats/png_unfilter.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace varnel {

namespace {

// The left-hand filters carry each pixel into the next, so a row is restored one pixel at a
// time; the pixel's 3 or 4 samples go through the vector unit together. "Up" has no such chain
// and runs 16 bytes at a time.

void unfilterUp(uint8_t* row, const uint8_t* prev, size_t n) {
    size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prev + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), _mm_add_epi8(x, b));
    }
#endif
    for (; i < n; ++i) row[i] = uint8_t(row[i] + prev[i]);
}

#if defined(__SSE2__)

template <int Bpp>
__m128i loadPixel(const uint8_t* p) {
    uint32_t v = 0;
    std::memcpy(&v, p, Bpp);
    return _mm_cvtsi32_si128(int(v));
}

template <int Bpp>
void storePixel(uint8_t* p, __m128i v) {
    const uint32_t bits = uint32_t(_mm_cvtsi128_si32(v));
    std::memcpy(p, &bits, Bpp);
}

template <int Bpp>
void unfilterSub(uint8_t* row, size_t n) {
    __m128i a = _mm_setzero_si128();
    for (size_t i = 0; i < n; i += Bpp) {
        a = _mm_add_epi8(loadPixel<Bpp>(row + i), a);
        storePixel<Bpp>(row + i, a);
    }
}

template <int Bpp>
void unfilterAverage(uint8_t* row, const uint8_t* prev, size_t n) {
    const __m128i ones = _mm_set1_epi8(1);
    __m128i a = _mm_setzero_si128();
    for (size_t i = 0; i < n; i += Bpp) {
        const __m128i b = loadPixel<Bpp>(prev + i);
        // The rounded-up mean less the rounding: (a + b) >> 1 without overflow.
        const __m128i mean =
            _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), ones));
        a = _mm_add_epi8(loadPixel<Bpp>(row + i), mean);
        storePixel<Bpp>(row + i, a);
    }
}

inline __m128i abs16(__m128i v) {
    return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v));
}

inline __m128i select(__m128i mask, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// Paeth's predictor in 16-bit lanes: of left (a), above (b) and above left (c), the one nearest
// to a + b - c, ties going to a, then b.
template <int Bpp>
void unfilterPaeth(uint8_t* row, const uint8_t* prev, size_t n) {
    const __m128i zero = _mm_setzero_si128();
    __m128i a = zero, c = zero;
    for (size_t i = 0; i < n; i += Bpp) {
        const __m128i b = _mm_unpacklo_epi8(loadPixel<Bpp>(prev + i), zero);
        const __m128i x = _mm_unpacklo_epi8(loadPixel<Bpp>(row + i), zero);
        const __m128i p = _mm_sub_epi16(b, c);
        const __m128i q = _mm_sub_epi16(a, c);
        const __m128i pa = abs16(p), pb = abs16(q), pc = abs16(_mm_add_epi16(p, q));
        const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
        __m128i nearest = select(_mm_cmpeq_epi16(pb, smallest), b, c);
        nearest = select(_mm_cmpeq_epi16(pa, smallest), a, nearest);
        a = _mm_and_si128(_mm_add_epi16(x, nearest), _mm_set1_epi16(0xFF));
        storePixel<Bpp>(row + i, _mm_packus_epi16(a, a));
        c = b;
    }
}

#else

template <int Bpp>
void unfilterSub(uint8_t* row, size_t n) {
    for (size_t i = Bpp; i < n; ++i) row[i] = uint8_t(row[i] + row[i - Bpp]);
}

template <int Bpp>
void unfilterAverage(uint8_t* row, const uint8_t* prev, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const int a = i >= Bpp ? row[i - Bpp] : 0;
        row[i] = uint8_t(row[i] + ((a + prev[i]) >> 1));
    }
}

template <int Bpp>
void unfilterPaeth(uint8_t* row, const uint8_t* prev, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const int a = i >= Bpp ? row[i - Bpp] : 0, b = prev[i], c = i >= Bpp ? prev[i - Bpp] : 0;
        const int p = b - c, q = a - c;
        const int pa = p < 0 ? -p : p, pb = q < 0 ? -q : q, pc = (p + q) < 0 ? -(p + q) : p + q;
        row[i] = uint8_t(row[i] + ((pa <= pb && pa <= pc) ? a : pb <= pc ? b : c));
    }
}

#endif

// The first row's "average" takes half the left pixel (the row above counts as zeros).
template <int Bpp>
void unfilterFirstAverage(uint8_t* row, size_t n) {
    for (size_t i = Bpp; i < n; ++i) row[i] = uint8_t(row[i] + (row[i - Bpp] >> 1));
}

template <int Bpp>
bool unfilter(int filter, uint8_t* row, const uint8_t* prev, size_t n) {
    switch (filter) {
        case 0:
            return true;
        case 1:
            unfilterSub<Bpp>(row, n);
            return true;
        case 2:
            if (prev) unfilterUp(row, prev, n);
            return true;
        case 3:
            if (prev) {
                unfilterAverage<Bpp>(row, prev, n);
            } else {
                unfilterFirstAverage<Bpp>(row, n);
            }
            return true;
        case 4:
            // Against a row of zeros Paeth always predicts the left pixel.
            if (prev) {
                unfilterPaeth<Bpp>(row, prev, n);
            } else {
                unfilterSub<Bpp>(row, n);
            }
            return true;
        default:
            return false;
    }
}

// Red, green, blue rows straight into blue, green, red pixels. Pixels move as 32-bit words: a
// byte swap and a shift turn the file's red, green, blue into blue, green, red. Every pixel but
// a row's last is written 4 bytes at a time (the extra byte lands on the next pixel, written
// again next), and the row above read the same way; the last pixel moves exactly 3 bytes, so
// that nothing past either row is touched.

inline uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline uint32_t load24(const uint8_t* p) {
    uint32_t v = 0;
    std::memcpy(&v, p, 3);
    return v;
}

inline void store32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

inline void store24(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 3);
}

inline uint32_t swapRgb(uint32_t rgbx) {
    return __builtin_bswap32(rgbx) >> 8;
}

// Byte-wise sums and floor means of two words, no carry crossing a byte.
inline uint32_t addBytes(uint32_t x, uint32_t y) {
    return ((x & 0x7F7F7F7Fu) + (y & 0x7F7F7F7Fu)) ^ ((x ^ y) & 0x80808080u);
}

inline uint32_t meanBytes(uint32_t x, uint32_t y) {
    return (x & y) + (((x ^ y) & 0xFEFEFEFEu) >> 1);
}

// step(x, b) turns the filtered pixel x (blue, green, red) and the pixel above b into the
// restored pixel; it keeps the left-hand pixels it needs itself.
template <bool HasPrev, class Step>
void eachBgrPixel(const uint8_t* in, const uint8_t* prev, uint8_t* out, size_t width, Step step) {
    size_t i = 0;
    const size_t last = (width - 1) * 3;
    for (; i < last; i += 3) {
        store32(out + i, step(swapRgb(load32(in + i)), HasPrev ? load32(prev + i) : 0));
    }
    store24(out + i, step(swapRgb(load32(in + i)), HasPrev ? load24(prev + i) : 0));
}

#if defined(__SSE2__)

struct PaethStep {
    __m128i a = _mm_setzero_si128(), c = _mm_setzero_si128();
    uint32_t operator()(uint32_t filtered, uint32_t above) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i b = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(above)), zero);
        const __m128i x = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(filtered)), zero);
        const __m128i p = _mm_sub_epi16(b, c);
        const __m128i q = _mm_sub_epi16(a, c);
        const __m128i pa = abs16(p), pb = abs16(q), pc = abs16(_mm_add_epi16(p, q));
        const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
        __m128i nearest = select(_mm_cmpeq_epi16(pb, smallest), b, c);
        nearest = select(_mm_cmpeq_epi16(pa, smallest), a, nearest);
        a = _mm_and_si128(_mm_add_epi16(x, nearest), _mm_set1_epi16(0xFF));
        c = b;
        return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(a, a)));
    }
};

#else

struct PaethStep {
    uint32_t a = 0, c = 0;
    uint32_t operator()(uint32_t filtered, uint32_t above) {
        uint32_t result = 0;
        for (int s = 0; s < 24; s += 8) {
            const int av = int(a >> s & 0xFF), bv = int(above >> s & 0xFF), cv = int(c >> s & 0xFF);
            const int p = bv - cv, q = av - cv;
            const int pa = p < 0 ? -p : p, pb = q < 0 ? -q : q;
            const int pc = (p + q) < 0 ? -(p + q) : p + q;
            const int predictor = (pa <= pb && pa <= pc) ? av : pb <= pc ? bv : cv;
            result |= uint32_t((int(filtered >> s & 0xFF) + predictor) & 0xFF) << s;
        }
        a = result;
        c = above;
        return result;
    }
};

#endif

}  // namespace

bool unfilterRow(int filter, uint8_t* row, const uint8_t* prev, size_t rowBytes,
                 int bytesPerPixel) {
    return bytesPerPixel == 4 ? unfilter<4>(filter, row, prev, rowBytes)
                              : unfilter<3>(filter, row, prev, rowBytes);
}

bool unfilterRgbToBgr(int filter, const uint8_t* in, const uint8_t* prevOut, uint8_t* out,
                      size_t width) {
    if (filter > 4) return false;
    if (width == 0) return true;
    // Against a first row (zeros above) "up" is "none" and Paeth is "sub".
    if (!prevOut && (filter == 2 || filter == 4)) filter = filter == 2 ? 0 : 1;
    uint32_t a = 0;
    switch (filter) {
        case 0:
            eachBgrPixel<false>(in, nullptr, out, width, [](uint32_t x, uint32_t) { return x; });
            break;
        case 1:
            eachBgrPixel<false>(in, nullptr, out, width,
                                [&a](uint32_t x, uint32_t) { return a = addBytes(x, a); });
            break;
        case 2:
            eachBgrPixel<true>(in, prevOut, out, width,
                               [](uint32_t x, uint32_t b) { return addBytes(x, b); });
            break;
        case 3:
            if (prevOut) {
                eachBgrPixel<true>(in, prevOut, out, width, [&a](uint32_t x, uint32_t b) {
                    return a = addBytes(x, meanBytes(a, b));
                });
            } else {
                eachBgrPixel<false>(in, nullptr, out, width, [&a](uint32_t x, uint32_t) {
                    return a = addBytes(x, (a & 0xFEFEFEFEu) >> 1);
                });
            }
            break;
        default:
            eachBgrPixel<true>(in, prevOut, out, width, PaethStep{});
            break;
    }
    return true;
}

}  // namespace varnel
