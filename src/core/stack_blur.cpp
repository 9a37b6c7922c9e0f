#include "core/stack_blur.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/parallel.h"

namespace varnel {

namespace {

struct Tables {
    uint32_t mul[kStackBlurMaxRadius + 1];
    uint32_t shift[kStackBlurMaxRadius + 1];
};

constexpr Tables makeTables() {
    Tables t{};
    for (int32_t r = 0; r <= kStackBlurMaxRadius; ++r) {
        const uint64_t area = uint64_t(r + 1) * uint64_t(r + 1);
        uint32_t s = 0;
        while ((uint64_t(1) << (s + 1)) <= 512 * area) ++s;
        t.shift[r] = s;
        t.mul[r] = uint32_t(((uint64_t(1) << s) + area - 1) / area);
    }
    return t;
}

constexpr Tables kTables = makeTables();

static_assert(kTables.mul[0] == 512 && kTables.shift[0] == 9);
static_assert(kTables.mul[1] == 512 && kTables.shift[1] == 11);
static_assert(kTables.mul[2] == 456 && kTables.shift[2] == 12);
static_assert(kTables.mul[254] == 259 && kTables.shift[254] == 24);
// The largest tent sum times the multiplier must fit the 32-bit running sums.
static_assert(uint64_t(255) * 255 * 255 * kTables.mul[254] < (uint64_t(1) << 32));

int32_t clampRadius(int32_t r) {
    return std::clamp(r, 0, kStackBlurMaxRadius);
}

// Column strips of the vertical pass: wide enough to keep the loops long, narrow enough for the
// ring of saved rows to stay in the first-level caches.
constexpr size_t kStrip = 256;

// The horizontal pass over rows [top, bottom) of an area `width` pixels of C bytes wide: row y is
// read from `from[y]` and written to `to[y]` (the same memory or rows that do not overlap). `pad`
// holds width + 2r + 2 pixels: the row with its first pixel repeated r times before it and its
// last pixel r + 2 times after it, so that the running sums never need a bounds check.
template <int C>
void blurRows(const uint8_t* const* from, uint8_t* const* to, int32_t top, int32_t bottom,
              int32_t width, int32_t r, uint8_t* pad) {
    const uint32_t mul = kTables.mul[r];
    const uint32_t shift = kTables.shift[r];
    const size_t n = size_t(width);
    const size_t rr = size_t(r);
    for (int32_t y = top; y < bottom; ++y) {
        const uint8_t* row = from[y];
        for (size_t i = 0; i < rr; ++i) std::memcpy(pad + i * C, row, C);
        std::memcpy(pad + rr * C, row, n * C);
        for (size_t i = 0; i < rr + 2; ++i)
            std::memcpy(pad + (rr + n + i) * C, row + (n - 1) * C, C);

        uint32_t sum[C], in[C], out[C];
        for (int c = 0; c < C; ++c) {
            const uint32_t p0 = pad[rr * C + c];
            out[c] = (uint32_t(r) + 1) * p0;
            sum[c] = p0 * ((uint32_t(r) + 1) * (uint32_t(r) + 2) / 2);
            in[c] = 0;
            for (size_t j = 1; j <= rr + 1; ++j) {
                const uint32_t v = pad[(rr + j) * C + c];
                in[c] += v;
                if (j <= rr) sum[c] += (uint32_t(rr + 1 - j)) * v;
            }
        }
        // At pixel x: `leaving` is pixel x − r, `middle` pixel x + 1, `entering` pixel x + r + 2.
        const uint8_t* leaving = pad;
        const uint8_t* middle = pad + (rr + 1) * C;
        const uint8_t* entering = pad + (2 * rr + 2) * C;
        uint8_t* dst = to[y];
        for (size_t x = 0; x < n; ++x) {
            for (int c = 0; c < C; ++c) {
                dst[c] = uint8_t((sum[c] * mul) >> shift);
                sum[c] += in[c] - out[c];
                out[c] += uint32_t(middle[c]) - uint32_t(leaving[c]);
                in[c] += uint32_t(entering[c]) - uint32_t(middle[c]);
            }
            dst += C;
            leaving += C;
            middle += C;
            entering += C;
        }
    }
}

// One row of the vertical pass over `n` byte columns: writes the blurred values and moves the
// running sums down by one row.
void stepColumns(uint8_t* __restrict row, const uint8_t* __restrict leaving,
                 const uint8_t* __restrict middle, const uint8_t* __restrict entering,
                 uint32_t* __restrict sum, uint32_t* __restrict in, uint32_t* __restrict out,
                 size_t n, uint32_t mul, uint32_t shift) {
    for (size_t k = 0; k < n; ++k) {
        row[k] = uint8_t((sum[k] * mul) >> shift);
        sum[k] += in[k] - out[k];
        out[k] += uint32_t(middle[k]) - uint32_t(leaving[k]);
        in[k] += uint32_t(entering[k]) - uint32_t(middle[k]);
    }
}

// The vertical pass over the `height` rows of `rows` (each pointing at the area's first byte),
// strips [firstStrip, lastStrip) of kStrip byte columns of the `byteWidth` bytes; every byte
// column is blurred on its own. Rows are visited top to bottom, one strip of columns at a time;
// `ring` keeps the original values of the last r + 1 rows (the rows already overwritten that the
// running sums still have to take out), `acc` the three sums.
void blurColumns(uint8_t* const* rows, int32_t height, size_t byteWidth, size_t firstStrip,
                 size_t lastStrip, int32_t r, uint8_t* ring, uint32_t* acc) {
    const uint32_t mul = kTables.mul[r];
    const uint32_t shift = kTables.shift[r];
    const int32_t last = height - 1;
    const size_t slots = size_t(r) + 1;
    uint32_t* sum = acc;
    uint32_t* in = acc + kStrip;
    uint32_t* out = acc + 2 * kStrip;
    for (size_t c0 = firstStrip * kStrip; c0 < std::min(byteWidth, lastStrip * kStrip);
         c0 += kStrip) {
        const size_t n = std::min(kStrip, byteWidth - c0);
        auto source = [&](int32_t j) -> const uint8_t* {
            return rows[std::clamp(j, 0, last)] + c0;
        };
        const uint8_t* first = source(0);
        const uint32_t half = (uint32_t(r) + 1) * (uint32_t(r) + 2) / 2;
        for (size_t k = 0; k < n; ++k) {
            out[k] = (uint32_t(r) + 1) * first[k];
            sum[k] = half * first[k];
            in[k] = 0;
        }
        for (int32_t j = 1; j <= r + 1; ++j) {
            const uint8_t* p = source(j);
            const uint32_t weight = j <= r ? uint32_t(r + 1 - j) : 0;
            for (size_t k = 0; k < n; ++k) {
                in[k] += p[k];
                sum[k] += weight * p[k];
            }
        }
        for (int32_t y = 0; y <= last; ++y) {
            uint8_t* row = rows[y] + c0;
            uint8_t* slot = ring + size_t(y) % slots * kStrip;
            std::memcpy(slot, row, n);
            if (y == last) {
                for (size_t k = 0; k < n; ++k) row[k] = uint8_t((sum[k] * mul) >> shift);
                break;
            }
            // Row y − r (clamped to 0) is already overwritten: its original is in the ring, in
            // the slot it was saved to r steps ago (slot 0 still holds row 0 while y ≤ r). Rows
            // below y are still original.
            const uint8_t* leaving = ring + size_t(std::max(y - r, 0)) % slots * kStrip;
            stepColumns(row, leaving, source(y + 1), source(y + r + 2), sum, in, out, n, mul,
                        shift);
        }
    }
}

// How many parts to cut `count` items into for the worker threads, each of at least `minPerPart`
// items (1 when the work stays on one thread).
int32_t partsFor(int32_t count, int64_t minPerPart) {
    const int threads = workerThreads();
    if (threads <= 1) return 1;
    const int64_t parts = count / std::max<int64_t>(minPerPart, 1);
    return int32_t(std::clamp<int64_t>(parts, 1, int64_t(threads) * 4));
}

// Runs work(begin, end) over `parts` even parts of [0, count) on the worker threads.
template <typename Work>
void forParts(int32_t count, int32_t parts, Work work) {
    if (parts <= 1) {
        work(0, 0, count);
        return;
    }
    parallelRows(parts, 1, [&](int first, int last) {
        for (int p = first; p < last; ++p) {
            work(p, int32_t(int64_t(count) * p / parts), int32_t(int64_t(count) * (p + 1) / parts));
        }
    });
}

}  // namespace

uint32_t stackBlurMultiplier(int32_t radius) {
    return kTables.mul[clampRadius(radius)];
}

uint32_t stackBlurShift(int32_t radius) {
    return kTables.shift[clampRadius(radius)];
}

int stackBlurInto(const PixelSurface& source, Rect rect, PixelSurface& target, Point at, int32_t rx,
                  int32_t ry) {
    if (!source.isValid() || !target.isValid()) return 0;
    const int32_t bpp = source.bitsPerPixel();
    if ((bpp != 8 && bpp != 24 && bpp != 32) || target.bitsPerPixel() != bpp) return 0;
    const Rect area = rect.normalized().intersected(source.bounds());
    if (area.isEmpty()) return 0;
    const Rect dest{at.x, at.y, at.x + area.width(), at.y + area.height()};
    if (!target.bounds().contains(dest)) return 0;
    const bool inPlace = &source == &target;
    if (inPlace && at != area.topLeft()) return 0;
    rx = clampRadius(rx);
    ry = clampRadius(ry);
    if (rx == 0 && ry == 0 && inPlace) return 1;
    const size_t channels = size_t(bpp / 8);
    const int32_t height = area.height();
    const size_t byteWidth = size_t(area.width()) * channels;
    const int32_t strips = int32_t((byteWidth + kStrip - 1) / kStrip);
    const int32_t rowParts = partsFor(height, minRowsFor(area.width()));
    const int32_t stripParts =
        partsFor(strips, (int64_t(1) << 18) * int64_t(channels) / (int64_t(kStrip) * height));

    // Everything is allocated before the first pixel changes: the rows of both areas, and the
    // working memory of every part of each pass.
    std::vector<const uint8_t*> from;
    std::vector<uint8_t*> to;
    std::vector<uint8_t> pad;
    std::vector<uint8_t> ring;
    std::vector<uint32_t> acc;
    const size_t padBytes = (size_t(area.width()) + 2 * size_t(rx) + 2) * channels;
    const size_t ringBytes = (size_t(ry) + 1) * kStrip;
    try {
        from.resize(size_t(height));
        to.resize(size_t(height));
        if (rx > 0) pad.resize(padBytes * size_t(rowParts));
        if (ry > 0) {
            ring.resize(ringBytes * size_t(stripParts));
            acc.resize(3 * kStrip * size_t(stripParts));
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    for (int32_t y = 0; y < height; ++y) {
        from[size_t(y)] = source.row(area.top + y) + size_t(area.left) * channels;
        to[size_t(y)] = target.row(at.y + y) + size_t(at.x) * channels;
    }

    // Rows are independent in the horizontal pass, strips of columns in the vertical one.
    if (rx > 0) {
        forParts(height, rowParts, [&](int32_t part, int32_t begin, int32_t end) {
            uint8_t* p = pad.data() + padBytes * size_t(part);
            switch (channels) {
                case 1:
                    blurRows<1>(from.data(), to.data(), begin, end, area.width(), rx, p);
                    break;
                case 3:
                    blurRows<3>(from.data(), to.data(), begin, end, area.width(), rx, p);
                    break;
                default:
                    blurRows<4>(from.data(), to.data(), begin, end, area.width(), rx, p);
                    break;
            }
        });
    } else if (!inPlace) {
        forParts(height, rowParts, [&](int32_t, int32_t begin, int32_t end) {
            for (int32_t y = begin; y < end; ++y)
                std::memcpy(to[size_t(y)], from[size_t(y)], byteWidth);
        });
    }
    if (ry > 0) {
        forParts(strips, stripParts, [&](int32_t part, int32_t begin, int32_t end) {
            blurColumns(to.data(), height, byteWidth, size_t(begin), size_t(end), ry,
                        ring.data() + ringBytes * size_t(part),
                        acc.data() + 3 * kStrip * size_t(part));
        });
    }
    return 1;
}

int stackBlur(PixelSurface& surface, Rect rect, int32_t rx, int32_t ry) {
    if (!surface.isValid()) return 0;
    const Rect area = rect.normalized().intersected(surface.bounds());
    return stackBlurInto(surface, area, surface, area.topLeft(), rx, ry);
}

int blur24(Surface24& surface, int32_t rx, int32_t ry) {
    return stackBlur(surface, surface.bounds(), rx, ry);
}

int blur8(Surface8& surface, int32_t rx, int32_t ry) {
    return stackBlur(surface, surface.bounds(), rx, ry);
}

}  // namespace varnel
