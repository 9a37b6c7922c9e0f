// The filter family. A Filter holds its own parameters and changes the pixels of one 24-bit colour
// or 8-bit surface, restricted by an optional 8-bit coverage mask. Point filters (every
// adjustment) change each pixel on its own through precomputed tables; area filters (blurs and
// sharpens) read a neighbourhood, can be cloned, and register a copy of themselves as the Last
// Filter when applied.
//
// Filters know nothing of documents, layers or selections: the caller turns the selection into a
// mask placed in the surface's coordinates (see filter_action.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/color.h"
#include "core/geometry.h"
#include "core/surface.h"

namespace varnel {

// An 8-bit coverage plane placed on the surface being filtered: the mask value of surface pixel
// (x, y) is plane[y − origin.y][x − origin.x]. 0 leaves the pixel, 255 takes the filter's result,
// values between mix old and new.
struct CoverageMask {
    const GrayMap* plane = nullptr;
    Point origin;
};

class Filter {
public:
    Filter() = default;
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;
    virtual ~Filter();

    // Display name (UTF-8).
    virtual std::string name() const;

    // Filters `surface` (24 or 8 bits per pixel) inside the mask, or everywhere without one.
    // The processing rectangle is the surface's bounds, cut to the mask's placed bounds when a
    // mask plane is given, and to `limit` when given (a selection rectangle without a mask).
    // Returns 1 on success; 0, leaving the pixels untouched, when the surface or the mask plane
    // holds no pixels, the rectangle is empty, or the depth is neither 24 nor 8.
    int apply(PixelSurface& surface, const CoverageMask* mask = nullptr,
              const Rect* limit = nullptr);

    // As apply, but the pixels are read from `source` (same size and depth as `surface`) and the
    // results written into `surface`: inside the processing rectangle every pixel of `surface`
    // becomes what apply would have made of the source's pixel, pixels outside it are not
    // touched. This fuses "put the snapshot back, apply again" into one pass for the preview.
    // Fails (0) for filters that cannot read a separate source (see readsSeparateSource).
    int applyFrom(const PixelSurface& source, PixelSurface& surface,
                  const CoverageMask* mask = nullptr, const Rect* limit = nullptr);
    virtual bool readsSeparateSource() const { return false; }

    // True when applying the filter twice to a whole surface gives back every value exactly
    // (Invert): an undo can then apply it again instead of keeping a copy of the pixels.
    virtual bool isSelfInverse() const { return false; }

    // The part of the surface the last application may have changed (empty when it failed).
    Rect changedRect() const { return changed_; }

    virtual bool isAreaFilter() const { return false; }

    // The processing rectangle apply uses on a surface with these bounds: the bounds cut to the
    // mask plane's placed bounds (when a plane is given) and to `limit` (when given); empty when
    // nothing is left.
    static Rect processingRect(const Rect& bounds, const CoverageMask* mask, const Rect* limit);

protected:
    // Process rect_ of a 24-bit or an 8-bit surface; the base versions fail.
    virtual int process24(PixelSurface& surface);
    virtual int process8(PixelSurface& surface);
    // Called first and last by apply.
    virtual void onApply() {}
    virtual void afterProcess(int result) { (void)result; }
    // While an application runs: the part of the target it may change (rect_ by default).
    virtual Rect changedArea() const { return rect_; }

    // Valid during one application only.
    const CoverageMask* mask_ = nullptr;
    Rect rect_;
    PixelSurface* target_ = nullptr;
    // Where pixels are read from: the target itself, or the separate source of applyFrom.
    const PixelSurface* source_ = nullptr;

private:
    Rect changed_;

    int run(const PixelSurface* source, PixelSurface& surface, const CoverageMask* mask,
            const Rect* limit);
};

// Filters that map each pixel on its own. Subclasses supply the row kernels; the single-pixel
// forms are for callers that show one colour (the loops never call them).
class PointFilter : public Filter {
public:
    // Replaces one B, G, R value by its adjusted value; the base leaves it.
    virtual void transformPixel(Bgr& pixel) const;
    // Replaces one 8-bit value by its adjusted value; the base leaves it.
    virtual void transformValue(uint8_t& value) const;

    // `count` pixels (3 bytes each) or values from src into dst; src and dst are either the same
    // memory or do not overlap. The base versions go through transformPixel / transformValue.
    virtual void transformRow24(const uint8_t* src, uint8_t* dst, int32_t count) const;
    virtual void transformRow8(const uint8_t* src, uint8_t* dst, int32_t count) const;

    // False when transformValue leaves every value as it is (8-bit surfaces are then left
    // unchanged without a pass over them).
    virtual bool changesValues() const { return true; }

    bool readsSeparateSource() const override { return true; }

protected:
    int process24(PixelSurface& surface) override;
    int process8(PixelSurface& surface) override;

private:
    int processBytes(PixelSurface& surface, int bytesPerPixel);
};

// Point filters whose kernels are inline members of the subclass: `Derived` provides
//   void rows24(const uint8_t* src, uint8_t* dst, int32_t count) const;
//   void rows8(const uint8_t* src, uint8_t* dst, int32_t count) const;
//   bool changes8() const;   (false: 8-bit values stay as they are and rows8 is never called)
// and gets the virtual row forms and the single-pixel forms from them, so that the loops and the
// single-pixel callers run the same code.
template <typename Derived>
class PointFilterImpl : public PointFilter {
public:
    void transformPixel(Bgr& pixel) const final {
        uint8_t p[3] = {pixel.b, pixel.g, pixel.r};
        self().rows24(p, p, 1);
        pixel = {p[0], p[1], p[2]};
    }
    void transformValue(uint8_t& value) const final {
        if (self().changes8()) self().rows8(&value, &value, 1);
    }
    void transformRow24(const uint8_t* src, uint8_t* dst, int32_t count) const final {
        self().rows24(src, dst, count);
    }
    void transformRow8(const uint8_t* src, uint8_t* dst, int32_t count) const final {
        if (self().changes8()) {
            self().rows8(src, dst, count);
        } else if (src != dst) {
            for (int32_t i = 0; i < count; ++i) dst[i] = src[i];
        }
    }
    bool changesValues() const final { return self().changes8(); }

private:
    const Derived& self() const { return static_cast<const Derived&>(*this); }
};

// Filters that read a neighbourhood of each pixel. Applying one whose internal flag is clear
// stores a copy of it in the Last Filter slot.
class AreaFilter : public Filter {
public:
    // A new filter of the same class with the same parameters and the internal flag cleared;
    // null when memory is short.
    std::unique_ptr<AreaFilter> clone() const;

    // Set on the blur a selection command uses for its own work: such a filter never becomes the
    // Last Filter.
    bool isInternal() const { return internal_; }
    void setInternal(bool on) { internal_ = on; }

    bool isAreaFilter() const override { return true; }

protected:
    // Area filters may change the whole surface unless they say otherwise.
    Rect changedArea() const override;
    virtual std::unique_ptr<AreaFilter> cloneFilter() const = 0;
    void onApply() override;

private:
    bool internal_ = false;
};

}  // namespace varnel
