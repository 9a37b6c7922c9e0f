#include "core/mask_ops.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <numeric>

#include "core/morphology_kernels.h"
#include "platform/cpu_features.h"

namespace varnel {

namespace {

int32_t clampRadius(int32_t r) {
    return std::clamp(r, 1, kMorphologyMaxRadius);
}

bool isPlane(const PixelSurface& s) {
    return s.isValid() && s.bitsPerPixel() == 8;
}

// A zero-filled store in the mask's format, for results built beside the mask.
std::unique_ptr<SurfaceStore> storeLike(const GrayMap& mask) {
    return SurfaceStore::createLike(*mask.store(), mask.width(), mask.height());
}

// Column tiles of the disc filter: the rows the window touches stay in the second-level cache.
constexpr int32_t kTile = 1024;

// The disc filter: every pixel becomes the maximum (kMax) or minimum of the values within the
// disc around it, positions outside the mask counting as `outside`.
//
// For an output row y, a running column extreme V over rows y − h … y + h grows with h = 0 … ry
// (two row operations per step); whenever h reaches the half-height of some column offsets d,
// those columns of V are folded into the output at their offsets. Every operation runs along a
// row, so it vectorises; the cost per pixel is about 2 × ry + 2 × rx + 1 byte operations and the
// mask is copied once, not once per offset.
template <bool kMax>
int discFilter(GrayMap& mask, int32_t rx, int32_t ry, uint8_t outside) {
    if (!isPlane(mask)) return 0;
    const morphology_kernels::MorphologyKernels& k = morphology_kernels::current();
    const auto fold1 = k.fold1[kMax];
    const auto fold2 = k.fold2[kMax];
    const auto fold4 = k.fold4[kMax];
    rx = clampRadius(rx);
    ry = clampRadius(ry);
    const int32_t w = mask.width();
    const int32_t h = mask.height();
    const uint8_t neutral = kMax ? 0 : 255;
    const bool outsideNeutral = outside == neutral;
    std::unique_ptr<SurfaceStore> out;
    std::vector<uint8_t> column;
    std::vector<uint8_t> acc;
    std::vector<std::vector<int32_t>> groups;
    try {
        const std::vector<int32_t> heights = discHalfHeights(rx, ry);
        groups.resize(size_t(ry) + 1);
        // The disc is symmetric: each group holds the offsets d ≥ 0 of one half-height, and d
        // stands for ±d.
        for (int32_t d = 0; d <= rx; ++d) groups[size_t(heights[size_t(d + rx)])].push_back(d);
        column.resize(size_t(kTile) + 2 * size_t(rx));
        acc.resize(size_t(kTile));
        out = storeLike(mask);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (!out) return 0;

    for (int32_t x0 = 0; x0 < w; x0 += kTile) {
        const int32_t tw = std::min(kTile, w - x0);
        const int32_t span = tw + 2 * rx;
        // column[i] stands for mask column x0 − rx + i; [lo, hi) lies inside the mask, the rest
        // keeps the outside value.
        const int32_t lo = std::max(0, rx - x0);
        const int32_t hi = std::min(span, w - x0 + rx);
        const size_t n = size_t(hi - lo);
        std::fill(column.begin(), column.begin() + span, outside);
        for (int32_t y = 0; y < h; ++y) {
            uint8_t* v = column.data();
            std::memcpy(v + lo, mask.row(y) + (x0 - rx + lo), n);
            std::fill(acc.begin(), acc.begin() + tw, neutral);
            bool saturated = false;
            for (int32_t step = 0; step <= ry && !saturated; ++step) {
                if (step > 0) {
                    const int32_t up = y - step;
                    const int32_t down = y + step;
                    const bool upIn = up >= 0;
                    const bool downIn = down < h;
                    if ((!upIn || !downIn) && !outsideNeutral) {
                        // The window reaches beyond the mask, whose outside absorbs everything:
                        // every remaining offset (d = 0 at least) sees it.
                        std::fill(acc.begin(), acc.begin() + tw, outside);
                        saturated = true;
                        break;
                    }
                    if (upIn && downIn) {
                        fold2(v + lo, mask.row(up) + (x0 - rx + lo),
                              mask.row(down) + (x0 - rx + lo), n);
                    } else if (upIn) {
                        fold1(v + lo, mask.row(up) + (x0 - rx + lo), n);
                    } else if (downIn) {
                        fold1(v + lo, mask.row(down) + (x0 - rx + lo), n);
                    }
                }
                const std::vector<int32_t>& group = groups[size_t(step)];
                size_t i = 0;
                if (i < group.size() && group[i] == 0) {
                    fold1(acc.data(), v + rx, size_t(tw));
                    ++i;
                }
                for (; i + 1 < group.size(); i += 2) {
                    const int32_t d = group[i];
                    const int32_t e = group[i + 1];
                    fold4(acc.data(), v + rx - d, v + rx + d, v + rx - e, v + rx + e, size_t(tw));
                }
                if (i < group.size()) {
                    const int32_t d = group[i];
                    fold2(acc.data(), v + rx - d, v + rx + d, size_t(tw));
                }
            }
            std::memcpy(out->row(y) + x0, acc.data(), size_t(tw));
        }
    }
    mask.adoptStore(std::move(out));
    return 1;
}

// The edge rule over rows padded by one value on each side (index −1 and width are valid).
void edgeCore(const uint8_t* __restrict above, const uint8_t* __restrict row,
              const uint8_t* __restrict below, int32_t width, uint8_t* __restrict out) {
    for (int32_t x = 0; x < width; ++x) {
        uint8_t m = std::min(std::min(above[x - 1], above[x]), above[x + 1]);
        m = std::min(m, std::min(row[x - 1], row[x + 1]));
        m = std::min(m, std::min(std::min(below[x - 1], below[x]), below[x + 1]));
        out[x] = row[x] >= 128 && m < 128 ? 255 : 0;
    }
}

// Copies a mask row into a line padded with the outside value on both sides (or fills the line
// with it for a row beyond the mask).
void padLine(uint8_t* line, const uint8_t* row, int32_t width, uint8_t outside) {
    line[0] = outside;
    line[width + 1] = outside;
    if (row) {
        std::memcpy(line + 1, row, size_t(width));
    } else {
        std::memset(line + 1, outside, size_t(width));
    }
}

// Rounds n / d up (d > 0).
inline int64_t ceilDiv(int64_t n, int64_t d) {
    const int64_t q = n / d;
    return q + (n % d > 0 ? 1 : 0);
}

constexpr uint8_t kFar = 255;  // "no edge pixel within reach" in the column distances

}  // namespace

namespace morphology_kernels {

const MorphologyKernels& baseline() {
    static const MorphologyKernels k = kernels();
    return k;
}

namespace {

const MorphologyKernels* best() {
#if defined(__x86_64__) || defined(__i386__)
    if (platform::cpuFeatures().avx2) return &avx2();
#endif
    return &baseline();
}

const MorphologyKernels*& chosen() {
    static const MorphologyKernels* k = best();
    return k;
}

}  // namespace

const MorphologyKernels& current() {
    return *chosen();
}

bool use(MorphologyPath path) {
    switch (path) {
        case MorphologyPath::Best:
            chosen() = best();
            return true;
        case MorphologyPath::Baseline:
            chosen() = &baseline();
            return true;
        case MorphologyPath::Avx2:
#if defined(__x86_64__) || defined(__i386__)
            if (!platform::cpuFeatures().avx2) return false;
            chosen() = &avx2();
            return true;
#else
            return false;
#endif
    }
    return false;
}

}  // namespace morphology_kernels

std::vector<int32_t> discHalfHeights(int32_t rx, int32_t ry) {
    rx = clampRadius(rx);
    ry = clampRadius(ry);
    std::vector<int32_t> out(2 * size_t(rx) + 1);
    const int64_t rx2 = int64_t(rx) * rx;
    const int64_t ry2 = int64_t(ry) * ry;
    for (int32_t d = -rx; d <= rx; ++d) {
        if (d == 0) {
            out[size_t(rx)] = ry;
            continue;
        }
        // floor(z + 0.5) is the largest e with e − 0.5 ≤ z, z = sqrt(rx² − x²) × ry / rx and
        // x = |d| − 0.5. Squared and scaled by 4 rx²: (2e − 1)² rx² ≤ ry² (4 rx² − (2|d| − 1)²).
        const int64_t a = 2 * int64_t(std::abs(d)) - 1;
        const int64_t limit = ry2 * (4 * rx2 - a * a);
        int32_t e = 0;
        while ((2 * int64_t(e + 1) - 1) * (2 * int64_t(e + 1) - 1) * rx2 <= limit) ++e;
        out[size_t(d + rx)] = e;
    }
    return out;
}

int dilate(GrayMap& mask, int32_t rx, int32_t ry) {
    return discFilter<true>(mask, rx, ry, 0);
}

int erode(GrayMap& mask, int32_t rx, int32_t ry, bool outsideSelected) {
    return discFilter<false>(mask, rx, ry, outsideSelected ? 255 : 0);
}

void edgeMapRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int32_t width,
                bool outsideSelected, uint8_t* out) {
    if (!row || !out || width <= 0) return;
    const uint8_t outside = outsideSelected ? 255 : 0;
    std::vector<uint8_t> lines(3 * (size_t(width) + 2));
    uint8_t* a = lines.data();
    uint8_t* r = a + width + 2;
    uint8_t* b = r + width + 2;
    padLine(a, above, width, outside);
    padLine(r, row, width, outside);
    padLine(b, below, width, outside);
    edgeCore(a + 1, r + 1, b + 1, width, out);
}

uint8_t borderBrushValue(int64_t k, int32_t rx, int32_t ry, bool soft) {
    const int64_t full = 4 * int64_t(rx) * rx * int64_t(ry) * ry;
    if (k < 0 || k >= full) return 0;
    if (!soft) return 255;
    const double t = double(k) / double(full);
    const double v = (1.0 - std::sqrt(t)) * 255.0;
    return uint8_t(std::clamp(int32_t(v), 0, 255));
}

int border(GrayMap& mask, int32_t rx, int32_t ry, bool soft, bool outsideSelected) {
    if (!isPlane(mask)) return 0;
    rx = clampRadius(rx);
    ry = clampRadius(ry);
    const int32_t w = mask.width();
    const int32_t h = mask.height();
    const uint8_t outside = outsideSelected ? 255 : 0;
    const bool edgeOnly = rx == 1 && ry == 1;
    // Every measure is a multiple of unit = gcd(rx², ry²); the work below counts in units, and
    // when the multiples below the brush's reach are few the brush values are looked up.
    const int64_t unit = std::gcd(int64_t(rx) * rx, int64_t(ry) * ry);
    const int64_t rx2 = int64_t(rx) * rx / unit;
    const int64_t ry2 = int64_t(ry) * ry / unit;
    const int64_t full = 4 * rx2 * ry2 * unit;  // 4 rx² ry² in units
    const bool useTable = full <= (int64_t(1) << 20);

    std::unique_ptr<SurfaceStore> out;
    std::vector<uint8_t> lines;
    std::vector<uint8_t> running;
    std::vector<int64_t> f;
    std::vector<int32_t> vertex;
    std::vector<int32_t> start;
    std::vector<int64_t> startValue;
    std::vector<uint8_t> table;
    try {
        out = storeLike(mask);
        lines.resize(3 * (size_t(w) + 2));
        if (!edgeOnly) {
            running.resize(size_t(w));
            f.resize(size_t(w));
            vertex.resize(size_t(w));
            start.resize(size_t(w));
            startValue.resize(size_t(w));
            if (useTable) {
                table.resize(size_t(full));
                for (size_t i = 0; i < table.size(); ++i) {
                    table[i] = borderBrushValue(int64_t(i) * unit, rx, ry, soft);
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (!out) return 0;

    // Pass 1, top down: the edge map, and for each pixel the rows up to the nearest edge pixel
    // at or above it in its column (kFar when there is none within 254 rows).
    {
        uint8_t* a = lines.data();
        uint8_t* r = a + w + 2;
        uint8_t* b = r + w + 2;
        padLine(a, nullptr, w, outside);
        padLine(r, mask.row(0), w, outside);
        for (int32_t y = 0; y < h; ++y) {
            padLine(b, y + 1 < h ? mask.row(y + 1) : nullptr, w, outside);
            uint8_t* dst = out->row(y);
            edgeCore(a + 1, r + 1, b + 1, w, dst);
            if (!edgeOnly && y == 0) {
                for (int32_t x = 0; x < w; ++x) dst[x] = dst[x] ? 0 : kFar;
            } else if (!edgeOnly) {
                const uint8_t* prev = out->row(y - 1);
                for (int32_t x = 0; x < w; ++x) {
                    const uint8_t above = uint8_t(std::min(prev[x], uint8_t(kFar - 1)) + 1);
                    dst[x] = dst[x] ? 0 : above;
                }
            }
            std::swap(a, r);
            std::swap(r, b);
        }
    }
    if (edgeOnly) {
        mask.adoptStore(std::move(out));
        return 1;
    }

    // Pass 2, bottom up: the distance to the nearest edge pixel in the column, above or below.
    std::fill(running.begin(), running.end(), kFar);
    for (int32_t y = h - 1; y >= 0; --y) {
        uint8_t* dst = out->row(y);
        uint8_t* run = running.data();
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t next = uint8_t(std::min(run[x], uint8_t(kFar - 1)) + 1);
            const uint8_t below = dst[x] == 0 ? 0 : next;
            run[x] = below;
            dst[x] = std::min(dst[x], below);
        }
    }

    // Pass 3, each row: the smallest measure k = ry² a(Δx) + rx² a(Δy) (in units) over the edge
    // pixels, with a(Δ) = (2|Δ| − 1)² for Δ ≠ 0 and a(0) = 0. The column pass gave f(x') = rx²
    // a(Δy) of the nearest edge pixel in each column x'; along the row, for x' ≠ x, a(x − x') = min
    // over s = 2x ± 1 of (s − 2x')², so the minimum is min(f(x), E(2x − 1), E(2x + 1)) with E(s) =
    // min over x' of ry² (s − 2x')² + f(x'): the lower envelope of parabolas, evaluated at the odd
    // points s = 2t + 1, t = −1 … w − 1.
    const int32_t tLow = -1;
    const int32_t tHigh = w - 1;
    auto parabola = [&](int32_t q, int64_t t) {
        const int64_t s = 2 * t + 1 - 2 * int64_t(q);
        return ry2 * s * s + f[size_t(q)];
    };
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* dst = out->row(y);
        int32_t count = 0;
        for (int32_t x = 0; x < w; ++x) {
            const int32_t dy = dst[x];
            if (dy > ry) {
                f[size_t(x)] = -1;
                continue;
            }
            const int64_t a = dy == 0 ? 0 : (2 * int64_t(dy) - 1) * (2 * int64_t(dy) - 1);
            f[size_t(x)] = rx2 * a;
            // The envelope: vertex[0..count) with the first t at which each is lowest and its
            // value there. A vertex that x matches at its own start is lowest nowhere any more.
            int32_t k = count - 1;
            while (k >= 0 && parabola(x, start[size_t(k)]) <= startValue[size_t(k)]) --k;
            if (k < 0) {
                vertex[0] = x;
                start[0] = tLow;
                startValue[0] = parabola(x, tLow);
                count = 1;
                continue;
            }
            // The first t at which x is at least as low as vertex[k] (x lies to its right).
            const int64_t q = vertex[size_t(k)];
            const int64_t num = f[size_t(x)] - f[size_t(q)] - 4 * ry2 * (x - q) * (1 - x - q);
            const int64_t from = ceilDiv(num, 8 * ry2 * (x - q));
            if (from > tHigh) {
                count = k + 1;
                continue;
            }
            ++k;
            vertex[size_t(k)] = x;
            start[size_t(k)] = int32_t(from);
            startValue[size_t(k)] = parabola(x, from);
            count = k + 1;
        }
        if (count == 0) {
            std::memset(dst, 0, size_t(w));
            continue;
        }
        int32_t k = 0;
        auto envelope = [&](int32_t t) {
            while (k + 1 < count && start[size_t(k + 1)] <= t) ++k;
            return parabola(vertex[size_t(k)], t);
        };
        int64_t left = envelope(tLow);
        for (int32_t x = 0; x < w; ++x) {
            const int64_t right = envelope(x);
            int64_t m = std::min(left, right);
            if (f[size_t(x)] >= 0) m = std::min(m, f[size_t(x)]);
            left = right;
            if (m >= full) {
                dst[x] = 0;
            } else if (useTable) {
                dst[x] = table[size_t(m)];
            } else {
                dst[x] = borderBrushValue(m * unit, rx, ry, soft);
            }
        }
    }
    mask.adoptStore(std::move(out));
    return 1;
}

ColorRange colorRangeOf(const GrayMap& mask, const ColorImage& image, const GrayMap* alpha,
                        int32_t tolerance) {
    ColorRange range;
    if (!isPlane(mask) || !image.isValid() || image.size() != mask.size()) return range;
    if (alpha && (!isPlane(*alpha) || alpha->size() != mask.size())) return range;
    uint8_t lo[3] = {255, 255, 255};
    uint8_t hi[3] = {0, 0, 0};
    bool colour = false;
    for (int32_t y = 0; y < mask.height(); ++y) {
        const uint8_t* m = mask.row(y);
        const Bgr* p = image.pixels(y);
        const uint8_t* a = alpha ? alpha->row(y) : nullptr;
        for (int32_t x = 0; x < mask.width(); ++x) {
            if (m[x] <= 148) continue;
            range.hasSeeds = true;
            if (a) {
                if (a[x] == 0) continue;
                range.maxAlpha = std::max(range.maxAlpha, a[x]);
            }
            colour = true;
            const uint8_t c[3] = {p[x].b, p[x].g, p[x].r};
            for (int i = 0; i < 3; ++i) {
                lo[i] = std::min(lo[i], c[i]);
                hi[i] = std::max(hi[i], c[i]);
            }
        }
    }
    if (colour) {
        const int t = std::clamp(tolerance, 0, 255);
        auto down = [t](uint8_t v) { return uint8_t(std::max(0, int(v) - t)); };
        auto up = [t](uint8_t v) { return uint8_t(std::min(255, int(v) + t)); };
        range.low = {down(lo[0]), down(lo[1]), down(lo[2])};
        range.high = {up(hi[0]), up(hi[1]), up(hi[2])};
    }
    return range;
}

namespace {

// Which pixels a range accepts.
struct Acceptor {
    ColorRange range;
    bool withAlpha;

    bool operator()(const Bgr& p, uint8_t a) const {
        if (withAlpha && range.maxAlpha == 0) return a == 0;
        if (withAlpha && a == 0) return false;
        return p.b >= range.low.b && p.b <= range.high.b && p.g >= range.low.g &&
               p.g <= range.high.g && p.r >= range.low.r && p.r <= range.high.r;
    }
};

bool sameSizes(const GrayMap& mask, const ColorImage& image, const GrayMap* alpha) {
    return isPlane(mask) && image.isValid() && image.bitsPerPixel() == 24 &&
           image.size() == mask.size() &&
           (!alpha || (isPlane(*alpha) && alpha->size() == mask.size()));
}

}  // namespace

int similar(GrayMap& mask, const ColorImage& image, const GrayMap* alpha, int32_t tolerance) {
    if (!sameSizes(mask, image, alpha)) return 0;
    const Acceptor accepts{colorRangeOf(mask, image, alpha, tolerance), alpha != nullptr};
    if (!accepts.range.hasSeeds) return 1;
    for (int32_t y = 0; y < mask.height(); ++y) {
        uint8_t* m = mask.row(y);
        const Bgr* p = image.pixels(y);
        const uint8_t* a = alpha ? alpha->row(y) : nullptr;
        for (int32_t x = 0; x < mask.width(); ++x) {
            if (accepts(p[x], a ? a[x] : 255)) m[x] = 255;
        }
    }
    return 1;
}

int grow(GrayMap& mask, const ColorImage& image, const GrayMap* alpha, int32_t tolerance) {
    if (!sameSizes(mask, image, alpha)) return 0;
    const Acceptor accepts{colorRangeOf(mask, image, alpha, tolerance), alpha != nullptr};
    if (!accepts.range.hasSeeds) return 1;
    const int32_t w = mask.width();
    const int32_t h = mask.height();
    // The state of every pixel, in a map with a border of one refused cell on every side so that
    // the fill needs no bounds checks: whether the range accepts it, and whether it was reached.
    // The mask is only read while filling; the reached pixels are written into it at the end.
    constexpr uint8_t kRefused = 0, kAccepted = 1, kReached = 2;
    const size_t stride = size_t(w) + 2;
    std::vector<uint8_t> state;
    std::vector<uint32_t> stack;  // cell indices (at most 30002² < 2^32)
    try {
        state.assign(stride * (size_t(h) + 2), kRefused);
        stack.reserve(4096);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    for (int32_t y = 0; y < h; ++y) {
        const Bgr* p = image.pixels(y);
        const uint8_t* a = alpha ? alpha->row(y) : nullptr;
        uint8_t* cell = state.data() + (size_t(y) + 1) * stride + 1;
        for (int32_t x = 0; x < w; ++x)
            cell[x] = accepts(p[x], a ? a[x] : 255) ? kAccepted : kRefused;
    }
    const int64_t offsets[4] = {-1, 1, -int64_t(stride), int64_t(stride)};
    try {
        for (int32_t sy = 0; sy < h; ++sy) {
            const uint8_t* seeds = mask.row(sy);
            const size_t rowStart = (size_t(sy) + 1) * stride + 1;
            for (int32_t sx = 0; sx < w; ++sx) {
                // Seeds start the fill whether or not the range accepts them.
                const size_t seed = rowStart + size_t(sx);
                if (seeds[sx] <= 148 || state[seed] == kReached) continue;
                state[seed] = kReached;
                stack.push_back(uint32_t(seed));
                while (!stack.empty()) {
                    const size_t i = stack.back();
                    stack.pop_back();
                    for (int64_t o : offsets) {
                        const size_t n = size_t(int64_t(i) + o);
                        if (state[n] != kAccepted) continue;
                        state[n] = kReached;
                        stack.push_back(uint32_t(n));
                    }
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* m = mask.row(y);
        const uint8_t* cell = state.data() + (size_t(y) + 1) * stride + 1;
        for (int32_t x = 0; x < w; ++x) m[x] = cell[x] == kReached ? 255 : m[x];
    }
    return 1;
}

}  // namespace varnel
