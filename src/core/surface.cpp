#include "core/surface.h"

#include <cstring>
#include <new>

#include "platform/pixel_format.h"

namespace varnel {
namespace {

using platform::MaskCodec;

bool sameFormat(const SurfaceStore& a, const SurfaceStore& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           a.bitsPerPixel() == b.bitsPerPixel() && a.bytesPerRow == b.bytesPerRow &&
           a.header.compression == b.header.compression &&
           std::memcmp(a.masks, b.masks, sizeof a.masks) == 0 && a.palette == b.palette;
}

// Per-depth pixel access over a valid store; callers have checked the coordinates.
uint32_t indexAt(const SurfaceStore& s, int32_t x, int32_t y) {
    const uint8_t* row = s.rows[y];
    switch (s.bitsPerPixel()) {
        case 1:
            return platform::readIndex1(row, x);
        case 4:
            return platform::readIndex4(row, x);
        case 8:
            return row[x];
        default:
            return 0;
    }
}

int storeIndex(SurfaceStore& s, int32_t x, int32_t y, uint32_t index) {
    uint8_t* row = s.rows[y];
    switch (s.bitsPerPixel()) {
        case 1:
            platform::writeIndex1(row, x, index);
            return 1;
        case 4:
            platform::writeIndex4(row, x, index);
            return 1;
        case 8:
            row[x] = uint8_t(index);
            return 1;
        default:
            return 0;
    }
}

Bgra colorAt(const SurfaceStore& s, int32_t x, int32_t y) {
    const uint8_t* row = s.rows[y];
    switch (s.bitsPerPixel()) {
        case 1:
        case 4:
        case 8: {
            const uint32_t i = indexAt(s, x, y);
            return i < s.palette.entries.size() ? s.palette.entries[i] : Bgra{};
        }
        case 16: {
            const uint32_t w = platform::readWord16(row, x);
            auto ch = [&](int i) -> uint8_t {
                if (!s.masks[i]) return 0;
                const uint32_t v = (w & s.masks[i]) >> s.shifts[i];
                return s.losses[i] >= 0 ? uint8_t(v << s.losses[i]) : uint8_t(v >> -s.losses[i]);
            };
            return {ch(kMaskBlue), ch(kMaskGreen), ch(kMaskRed), 255};
        }
        case 24:
            return {row[3 * x], row[3 * x + 1], row[3 * x + 2], 255};
        default: {
            const uint8_t* p = row + 4 * x;
            return {p[0], p[1], p[2], p[3]};
        }
    }
}

int storeColor(SurfaceStore& s, int32_t x, int32_t y, Bgr c) {
    uint8_t* row = s.rows[y];
    switch (s.bitsPerPixel()) {
        case 1:
        case 4:
        case 8: {
            const int32_t i =
                platform::nearestIndex(s.palette.entries.data(), s.palette.count(), c);
            if (i < 0) return 0;
            return storeIndex(s, x, y, uint32_t(i));
        }
        case 16: {
            auto pack = [&](uint8_t v, int i) -> uint32_t {
                if (!s.masks[i]) return 0;
                const uint32_t w =
                    s.losses[i] >= 0 ? uint32_t(v) >> s.losses[i] : uint32_t(v) << -s.losses[i];
                return (w << s.shifts[i]) & s.masks[i];
            };
            // A 16-bit alpha channel keeps its stored bits: a colour carries no alpha.
            const uint32_t old = platform::readWord16(row, x);
            const uint32_t w = pack(c.r, kMaskRed) | pack(c.g, kMaskGreen) | pack(c.b, kMaskBlue) |
                               (old & s.masks[kMaskAlpha]);
            platform::writeWord16(row, x, w);
            return 1;
        }
        case 24:
            row[3 * x] = c.b;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.r;
            return 1;
        default:
            // The fourth byte (alpha or unused) is left as it is: a colour carries no alpha.
            row[4 * x] = c.b;
            row[4 * x + 1] = c.g;
            row[4 * x + 2] = c.r;
            return 1;
    }
}

}  // namespace

int32_t nearestPaletteIndex(const Bgra* palette, int32_t count, Bgr c) {
    return platform::nearestIndex(palette, count, c);
}

// --- PixelSurface: creation and ownership ---------------------------------------------------

bool PixelSurface::acceptsStore(const SurfaceStore* store) const {
    if (!store || !store->isValid()) return false;
    const int32_t depth = classDepth();
    return depth == 0 || store->bitsPerPixel() == depth;
}

int PixelSurface::replaceStore(std::unique_ptr<SurfaceStore> store) {
    if (!acceptsStore(store.get())) return 0;
    store_ = std::move(store);
    return 1;
}

int PixelSurface::create(int32_t width, int32_t height, int32_t bitsPerPixel, bool withMasks) {
    const int32_t depth = classDepth();
    if (depth && (bitsPerPixel == 15 ? 16 : bitsPerPixel) != depth) return 0;
    return replaceStore(SurfaceStore::create(width, height, bitsPerPixel, withMasks));
}

int PixelSurface::createFromHeader(const void* header, size_t bytes) {
    return replaceStore(SurfaceStore::createFromHeader(header, bytes));
}

std::unique_ptr<PixelSurface> PixelSurface::newSameClass() const {
    return std::unique_ptr<PixelSurface>(new (std::nothrow) PixelSurface);
}

std::unique_ptr<PixelSurface> PixelSurface::clone() const {
    if (!isValid()) return nullptr;
    auto copy = newSameClass();
    if (!copy || !copy->copyFrom(*this)) return nullptr;
    return copy;
}

int PixelSurface::copyFrom(const PixelSurface& other) {
    if (&other == this) return isValid() ? 1 : 0;
    if (!other.isValid()) return 0;
    return replaceStore(other.store_->clone());
}

int PixelSurface::copyRectFrom(const PixelSurface& other, Rect rect) {
    if (!other.isValid()) return 0;
    const Rect r = rect.normalized().intersected(other.bounds());
    if (r.isEmpty()) return 0;
    const SurfaceStore& src = *other.store_;
    std::unique_ptr<SurfaceStore> s = SurfaceStore::createLike(src, r.width(), r.height());
    if (!s) return 0;
    const int32_t bpp = src.bitsPerPixel();
    if (bpp >= 8) {
        const size_t bpx = size_t(bpp / 8);
        const size_t bytes = bpx * size_t(r.width());
        for (int32_t y = 0; y < r.height(); ++y)
            std::memcpy(s->rows[y], src.rows[r.top + y] + bpx * size_t(r.left), bytes);
    } else {
        for (int32_t y = 0; y < r.height(); ++y)
            for (int32_t x = 0; x < r.width(); ++x)
                storeIndex(*s, x, y, indexAt(src, r.left + x, r.top + y));
    }
    return replaceStore(std::move(s));
}

int PixelSurface::copyPixels(const PixelSurface& other) {
    if (!isValid() || !other.isValid()) return 0;
    if (!sameFormat(*store_, *other.store_)) return 0;
    if (store_.get() != other.store_.get())
        std::memcpy(store_->bits, other.store_->bits, store_->imageBytes());
    return 1;
}

int PixelSurface::adoptStore(std::unique_ptr<SurfaceStore>&& store) {
    if (!acceptsStore(store.get())) return 0;
    store_ = std::move(store);
    return 1;
}

int PixelSurface::swapStores(PixelSurface& other) {
    auto accepts = [](const PixelSurface& s, const SurfaceStore* st) {
        return !st || s.acceptsStore(st);
    };
    if (!accepts(*this, other.store_.get()) || !accepts(other, store_.get())) return 0;
    std::swap(store_, other.store_);
    return 1;
}

int PixelSurface::setPalette(const Palette& p) {
    if (!isValid() || bitsPerPixel() > 8) return 0;
    if (p.count() > (1 << bitsPerPixel())) return 0;
    try {
        store_->palette = p;
    } catch (const std::bad_alloc&) {
        return 0;
    }
    for (Bgra& e : store_->palette.entries) e.a = 0;
    store_->header.clrUsed = uint32_t(p.count());
    return 1;
}

int PixelSurface::getMasks(uint32_t out[4]) const {
    if (!isValid() || store_->header.compression != kCompressionBitfields) return 0;
    for (int i = 0; i < 4; ++i) out[i] = store_->masks[i];
    return 1;
}

bool PixelSurface::hasBitfields() const {
    return isValid() && store_->header.compression == kCompressionBitfields;
}

bool PixelSurface::isRunLength() const {
    return isValid() && (store_->header.compression == kCompressionRle8 ||
                         store_->header.compression == kCompressionRle4);
}

bool PixelSurface::smoothStretch() const {
    return store_ && (store_->flags & SurfaceStore::kFlagSmoothStretch);
}

void PixelSurface::setSmoothStretch(bool on) {
    if (!store_) return;
    if (on)
        store_->flags |= SurfaceStore::kFlagSmoothStretch;
    else
        store_->flags &= ~SurfaceStore::kFlagSmoothStretch;
}

std::vector<uint8_t> PixelSurface::exportHeader() const {
    if (!isValid()) return {};
    try {
        return store_->exportHeader();
    } catch (const std::bad_alloc&) {
        return {};
    }
}

// --- pixel access: the generic class dispatches on the store's depth --------------------------

uint32_t PixelSurface::getIndex(int32_t x, int32_t y) const {
    if (!inBounds(x, y)) return 0;
    return indexAt(*store_, x, y);
}

int PixelSurface::setIndex(int32_t x, int32_t y, uint32_t index) {
    if (!inBounds(x, y)) return 0;
    return storeIndex(*store_, x, y, index);
}

int PixelSurface::getColor(Bgra& out, int32_t x, int32_t y) const {
    if (!inBounds(x, y)) {
        out = {};
        return 0;
    }
    out = colorAt(*store_, x, y);
    return 1;
}

int PixelSurface::setColor(int32_t x, int32_t y, Bgr color) {
    if (!inBounds(x, y)) return 0;
    return storeColor(*store_, x, y, color);
}

// --- depth classes ----------------------------------------------------------------------------

#define VARNEL_SURFACE_CLASS_BASICS(Class)                              \
    std::unique_ptr<PixelSurface> Class::newSameClass() const {         \
        return std::unique_ptr<PixelSurface>(new (std::nothrow) Class); \
    }                                                                   \
    std::unique_ptr<PixelSurface> Class::clone() const {                \
        return PixelSurface::clone();                                   \
    }

VARNEL_SURFACE_CLASS_BASICS(Surface1)
VARNEL_SURFACE_CLASS_BASICS(Surface4)
VARNEL_SURFACE_CLASS_BASICS(Surface8)
VARNEL_SURFACE_CLASS_BASICS(Surface16)
VARNEL_SURFACE_CLASS_BASICS(Surface24)
VARNEL_SURFACE_CLASS_BASICS(Surface32)
VARNEL_SURFACE_CLASS_BASICS(ColorImage)
VARNEL_SURFACE_CLASS_BASICS(GrayMap)
VARNEL_SURFACE_CLASS_BASICS(Mask)
VARNEL_SURFACE_CLASS_BASICS(MorphologyMask)
#undef VARNEL_SURFACE_CLASS_BASICS

std::unique_ptr<PixelSurface> Channel::newSameClass() const {
    std::unique_ptr<Channel> c(new (std::nothrow) Channel);
    if (c) {
        try {
            c->name_ = name_;
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
    return c;
}
std::unique_ptr<PixelSurface> Channel::clone() const {
    return PixelSurface::clone();
}

std::unique_ptr<PixelSurface> OffsetMask::newSameClass() const {
    std::unique_ptr<OffsetMask> m(new (std::nothrow) OffsetMask);
    if (m) m->origin_ = origin_;
    return m;
}
std::unique_ptr<PixelSurface> OffsetMask::clone() const {
    return PixelSurface::clone();
}

uint32_t Surface1::getIndex(int32_t x, int32_t y) const {
    return inBounds(x, y) ? platform::readIndex1(store_->rows[y], x) : 0;
}
int Surface1::setIndex(int32_t x, int32_t y, uint32_t index) {
    if (!inBounds(x, y)) return 0;
    platform::writeIndex1(store_->rows[y], x, index);
    return 1;
}

uint32_t Surface4::getIndex(int32_t x, int32_t y) const {
    return inBounds(x, y) ? platform::readIndex4(store_->rows[y], x) : 0;
}
int Surface4::setIndex(int32_t x, int32_t y, uint32_t index) {
    if (!inBounds(x, y)) return 0;
    platform::writeIndex4(store_->rows[y], x, index);
    return 1;
}

uint32_t Surface8::getIndex(int32_t x, int32_t y) const {
    return inBounds(x, y) ? store_->rows[y][x] : 0;
}
int Surface8::setIndex(int32_t x, int32_t y, uint32_t index) {
    if (!inBounds(x, y)) return 0;
    store_->rows[y][x] = uint8_t(index);
    return 1;
}

int Surface24::getColor(Bgra& out, int32_t x, int32_t y) const {
    if (!inBounds(x, y)) {
        out = {};
        return 0;
    }
    const Bgr p = pixels(y)[x];
    out = {p.b, p.g, p.r, 255};
    return 1;
}
int Surface24::setColor(int32_t x, int32_t y, Bgr color) {
    if (!inBounds(x, y)) return 0;
    pixels(y)[x] = color;
    return 1;
}

}  // namespace varnel
