// Whole-surface geometry of the 8- and 24-bit classes: rotations, flips, transposes and trim.
// Loops walk the row table with byte offsets; the quarter turns and transposes go through
// square tiles so that both the rows read and the rows written stay in cache.
#include <algorithm>
#include <cstring>

#include "core/surface.h"

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

// dst(row r, column k) = src(column revCol ? w−1−r : r, row revRow ? h−1−k : k): the four
// transposing maps of a quarter turn.
template <size_t B, bool revCol, bool revRow>
void remapTransposed(const SurfaceStore& src, SurfaceStore& dst) {
    const int32_t w = src.width(), h = src.height();
    uint8_t* const* srcRows = src.rows.get();
    for (int32_t r0 = 0; r0 < w; r0 += kTile) {
        const int32_t r1 = std::min(r0 + kTile, w);
        for (int32_t k0 = 0; k0 < h; k0 += kTile) {
            const int32_t k1 = std::min(k0 + kTile, h);
            for (int32_t r = r0; r < r1; ++r) {
                const size_t col = size_t(revCol ? w - 1 - r : r) * B;
                uint8_t* d = dst.rows[r] + size_t(k0) * B;
                if constexpr (revRow) {
                    for (int32_t k = k0; k < k1; ++k, d += B)
                        copyPixel<B>(d, srcRows[h - 1 - k] + col);
                } else {
                    for (int32_t k = k0; k < k1; ++k, d += B) copyPixel<B>(d, srcRows[k] + col);
                }
            }
        }
    }
}

template <size_t B>
void reverseRow(uint8_t* row, int32_t w) {
    if constexpr (B == 1) {
        std::reverse(row, row + w);
    } else {
        uint8_t* a = row;
        uint8_t* b = row + size_t(w - 1) * B;
        for (; a < b; a += B, b -= B) swapPixels<B>(a, b);
    }
}

template <size_t B>
void rotate180InPlace(SurfaceStore& s) {
    const int32_t w = s.width(), h = s.height();
    for (int32_t y = 0; y < h / 2; ++y) {
        uint8_t* top = s.rows[y];
        uint8_t* bottom = s.rows[h - 1 - y] + size_t(w - 1) * B;
        for (int32_t x = 0; x < w; ++x, top += B, bottom -= B) swapPixels<B>(top, bottom);
    }
    if (h & 1) reverseRow<B>(s.rows[h / 2], w);
}

template <size_t B>
std::unique_ptr<SurfaceStore> transposed(const SurfaceStore& src, int kind) {
    auto dst = SurfaceStore::createLike(src, src.height(), src.width());
    if (!dst) return nullptr;
    switch (kind) {
        case kRotateClockwise:
            remapTransposed<B, false, true>(src, *dst);
            break;
        case kRotateCounterClockwise:
            remapTransposed<B, true, false>(src, *dst);
            break;
        case kTranspose:
            remapTransposed<B, false, false>(src, *dst);
            break;
        default:
            remapTransposed<B, true, true>(src, *dst);
            break;
    }
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
                for (int32_t y = 0; y < s.height(); ++y) reverseRow<B>(s.rows[y], s.width());
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
    for (int32_t y = 0; y < h / 2; ++y)
        std::swap_ranges(store_->rows[y], store_->rows[y] + bytes, store_->rows[h - 1 - y]);
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
