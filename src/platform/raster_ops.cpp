#include "platform/raster_ops.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "platform/pixel_format.h"
#include "platform/raster_internal.h"

namespace varnel::platform {
namespace {

using detail::sameFormat;

// Visits the spans of `area` (already inside the bounds) that lie outside `excluded`.
template <typename F>
void forEachSpan(const Rect& area, const Rect* excluded, F&& f) {
    Rect ex{};
    if (excluded) ex = excluded->normalized().intersected(area);
    for (int32_t y = area.top; y < area.bottom; ++y) {
        if (!ex.isEmpty() && y >= ex.top && y < ex.bottom) {
            if (ex.left > area.left) f(y, area.left, ex.left);
            if (area.right > ex.right) f(y, ex.right, area.right);
        } else {
            f(y, area.left, area.right);
        }
    }
}

// XORs bits [begin, end) of a row, bit 0 being the most significant bit of the first byte.
void xorBits(uint8_t* row, int64_t begin, int64_t end) {
    if (begin >= end) return;
    int64_t firstByte = begin >> 3;
    const int64_t lastByte = (end - 1) >> 3;
    const int headBit = int(begin & 7);
    const int tailBits = int(((end - 1) & 7) + 1);
    if (firstByte == lastByte) {
        const uint8_t mask = uint8_t((0xFF >> headBit) & (0xFF << (8 - tailBits)));
        row[firstByte] ^= mask;
        return;
    }
    if (headBit) row[firstByte++] ^= uint8_t(0xFF >> headBit);
    int64_t i = firstByte;
    const int64_t fullEnd = tailBits == 8 ? lastByte + 1 : lastByte;
    for (; i + 8 <= fullEnd; i += 8) {
        uint64_t w;
        std::memcpy(&w, row + i, 8);
        w = ~w;
        std::memcpy(row + i, &w, 8);
    }
    for (; i < fullEnd; ++i) row[i] = uint8_t(~row[i]);
    if (tailBits != 8) row[lastByte] ^= uint8_t(0xFF << (8 - tailBits));
}

// Fills pixels [x0, x1) of a row with a raw value, using `pattern` (one value repeated, as bytes,
// for at least x1 − x0 pixels) for the byte-sized depths.
void fillSpan(const Raster& r, uint8_t* row, int32_t x0, int32_t x1, uint32_t value,
              const uint8_t* pattern) {
    switch (r.bitsPerPixel) {
        case 1: {
            int32_t x = x0;
            for (; x < x1 && (x & 7); ++x) writeIndex1(row, x, value);
            const int32_t bytes = (x1 - x) / 8;
            if (bytes > 0) {
                std::memset(row + x / 8, (value & 1) ? 0xFF : 0x00, size_t(bytes));
                x += bytes * 8;
            }
            for (; x < x1; ++x) writeIndex1(row, x, value);
            break;
        }
        case 4: {
            if (x0 < x1 && (x0 & 1)) writeIndex4(row, x0++, value);
            const int32_t pairs = (x1 - x0) / 2;
            if (pairs > 0)
                std::memset(row + x0 / 2, int(((value & 15) << 4) | (value & 15)), size_t(pairs));
            if ((x1 - x0) & 1) writeIndex4(row, x1 - 1, value);
            break;
        }
        case 8:
            std::memset(row + x0, int(value & 0xFF), size_t(x1 - x0));
            break;
        default: {
            const size_t bpp = size_t(r.bitsPerPixel / 8);
            std::memcpy(row + bpp * size_t(x0), pattern, bpp * size_t(x1 - x0));
            break;
        }
    }
}

// Pattern bytes of `count` pixels of one raw value, for the byte-sized depths above 8 bits.
bool makePattern(const Raster& r, uint32_t value, int32_t count, std::vector<uint8_t>& out) {
    if (r.bitsPerPixel < 16) return true;
    const size_t bpp = size_t(r.bitsPerPixel / 8);
    try {
        out.resize(bpp * size_t(count));
    } catch (const std::bad_alloc&) {
        return false;
    }
    uint8_t px[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                     uint8_t(value >> 24)};
    for (size_t i = 0; i < size_t(count); ++i) std::memcpy(out.data() + i * bpp, px, bpp);
    return true;
}

struct BlitArea {
    int32_t sx, sy, dx, dy, w, h;
};

// Clips a blit of srcRect to `at` against the source and against `clip` (inside the target).
bool clipBlit(const Raster& src, Rect srcRect, Point at, Rect clip, BlitArea& out) {
    int64_t sl = srcRect.left, st = srcRect.top, sr = srcRect.right, sb = srcRect.bottom;
    int64_t ax = at.x, ay = at.y;
    if (sl < 0) ax += -sl, sl = 0;
    if (st < 0) ay += -st, st = 0;
    sr = std::min<int64_t>(sr, src.width);
    sb = std::min<int64_t>(sb, src.height);
    if (ax < clip.left) sl += clip.left - ax, ax = clip.left;
    if (ay < clip.top) st += clip.top - ay, ay = clip.top;
    sr = std::min<int64_t>(sr, sl + (int64_t(clip.right) - ax));
    sb = std::min<int64_t>(sb, st + (int64_t(clip.bottom) - ay));
    if (sr <= sl || sb <= st) return false;
    out = {int32_t(sl), int32_t(st), int32_t(ax), int32_t(ay), int32_t(sr - sl), int32_t(sb - st)};
    return true;
}

// Copies pixels between rasters of the same format.
bool copySameFormat(const Raster& dst, const Raster& src, const BlitArea& a) {
    const bool sameRaster = dst.rows == src.rows;
    const int32_t bpp = src.bitsPerPixel;
    std::vector<uint8_t> tmp;
    const bool bytePixels = bpp >= 8;
    const bool alignedBits = !bytePixels && (int64_t(a.sx) * bpp) % 8 == 0 &&
                             (int64_t(a.dx) * bpp) % 8 == 0 && !sameRaster;
    if (!bytePixels && !alignedBits) {
        try {
            tmp.resize(size_t(a.w));
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    auto copyRow = [&](int32_t i) {
        const uint8_t* s = src.rows[a.sy + i];
        uint8_t* d = dst.rows[a.dy + i];
        if (bytePixels) {
            const size_t b = size_t(bpp / 8);
            std::memmove(d + b * size_t(a.dx), s + b * size_t(a.sx), b * size_t(a.w));
        } else if (alignedBits) {
            const int64_t bits = int64_t(a.w) * bpp;
            const size_t whole = size_t(bits / 8);
            std::memcpy(d + int64_t(a.dx) * bpp / 8, s + int64_t(a.sx) * bpp / 8, whole);
            for (int32_t x = int32_t(whole * 8 / size_t(bpp)); x < a.w; ++x) {
                if (bpp == 1)
                    writeIndex1(d, a.dx + x, readIndex1(s, a.sx + x));
                else
                    writeIndex4(d, a.dx + x, readIndex4(s, a.sx + x));
            }
        } else {
            for (int32_t x = 0; x < a.w; ++x)
                tmp[size_t(x)] =
                    uint8_t(bpp == 1 ? readIndex1(s, a.sx + x) : readIndex4(s, a.sx + x));
            for (int32_t x = 0; x < a.w; ++x) {
                if (bpp == 1)
                    writeIndex1(d, a.dx + x, tmp[size_t(x)]);
                else
                    writeIndex4(d, a.dx + x, tmp[size_t(x)]);
            }
        }
    };
    // Moving down within one raster: copy the bottom row first so no source row is overwritten
    // before it is read.
    if (sameRaster && a.dy > a.sy) {
        for (int32_t i = a.h - 1; i >= 0; --i) copyRow(i);
    } else {
        for (int32_t i = 0; i < a.h; ++i) copyRow(i);
    }
    return true;
}

// Copies pixels between rasters of different formats, colour by colour.
bool copyConverting(const Raster& dst, const Raster& src, const BlitArea& a) {
    const RowCodec in(src);
    const RowCodec out(dst);
    if (src.bitsPerPixel <= 8) {
        // Every source index maps to one target value: convert the palette once.
        uint32_t lut[256];
        const int32_t n = 1 << src.bitsPerPixel;
        for (int32_t i = 0; i < n; ++i) {
            const Bgra c = i < src.paletteCount ? src.palette[i] : Bgra{};
            lut[i] = out.encode({c.b, c.g, c.r});
        }
        for (int32_t i = 0; i < a.h; ++i) {
            const uint8_t* s = src.rows[a.sy + i];
            uint8_t* d = dst.rows[a.dy + i];
            if (src.bitsPerPixel == 8 && dst.bitsPerPixel == 24) {
                uint8_t* p = d + 3 * size_t(a.dx);
                for (int32_t x = 0; x < a.w; ++x, p += 3) {
                    const uint32_t v = lut[s[a.sx + x]];
                    p[0] = uint8_t(v);
                    p[1] = uint8_t(v >> 8);
                    p[2] = uint8_t(v >> 16);
                }
            } else {
                for (int32_t x = 0; x < a.w; ++x) out.store(d, a.dx + x, lut[in.load(s, a.sx + x)]);
            }
        }
        return true;
    }
    if (src.bitsPerPixel == 24 && detail::isGreyRamp(dst)) {
        // The nearest grey to (b, g, r) is the rounded mean: the squared distance is smallest at
        // the mean and a mean never lies halfway between two levels.
        for (int32_t i = 0; i < a.h; ++i) {
            const uint8_t* s = src.rows[a.sy + i] + 3 * size_t(a.sx);
            uint8_t* d = dst.rows[a.dy + i] + a.dx;
            for (int32_t x = 0; x < a.w; ++x, s += 3)
                d[x] = uint8_t((uint32_t(s[0]) + s[1] + s[2] + 1) / 3);
        }
        return true;
    }
    for (int32_t i = 0; i < a.h; ++i) {
        const uint8_t* s = src.rows[a.sy + i];
        uint8_t* d = dst.rows[a.dy + i];
        Bgr last{0, 0, 0};
        uint32_t lastValue = out.encode(last);
        for (int32_t x = 0; x < a.w; ++x) {
            const Bgra c = in.read(s, a.sx + x);
            const Bgr b{c.b, c.g, c.r};
            if (!(b == last)) {
                last = b;
                lastValue = out.encode(b);
            }
            out.store(d, a.dx + x, lastValue);
        }
    }
    return true;
}

bool blitClipped(const Raster& dst, Point at, const Raster& src, Rect srcRect, Rect clip) {
    if (!dst.isValid() || !src.isValid()) return false;
    BlitArea a;
    if (!clipBlit(src, srcRect, at, clip.intersected(dst.bounds()), a)) return true;
    if (sameFormat(dst, src)) return copySameFormat(dst, src, a);
    return copyConverting(dst, src, a);
}

}  // namespace

bool blit(const Raster& dst, Point at, const Raster& src, Rect srcRect) {
    return blitClipped(dst, at, src, srcRect, dst.bounds());
}

bool fillRect(const Raster& dst, Rect rect, ColorRef color, const Rect* excluded) {
    if (!dst.isValid()) return false;
    const Rect area = rect.normalized().intersected(dst.bounds());
    if (area.isEmpty()) return true;
    const uint32_t value = RowCodec(dst).encode(detail::toBgr(color));
    std::vector<uint8_t> pattern;
    if (!makePattern(dst, value, area.width(), pattern)) return false;
    forEachSpan(area, excluded, [&](int32_t y, int32_t x0, int32_t x1) {
        fillSpan(dst, dst.rows[y], x0, x1, value, pattern.data());
    });
    return true;
}

bool invertRect(const Raster& dst, Rect rect, const Rect* excluded) {
    if (!dst.isValid()) return false;
    const Rect area = rect.normalized().intersected(dst.bounds());
    if (area.isEmpty()) return true;
    const int64_t bpp = dst.bitsPerPixel;
    forEachSpan(area, excluded, [&](int32_t y, int32_t x0, int32_t x1) {
        xorBits(dst.rows[y], x0 * bpp, x1 * bpp);
    });
    return true;
}

bool drawLine(const Raster& dst, Point from, Point to, ColorRef color) {
    if (!dst.isValid()) return false;
    const RowCodec codec(dst);
    const uint32_t value = codec.encode(detail::toBgr(color));
    const int64_t dx = int64_t(to.x) - from.x;
    const int64_t dy = int64_t(to.y) - from.y;
    // Rounded quotient, halves up: floor((2a + b) / 2b) for b > 0. The products reach 2^64 for
    // lines across the whole coordinate range, hence 128 bits.
    auto roundDiv = [](__int128 a, __int128 b) -> int64_t {
        if (b < 0) a = -a, b = -b;
        __int128 n = 2 * a + b;
        __int128 d = 2 * b;
        __int128 q = n / d;
        if ((n % d != 0) && ((n < 0) != (d < 0))) --q;
        return int64_t(q);
    };
    const bool xMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    const int64_t major0 = xMajor ? from.x : from.y;
    const int64_t major1 = xMajor ? to.x : to.y;
    const int64_t minor0 = xMajor ? from.y : from.x;
    const int64_t dMajor = xMajor ? dx : dy;
    const int64_t dMinor = xMajor ? dy : dx;
    const int64_t majorLimit = xMajor ? dst.width : dst.height;
    const int64_t minorLimit = xMajor ? dst.height : dst.width;
    // Only the stretch of the major axis inside the raster is walked.
    const int64_t lo = std::max<int64_t>(std::min(major0, major1), 0);
    const int64_t hi = std::min<int64_t>(std::max(major0, major1), majorLimit - 1);
    for (int64_t m = lo; m <= hi; ++m) {
        const int64_t n =
            dMajor == 0 ? minor0 : minor0 + roundDiv(__int128(m - major0) * dMinor, dMajor);
        if (n < 0 || n >= minorLimit) continue;
        if (xMajor)
            codec.store(dst.rows[n], int32_t(m), value);
        else
            codec.store(dst.rows[m], int32_t(n), value);
    }
    return true;
}

bool fillEllipse(const Raster& dst, Rect rect, ColorRef color) {
    if (!dst.isValid()) return false;
    const Rect r = rect.normalized();
    if (r.isEmpty()) return true;
    const uint32_t value = RowCodec(dst).encode(detail::toBgr(color));
    std::vector<uint8_t> pattern;
    if (!makePattern(dst, value, dst.width, pattern)) return false;
    const double cx = (double(r.left) + double(r.right)) / 2;
    const double cy = (double(r.top) + double(r.bottom)) / 2;
    const double ax = (double(r.right) - double(r.left)) / 2;
    const double by = (double(r.bottom) - double(r.top)) / 2;
    const int32_t y0 = std::max(r.top, 0);
    const int32_t y1 = std::min(r.bottom, dst.height);
    for (int32_t y = y0; y < y1; ++y) {
        const double t = (y + 0.5 - cy) / by;
        if (t * t > 1) continue;
        const double half = ax * std::sqrt(1 - t * t);
        const double left = std::ceil(cx - half - 0.5);
        const double right = std::floor(cx + half - 0.5);
        const int64_t x0 = std::max<int64_t>(int64_t(std::max(left, -1.0)), 0);
        const int64_t x1 =
            std::min<int64_t>(int64_t(std::min(right, double(dst.width))) + 1, dst.width);
        if (x1 > x0) fillSpan(dst, dst.rows[y], int32_t(x0), int32_t(x1), value, pattern.data());
    }
    return true;
}

bool drawRectangle(const Raster& dst, Rect rect, ColorRef color, bool filled,
                   const Rect* excluded) {
    if (!dst.isValid()) return false;
    const Rect r = rect.normalized();
    if (r.isEmpty()) return true;
    if (filled) return fillRect(dst, r, color, excluded);
    const Rect edges[4] = {
        {r.left, r.top, r.right, r.top + 1},
        {r.left, r.bottom - 1, r.right, r.bottom},
        {r.left, r.top, r.left + 1, r.bottom},
        {r.right - 1, r.top, r.right, r.bottom},
    };
    for (const Rect& e : edges)
        if (!fillRect(dst, e, color, excluded)) return false;
    return true;
}

bool scroll(const Raster& dst, Rect rect, int32_t dx, int32_t dy) {
    if (!dst.isValid()) return false;
    const Rect area = rect.normalized().intersected(dst.bounds());
    if (area.isEmpty() || (dx == 0 && dy == 0)) return true;
    const int64_t tx = int64_t(area.left) + dx;
    const int64_t ty = int64_t(area.top) + dy;
    if (tx >= area.right || ty >= area.bottom || tx + area.width() <= area.left ||
        ty + area.height() <= area.top)
        return true;  // everything moves out of the rectangle
    return blitClipped(dst, {int32_t(tx), int32_t(ty)}, dst, area, area);
}

bool tile(const Raster& dst, const Raster& pattern) {
    if (!dst.isValid() || !pattern.isValid()) return false;
    // The first band of rows by repeated blits, then that band copied downwards row by row.
    for (int64_t x = 0; x < dst.width; x += pattern.width)
        if (!blit(dst, {int32_t(x), 0}, pattern, pattern.bounds())) return false;
    const size_t span = detail::rowSpanBytes(dst);
    for (int32_t y = pattern.height; y < dst.height; ++y)
        std::memcpy(dst.rows[y], dst.rows[y - pattern.height], span);
    return true;
}

}  // namespace varnel::platform
