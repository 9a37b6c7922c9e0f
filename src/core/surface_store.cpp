#include "core/surface_store.h"

#include <cstring>
#include <limits>
#include <new>

namespace varnel {
namespace {

constexpr uint32_t kMasks555[4] = {0x7C00, 0x03E0, 0x001F, 0};
constexpr uint32_t kMasks565[4] = {0xF800, 0x07E0, 0x001F, 0};
constexpr uint32_t kMasks888[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0};

constexpr Bgra kPalette16[16] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},   {0, 128, 0, 0},   {128, 128, 0, 0},
    {0, 0, 128, 0},     {128, 0, 128, 0}, {0, 128, 128, 0}, {192, 192, 192, 0},
    {128, 128, 128, 0}, {255, 0, 0, 0},   {0, 255, 0, 0},   {255, 255, 0, 0},
    {0, 0, 255, 0},     {255, 0, 255, 0}, {0, 255, 255, 0}, {255, 255, 255, 0},
};

bool isKnownDepth(int32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

template <typename T>
T readAt(const uint8_t* p, size_t offset) {
    T v;
    std::memcpy(&v, p + offset, sizeof v);
    return v;
}

}  // namespace

int64_t bitmapRowBytes(int64_t width, int64_t bitsPerPixel) {
    if (width <= 0 || width > kMaxSurfaceSide || bitsPerPixel <= 0 || bitsPerPixel > 32) return -1;
    return (width * bitsPerPixel + 31) / 32 * 4;
}

Palette defaultPalette(int32_t bitsPerPixel) {
    Palette p;
    switch (bitsPerPixel) {
        case 1:
            p.entries = {{0, 0, 0, 0}, {255, 255, 255, 0}};
            break;
        case 4:
            p.entries.assign(std::begin(kPalette16), std::end(kPalette16));
            break;
        case 8:
            p.entries.resize(256);
            for (int i = 0; i < 256; ++i) p.entries[i] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
            break;
        default:
            break;
    }
    return p;
}

SurfaceStore::~SurfaceStore() {
    magic = 0;
}

void SurfaceStore::setMasks(const uint32_t m[4]) {
    for (int i = 0; i < 4; ++i) {
        masks[i] = m[i];
        shifts[i] = m[i] ? std::countr_zero(m[i]) : 0;
        losses[i] = m[i] ? 8 - std::popcount(m[i]) : 0;
    }
}

std::unique_ptr<SurfaceStore> SurfaceStore::build(const BitmapInfoHeader& h, const uint32_t* masks4,
                                                  const Bgra* pal, int32_t paletteCount,
                                                  bool zeroed) {
    if (!isKnownDepth(h.bitCount)) return nullptr;
    if (h.width <= 0 || h.height <= 0 || h.width > kMaxSurfaceSide || h.height > kMaxSurfaceSide)
        return nullptr;
    const int64_t rowBytes = bitmapRowBytes(h.width, h.bitCount);
    if (rowBytes <= 0) return nullptr;
    // At most 30000 × 120000 bytes: well inside 64 bits, checked anyway so that a change of the
    // side limit cannot turn into a short allocation.
    if (uint64_t(rowBytes) > std::numeric_limits<uint64_t>::max() / uint64_t(h.height))
        return nullptr;
    const uint64_t total = uint64_t(rowBytes) * uint64_t(h.height);
    if (total > std::numeric_limits<size_t>::max()) return nullptr;

    std::unique_ptr<SurfaceStore> s(new (std::nothrow) SurfaceStore);
    if (!s) return nullptr;
    s->rows.reset(new (std::nothrow) uint8_t*[size_t(h.height)]);
    if (!s->rows) return nullptr;
    s->memory = platform::PixelMemory::allocate(size_t(total), zeroed);
    if (!s->memory) return nullptr;
    try {
        if (pal && paletteCount > 0) s->palette.entries.assign(pal, pal + paletteCount);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    for (Bgra& e : s->palette.entries) e.a = 0;  // the fourth byte of an entry is reserved

    s->bits = s->memory.data();
    s->bytesPerRow = int32_t(rowBytes);
    for (int32_t y = 0; y < h.height; ++y)
        s->rows[y] = s->bits + size_t(h.height - 1 - y) * size_t(rowBytes);

    s->header = h;
    s->header.size = 40;
    s->header.planes = 1;
    s->header.sizeImage = total <= 0xFFFFFFFFu ? uint32_t(total) : 0;
    s->header.clrUsed = h.bitCount <= 8 ? uint32_t(s->palette.count()) : 0;
    s->header.clrImportant = 0;
    s->setMasks(masks4);
    return s;
}

std::unique_ptr<SurfaceStore> SurfaceStore::create(int32_t width, int32_t height,
                                                   int32_t bitsPerPixel, bool withMasks) {
    BitmapInfoHeader h;
    h.width = width;
    h.height = height;
    h.bitCount = uint16_t(bitsPerPixel == 15 ? 16 : bitsPerPixel);
    if (bitsPerPixel != 15 && !isKnownDepth(bitsPerPixel)) return nullptr;
    const uint32_t* m = kMasks555;
    static constexpr uint32_t kNone[4] = {0, 0, 0, 0};
    if (bitsPerPixel == 15) {
        m = kMasks555;
    } else if (bitsPerPixel == 16) {
        m = withMasks ? kMasks565 : kMasks555;
    } else if (bitsPerPixel == 32) {
        m = kMasks888;
    } else {
        m = kNone;
    }
    if (withMasks && (h.bitCount == 16 || h.bitCount == 32)) h.compression = kCompressionBitfields;
    Palette p = defaultPalette(h.bitCount);
    return build(h, m, p.entries.data(), p.count());
}

std::unique_ptr<SurfaceStore> SurfaceStore::createFromHeader(const void* data, size_t bytes) {
    if (!data || bytes < 40) return nullptr;
    const auto* p = static_cast<const uint8_t*>(data);
    BitmapInfoHeader h;
    std::memcpy(&h, p, sizeof h);
    if (h.size != 40 && h.size != 56 && h.size != 108 && h.size != 124) return nullptr;
    if (bytes < h.size) return nullptr;
    if (!isKnownDepth(h.bitCount)) return nullptr;
    switch (h.compression) {
        case kCompressionNone:
            break;
        case kCompressionRle8:
            if (h.bitCount != 8) return nullptr;
            break;
        case kCompressionRle4:
            if (h.bitCount != 4) return nullptr;
            break;
        case kCompressionBitfields:
            if (h.bitCount != 16 && h.bitCount != 32) return nullptr;
            break;
        default:
            return nullptr;
    }
    // A negative height marks top-down rows in a file; the store is bottom-up like every other,
    // and whoever fills it goes through the row table, so only the magnitude matters here.
    if (h.height == std::numeric_limits<int32_t>::min()) return nullptr;
    if (h.height < 0) h.height = -h.height;

    uint32_t m[4] = {0, 0, 0, 0};
    size_t paletteOffset = h.size;
    if (h.compression == kCompressionBitfields) {
        if (h.size == 40) {
            if (bytes < 52) return nullptr;
            for (int i = 0; i < 3; ++i) m[i] = readAt<uint32_t>(p, 40 + 4 * i);
            paletteOffset = 52;
        } else {
            for (int i = 0; i < 4; ++i) m[i] = readAt<uint32_t>(p, 40 + 4 * i);
        }
    } else if (h.bitCount == 16) {
        std::memcpy(m, kMasks555, sizeof m);
    } else if (h.bitCount == 32) {
        std::memcpy(m, kMasks888, sizeof m);
    }
    if (h.compression == kCompressionRle8 || h.compression == kCompressionRle4)
        h.compression = kCompressionNone;

    std::vector<Bgra> pal;
    if (h.bitCount <= 8) {
        const uint32_t maxCount = 1u << h.bitCount;
        const uint32_t count = h.clrUsed ? h.clrUsed : maxCount;
        if (count > maxCount) return nullptr;
        if (bytes < paletteOffset || (bytes - paletteOffset) / 4 < count) return nullptr;
        try {
            pal.resize(count);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        std::memcpy(pal.data(), p + paletteOffset, count * 4);
    }
    return build(h, m, pal.data(), int32_t(pal.size()));
}

std::unique_ptr<SurfaceStore> SurfaceStore::createLike(const SurfaceStore& model, int32_t width,
                                                       int32_t height) {
    if (!model.isValid()) return nullptr;
    BitmapInfoHeader h = model.header;
    h.width = width;
    h.height = height;
    auto s = build(h, model.masks, model.palette.entries.data(), model.palette.count());
    if (s) s->flags = model.flags;
    return s;
}

std::unique_ptr<SurfaceStore> SurfaceStore::createForOverwrite(const SurfaceStore& model) {
    return createForOverwrite(model, model.width(), model.height());
}

std::unique_ptr<SurfaceStore> SurfaceStore::createForOverwrite(const SurfaceStore& model,
                                                               int32_t width, int32_t height) {
    if (!model.isValid()) return nullptr;
    BitmapInfoHeader h = model.header;
    h.width = width;
    h.height = height;
    auto s = build(h, model.masks, model.palette.entries.data(), model.palette.count(), false);
    if (!s) return nullptr;
    s->flags = model.flags;
    const size_t used = (size_t(s->header.width) * s->header.bitCount + 7) / 8;
    const size_t padding = size_t(s->bytesPerRow) - used;
    if (padding) {
        for (int32_t y = 0; y < s->header.height; ++y) std::memset(s->rows[y] + used, 0, padding);
    }
    return s;
}

std::unique_ptr<SurfaceStore> SurfaceStore::clone() const {
    if (!isValid()) return nullptr;
    // Every byte is copied: no need to clear the new memory first.
    auto s = build(header, masks, palette.entries.data(), palette.count(), false);
    if (!s) return nullptr;
    s->flags = flags;
    std::memcpy(s->bits, bits, imageBytes());
    return s;
}

platform::Raster SurfaceStore::raster() const {
    platform::Raster r;
    r.rows = rows.get();
    r.width = header.width;
    r.height = header.height;
    r.bitsPerPixel = header.bitCount;
    r.palette = palette.entries.data();
    r.paletteCount = palette.count();
    for (int i = 0; i < 4; ++i) r.masks[i] = masks[i];
    return r;
}

std::vector<uint8_t> SurfaceStore::exportHeader() const {
    std::vector<uint8_t> out;
    if (!isValid()) return out;
    const bool withMasks = header.compression == kCompressionBitfields;
    const size_t paletteBytes = header.bitCount <= 8 ? palette.entries.size() * 4 : 0;
    out.resize(40 + (withMasks ? 12 : 0) + paletteBytes);
    BitmapInfoHeader h = header;
    h.size = 40;
    h.clrUsed = header.bitCount <= 8 ? uint32_t(palette.count()) : 0;
    h.clrImportant = 0;
    std::memcpy(out.data(), &h, 40);
    size_t at = 40;
    if (withMasks) {
        std::memcpy(out.data() + at, masks, 12);
        at += 12;
    }
    if (paletteBytes) std::memcpy(out.data() + at, palette.entries.data(), paletteBytes);
    return out;
}

}  // namespace varnel
