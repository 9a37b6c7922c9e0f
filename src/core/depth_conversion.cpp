#include "core/depth_conversion.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "core/octree_palette.h"
#include "platform/pixel_format.h"

namespace varnel {
namespace {

using platform::MaskCodec;

uint8_t clampByte(int32_t v) {
    return uint8_t(std::clamp(v, 0, 255));
}

// The grey level of a colour; exact integer quotient.
inline uint8_t grayOf(uint32_t r, uint32_t g, uint32_t b) {
    // x / 100 as (x × 5243) >> 19, exact for every x up to 100 × 255 + 50; the multiply form
    // lets the row loop run in vector registers.
    return uint8_t(((59 * g + 30 * r + 11 * b + 50) * 5243) >> 19);
}

bool isIndexedDepth(int32_t bpp) {
    return bpp == 1 || bpp == 4 || bpp == 8;
}

// A new store for a conversion result, carrying the source's resolution; null when memory is
// short or the depth is unknown.
std::unique_ptr<SurfaceStore> newStore(const SurfaceStore& source, int32_t bitsPerPixel,
                                       bool withMasks = false) {
    auto store = SurfaceStore::create(source.width(), source.height(), bitsPerPixel, withMasks);
    if (store) {
        store->header.xPelsPerMeter = source.header.xPelsPerMeter;
        store->header.yPelsPerMeter = source.header.yPelsPerMeter;
    }
    return store;
}

// The store a result goes into: the target's own when it already has the result's size and
// plain format and is not the source. Its pixels are about to be replaced anyway, and memory
// already touched costs a fraction of fresh memory. Callers ask for it only when nothing can
// fail any more, so that a failure still leaves the target as it was.
std::unique_ptr<SurfaceStore> reuseOrCreate(PixelSurface& target, const SurfaceStore& source,
                                            int32_t bitsPerPixel) {
    const SurfaceStore* own = target.store();
    const bool reusable = own && own != &source && own->isValid() &&
                          own->width() == source.width() && own->height() == source.height() &&
                          own->bitsPerPixel() == bitsPerPixel &&
                          own->header.compression == kCompressionNone &&
                          (bitsPerPixel == 24 || bitsPerPixel == 32 ||
                           (bitsPerPixel == 8 && own->palette.count() == 256));
    if (!reusable) return newStore(source, bitsPerPixel);
    std::unique_ptr<SurfaceStore> store = target.takeStore();
    if (bitsPerPixel == 8) {
        for (int i = 0; i < 256; ++i) {
            store->palette.entries[size_t(i)] = Bgra{uint8_t(i), uint8_t(i), uint8_t(i), 0};
        }
    }
    store->header.xPelsPerMeter = source.header.xPelsPerMeter;
    store->header.yPelsPerMeter = source.header.yPelsPerMeter;
    store->flags = 0;
    return store;
}

// Hands a finished store to the target (which accepted the depth before the work began).
int finish(PixelSurface& target, std::unique_ptr<SurfaceStore> store) {
    return store ? target.adoptStore(std::move(store)) : 0;
}

void setStorePalette(SurfaceStore& store, const std::vector<Bgra>& entries) {
    store.palette.entries = entries;
    for (Bgra& e : store.palette.entries) e.a = 0;  // reserved byte
    store.header.clrUsed = uint32_t(entries.size());
}

// Reads rows of any depth as colours, the way getColor sees each pixel.
class RowReader {
public:
    explicit RowReader(const SurfaceStore& s)
        : s_(s), bpp_(s.bitsPerPixel()), masks_(s.masks, s.bitsPerPixel()) {
        if (isIndexedDepth(bpp_)) {
            // An index beyond the palette reads as black.
            const auto& pal = s.palette.entries;
            for (size_t i = 0; i < pal.size() && i < palette_.size(); ++i) {
                palette_[i] = pal[i].bgr();
            }
        } else if (bpp_ == 16 && int64_t(s.width()) * s.height() >= (1 << 18)) {
            // Large 16-bit surfaces decode through a table of every word.
            table16_.resize(65536);
            for (uint32_t w = 0; w < 65536; ++w) table16_[w] = masks_.decode(w).bgr();
        }
        standard32_ = bpp_ == 32 && masks_.isStandard32();
    }

    void read(int32_t y, Bgr* out) const {
        const uint8_t* row = s_.rows[y];
        const int32_t w = s_.width();
        switch (bpp_) {
            case 1:
                for (int32_t x = 0; x < w; ++x) out[x] = palette_[platform::readIndex1(row, x)];
                break;
            case 4:
                for (int32_t x = 0; x < w; ++x) out[x] = palette_[platform::readIndex4(row, x)];
                break;
            case 8:
                for (int32_t x = 0; x < w; ++x) out[x] = palette_[row[x]];
                break;
            case 16:
                if (!table16_.empty()) {
                    for (int32_t x = 0; x < w; ++x) out[x] = table16_[platform::readWord16(row, x)];
                } else {
                    for (int32_t x = 0; x < w; ++x) {
                        out[x] = masks_.decode(platform::readWord16(row, x)).bgr();
                    }
                }
                break;
            case 24:
                std::memcpy(out, row, size_t(w) * 3);
                break;
            default:
                if (standard32_) {
                    for (int32_t x = 0; x < w; ++x) {
                        out[x] = {row[4 * x], row[4 * x + 1], row[4 * x + 2]};
                    }
                } else {
                    for (int32_t x = 0; x < w; ++x) {
                        out[x] = masks_.decode(platform::readWord32(row, x)).bgr();
                    }
                }
                break;
        }
    }

    // Row y as grey levels.
    void readGray(int32_t y, uint8_t* out, std::vector<Bgr>& scratch) const {
        const uint8_t* row = s_.rows[y];
        const int32_t w = s_.width();
        if (bpp_ == 24) {
            for (int32_t x = 0; x < w; ++x, row += 3) out[x] = grayOf(row[2], row[1], row[0]);
            return;
        }
        if (bpp_ == 8) {
            uint8_t lut[256];
            grayTable(lut);
            for (int32_t x = 0; x < w; ++x) out[x] = lut[row[x]];
            return;
        }
        scratch.resize(size_t(w));
        read(y, scratch.data());
        for (int32_t x = 0; x < w; ++x) out[x] = grayOf(scratch[x].r, scratch[x].g, scratch[x].b);
    }

private:
    void grayTable(uint8_t lut[256]) const {
        for (int i = 0; i < 256; ++i) lut[i] = grayOf(palette_[i].r, palette_[i].g, palette_[i].b);
    }

    const SurfaceStore& s_;
    int32_t bpp_;
    MaskCodec masks_;
    std::array<Bgr, 256> palette_{};
    std::vector<Bgr> table16_;
    bool standard32_ = false;
};

// Nearest palette entry by squared distance over blue, green and red, the first of equals
// winning: the same answer as a scan of the whole palette, found faster.
//
// Colour space is cut into 32 × 32 × 32 cells. For each cell, on first use, only the entries
// that can be nearest to some colour of the cell are kept: those whose distance to the cell's
// box is no more than the smallest farthest-distance of any entry to that box. A photo's cell
// keeps about four.
class NearestFinder {
public:
    explicit NearestFinder(const std::vector<Bgra>& palette) : palette_(palette) {
        cellStart_.assign(kCells, -1);
        cellCount_.assign(kCells, 0);
    }

    uint32_t find(Bgr c) {
        const size_t cell = size_t(c.r >> kCellShift) << (2 * (8 - kCellShift)) |
                            size_t(c.g >> kCellShift) << (8 - kCellShift) |
                            size_t(c.b >> kCellShift);
        if (cellStart_[cell] < 0) buildCell(cell);
        const Bgra* at = candidates_.data() + cellStart_[cell];
        const uint32_t n = cellCount_[cell];
        // Distance × 256 + index: the smallest key is the nearest entry, the first of equals.
        uint32_t best = 0xFFFFFFFFu;
        for (uint32_t k = 0; k < n; ++k) {
            const Bgra e = at[k];
            const uint32_t d = uint32_t(squared(int32_t(e.b) - c.b) + squared(int32_t(e.g) - c.g) +
                                        squared(int32_t(e.r) - c.r));
            best = std::min(best, d << 8 | e.a);
        }
        return best & 0xFF;
    }

private:
    static constexpr int kCellShift = 3;  // 8 levels per cell side
    static constexpr size_t kCells = size_t(1) << (3 * (8 - kCellShift));
    static constexpr size_t kCellMask = (size_t(1) << (8 - kCellShift)) - 1;

    static int32_t squared(int32_t v) { return v * v; }

    void buildCell(size_t cell) {
        const int32_t side = 1 << kCellShift;
        const int32_t lo[3] = {int32_t(cell >> (2 * (8 - kCellShift))) << kCellShift,
                               int32_t((cell >> (8 - kCellShift)) & kCellMask) << kCellShift,
                               int32_t(cell & kCellMask) << kCellShift};  // red, green, blue
        auto nearSq = [&](int32_t v, int ch) {
            const int32_t a = lo[ch], b = lo[ch] + side - 1;
            return v < a ? squared(a - v) : v > b ? squared(v - b) : 0;
        };
        auto farSq = [&](int32_t v, int ch) {
            return std::max(squared(v - lo[ch]), squared(v - (lo[ch] + side - 1)));
        };
        int32_t bound = 0x7FFFFFFF;
        for (const Bgra& e : palette_) {
            bound = std::min(bound, farSq(e.r, 0) + farSq(e.g, 1) + farSq(e.b, 2));
        }
        const size_t start = candidates_.size();
        for (size_t i = 0; i < palette_.size(); ++i) {
            const Bgra& e = palette_[i];
            if (nearSq(e.r, 0) + nearSq(e.g, 1) + nearSq(e.b, 2) <= bound) {
                // The fourth byte carries the entry's index.
                candidates_.push_back(Bgra{e.b, e.g, e.r, uint8_t(i)});
            }
        }
        cellStart_[cell] = int32_t(start);
        cellCount_[cell] = uint16_t(candidates_.size() - start);
    }

    const std::vector<Bgra>& palette_;
    std::vector<int32_t> cellStart_;
    std::vector<uint16_t> cellCount_;
    std::vector<Bgra> candidates_;
};

void storeIndex(uint8_t* row, int32_t bpp, int32_t x, uint32_t index) {
    if (bpp == 8) {
        row[x] = uint8_t(index);
    } else if (bpp == 4) {
        platform::writeIndex4(row, x, index);
    } else {
        platform::writeIndex1(row, x, index);
    }
}

int copyOf(const PixelSurface& source, PixelSurface& target) {
    auto store = source.store()->clone();
    if (!store || !target.acceptsStore(store.get())) return 0;
    return finish(target, std::move(store));
}

// Adds a diffused share of an error to a byte, clamped to 0..255.
inline void spread(uint8_t& v, int32_t error) {
    v = clampByte(int32_t(v) + error);
}

int convertWithPaletteImpl(const PixelSurface& source, PixelSurface& target, int32_t bpp,
                           const std::vector<Bgra>& palette, bool diffuse) {
    const SurfaceStore& src = *source.store();
    auto store = newStore(src, bpp);
    if (!store || !target.acceptsStore(store.get())) return 0;
    setStorePalette(*store, palette);
    const int32_t w = src.width(), h = src.height();
    RowReader reader(src);
    NearestFinder finder(palette);
    std::vector<Bgr> cur(static_cast<size_t>(w)), next(static_cast<size_t>(w));
    reader.read(0, cur.data());
    for (int32_t y = 0; y < h; ++y) {
        const bool below = y + 1 < h;
        if (below) reader.read(y + 1, next.data());
        uint8_t* out = store->rows[y];
        for (int32_t x = 0; x < w; ++x) {
            const Bgr c = cur[size_t(x)];
            const uint32_t index = finder.find(c);
            storeIndex(out, bpp, x, index);
            if (!diffuse) continue;
            const Bgra& p = palette[index];
            const int32_t e[3] = {int32_t(c.b) - p.b, int32_t(c.g) - p.g, int32_t(c.r) - p.r};
            if (e[0] == 0 && e[1] == 0 && e[2] == 0) continue;
            auto add = [&e](Bgr& px, int32_t weight) {
                spread(px.b, e[0] * weight / 16);
                spread(px.g, e[1] * weight / 16);
                spread(px.r, e[2] * weight / 16);
            };
            if (x + 1 < w) add(cur[size_t(x) + 1], 7);
            if (below) {
                if (x > 0) add(next[size_t(x) - 1], 2);
                add(next[size_t(x)], 4);
                if (x + 1 < w) add(next[size_t(x) + 1], 1);
            }
        }
        std::swap(cur, next);
    }
    return finish(target, std::move(store));
}

int reduceToDepthImpl(const PixelSurface& source, PixelSurface& target, int32_t bpp) {
    const SurfaceStore& src = *source.store();
    const int32_t from = src.bitsPerPixel();
    if ((from != 1 && from != 4) || (bpp != 4 && bpp != 8) || bpp <= from) return 0;
    auto store = newStore(src, bpp);
    if (!store || !target.acceptsStore(store.get())) return 0;
    setStorePalette(*store, src.palette.entries);
    // Each pixel's colour is set again through the palette, which maps an index to the first
    // entry of its colour (and an index beyond the palette, read as black, to the nearest one).
    const auto& pal = src.palette.entries;
    uint32_t map[16] = {};
    for (uint32_t i = 0; i < (1u << from); ++i) {
        const Bgr c = i < pal.size() ? pal[i].bgr() : Bgr{};
        const int32_t n = nearestPaletteIndex(pal.data(), int32_t(pal.size()), c);
        map[i] = n < 0 ? 0 : uint32_t(n);
    }
    const int32_t w = src.width(), h = src.height();
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* in = src.rows[y];
        uint8_t* out = store->rows[y];
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t i =
                from == 1 ? platform::readIndex1(in, x) : platform::readIndex4(in, x);
            storeIndex(out, bpp, x, map[i]);
        }
    }
    return finish(target, std::move(store));
}

int to24Impl(const PixelSurface& source, PixelSurface& target) {
    const SurfaceStore& src = *source.store();
    if (src.bitsPerPixel() == 24) return copyOf(source, target);
    RowReader reader(src);
    auto store = reuseOrCreate(target, src, 24);
    if (!store || !target.acceptsStore(store.get())) return 0;
    for (int32_t y = 0; y < src.height(); ++y) {
        reader.read(y, reinterpret_cast<Bgr*>(store->rows[y]));
    }
    return finish(target, std::move(store));
}

int toPaletteImpl(const PixelSurface& source, PixelSurface& target, int32_t colors, int32_t bpp) {
    const int32_t from = source.bitsPerPixel();
    if (from == bpp) return copyOf(source, target);
    if (from < bpp) return reduceToDepthImpl(source, target, bpp);
    // The palette builder takes indexed and 24-bit pixels: other depths go through 24 bits.
    const PixelSurface* pixels = &source;
    ColorImage wide;
    if (from == 16 || from == 32) {
        if (!to24Impl(source, wide)) return 0;
        pixels = &wide;
    }
    OctreePalette octree(uint32_t(std::clamp(colors, 1, 1 << bpp)), 8);
    if (!octree.addSurface(*pixels)) return 0;
    std::vector<Bgra> entries(octree.paletteSize());
    if (!octree.buildPalette(entries.data(), uint32_t(entries.size()))) return 0;
    entries.resize(octree.entryCount());
    return convertWithPaletteImpl(*pixels, target, bpp, entries, true);
}

int toGrayImpl(const PixelSurface& source, PixelSurface& target) {
    const SurfaceStore& src = *source.store();
    RowReader reader(src);
    std::vector<Bgr> scratch(static_cast<size_t>(src.width()));
    auto store = reuseOrCreate(target, src, 8);
    if (!store || !target.acceptsStore(store.get())) return 0;
    for (int32_t y = 0; y < src.height(); ++y) reader.readGray(y, store->rows[y], scratch);
    return finish(target, std::move(store));
}

int toMonoThresholdImpl(const PixelSurface& source, PixelSurface& target, int32_t threshold) {
    const SurfaceStore& src = *source.store();
    auto store = newStore(src, 1);
    if (!store || !target.acceptsStore(store.get())) return 0;
    const int32_t w = src.width(), h = src.height();
    if (threshold <= 0 || threshold >= 255) {
        // Every bit set, or every bit clear (a new store is all 0).
        if (threshold <= 0) {
            for (int32_t y = 0; y < h; ++y) {
                std::memset(store->rows[y], 0xFF, size_t(store->bytesPerRow));
            }
        }
        return finish(target, std::move(store));
    }
    RowReader reader(src);
    std::vector<uint8_t> gray(static_cast<size_t>(w));
    std::vector<Bgr> scratch;
    for (int32_t y = 0; y < h; ++y) {
        reader.readGray(y, gray.data(), scratch);
        uint8_t* out = store->rows[y];
        for (int32_t x = 0; x < w; ++x) {
            platform::writeIndex1(out, x, gray[size_t(x)] >= threshold ? 1 : 0);
        }
    }
    return finish(target, std::move(store));
}

int toMonoDitheredImpl(const PixelSurface& source, PixelSurface& target) {
    const SurfaceStore& src = *source.store();
    if (src.bitsPerPixel() == 1) return copyOf(source, target);
    auto store = newStore(src, 1);
    if (!store || !target.acceptsStore(store.get())) return 0;
    const int32_t w = src.width(), h = src.height();
    RowReader reader(src);
    std::vector<uint8_t> cur(static_cast<size_t>(w)), next(static_cast<size_t>(w));
    std::vector<Bgr> scratch;
    reader.readGray(0, cur.data(), scratch);
    for (int32_t y = 0; y < h; ++y) {
        const bool below = y + 1 < h;
        if (below) reader.readGray(y + 1, next.data(), scratch);
        uint8_t* out = store->rows[y];
        for (int32_t x = 0; x < w; ++x) {
            const int32_t v = cur[size_t(x)];
            int32_t error = v;
            if (v >= 129) {
                platform::writeIndex1(out, x, 1);
                error = v - 255;
            }
            if (error == 0) continue;
            auto add = [&](std::vector<uint8_t>& row, int32_t at, int32_t weight) {
                if (at >= 0 && at < w) spread(row[size_t(at)], error * weight / 32);
            };
            add(cur, x + 1, 8);
            add(cur, x + 2, 4);
            if (below) {
                add(next, x - 2, 2);
                add(next, x - 1, 4);
                add(next, x, 8);
                add(next, x + 1, 4);
                add(next, x + 2, 2);
            }
        }
        std::swap(cur, next);
    }
    return finish(target, std::move(store));
}

int to16Impl(const PixelSurface& source, PixelSurface& target, bool fiveFiveFive) {
    const SurfaceStore& src = *source.store();
    auto store = fiveFiveFive ? newStore(src, 15) : newStore(src, 16, true);
    if (!store || !target.acceptsStore(store.get())) return 0;
    const int32_t w = src.width(), h = src.height();
    RowReader reader(src);
    std::vector<Bgr> row(static_cast<size_t>(w));
    for (int32_t y = 0; y < h; ++y) {
        reader.read(y, row.data());
        uint8_t* out = store->rows[y];
        for (int32_t x = 0; x < w; ++x) {
            const Bgr c = row[size_t(x)];
            const uint32_t word = fiveFiveFive
                                      ? ((c.r & 0xF8u) << 7) | ((c.g & 0xF8u) << 2) | (c.b >> 3)
                                      : ((c.r & 0xF8u) << 8) | ((c.g & 0xFCu) << 3) | (c.b >> 3);
            platform::writeWord16(out, x, word);
        }
    }
    return finish(target, std::move(store));
}

int to32Impl(const PixelSurface& source, PixelSurface& target) {
    const SurfaceStore& src = *source.store();
    const MaskCodec masks(src.masks, src.bitsPerPixel());
    const bool hasAlpha = src.bitsPerPixel() == 32 && src.masks[kMaskAlpha] != 0;
    if (src.bitsPerPixel() == 32 && masks.isStandard32() && !hasAlpha &&
        src.header.compression != kCompressionBitfields) {
        return copyOf(source, target);
    }
    auto store = newStore(src, 32);
    if (!store || !target.acceptsStore(store.get())) return 0;
    const int32_t w = src.width(), h = src.height();
    if (src.bitsPerPixel() == 32) {
        // Other channel layouts are repacked; an alpha channel lands in the fourth byte.
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t* in = src.rows[y];
            uint8_t* out = store->rows[y];
            for (int32_t x = 0; x < w; ++x) {
                const Bgra c = masks.decode(platform::readWord32(in, x));
                out[4 * x] = c.b;
                out[4 * x + 1] = c.g;
                out[4 * x + 2] = c.r;
                out[4 * x + 3] = hasAlpha ? c.a : 0;
            }
        }
        return finish(target, std::move(store));
    }
    RowReader reader(src);
    std::vector<Bgr> row(static_cast<size_t>(w));
    for (int32_t y = 0; y < h; ++y) {
        reader.read(y, row.data());
        uint8_t* out = store->rows[y];
        for (int32_t x = 0; x < w; ++x) {
            out[4 * x] = row[size_t(x)].b;
            out[4 * x + 1] = row[size_t(x)].g;
            out[4 * x + 2] = row[size_t(x)].r;
        }
    }
    return finish(target, std::move(store));
}

// A store of the surface's size with the given explicit masks (compression 3).
std::unique_ptr<SurfaceStore> storeWithMasks(const SurfaceStore& model, int32_t bpp,
                                             const uint32_t masks[4]) {
    // A 56-byte header carries all four masks.
    uint8_t header[56] = {};
    BitmapInfoHeader h;
    h.size = 56;
    h.width = model.width();
    h.height = model.height();
    h.bitCount = uint16_t(bpp);
    h.compression = kCompressionBitfields;
    h.xPelsPerMeter = model.header.xPelsPerMeter;
    h.yPelsPerMeter = model.header.yPelsPerMeter;
    std::memcpy(header, &h, sizeof h);
    std::memcpy(header + 40, masks, 16);
    return SurfaceStore::createFromHeader(header, sizeof header);
}

int normalizeMasksImpl(PixelSurface& surface) {
    const SurfaceStore& src = *surface.store();
    const int32_t bpp = src.bitsPerPixel();
    if (src.header.compression != kCompressionBitfields || (bpp != 16 && bpp != 32)) return 0;
    const uint32_t* m = src.masks;
    const bool noMasks = !m[0] && !m[1] && !m[2] && !m[3];
    static constexpr uint32_t k555[4] = {0x7C00, 0x03E0, 0x001F, 0};
    const uint32_t k8888[4] = {0xFF0000, 0xFF00, 0xFF, m[kMaskAlpha] ? 0xFF000000u : 0u};
    const uint32_t* wanted = bpp == 16 ? k555 : k8888;
    if (noMasks || std::memcmp(m, wanted, 16) == 0) return 1;
    auto store = storeWithMasks(src, bpp, wanted);
    if (!store || !surface.acceptsStore(store.get())) return 0;
    const MaskCodec from(src.masks, bpp);
    const int32_t w = src.width(), h = src.height();
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* in = src.rows[y];
        uint8_t* out = store->rows[y];
        for (int32_t x = 0; x < w; ++x) {
            if (bpp == 16) {
                const Bgra c = from.decode(platform::readWord16(in, x));
                platform::writeWord16(out, x,
                                      ((c.r & 0xF8u) << 7) | ((c.g & 0xF8u) << 2) | (c.b >> 3));
            } else {
                const uint32_t v = platform::readWord32(in, x);
                const uint32_t alpha = m[kMaskAlpha] ? from.channel(v, kMaskAlpha) : 0;
                platform::writeWord32(out, x,
                                      uint32_t(from.channel(v, kMaskBlue)) |
                                          uint32_t(from.channel(v, kMaskGreen)) << 8 |
                                          uint32_t(from.channel(v, kMaskRed)) << 16 | alpha << 24);
            }
        }
    }
    return finish(surface, std::move(store));
}

// Runs a conversion on a valid source; no exception leaves a public conversion.
template <typename F>
int guarded(const PixelSurface& source, F work) {
    if (!source.isValid()) return 0;
    try {
        return work();
    } catch (...) {
        return 0;
    }
}

}  // namespace

int normalizeMasks(PixelSurface& surface) {
    return guarded(surface, [&] { return normalizeMasksImpl(surface); });
}

int toMonoDithered(const PixelSurface& source, PixelSurface& target) {
    return guarded(source, [&] { return toMonoDitheredImpl(source, target); });
}

int toMonoThreshold(const PixelSurface& source, PixelSurface& target, int32_t threshold) {
    return guarded(source, [&] { return toMonoThresholdImpl(source, target, threshold); });
}

int toGray(const PixelSurface& source, PixelSurface& target) {
    return guarded(source, [&] { return toGrayImpl(source, target); });
}

int toPalette16(const PixelSurface& source, PixelSurface& target, int32_t colors) {
    return guarded(source, [&] { return toPaletteImpl(source, target, colors, 4); });
}

int toPalette256(const PixelSurface& source, PixelSurface& target, int32_t colors) {
    return guarded(source, [&] { return toPaletteImpl(source, target, colors, 8); });
}

int to16(const PixelSurface& source, PixelSurface& target, bool fiveFiveFive) {
    return guarded(source, [&] { return to16Impl(source, target, fiveFiveFive); });
}

int to24(const PixelSurface& source, PixelSurface& target) {
    return guarded(source, [&] { return to24Impl(source, target); });
}

int to32(const PixelSurface& source, PixelSurface& target) {
    return guarded(source, [&] { return to32Impl(source, target); });
}

int convertTo(const PixelSurface& source, PixelSurface& target, int32_t bitsPerPixel) {
    switch (bitsPerPixel) {
        case 1:
            return toMonoDithered(source, target);
        case 4:
            return toPalette16(source, target, 16);
        case 8:
            return toPalette256(source, target, 256);
        case 15:
            return to16(source, target, true);
        case 16:
            return to16(source, target, false);
        case 24:
            return to24(source, target);
        case 32:
            return to32(source, target);
        default:
            return 0;
    }
}

int convertWithPalette(const PixelSurface& source, PixelSurface& target, int32_t bitsPerPixel,
                       const Palette& palette, bool diffuse) {
    if (!isIndexedDepth(bitsPerPixel) || palette.count() < 1 ||
        palette.count() > (1 << bitsPerPixel)) {
        return 0;
    }
    return guarded(source, [&] {
        return convertWithPaletteImpl(source, target, bitsPerPixel, palette.entries, diffuse);
    });
}

int reduceToDepth(const PixelSurface& source, PixelSurface& target, int32_t bitsPerPixel) {
    return guarded(source, [&] { return reduceToDepthImpl(source, target, bitsPerPixel); });
}

}  // namespace varnel
