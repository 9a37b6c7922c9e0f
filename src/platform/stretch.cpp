// Stretching blits: replicate, smooth (area average / linear) and the 8-bit plane mode. The rule
// is documented with `stretch` in raster_ops.h.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/pixel_format.h"
#include "platform/raster_internal.h"
#include "platform/raster_ops.h"

namespace varnel::platform {
namespace {

constexpr int32_t kOne = 4096;  // weight unit of one axis

// Per target pixel of the visible range, the source pixels (relative to the source rectangle)
// and weights that make it.
struct Taps {
    std::vector<int32_t> start;  // taps of target pixel k are [start[k], start[k + 1])
    std::vector<int32_t> index;
    std::vector<int32_t> weight;
};

// Taps for target pixels [v0, v1) of an axis mapping `oldN` source pixels onto `newN`.
void buildTaps(int64_t oldN, int64_t newN, int64_t v0, int64_t v1, Taps& t) {
    t.start.clear();
    t.index.clear();
    t.weight.clear();
    t.start.reserve(size_t(v1 - v0 + 1));
    for (int64_t x = v0; x < v1; ++x) {
        t.start.push_back(int32_t(t.index.size()));
        auto add = [&](int64_t i, int64_t w) {
            if (w <= 0) return;
            t.index.push_back(int32_t(i));
            t.weight.push_back(int32_t(w));
        };
        if (newN == oldN) {
            add(x, kOne);
        } else if (newN < oldN) {
            // Area: the target pixel covers [x·old, (x+1)·old) in units of 1/new source pixel.
            const int64_t begin = x * oldN;
            const int64_t end = begin + oldN;
            int64_t prevW = 0;
            for (int64_t i = begin / newN; i * newN < end; ++i) {
                const int64_t covered = std::min((i + 1) * newN, end) - begin;
                const int64_t w = (2 * covered * kOne + oldN) / (2 * oldN);
                add(i, w - prevW);
                prevW = w;
            }
        } else {
            // Linear: sample point s = (x + ½)·old/new − ½ = num / (2·new).
            const int64_t num = (2 * x + 1) * oldN - newN;
            if (num <= 0) {
                add(0, kOne);
            } else {
                const int64_t i = num / (2 * newN);
                const int64_t frac = num - i * 2 * newN;
                const int64_t f = (frac * kOne + newN) / (2 * newN);
                if (i >= oldN - 1) {
                    add(oldN - 1, kOne);
                } else {
                    add(i, kOne - f);
                    add(i + 1, f);
                }
            }
        }
    }
    t.start.push_back(int32_t(t.index.size()));
}

// Horizontal pass of one working row: out[k·C + c] = Σ w·p over the taps of target pixel k.
template <int C>
void horizontal(const uint8_t* src, const Taps& t, uint32_t* out) {
    const size_t n = t.start.size() - 1;
    const int32_t* idx = t.index.data();
    const int32_t* wt = t.weight.data();
    for (size_t k = 0; k < n; ++k) {
        uint32_t acc[C] = {};
        for (int32_t j = t.start[k]; j < t.start[k + 1]; ++j) {
            const uint8_t* p = src + size_t(idx[j]) * C;
            const uint32_t w = uint32_t(wt[j]);
            for (int c = 0; c < C; ++c) acc[c] += w * p[c];
        }
        for (int c = 0; c < C; ++c) out[k * C + c] = acc[c];
    }
}

// Resamples in a working format of C byte channels. `sourceRow(j)` gives source row j of the
// source rectangle in that format (from its first pixel); `targetRow(k)` gives the place to write
// visible target row k and `commit(k)` is called after it has been written.
template <int C, typename SourceRow, typename TargetRow, typename Commit>
bool resample(const Taps& tx, const Taps& ty, SourceRow&& sourceRow, TargetRow&& targetRow,
              Commit&& commit) {
    const size_t width = tx.start.size() - 1;
    const size_t rowsOut = ty.start.size() - 1;
    std::vector<uint32_t> cache[2];
    std::vector<uint32_t> acc;
    try {
        cache[0].resize(width * C);
        cache[1].resize(width * C);
        acc.resize(width * C);
    } catch (const std::bad_alloc&) {
        return false;
    }
    int32_t cachedRow[2] = {-1, -1};
    int next = 0;
    auto horizontalRow = [&](int32_t j) -> const uint32_t* {
        for (int s = 0; s < 2; ++s)
            if (cachedRow[s] == j) return cache[s].data();
        const int s = next;
        next ^= 1;
        const uint8_t* src = sourceRow(j);
        if (!src) return nullptr;
        horizontal<C>(src, tx, cache[s].data());
        cachedRow[s] = j;
        return cache[s].data();
    };
    for (size_t k = 0; k < rowsOut; ++k) {
        const int32_t first = ty.start[k];
        const int32_t last = ty.start[k + 1];
        uint8_t* out = targetRow(k);
        if (last - first == 1) {
            // One source row (unchanged height, or the clamped ends of an enlargement).
            const uint32_t* h = horizontalRow(ty.index[first]);
            if (!h) return false;
            for (size_t i = 0; i < width * C; ++i) out[i] = uint8_t((h[i] + 2048) >> 12);
        } else {
            std::fill(acc.begin(), acc.end(), 0u);
            for (int32_t j = first; j < last; ++j) {
                const uint32_t* h = horizontalRow(ty.index[j]);
                if (!h) return false;
                const uint32_t w = uint32_t(ty.weight[j]);
                uint32_t* a = acc.data();
                for (size_t i = 0; i < width * C; ++i) a[i] += w * h[i];
            }
            for (size_t i = 0; i < width * C; ++i) out[i] = uint8_t((acc[i] + (1u << 23)) >> 24);
        }
        commit(k);
    }
    return true;
}

struct Geometry {
    int64_t v0x, v1x, v0y, v1y;  // visible target range, relative to the target rectangle
};

bool visibleRange(const Raster& dst, const Rect& dstRect, Geometry& g) {
    g.v0x = std::max<int64_t>(0, -int64_t(dstRect.left));
    g.v1x = std::min<int64_t>(dstRect.width(), int64_t(dst.width) - dstRect.left);
    g.v0y = std::max<int64_t>(0, -int64_t(dstRect.top));
    g.v1y = std::min<int64_t>(dstRect.height(), int64_t(dst.height) - dstRect.top);
    return g.v1x > g.v0x && g.v1y > g.v0y;
}

bool stretchReplicate(const Raster& dst, const Rect& dr, const Raster& src, const Rect& sr,
                      const Geometry& g) {
    const int64_t oldW = sr.width(), oldH = sr.height();
    const int64_t newW = int64_t(dr.right) - dr.left, newH = int64_t(dr.bottom) - dr.top;
    const size_t w = size_t(g.v1x - g.v0x);
    std::vector<int32_t> xs;
    try {
        xs.resize(w);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (size_t k = 0; k < w; ++k) xs[k] = int32_t(sr.left + (int64_t(k) + g.v0x) * oldW / newW);
    const int32_t dx0 = int32_t(dr.left + g.v0x);
    const bool same = detail::sameFormat(dst, src);
    const int32_t bpp = src.bitsPerPixel;
    const RowCodec in(src), out(dst);
    uint32_t lut[256];
    if (!same && bpp <= 8) {
        for (int32_t i = 0; i < (1 << bpp); ++i) {
            const Bgra c = i < src.paletteCount ? src.palette[i] : Bgra{};
            lut[i] = out.encode({c.b, c.g, c.r});
        }
    }
    int64_t prevSy = -1;
    int32_t prevDy = -1;
    for (int64_t ky = g.v0y; ky < g.v1y; ++ky) {
        const int64_t sy = sr.top + ky * oldH / newH;
        const int32_t dy = int32_t(dr.top + ky);
        uint8_t* d = dst.rows[dy];
        if (sy == prevSy && same && bpp >= 8) {
            const size_t b = size_t(bpp / 8);
            std::memcpy(d + b * size_t(dx0), dst.rows[prevDy] + b * size_t(dx0), b * w);
            continue;
        }
        const uint8_t* s = src.rows[sy];
        if (same) {
            switch (bpp) {
                case 8:
                    for (size_t k = 0; k < w; ++k) d[size_t(dx0) + k] = s[xs[k]];
                    break;
                case 24: {
                    uint8_t* p = d + 3 * size_t(dx0);
                    for (size_t k = 0; k < w; ++k, p += 3) {
                        const uint8_t* q = s + 3 * size_t(xs[k]);
                        p[0] = q[0];
                        p[1] = q[1];
                        p[2] = q[2];
                    }
                    break;
                }
                case 32:
                    for (size_t k = 0; k < w; ++k)
                        std::memcpy(d + 4 * (size_t(dx0) + k), s + 4 * size_t(xs[k]), 4);
                    break;
                case 16:
                    for (size_t k = 0; k < w; ++k)
                        std::memcpy(d + 2 * (size_t(dx0) + k), s + 2 * size_t(xs[k]), 2);
                    break;
                default:
                    for (size_t k = 0; k < w; ++k)
                        out.store(d, dx0 + int32_t(k), in.load(s, xs[k]));
                    break;
            }
        } else if (bpp <= 8) {
            for (size_t k = 0; k < w; ++k) out.store(d, dx0 + int32_t(k), lut[in.load(s, xs[k])]);
        } else {
            for (size_t k = 0; k < w; ++k) {
                const Bgra c = in.read(s, xs[k]);
                out.store(d, dx0 + int32_t(k), out.encode({c.b, c.g, c.r}));
            }
        }
        prevSy = sy;
        prevDy = dy;
    }
    return true;
}

template <int C>
bool stretchDirect(const Raster& dst, const Rect& dr, const Raster& src, const Rect& sr,
                   const Taps& tx, const Taps& ty, const Geometry& g) {
    const size_t offS = size_t(sr.left) * C;
    const size_t offD = size_t(dr.left + g.v0x) * C;
    return resample<C>(
        tx, ty, [&](int32_t j) -> const uint8_t* { return src.rows[sr.top + j] + offS; },
        [&](size_t k) -> uint8_t* { return dst.rows[dr.top + g.v0y + int64_t(k)] + offD; },
        [](size_t) {});
}

// Any pair of formats: source rows become Bgr, results are encoded into the target's format.
bool stretchConverting(const Raster& dst, const Rect& dr, const Raster& src, const Rect& sr,
                       const Taps& tx, const Taps& ty, const Geometry& g) {
    const size_t sw = size_t(sr.width());
    const size_t w = size_t(g.v1x - g.v0x);
    std::vector<uint8_t> inRow, outRow;
    try {
        inRow.resize(sw * 3);
        outRow.resize(w * 3);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const RowCodec in(src), out(dst);
    const int32_t dx0 = int32_t(dr.left + g.v0x);
    return resample<3>(
        tx, ty,
        [&](int32_t j) -> const uint8_t* {
            const uint8_t* s = src.rows[sr.top + j];
            for (size_t i = 0; i < sw; ++i) {
                const Bgra c = in.read(s, sr.left + int32_t(i));
                inRow[3 * i] = c.b;
                inRow[3 * i + 1] = c.g;
                inRow[3 * i + 2] = c.r;
            }
            return inRow.data();
        },
        [&](size_t) -> uint8_t* { return outRow.data(); },
        [&](size_t k) {
            uint8_t* d = dst.rows[dr.top + g.v0y + int64_t(k)];
            Bgr last{outRow[0], outRow[1], outRow[2]};
            uint32_t value = out.encode(last);
            for (size_t i = 0; i < w; ++i) {
                const Bgr c{outRow[3 * i], outRow[3 * i + 1], outRow[3 * i + 2]};
                if (!(c == last)) {
                    last = c;
                    value = out.encode(c);
                }
                out.store(d, dx0 + int32_t(i), value);
            }
        });
}

}  // namespace

bool stretch(const Raster& dst, Rect dstRect, const Raster& src, Rect srcRect, StretchMode mode) {
    if (!dst.isValid() || !src.isValid()) return false;
    if (srcRect.isEmpty() || dstRect.isEmpty() || !src.bounds().contains(srcRect)) return false;
    if (mode == StretchMode::Plane && (src.bitsPerPixel != 8 || dst.bitsPerPixel != 8))
        return false;
    Geometry g;
    if (!visibleRange(dst, dstRect, g)) return true;
    if (mode == StretchMode::Replicate) return stretchReplicate(dst, dstRect, src, srcRect, g);

    Taps tx, ty;
    try {
        buildTaps(srcRect.width(), int64_t(dstRect.right) - dstRect.left, g.v0x, g.v1x, tx);
        buildTaps(srcRect.height(), int64_t(dstRect.bottom) - dstRect.top, g.v0y, g.v1y, ty);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (mode == StretchMode::Plane || (detail::isGreyRamp(src) && detail::isGreyRamp(dst)))
        return stretchDirect<1>(dst, dstRect, src, srcRect, tx, ty, g);
    if (src.bitsPerPixel == 24 && dst.bitsPerPixel == 24)
        return stretchDirect<3>(dst, dstRect, src, srcRect, tx, ty, g);
    if (src.bitsPerPixel == 32 && dst.bitsPerPixel == 32 && detail::sameMasks(src, dst) &&
        MaskCodec(src.masks, 32).isStandard32())
        return stretchDirect<4>(dst, dstRect, src, srcRect, tx, ty, g);
    return stretchConverting(dst, dstRect, src, srcRect, tx, ty, g);
}

}  // namespace varnel::platform
