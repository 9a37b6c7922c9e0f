// Whole-surface geometry of the 8- and 24-bit classes: rotations, flips, transposes and trim.
// Loops walk the row table with byte offsets; the quarter turns and transposes go through
// square tiles so that both the rows read and the rows written stay in cache. Rows (or tiles of
// rows) are independent, so the work is split over the worker threads; every byte lands where a
// single loop would have put it.
#include <algorithm>
#include <cstring>

#include "core/surface.h"
#include "platform/cpu_features.h"
#include "platform/parallel.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VARNEL_SSSE3 1
#endif

namespace varnel {
namespace {

enum TransformKind {
    kRotate180,
    kRotateClockwise,
    kRotateCounterClockwise,
    kFlipHorizontal,
    kTranspose,
    kAntiTranspose,
};

// Tile side in pixels: 64 rows of 64 24-bit pixels read plus as many written stay within 32 KiB.
constexpr int32_t kTile = 64;

template <size_t B>
inline void copyPixel(uint8_t* d, const uint8_t* s) {
    if constexpr (B == 1) {
        *d = *s;
    } else {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
    }
}

template <size_t B>
inline void swapPixels(uint8_t* a, uint8_t* b) {
    for (size_t i = 0; i < B; ++i) std::swap(a[i], b[i]);
}

// One tile of a transposing map, dst(row r, column k) = src(column revCol ? w−1−r : r, row
// revRow ? h−1−k : k) for r in [r0, r1) and k in [k0, k1), a pixel at a time.
template <size_t B, bool revCol, bool revRow>
void remapTileScalar(uint8_t* const* srcRows, uint8_t* const* dstRows, int32_t w, int32_t h,
                     int32_t r0, int32_t r1, int32_t k0, int32_t k1) {
    for (int32_t r = r0; r < r1; ++r) {
        const size_t col = size_t(revCol ? w - 1 - r : r) * B;
        uint8_t* d = dstRows[r] + size_t(k0) * B;
        if constexpr (revRow) {
            for (int32_t k = k0; k < k1; ++k, d += B) copyPixel<B>(d, srcRows[h - 1 - k] + col);
        } else {
            for (int32_t k = k0; k < k1; ++k, d += B) copyPixel<B>(d, srcRows[k] + col);
        }
    }
}

#ifdef VARNEL_SSSE3
bool canShuffleBytes() {
    return platform::cpuFeatures().ssse3;
}

// Four 24-bit pixels (12 bytes, nothing read beyond them) spread over the four 32-bit lanes.
__attribute__((target("ssse3"))) inline __m128i loadFour24(const uint8_t* p) {
    uint32_t tail;
    std::memcpy(&tail, p + 8, 4);
    const __m128i v = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                                         _mm_cvtsi32_si128(int(tail)));
    return _mm_shuffle_epi8(
        v, _mm_setr_epi8(0, 1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11, -128));
}

// The four lanes packed back into 12 bytes (nothing written beyond them).
__attribute__((target("ssse3"))) inline void storeFour24(uint8_t* p, __m128i v) {
    v = _mm_shuffle_epi8(
        v, _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -128, -128, -128, -128));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
    const uint32_t tail = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(v, 8)));
    std::memcpy(p + 8, &tail, 4);
}

// The same map for 24-bit pixels in blocks of 4 × 4: four source rows of four pixels, widened to
// 32-bit lanes, transposed as a 4 × 4 matrix of lanes and packed again. Edges go pixel by pixel.
template <bool revCol, bool revRow>
__attribute__((target("ssse3"))) void remapTile24(uint8_t* const* srcRows, uint8_t* const* dstRows,
                                                  int32_t w, int32_t h, int32_t r0, int32_t r1,
                                                  int32_t k0, int32_t k1) {
    auto sourceRow = [&](int32_t k) { return srcRows[revRow ? h - 1 - k : k]; };
    int32_t r = r0;
    for (; r + 4 <= r1; r += 4) {
        // Lane j holds source column x0 + j, which lands on target row r + j (r + 3 − j when the
        // columns run backwards).
        const int32_t x0 = revCol ? w - 4 - r : r;
        const size_t col = size_t(x0) * 3;
        uint8_t* d[4];
        for (int j = 0; j < 4; ++j) d[j] = dstRows[revCol ? r + 3 - j : r + j];
        int32_t k = k0;
        for (; k + 4 <= k1; k += 4) {
            const __m128i a = loadFour24(sourceRow(k) + col);
            const __m128i b = loadFour24(sourceRow(k + 1) + col);
            const __m128i c = loadFour24(sourceRow(k + 2) + col);
            const __m128i e = loadFour24(sourceRow(k + 3) + col);
            const __m128i ab0 = _mm_unpacklo_epi32(a, b);  // a0 b0 a1 b1
            const __m128i ab1 = _mm_unpackhi_epi32(a, b);  // a2 b2 a3 b3
            const __m128i ce0 = _mm_unpacklo_epi32(c, e);
            const __m128i ce1 = _mm_unpackhi_epi32(c, e);
            const size_t at = size_t(k) * 3;
            storeFour24(d[0] + at, _mm_unpacklo_epi64(ab0, ce0));  // a0 b0 c0 e0
            storeFour24(d[1] + at, _mm_unpackhi_epi64(ab0, ce0));
            storeFour24(d[2] + at, _mm_unpacklo_epi64(ab1, ce1));
            storeFour24(d[3] + at, _mm_unpackhi_epi64(ab1, ce1));
        }
        if (k < k1) remapTileScalar<3, revCol, revRow>(srcRows, dstRows, w, h, r, r + 4, k, k1);
    }
    if (r < r1) remapTileScalar<3, revCol, revRow>(srcRows, dstRows, w, h, r, r1, k0, k1);
}
#endif

// dst(row r, column k) = src(column revCol ? w−1−r : r, row revRow ? h−1−k : k): the four
// transposing maps of a quarter turn, for target rows [rowBegin, rowEnd), tile by tile.
template <size_t B, bool revCol, bool revRow>
void remapTransposed(const SurfaceStore& src, SurfaceStore& dst, int32_t rowBegin, int32_t rowEnd) {
    const int32_t w = src.width(), h = src.height();
    uint8_t* const* srcRows = src.rows.get();
    uint8_t* const* dstRows = dst.rows.get();
    for (int32_t r0 = rowBegin; r0 < rowEnd; r0 += kTile) {
        const int32_t r1 = std::min(r0 + kTile, rowEnd);
        for (int32_t k0 = 0; k0 < h; k0 += kTile) {
            const int32_t k1 = std::min(k0 + kTile, h);
#ifdef VARNEL_SSSE3
            if (B == 3 && canShuffleBytes()) {
                remapTile24<revCol, revRow>(srcRows, dstRows, w, h, r0, r1, k0, k1);
                continue;
            }
#endif
            remapTileScalar<B, revCol, revRow>(srcRows, dstRows, w, h, r0, r1, k0, k1);
        }
    }
}

// Pixels [0, w) of a row in reverse order, one pixel at a time.
template <size_t B>
void reverseRowScalar(uint8_t* row, int32_t w) {
    if constexpr (B == 1) {
        std::reverse(row, row + w);
    } else {
        uint8_t* a = row;
        uint8_t* b = row + size_t(w - 1) * B;
        for (; a < b; a += B, b -= B) swapPixels<B>(a, b);
    }
}

#ifdef VARNEL_SSSE3
// Shuffle masks that reverse the order of sixteen 24-bit pixels held in three vectors (48
// bytes): output vector o takes from input vector i the bytes kReverse48[o][i] names (-128:
// none). Built at compile time from the pixel map.
struct Reverse48 {
    int8_t lane[3][3][16];
};
constexpr Reverse48 makeReverse48() {
    Reverse48 t{};
    for (int o = 0; o < 48; ++o) {
        const int source = 3 * (15 - o / 3) + o % 3;
        for (int i = 0; i < 3; ++i)
            t.lane[o / 16][i][o % 16] = int8_t(source / 16 == i ? source % 16 : -128);
    }
    return t;
}
alignas(16) constexpr Reverse48 kReverse48 = makeReverse48();

// Sixteen 24-bit pixels (three vectors) in reverse order.
__attribute__((target("ssse3"))) inline void reverse48(const __m128i in[3], __m128i out[3],
                                                       const __m128i masks[3][3]) {
    for (int o = 0; o < 3; ++o)
        out[o] = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(in[0], masks[o][0]),
                                           _mm_shuffle_epi8(in[1], masks[o][1])),
                              _mm_shuffle_epi8(in[2], masks[o][2]));
}

// The same through byte shuffles: a block at the left end and one at the right end (16 bytes,
// or 16 pixels of 24 bits) are each reversed into the other's place, moving inward, and the
// middle that is left (shorter than two blocks) goes pixel by pixel. Every load reads bytes no
// store has touched yet.
__attribute__((target("ssse3"))) void reverseRowSsse3(uint8_t* row, int32_t w, size_t B) {
    uint8_t* a = row;
    uint8_t* b = row + size_t(w) * B;  // one past the last byte
    auto load = [](const uint8_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    };
    auto store = [](uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); };
    if (B == 1) {
        const __m128i reverse = _mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
        for (; b - a >= 32; a += 16, b -= 16) {
            const __m128i left = load(a);
            const __m128i right = load(b - 16);
            store(a, _mm_shuffle_epi8(right, reverse));
            store(b - 16, _mm_shuffle_epi8(left, reverse));
        }
        reverseRowScalar<1>(a, int32_t(b - a));
        return;
    }
    __m128i masks[3][3];
    for (int o = 0; o < 3; ++o)
        for (int i = 0; i < 3; ++i)
            masks[o][i] = load(reinterpret_cast<const uint8_t*>(kReverse48.lane[o][i]));
    for (; b - a >= 96; a += 48, b -= 48) {
        const __m128i left[3] = {load(a), load(a + 16), load(a + 32)};
        const __m128i right[3] = {load(b - 48), load(b - 32), load(b - 16)};
        __m128i out[3];
        reverse48(right, out, masks);
        store(a, out[0]);
        store(a + 16, out[1]);
        store(a + 32, out[2]);
        reverse48(left, out, masks);
        store(b - 48, out[0]);
        store(b - 32, out[1]);
        store(b - 16, out[2]);
    }
    reverseRowScalar<3>(a, int32_t((b - a) / 3));
}
#endif

template <size_t B>
void reverseRow(uint8_t* row, int32_t w) {
#ifdef VARNEL_SSSE3
    if (canShuffleBytes()) {
        reverseRowSsse3(row, w, B);
        return;
    }
#endif
    reverseRowScalar<B>(row, w);
}

// Rows per part for whole-row work on rows of `w` pixels.
int rowsPerPart(int32_t w) {
    return minRowsFor(w);
}

template <size_t B>
void rotate180InPlace(SurfaceStore& s) {
    const int32_t w = s.width(), h = s.height();
    // Each pair of rows, top and bottom: both reversed, then exchanged.
    parallelRows(h / 2, std::max(1, rowsPerPart(w) / 2), [&](int begin, int end) {
        for (int32_t y = begin; y < end; ++y) {
            uint8_t* top = s.rows[y];
            uint8_t* bottom = s.rows[h - 1 - y];
            reverseRow<B>(top, w);
            reverseRow<B>(bottom, w);
            std::swap_ranges(top, top + size_t(w) * B, bottom);
        }
    });
    if (h & 1) reverseRow<B>(s.rows[h / 2], w);
}

template <size_t B>
std::unique_ptr<SurfaceStore> transposed(const SurfaceStore& src, int kind) {
    // Every pixel is written below: reused memory needs no clearing first.
    auto dst = SurfaceStore::createForOverwrite(src, src.height(), src.width());
    if (!dst) return nullptr;
    // Target rows (source columns) in blocks of whole tiles.
    const int32_t rows = src.width();
    const int tiles = int((rows + kTile - 1) / kTile);
    const int tilesPerPart = std::max(1, rowsPerPart(src.height()) / kTile);
    parallelRows(tiles, tilesPerPart, [&](int begin, int end) {
        const int32_t r0 = begin * kTile, r1 = std::min(end * kTile, rows);
        switch (kind) {
            case kRotateClockwise:
                remapTransposed<B, false, true>(src, *dst, r0, r1);
                break;
            case kRotateCounterClockwise:
                remapTransposed<B, true, false>(src, *dst, r0, r1);
                break;
            case kTranspose:
                remapTransposed<B, false, false>(src, *dst, r0, r1);
                break;
            default:
                remapTransposed<B, true, true>(src, *dst, r0, r1);
                break;
        }
    });
    return dst;
}

template <size_t B>
int transform(std::unique_ptr<SurfaceStore>& store, int kind) {
    SurfaceStore& s = *store;
    switch (kind) {
        case kRotate180:
            rotate180InPlace<B>(s);
            return 1;
        case kFlipHorizontal:
            if (s.width() > 1)
                parallelRows(s.height(), rowsPerPart(s.width()), [&](int begin, int end) {
                    for (int32_t y = begin; y < end; ++y) reverseRow<B>(s.rows[y], s.width());
                });
            return 1;
        default: {
            auto dst = transposed<B>(s, kind);
            if (!dst) return 0;
            store = std::move(dst);
            return 1;
        }
    }
}

// First and last pixel of a row that differ from `ref` (B bytes); -1 when none.
template <size_t B>
int32_t firstDifferent(const uint8_t* row, int32_t from, int32_t to, const uint8_t* ref) {
    for (int32_t x = from; x < to; ++x)
        if (std::memcmp(row + size_t(x) * B, ref, B) != 0) return x;
    return -1;
}
template <size_t B>
int32_t lastDifferent(const uint8_t* row, int32_t from, int32_t to, const uint8_t* ref) {
    for (int32_t x = to - 1; x >= from; --x)
        if (std::memcmp(row + size_t(x) * B, ref, B) != 0) return x;
    return -1;
}

template <size_t B>
bool differingBounds(const SurfaceStore& s, Rect& out) {
    const int32_t w = s.width(), h = s.height();
    uint8_t ref[B];
    std::memcpy(ref, s.rows[0], B);
    int32_t top = -1, bottom = -1;
    for (int32_t y = 0; y < h && top < 0; ++y)
        if (firstDifferent<B>(s.rows[y], 0, w, ref) >= 0) top = y;
    if (top < 0) return false;
    for (int32_t y = h - 1; y >= top && bottom < 0; --y)
        if (firstDifferent<B>(s.rows[y], 0, w, ref) >= 0) bottom = y;
    int32_t left = w, right = -1;
    for (int32_t y = top; y <= bottom; ++y) {
        const int32_t l = firstDifferent<B>(s.rows[y], 0, left, ref);
        if (l >= 0) left = l;
        const int32_t r = lastDifferent<B>(s.rows[y], right + 1, w, ref);
        if (r >= 0) right = r;
    }
    out = {left, top, right + 1, bottom + 1};
    return true;
}

}  // namespace

int PixelSurface::transformBytePixels(int kind) {
    if (!isValid()) return 0;
    switch (bitsPerPixel()) {
        case 8:
            return transform<1>(store_, kind);
        case 24:
            return transform<3>(store_, kind);
        default:
            return 0;
    }
}

int PixelSurface::rotate90Into(PixelSurface& target, bool clockwise) const {
    if (!isValid() || !target.acceptsStore(store_.get())) return 0;
    const int kind = clockwise ? kRotateClockwise : kRotateCounterClockwise;
    std::unique_ptr<SurfaceStore> turned;
    switch (bitsPerPixel()) {
        case 8:
            turned = transposed<1>(*store_, kind);
            break;
        case 24:
            turned = transposed<3>(*store_, kind);
            break;
        default:
            return 0;
    }
    if (!turned) return 0;
    return target.replaceStore(std::move(turned));
}

Rect PixelSurface::trimBounds() const {
    if (!isValid()) return {};
    Rect box;
    switch (bitsPerPixel()) {
        case 8:
            return differingBounds<1>(*store_, box) ? box : Rect{};
        case 24:
            return differingBounds<3>(*store_, box) ? box : Rect{};
        default:
            return {};
    }
}

int PixelSurface::trimBytePixels() {
    if (!isValid() || (bitsPerPixel() != 8 && bitsPerPixel() != 24)) return 0;
    const Rect box = trimBounds();
    if (box.isEmpty() || box == bounds()) return 1;
    return cropTo(box, true);
}

int PixelSurface::flipVertical() {
    if (!isValid()) return 0;
    const int32_t h = height();
    const size_t bytes = size_t(bytesPerRow());
    uint8_t* const* rows = store_->rows.get();
    parallelRows(h / 2, std::max<int>(1, minRowsFor(int64_t(bytes)) / 2), [&](int begin, int end) {
        for (int32_t y = begin; y < end; ++y)
            std::swap_ranges(rows[y], rows[y] + bytes, rows[h - 1 - y]);
    });
    return 1;
}

int PixelSurface::trim() {
    return 0;
}
int PixelSurface::rotate180() {
    return 0;
}
int PixelSurface::rotate90Clockwise() {
    return 0;
}
int PixelSurface::rotate90CounterClockwise() {
    return 0;
}
int PixelSurface::rotateAngle(double) {
    return 0;
}
int PixelSurface::flipHorizontal() {
    return 0;
}
int PixelSurface::transpose() {
    return 0;
}
int PixelSurface::antiTranspose() {
    return 0;
}

#define VARNEL_BYTE_GEOMETRY(Class)                          \
    int Class::trim() {                                      \
        return trimBytePixels();                             \
    }                                                        \
    int Class::rotate180() {                                 \
        return transformBytePixels(kRotate180);              \
    }                                                        \
    int Class::rotate90Clockwise() {                         \
        return transformBytePixels(kRotateClockwise);        \
    }                                                        \
    int Class::rotate90CounterClockwise() {                  \
        return transformBytePixels(kRotateCounterClockwise); \
    }                                                        \
    int Class::flipHorizontal() {                            \
        return transformBytePixels(kFlipHorizontal);         \
    }                                                        \
    int Class::transpose() {                                 \
        return transformBytePixels(kTranspose);              \
    }                                                        \
    int Class::antiTranspose() {                             \
        return transformBytePixels(kAntiTranspose);          \
    }

VARNEL_BYTE_GEOMETRY(Surface8)
VARNEL_BYTE_GEOMETRY(Surface24)
#undef VARNEL_BYTE_GEOMETRY

}  // namespace varnel
