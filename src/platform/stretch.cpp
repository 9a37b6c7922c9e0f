// Stretching blits: replicate, smooth (area average / linear) and the 8-bit plane mode. The rule
// is documented with `stretch` in raster_ops.h.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/cpu_features.h"
#include "platform/parallel.h"
#include "platform/pixel_format.h"
#include "platform/raster_internal.h"
#include "platform/raster_ops.h"

namespace varnel::platform {
namespace {

constexpr int32_t kOne = 4096;  // weight unit of one axis

// Per target pixel of the visible range, the source pixels (relative to the source rectangle)
// and weights that make it, padded to the same count for every pixel (extra taps weigh 0).
struct Taps {
    int32_t n = 0;
    size_t count = 0;
    std::vector<int32_t> index;    // count × n
    std::vector<uint32_t> weight;  // count × n
};

// Taps for target pixels [v0, v1) of an axis mapping `oldN` source pixels onto `newN`.
void buildTaps(int64_t oldN, int64_t newN, int64_t v0, int64_t v1, Taps& t) {
    std::vector<int32_t> start, index, weight;
    start.reserve(size_t(v1 - v0 + 1));
    for (int64_t x = v0; x < v1; ++x) {
        start.push_back(int32_t(index.size()));
        auto add = [&](int64_t i, int64_t w) {
            if (w <= 0) return;
            index.push_back(int32_t(i));
            weight.push_back(int32_t(w));
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
    start.push_back(int32_t(index.size()));
    t.count = start.size() - 1;
    t.n = 1;
    for (size_t k = 0; k < t.count; ++k) t.n = std::max(t.n, start[k + 1] - start[k]);
    t.index.assign(t.count * size_t(t.n), 0);
    t.weight.assign(t.count * size_t(t.n), 0);
    for (size_t k = 0; k < t.count; ++k) {
        const size_t at = k * size_t(t.n);
        int32_t last = 0;
        for (int32_t j = 0; j < t.n; ++j) {
            const int32_t src = start[k] + j;
            if (src < start[k + 1]) {
                last = index[size_t(src)];
                t.index[at + size_t(j)] = last;
                t.weight[at + size_t(j)] = uint32_t(weight[size_t(src)]);
            } else {
                t.index[at + size_t(j)] = last;  // weighs nothing; any valid pixel will do
            }
        }
    }
}

// The contiguous row loops of the passes, compiled twice: for the baseline and, where the
// processor has it, for AVX2, which multiplies eight 32-bit lanes in one instruction (the
// baseline has to build each such product from two). Same arithmetic, same bytes.
[[gnu::always_inline]] inline void weighLoop(uint32_t* sum, const uint8_t* src, uint32_t w,
                                             size_t n) {
    for (size_t i = 0; i < n; ++i) sum[i] = w * src[i];
}
[[gnu::always_inline]] inline void addWeighedLoop(uint32_t* sum, const uint8_t* src, uint32_t w,
                                                  size_t n) {
    for (size_t i = 0; i < n; ++i) sum[i] += w * src[i];
}
template <int Shift>
[[gnu::always_inline]] inline void roundLoop(uint8_t* out, const uint32_t* v, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = uint8_t((v[i] + (1u << (Shift - 1))) >> Shift);
}
[[gnu::always_inline]] inline void blendLoop(uint8_t* out, const uint32_t* a, const uint32_t* b,
                                             uint32_t wa, uint32_t wb, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = uint8_t((wa * a[i] + wb * b[i] + (1u << 23)) >> 24);
}

struct RowLoops {
    void (*weigh)(uint32_t*, const uint8_t*, uint32_t, size_t);
    void (*addWeighed)(uint32_t*, const uint8_t*, uint32_t, size_t);
    void (*round12)(uint8_t*, const uint32_t*, size_t);  // one axis of weights
    void (*round24)(uint8_t*, const uint32_t*, size_t);  // both axes
    void (*blend)(uint8_t*, const uint32_t*, const uint32_t*, uint32_t, uint32_t, size_t);
};

#define VARNEL_ROW_LOOPS(name, attributes)                                                     \
    attributes void weigh##name(uint32_t* s, const uint8_t* p, uint32_t w, size_t n) {         \
        weighLoop(s, p, w, n);                                                                 \
    }                                                                                          \
    attributes void addWeighed##name(uint32_t* s, const uint8_t* p, uint32_t w, size_t n) {    \
        addWeighedLoop(s, p, w, n);                                                            \
    }                                                                                          \
    attributes void round12##name(uint8_t* o, const uint32_t* v, size_t n) {                   \
        roundLoop<12>(o, v, n);                                                                \
    }                                                                                          \
    attributes void round24##name(uint8_t* o, const uint32_t* v, size_t n) {                   \
        roundLoop<24>(o, v, n);                                                                \
    }                                                                                          \
    attributes void blend##name(uint8_t* o, const uint32_t* a, const uint32_t* b, uint32_t wa, \
                                uint32_t wb, size_t n) {                                       \
        blendLoop(o, a, b, wa, wb, n);                                                         \
    }                                                                                          \
    constexpr RowLoops k##name##Loops{&weigh##name, &addWeighed##name, &round12##name,         \
                                      &round24##name, &blend##name};

VARNEL_ROW_LOOPS(Baseline, )
#if defined(__x86_64__) || defined(__i386__)
VARNEL_ROW_LOOPS(Avx2, [[gnu::target("avx2")]])
#endif
#undef VARNEL_ROW_LOOPS

const RowLoops& rowLoops() {
#if defined(__x86_64__) || defined(__i386__)
    return cpuFeatures().avx2 ? kAvx2Loops : kBaselineLoops;
#else
    return kBaselineLoops;
#endif
}

// Horizontal pass: out[k·C + c] = Σ w·p over the N taps of target pixel k. With byte input the
// sums stay below 2^20; with vertical sums as input (below 2^20 each) below 2^32.
template <int C, int N, typename T>
void horizontalFixed(const T* src, const Taps& t, uint32_t* out) {
    const int32_t* idx = t.index.data();
    const uint32_t* wt = t.weight.data();
    for (size_t k = 0; k < t.count; ++k, idx += N, wt += N, out += C) {
        uint32_t acc[C] = {};
        for (int j = 0; j < N; ++j) {
            const T* p = src + size_t(idx[j]) * C;
            for (int c = 0; c < C; ++c) acc[c] += wt[j] * uint32_t(p[c]);
        }
        for (int c = 0; c < C; ++c) out[c] = acc[c];
    }
}

template <int C, typename T>
void horizontal(const T* src, const Taps& t, uint32_t* out) {
    switch (t.n) {
        case 1:
            horizontalFixed<C, 1>(src, t, out);
            return;
        case 2:
            horizontalFixed<C, 2>(src, t, out);
            return;
        case 3:
            horizontalFixed<C, 3>(src, t, out);
            return;
        case 4:
            horizontalFixed<C, 4>(src, t, out);
            return;
        default:
            break;
    }
    const int32_t* idx = t.index.data();
    const uint32_t* wt = t.weight.data();
    const int32_t n = t.n;
    for (size_t k = 0; k < t.count; ++k, idx += n, wt += n, out += C) {
        uint32_t acc[C] = {};
        for (int32_t j = 0; j < n; ++j) {
            const T* p = src + size_t(idx[j]) * C;
            for (int c = 0; c < C; ++c) acc[c] += wt[j] * uint32_t(p[c]);
        }
        for (int c = 0; c < C; ++c) out[c] = acc[c];
    }
}

// The working rows of one resampling pass: the vertical sums over the source width when the
// height shrinks, otherwise two cached horizontal passes; and the horizontal result.
struct ResampleRows {
    std::vector<uint32_t> cache[2];
    std::vector<uint32_t> acc;

    bool allocate(size_t width, size_t sourceWidth, int channels, bool verticalFirst) {
        try {
            cache[0].resize((verticalFirst ? sourceWidth : width) * size_t(channels));
            if (!verticalFirst) cache[1].resize(width * size_t(channels));
            acc.resize(width * size_t(channels));
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
};

// Resamples target rows [k0, k1) in a working format of C byte channels. `sourceRow(j)` gives
// source row j of the source rectangle in that format (from its first pixel; the pointer may be
// invalidated by the next call); `targetRow(k)` gives the place to write visible target row k
// and `commit(k)` is called after it has been written. Each target row depends only on the
// source, so any split of the rows gives the same bytes.
//
// When the height shrinks, rows are first summed vertically over the full source width (a
// contiguous loop) and the horizontal pass runs once per target row; otherwise each source
// row's horizontal pass is computed once, kept for the next target row, and the vertical step
// blends those.
template <int C, typename SourceRow, typename TargetRow, typename Commit>
void resampleRows(const Taps& tx, const Taps& ty, size_t sourceWidth, bool verticalFirst,
                  ResampleRows& buffers, size_t k0, size_t k1, SourceRow&& sourceRow,
                  TargetRow&& targetRow, Commit&& commit) {
    const size_t width = tx.count;
    std::vector<uint32_t>* cache = buffers.cache;
    std::vector<uint32_t>& acc = buffers.acc;
    const RowLoops& loops = rowLoops();
    if (verticalFirst) {
        uint32_t* vsum = cache[0].data();
        const size_t n = sourceWidth * C;
        for (size_t k = k0; k < k1; ++k) {
            uint8_t* out = targetRow(k);
            const int32_t* idx = &ty.index[k * size_t(ty.n)];
            const uint32_t* wt = &ty.weight[k * size_t(ty.n)];
            if (ty.n == 1 || wt[0] == uint32_t(kOne)) {
                horizontal<C>(sourceRow(idx[0]), tx, acc.data());
                loops.round12(out, acc.data(), width * C);
            } else {
                bool first = true;
                for (int32_t j = 0; j < ty.n; ++j) {
                    const uint32_t w = wt[j];
                    if (!w) continue;
                    const uint8_t* src = sourceRow(idx[j]);
                    if (first) {
                        loops.weigh(vsum, src, w, n);
                        first = false;
                    } else {
                        loops.addWeighed(vsum, src, w, n);
                    }
                }
                horizontal<C>(vsum, tx, acc.data());
                loops.round24(out, acc.data(), width * C);
            }
            commit(k);
        }
        return;
    }
    int32_t cachedRow[2] = {-1, -1};
    int next = 0;
    auto horizontalRow = [&](int32_t j) -> const uint32_t* {
        for (int s = 0; s < 2; ++s)
            if (cachedRow[s] == j) {
                next = s ^ 1;  // the other slot is now the older one
                return cache[s].data();
            }
        const int s = next;
        next ^= 1;
        horizontal<C>(sourceRow(j), tx, cache[s].data());
        cachedRow[s] = j;
        return cache[s].data();
    };
    for (size_t k = k0; k < k1; ++k) {
        uint8_t* out = targetRow(k);
        const int32_t* idx = &ty.index[k * size_t(ty.n)];
        const uint32_t* wt = &ty.weight[k * size_t(ty.n)];
        if (ty.n == 1 || wt[0] == uint32_t(kOne)) {
            // One source row (unchanged height, or the clamped ends of an enlargement).
            loops.round12(out, horizontalRow(idx[0]), width * C);
        } else {
            // Two rows of an enlargement: fetch both before blending, as each fetch may evict.
            const uint32_t* h0 = horizontalRow(idx[0]);
            const uint32_t* h1 = horizontalRow(idx[1]);
            loops.blend(out, h0, h1, wt[0], wt[1], width * C);
        }
        commit(k);
    }
}

// All target rows on the calling thread.
template <int C, typename SourceRow, typename TargetRow, typename Commit>
bool resample(const Taps& tx, const Taps& ty, size_t sourceWidth, bool verticalFirst,
              SourceRow&& sourceRow, TargetRow&& targetRow, Commit&& commit) {
    ResampleRows buffers;
    if (!buffers.allocate(tx.count, sourceWidth, C, verticalFirst)) return false;
    resampleRows<C>(tx, ty, sourceWidth, verticalFirst, buffers, 0, ty.count, sourceRow, targetRow,
                    commit);
    return true;
}

// Splits `rows` rows into parts of at least `minRows` for the worker threads: the number of
// parts, at most the number of threads. Part p covers [rows·p / parts, rows·(p + 1) / parts).
int partsFor(size_t rows, int minRows) {
    const size_t byWork = rows / size_t(std::max(minRows, 1));
    return int(std::clamp<size_t>(byWork, 1, size_t(workerThreads())));
}

struct Geometry {
    int64_t v0x, v1x, v0y, v1y;  // visible target range, relative to the target rectangle
};

bool visibleRange(const Raster& dst, const Rect& dstRect, Geometry& g) {
    g.v0x = std::max<int64_t>(0, -int64_t(dstRect.left));
    g.v1x =
        std::min<int64_t>(int64_t(dstRect.right) - dstRect.left, int64_t(dst.width) - dstRect.left);
    g.v0y = std::max<int64_t>(0, -int64_t(dstRect.top));
    g.v1y =
        std::min<int64_t>(int64_t(dstRect.bottom) - dstRect.top, int64_t(dst.height) - dstRect.top);
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
    // Rows are split over the worker threads; a part never copies a row another part writes.
    const int64_t rows = g.v1y - g.v0y;
    parallelRows(int(rows), minRowsFor(int64_t(w)), [&](int begin, int end) {
        int64_t prevSy = -1;
        int32_t prevDy = -1;
        for (int64_t ky = g.v0y + begin; ky < g.v0y + end; ++ky) {
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
                for (size_t k = 0; k < w; ++k)
                    out.store(d, dx0 + int32_t(k), lut[in.load(s, xs[k])]);
            } else {
                for (size_t k = 0; k < w; ++k) {
                    const Bgra c = in.read(s, xs[k]);
                    out.store(d, dx0 + int32_t(k), out.encode({c.b, c.g, c.r}));
                }
            }
            prevSy = sy;
            prevDy = dy;
        }
    });
    return true;
}

// The 2:1 shrink of both axes, the common "50 %": each target channel is the rounded mean
// (a + b + c + d + 2) >> 2 of its 2 × 2 block, exactly what the general rule gives.
template <int C>
void halveRows(const Raster& dst, const Rect& dr, const Raster& src, const Rect& sr,
               const Geometry& g, int64_t y0, int64_t y1) {
    for (int64_t ky = y0; ky < y1; ++ky) {
        const uint8_t* s0 = src.rows[sr.top + 2 * ky] + size_t(sr.left) * C;
        const uint8_t* s1 = src.rows[sr.top + 2 * ky + 1] + size_t(sr.left) * C;
        uint8_t* d = dst.rows[dr.top + ky] + size_t(dr.left + g.v0x) * C;
        for (int64_t kx = g.v0x; kx < g.v1x; ++kx, d += C) {
            const size_t a = size_t(2 * kx) * C;
            for (int c = 0; c < C; ++c)
                d[c] = uint8_t(
                    (uint32_t(s0[a + c]) + s0[a + C + c] + s1[a + c] + s1[a + C + c] + 2) >> 2);
        }
    }
}

// 24-bit rows, where the 3-byte stride keeps the loop above scalar: the two source rows are first
// summed into 16-bit lanes (a plain loop the compiler vectorises), a stretch of a row at a time,
// then each pair of neighbouring pixels of those sums is added. Same results.
template <>
void halveRows<3>(const Raster& dst, const Rect& dr, const Raster& src, const Rect& sr,
                  const Geometry& g, int64_t y0, int64_t y1) {
    constexpr size_t kChunk = 256;  // target pixels per pass over the sums
    uint16_t v[6 * kChunk];
    for (int64_t ky = y0; ky < y1; ++ky) {
        const uint8_t* s0 = src.rows[sr.top + 2 * ky] + size_t(sr.left + 2 * g.v0x) * 3;
        const uint8_t* s1 = src.rows[sr.top + 2 * ky + 1] + size_t(sr.left + 2 * g.v0x) * 3;
        uint8_t* d = dst.rows[dr.top + ky] + size_t(dr.left + g.v0x) * 3;
        for (size_t k0 = 0, w = size_t(g.v1x - g.v0x); k0 < w; k0 += kChunk) {
            const size_t count = std::min(kChunk, w - k0);
            const uint8_t* a = s0 + 6 * k0;
            const uint8_t* b = s1 + 6 * k0;
            for (size_t i = 0; i < 6 * count; ++i) v[i] = uint16_t(a[i] + b[i]);
            uint8_t* out = d + 3 * k0;
            for (size_t k = 0; k < count; ++k) {
                const uint16_t* p = v + 6 * k;
                out[3 * k] = uint8_t((p[0] + p[3] + 2) >> 2);
                out[3 * k + 1] = uint8_t((p[1] + p[4] + 2) >> 2);
                out[3 * k + 2] = uint8_t((p[2] + p[5] + 2) >> 2);
            }
        }
    }
}

// Target rows are independent: split over the worker threads.
template <int C>
void halve(const Raster& dst, const Rect& dr, const Raster& src, const Rect& sr,
           const Geometry& g) {
    const int64_t rows = g.v1y - g.v0y;
    // Each target row reads two source rows of twice its width.
    parallelRows(int(rows), minRowsFor(4 * (g.v1x - g.v0x)), [&](int begin, int end) {
        halveRows<C>(dst, dr, src, sr, g, g.v0y + begin, g.v0y + end);
    });
}

// Rows of the same format, split over the worker threads; every part's working rows are
// allocated before any pixel is written.
template <int C>
bool stretchDirect(const Raster& dst, const Rect& dr, const Raster& src, const Rect& sr,
                   const Taps& tx, const Taps& ty, const Geometry& g) {
    const size_t offS = size_t(sr.left) * C;
    const size_t offD = size_t(dr.left + g.v0x) * C;
    const size_t sourceWidth = size_t(sr.width());
    const bool verticalFirst = int64_t(dr.bottom) - dr.top < sr.height();
    // Work per target row: its share of the source rows times the wider of the two widths.
    const size_t rows = ty.count;
    const int64_t rowWork = int64_t(std::max(tx.count, sourceWidth)) *
                            std::max<int64_t>(1, sr.height() / int64_t(rows));
    const int parts = partsFor(rows, minRowsFor(rowWork));
    std::vector<ResampleRows> buffers;
    try {
        buffers.resize(size_t(parts));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (ResampleRows& b : buffers)
        if (!b.allocate(tx.count, sourceWidth, C, verticalFirst)) return false;
    parallelRows(parts, 1, [&](int begin, int end) {
        for (int p = begin; p < end; ++p) {
            const size_t k0 = rows * size_t(p) / size_t(parts);
            const size_t k1 = rows * size_t(p + 1) / size_t(parts);
            resampleRows<C>(
                tx, ty, sourceWidth, verticalFirst, buffers[size_t(p)], k0, k1,
                [&](int32_t j) -> const uint8_t* { return src.rows[sr.top + j] + offS; },
                [&](size_t k) -> uint8_t* { return dst.rows[dr.top + g.v0y + int64_t(k)] + offD; },
                [](size_t) {});
        }
    });
    return true;
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
        tx, ty, sw, int64_t(dr.bottom) - dr.top < sr.height(),
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

    int channels = 0;  // bytes of a pixel when the pixels can be averaged as they are stored
    if (mode == StretchMode::Plane || (detail::isGreyRamp(src) && detail::isGreyRamp(dst)))
        channels = 1;
    else if (src.bitsPerPixel == 24 && dst.bitsPerPixel == 24)
        channels = 3;
    else if (src.bitsPerPixel == 32 && dst.bitsPerPixel == 32 && detail::sameMasks(src, dst) &&
             MaskCodec(src.masks, 32).isStandard32())
        channels = 4;
    const bool halving = int64_t(srcRect.width()) == 2 * (int64_t(dstRect.right) - dstRect.left) &&
                         int64_t(srcRect.height()) == 2 * (int64_t(dstRect.bottom) - dstRect.top);
    switch (halving ? channels : 0) {
        case 1:
            halve<1>(dst, dstRect, src, srcRect, g);
            return true;
        case 3:
            halve<3>(dst, dstRect, src, srcRect, g);
            return true;
        case 4:
            halve<4>(dst, dstRect, src, srcRect, g);
            return true;
        default:
            break;
    }

    Taps tx, ty;
    try {
        buildTaps(srcRect.width(), int64_t(dstRect.right) - dstRect.left, g.v0x, g.v1x, tx);
        buildTaps(srcRect.height(), int64_t(dstRect.bottom) - dstRect.top, g.v0y, g.v1y, ty);
    } catch (const std::bad_alloc&) {
        return false;
    }
    switch (channels) {
        case 1:
            return stretchDirect<1>(dst, dstRect, src, srcRect, tx, ty, g);
        case 3:
            return stretchDirect<3>(dst, dstRect, src, srcRect, tx, ty, g);
        case 4:
            return stretchDirect<4>(dst, dstRect, src, srcRect, tx, ty, g);
        default:
            break;
    }
    return stretchConverting(dst, dstRect, src, srcRect, tx, ty, g);
}

}  // namespace varnel::platform
