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
#include "platform/raster.h"

namespace varnel {

class PixelSurface {
public:
    PixelSurface() = default;
    explicit PixelSurface(std::unique_ptr<SurfaceStore> store) : store_(std::move(store)) {}
    PixelSurface(const PixelSurface&) = delete;
    PixelSurface& operator=(const PixelSurface&) = delete;
    // Moving builds a surface of the same class (or the generic one) around the store; there is
    // no move assignment, which through a base reference could put a store of the wrong depth
    // into a narrower class.
    PixelSurface(PixelSurface&& other) noexcept = default;
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

    // --- drawing through the platform layer -------------------------------------------------
    // Rectangles are normalised and clipped to the bounds; colours are converted to the
    // surface's format (nearest palette entry for indexed surfaces).

    // Shifts the pixels inside rect by (dx, dy); uncovered pixels keep their old values.
    virtual int scroll(Rect rect, int32_t dx, int32_t dy);
    // Inverts every bit of the pixels in rect, leaving out `excluded` when given.
    virtual int invertRect(Rect rect, const Rect* excluded = nullptr);
    virtual int invertAll();
    virtual int fillAll(ColorRef color);
    // Fills rect with the colour, leaving out `excluded` when given.
    virtual int fillRect(Rect rect, ColorRef color, const Rect* excluded = nullptr);
    // The ellipse inscribed in rect, outline and interior; an empty rect draws nothing.
    virtual int drawEllipse(Rect rect, ColorRef color);
    // Repeats `pattern` across the surface from the top-left corner.
    virtual int tileFrom(const PixelSurface& pattern);
    // A 1-pixel line; the end pixel is set too.
    virtual int drawLine(Point from, Point to, ColorRef color);
    // A 1-pixel outline in the colour, hollow when fill is -1 and filled with the colour
    // otherwise; `excluded` is left out.
    virtual int drawRectangle(Rect rect, ColorRef color, int fill, const Rect* excluded = nullptr);

    // --- geometry ---------------------------------------------------------------------------

    // Makes rect (normalised; empty fails) the new canvas. With keepPixels the pixels keep their
    // place relative to rect: pixel (x, y) moves to (x − left, y − top) and the pixels rect adds
    // are 0. Without it the pixels are 0 when the size changes and left alone when it does not.
    // A surface without pixels gets a zero-filled store (8-bit and 24-bit classes only).
    virtual int cropTo(Rect rect, bool keepPixels);
    // 8- and 24-bit: crops to the bounding box of the pixels that differ from the top-left pixel;
    // a surface of one colour is left as it is.
    virtual int trim();
    // 8- and 24-bit: the bounding box of the pixels that differ from the top-left pixel, the
    // rectangle trim() crops to; empty when every pixel equals it or for other depths.
    Rect trimBounds() const;
    // 8- and 24-bit only.
    virtual int rotate180();
    // New pixel (h − 1 − y, x) = old (x, y). 8- and 24-bit only.
    virtual int rotate90Clockwise();
    // New pixel (y, w − 1 − x) = old (x, y). 8- and 24-bit only.
    virtual int rotate90CounterClockwise();
    // `target` becomes this surface turned a quarter clockwise (as rotate90Clockwise) or
    // counter-clockwise; this surface is left alone, so that many surfaces can be turned before any
    // of them is replaced. `target` must accept the depth and may be this surface. 8- and 24-bit.
    int rotate90Into(PixelSurface& target, bool clockwise) const;
    // Free rotation is not offered: always fails.
    virtual int rotateAngle(double angle);
    // Mirrors each row. 8- and 24-bit only.
    virtual int flipHorizontal();
    // Reverses the row order; every depth.
    virtual int flipVertical();
    // New pixel (y, x) = old (x, y). 8- and 24-bit only.
    virtual int transpose();
    // New pixel (h − 1 − y, w − 1 − x) = old (x, y). 8- and 24-bit only.
    virtual int antiTranspose();
    // Within 0.0001 of 180 → rotate180, of 90 → rotate90Clockwise, of 270 →
    // rotate90CounterClockwise; another positive angle → rotateAngle; zero or a negative angle
    // succeeds without change (NaN fails).
    int rotate(double angle);

    // Replaces the pixels by a stretched copy of the new size (each side 1 … kMaxSurfaceSide);
    // nothing changes when the size is the same.
    virtual int resizeTo(Size size, bool smooth);
    // `target` becomes a surface of the size in this surface's format holding the stretched
    // pixels: replicated, or smoothed (area average when shrinking, linear when enlarging;
    // 8-bit planes average their levels). `target` may be this surface.
    virtual int stretchInto(PixelSurface& target, Size size, bool smooth) const;
    int resizeToDefault(Size size) { return resizeTo(size, false); }
    int resizeToSmooth(Size size) { return resizeTo(size, true); }
    int stretchIntoDefault(PixelSurface& target, Size size) const {
        return stretchInto(target, size, false);
    }
    int stretchIntoSmooth(PixelSurface& target, Size size) const {
        return stretchInto(target, size, true);
    }
    // 8-bit family only: a new canvas of the size with the old pixels copied in at `origin`; new
    // pixels are 0. Nothing changes when the size is the same.
    virtual int resizeCanvas(Size size, Point origin);

    // --- exchange with other rasters and export ----------------------------------------------

    // The store as the platform layer sees it (an empty Raster for an empty surface).
    platform::Raster raster() const;
    // Copies the whole surface into `target` with its top-left corner at (x, y).
    int drawTo(const platform::Raster& target, int32_t x, int32_t y) const;
    // Stretches srcRect of the surface onto dstRect of `target`, smoothing when the surface's
    // smooth-stretch flag is set.
    int stretchTo(const platform::Raster& target, Rect dstRect, Rect srcRect) const;
    // This becomes a 24-bit copy of the rect of `source` (clipped; an empty rect fails).
    int copyFromRaster(const platform::Raster& source, Rect rect);

    // The 40-byte header, then the masks when compression is 3 and the palette when indexed.
    std::vector<uint8_t> exportHeader() const;
    // The header as exportHeader gives it, followed by the pixel rows bottom-up: a packed bitmap
    // as files and the clipboard carry it. Empty when the surface is invalid.
    std::vector<uint8_t> exportPackedBitmap() const;

protected:
    std::unique_ptr<SurfaceStore> store_;

    // An empty object of the same class, carrying the class's own fields (name, origin).
    virtual std::unique_ptr<PixelSurface> newSameClass() const;
    // Replaces the store after the class accepted it.
    int replaceStore(std::unique_ptr<SurfaceStore> store);
    // The depth this class insists on (0: any).
    virtual int32_t classDepth() const { return 0; }
    // The depth cropTo gives a surface without pixels (0: it fails).
    virtual int32_t emptyCropDepth() const {
        return classDepth() == 8 || classDepth() == 24 ? classDepth() : 0;
    }
    // True for planes whose 8-bit values are levels (alpha, masks) rather than palette indices.
    virtual bool holdsLevels() const { return false; }
    // The 8- and 24-bit geometry operations.
    int transformBytePixels(int kind);
    int trimBytePixels();
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

    int trim() override;
    int rotate180() override;
    int rotate90Clockwise() override;
    int rotate90CounterClockwise() override;
    int flipHorizontal() override;
    int transpose() override;
    int antiTranspose() override;
    int resizeCanvas(Size size, Point origin) override;

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

    int trim() override;
    int rotate180() override;
    int rotate90Clockwise() override;
    int rotate90CounterClockwise() override;
    int flipHorizontal() override;
    int transpose() override;
    int antiTranspose() override;

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
    bool holdsLevels() const override { return true; }
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
