// Pixel surfaces: one class family over a SurfaceStore. PixelSurface accepts a store of any depth;
// Surface1 … Surface32 narrow it to one depth and do that depth's pixel work; ColorImage (24-bit
// colour) and GrayMap with its masks and channels (8-bit planes) are the document's two formats.
//
// Every operation returns 1 (or true) on success and 0 on failure; a failed operation leaves the
// surface as it was. Operations that replace the pixels build the new store completely before
// they release the old one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/color.h"
#include "core/geometry.h"
#include "core/surface_store.h"

namespace varnel {

class PixelSurface {
public:
    PixelSurface() = default;
    explicit PixelSurface(std::unique_ptr<SurfaceStore> store) : store_(std::move(store)) {}
    PixelSurface(const PixelSurface&) = delete;
    PixelSurface& operator=(const PixelSurface&) = delete;
    virtual ~PixelSurface() = default;

    // --- creation and ownership -------------------------------------------------------------

    // New zero-filled pixels (bitsPerPixel 1, 4, 8, 15, 16, 24 or 32; see SurfaceStore::create).
    // Fails, keeping the old pixels, for sizes ≤ 0 or over kMaxSurfaceSide, an unknown depth, a
    // depth this class does not accept, or a shortage of memory.
    int create(int32_t width, int32_t height, int32_t bitsPerPixel, bool withMasks = false);
    // New zero-filled pixels described by a packed bitmap header (SurfaceStore::createFromHeader).
    int createFromHeader(const void* header, size_t bytes);
    int createGray(int32_t width, int32_t height) { return create(width, height, 8); }
    int createColor(int32_t width, int32_t height) { return create(width, height, 24); }

    // A new object of the same class (and name or origin) holding a deep copy; null when this
    // surface is invalid or memory is short.
    virtual std::unique_ptr<PixelSurface> clone() const;

    // This becomes a deep copy of other's pixels, header, masks and palette.
    int copyFrom(const PixelSurface& other);
    // This becomes a copy of other's pixels inside rect ∩ other's bounds (same depth, palette and
    // masks); an empty intersection fails.
    int copyRectFrom(const PixelSurface& other, Rect rect);
    // Copies the pixel bytes as one block; both stores must have the same size and format.
    int copyPixels(const PixelSurface& other);

    // Takes ownership of a store this class accepts (the old store is released); on failure the
    // caller keeps the store.
    int adoptStore(std::unique_ptr<SurfaceStore>&& store);
    // Exchanges the stores; fails unless each surface accepts the other's store.
    int swapStores(PixelSurface& other);
    // Gives the store away and leaves the surface empty.
    std::unique_ptr<SurfaceStore> takeStore() { return std::move(store_); }
    void release() { store_.reset(); }

    const SurfaceStore* store() const { return store_.get(); }
    SurfaceStore* store() { return store_.get(); }

    // --- validity ---------------------------------------------------------------------------

    virtual bool isValid() const { return store_ && acceptsStore(store_.get()); }
    // The store is present, carries the magic, and has a depth this class handles.
    virtual bool acceptsStore(const SurfaceStore* store) const;

    // --- geometry and format (0 or empty for an empty surface) --------------------------------

    int32_t width() const { return store_ ? store_->width() : 0; }
    int32_t height() const { return store_ ? store_->height() : 0; }
    Size size() const { return {width(), height()}; }
    Rect bounds() const { return {0, 0, width(), height()}; }
    int32_t bitsPerPixel() const { return store_ ? store_->bitsPerPixel() : 0; }
    int32_t bytesPerRow() const { return store_ ? store_->bytesPerRow : 0; }
    size_t imageBytes() const { return store_ ? store_->imageBytes() : 0; }
    bool inBounds(int32_t x, int32_t y) const {
        return isValid() && x >= 0 && y >= 0 && x < width() && y < height();
    }

    // Row y (0 = top row) through the row table; no check: the caller keeps 0 ≤ y < height.
    uint8_t* row(int32_t y) { return store_->rows[y]; }
    const uint8_t* row(int32_t y) const { return store_->rows[y]; }
    uint8_t* const* rowTable() const { return store_ ? store_->rows.get() : nullptr; }
    uint8_t* bits() const { return store_ ? store_->bits : nullptr; }

    const Palette* palette() const { return store_ ? &store_->palette : nullptr; }
    // Replaces the palette of an indexed surface (at most 2^bitsPerPixel entries).
    int setPalette(const Palette& palette);

    // Red, green, blue and alpha masks; fails unless the header uses explicit masks.
    int getMasks(uint32_t out[4]) const;
    bool hasBitfields() const;
    bool isRunLength() const;
    bool smoothStretch() const;
    void setSmoothStretch(bool on);

    // --- pixel access -----------------------------------------------------------------------
    // Out-of-range coordinates read as 0 and are ignored by the setters.

    // Palette index of an indexed surface (0 for other depths).
    virtual uint32_t getIndex(int32_t x, int32_t y) const;
    virtual int setIndex(int32_t x, int32_t y, uint32_t index);
    // 24 bits give (B, G, R, 255); 32 bits the stored word; 16 bits each channel widened to 8
    // bits by its mask, alpha 255; indexed surfaces the palette entry (0 beyond the palette).
    virtual int getColor(Bgra& out, int32_t x, int32_t y) const;
    // 24 and 32 bits store the colour (32 bits with the fourth byte 0); 16 bits pack it by the
    // channel masks; indexed surfaces store the nearest palette entry.
    virtual int setColor(int32_t x, int32_t y, Bgr color);

    // --- export -----------------------------------------------------------------------------

    // The 40-byte header, then the masks when compression is 3 and the palette when indexed.
    std::vector<uint8_t> exportHeader() const;

protected:
    std::unique_ptr<SurfaceStore> store_;

    // An empty object of the same class, carrying the class's own fields (name, origin).
    virtual std::unique_ptr<PixelSurface> newSameClass() const;
    // Replaces the store after the class accepted it.
    int replaceStore(std::unique_ptr<SurfaceStore> store);
    // The depth this class insists on (0: any).
    virtual int32_t classDepth() const { return 0; }
};

class Surface1 : public PixelSurface {
public:
    using PixelSurface::PixelSurface;
    std::unique_ptr<PixelSurface> clone() const override;
    uint32_t getIndex(int32_t x, int32_t y) const override;
    int setIndex(int32_t x, int32_t y, uint32_t index) override;

protected:
    std::unique_ptr<PixelSurface> newSameClass() const override;
    int32_t classDepth() const override { return 1; }
};

class Surface4 : public PixelSurface {
public:
    using PixelSurface::PixelSurface;
    std::unique_ptr<PixelSurface> clone() const override;
    uint32_t getIndex(int32_t x, int32_t y) const override;
    int setIndex(int32_t x, int32_t y, uint32_t index) override;

protected:
    std::unique_ptr<PixelSurface> newSameClass() const override;
    int32_t classDepth() const override { return 4; }
};

class Surface8 : public PixelSurface {
public:
    using PixelSurface::PixelSurface;
    std::unique_ptr<PixelSurface> clone() const override;
    uint32_t getIndex(int32_t x, int32_t y) const override;
    int setIndex(int32_t x, int32_t y, uint32_t index) override;

protected:
    std::unique_ptr<PixelSurface> newSameClass() const override;
    int32_t classDepth() const override { return 8; }
};

class Surface16 : public PixelSurface {
public:
    using PixelSurface::PixelSurface;
    std::unique_ptr<PixelSurface> clone() const override;

protected:
    std::unique_ptr<PixelSurface> newSameClass() const override;
    int32_t classDepth() const override { return 16; }
};

class Surface24 : public PixelSurface {
public:
    using PixelSurface::PixelSurface;
    std::unique_ptr<PixelSurface> clone() const override;
    int getColor(Bgra& out, int32_t x, int32_t y) const override;
    int setColor(int32_t x, int32_t y, Bgr color) override;

    // Pixel x of row y as a colour record (no check).
    Bgr* pixels(int32_t y) { return reinterpret_cast<Bgr*>(store_->rows[y]); }
    const Bgr* pixels(int32_t y) const { return reinterpret_cast<const Bgr*>(store_->rows[y]); }

protected:
    std::unique_ptr<PixelSurface> newSameClass() const override;
    int32_t classDepth() const override { return 24; }
};

class Surface32 : public PixelSurface {
public:
    using PixelSurface::PixelSurface;
    std::unique_ptr<PixelSurface> clone() const override;

    Bgra* pixels(int32_t y) { return reinterpret_cast<Bgra*>(store_->rows[y]); }
    const Bgra* pixels(int32_t y) const { return reinterpret_cast<const Bgra*>(store_->rows[y]); }

protected:
    std::unique_ptr<PixelSurface> newSameClass() const override;
    int32_t classDepth() const override { return 32; }
};

// 24-bit colour pixels: layers, composites, clipboard images.
class ColorImage : public Surface24 {
public:
    using Surface24::Surface24;
    std::unique_ptr<PixelSurface> clone() const override;

protected:
    std::unique_ptr<PixelSurface> newSameClass() const override;
};

// 8-bit planes of levels: alpha planes, masks, channels.
class GrayMap : public Surface8 {
public:
    using Surface8::Surface8;
    std::unique_ptr<PixelSurface> clone() const override;

protected:
    std::unique_ptr<PixelSurface> newSameClass() const override;
};

// A selection mask: 0 not selected, 255 fully selected.
class Mask : public GrayMap {
public:
    using GrayMap::GrayMap;
    std::unique_ptr<PixelSurface> clone() const override;

protected:
    std::unique_ptr<PixelSurface> newSameClass() const override;
};

// A saved selection channel or a layer's alpha plane, with its name.
class Channel : public Mask {
public:
    using Mask::Mask;
    std::unique_ptr<PixelSurface> clone() const override;
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

protected:
    std::unique_ptr<PixelSurface> newSameClass() const override;

private:
    std::string name_;
};

// A mask covering only part of a larger area: origin is where its top-left pixel lies.
class OffsetMask : public Mask {
public:
    using Mask::Mask;
    std::unique_ptr<PixelSurface> clone() const override;
    Point origin() const { return origin_; }
    void setOrigin(Point p) { origin_ = p; }

protected:
    std::unique_ptr<PixelSurface> newSameClass() const override;

private:
    Point origin_;
};

// The working mask of the morphology operations.
class MorphologyMask : public Mask {
public:
    using Mask::Mask;
    std::unique_ptr<PixelSurface> clone() const override;

protected:
    std::unique_ptr<PixelSurface> newSameClass() const override;
};

// A copy of `s` typed as its own class (null when s is invalid or memory is short).
template <typename T>
std::unique_ptr<T> cloneOf(const T& s) {
    return std::unique_ptr<T>(static_cast<T*>(s.clone().release()));
}

// Index of the palette entry nearest to `c` (squared distance over blue, green and red; an exact
// match wins at once, otherwise the first of the nearest); -1 for an empty palette.
int32_t nearestPaletteIndex(const Bgra* palette, int32_t count, Bgr c);

}  // namespace varnel
