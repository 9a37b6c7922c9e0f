// Drawing, canvas changes, stretching and export of pixel surfaces. The pixel work is done by
// the platform layer on the store's raster.
#include <cmath>
#include <cstring>
#include <new>

#include "core/surface.h"
#include "platform/raster_ops.h"

namespace varnel {

platform::Raster PixelSurface::raster() const {
    return isValid() ? store_->raster() : platform::Raster{};
}

int PixelSurface::scroll(Rect rect, int32_t dx, int32_t dy) {
    if (!isValid()) return 0;
    return platform::scroll(raster(), rect, dx, dy) ? 1 : 0;
}

int PixelSurface::invertRect(Rect rect, const Rect* excluded) {
    if (!isValid()) return 0;
    return platform::invertRect(raster(), rect, excluded) ? 1 : 0;
}

int PixelSurface::invertAll() {
    return invertRect(bounds());
}

int PixelSurface::fillAll(ColorRef color) {
    return fillRect(bounds(), color);
}

int PixelSurface::fillRect(Rect rect, ColorRef color, const Rect* excluded) {
    if (!isValid()) return 0;
    return platform::fillRect(raster(), rect, color, excluded) ? 1 : 0;
}

int PixelSurface::drawEllipse(Rect rect, ColorRef color) {
    if (!isValid()) return 0;
    return platform::fillEllipse(raster(), rect, color) ? 1 : 0;
}

int PixelSurface::tileFrom(const PixelSurface& pattern) {
    if (!isValid() || !pattern.isValid()) return 0;
    return platform::tile(raster(), pattern.raster()) ? 1 : 0;
}

int PixelSurface::drawLine(Point from, Point to, ColorRef color) {
    if (!isValid()) return 0;
    return platform::drawLine(raster(), from, to, color) ? 1 : 0;
}

int PixelSurface::drawRectangle(Rect rect, ColorRef color, int fill, const Rect* excluded) {
    if (!isValid()) return 0;
    return platform::drawRectangle(raster(), rect, color, fill != -1, excluded) ? 1 : 0;
}

int PixelSurface::cropTo(Rect rect, bool keepPixels) {
    const Rect r = rect.normalized();
    if (r.isEmpty()) return 0;
    // Measured in 64 bits: the sides of a hostile rectangle overflow 32.
    if (int64_t(r.right) - r.left > kMaxSurfaceSide || int64_t(r.bottom) - r.top > kMaxSurfaceSide)
        return 0;
    if (!store_) {
        const int32_t depth = emptyCropDepth();
        if (!depth) return 0;
        return replaceStore(SurfaceStore::create(r.width(), r.height(), depth));
    }
    if (!isValid()) return 0;
    if (r == bounds()) return 1;
    // Same size, pixels not wanted: nothing the caller can tell apart from a new store.
    if (r.size() == size() && !keepPixels) return 1;
    // The new store is complete before the old one goes, so a failure changes nothing. The same
    // size with another origin goes this way too: the pixels that the move uncovers must read 0
    // like those of any other crop, not keep stale values.
    auto s = SurfaceStore::createLike(*store_, r.width(), r.height());
    if (!s) return 0;
    if (keepPixels && !platform::blit(s->raster(), {-r.left, -r.top}, store_->raster(), bounds()))
        return 0;
    return replaceStore(std::move(s));
}

int PixelSurface::rotate(double angle) {
    constexpr double kTolerance = 0.0001;
    if (std::isnan(angle)) return 0;
    if (std::fabs(angle - 180) < kTolerance) return rotate180();
    if (std::fabs(angle - 90) < kTolerance) return rotate90Clockwise();
    if (std::fabs(angle - 270) < kTolerance) return rotate90CounterClockwise();
    if (angle > 0) return rotateAngle(angle);
    return isValid() ? 1 : 0;
}

int PixelSurface::stretchInto(PixelSurface& target, Size size, bool smooth) const {
    if (!isValid()) return 0;
    if (size.width < 1 || size.height < 1 || size.width > kMaxSurfaceSide ||
        size.height > kMaxSurfaceSide)
        return 0;
    if (!target.acceptsStore(store_.get())) return 0;  // the target cannot hold this depth
    // The stretch writes every pixel; below 8 bits a byte may hold pixels and unused bits, so
    // those depths start from cleared memory.
    auto s = bitsPerPixel() >= 8
                 ? SurfaceStore::createForOverwrite(*store_, size.width, size.height)
                 : SurfaceStore::createLike(*store_, size.width, size.height);
    if (!s) return 0;
    using platform::StretchMode;
    const StretchMode mode = !smooth                                ? StretchMode::Replicate
                             : holdsLevels() && bitsPerPixel() == 8 ? StretchMode::Plane
                                                                    : StretchMode::Smooth;
    if (!platform::stretch(s->raster(), Rect::fromSize(size), store_->raster(), bounds(), mode))
        return 0;
    return target.replaceStore(std::move(s));
}

int PixelSurface::resizeTo(Size size, bool smooth) {
    if (!isValid()) return 0;
    if (size == this->size()) return 1;
    return stretchInto(*this, size, smooth);
}

int PixelSurface::resizeCanvas(Size, Point) {
    return 0;
}

int Surface8::resizeCanvas(Size size, Point origin) {
    if (!isValid()) return 0;
    if (size == this->size()) return 1;
    auto s = SurfaceStore::createLike(*store_, size.width, size.height);
    if (!s) return 0;
    if (!platform::blit(s->raster(), origin, store_->raster(), bounds())) return 0;
    return replaceStore(std::move(s));
}

int PixelSurface::drawTo(const platform::Raster& target, int32_t x, int32_t y) const {
    if (!isValid()) return 0;
    return platform::blit(target, {x, y}, raster(), bounds()) ? 1 : 0;
}

int PixelSurface::stretchTo(const platform::Raster& target, Rect dstRect, Rect srcRect) const {
    if (!isValid()) return 0;
    const auto mode =
        smoothStretch() ? platform::StretchMode::Smooth : platform::StretchMode::Replicate;
    return platform::stretch(target, dstRect, raster(), srcRect, mode) ? 1 : 0;
}

int PixelSurface::copyFromRaster(const platform::Raster& source, Rect rect) {
    if (!source.isValid()) return 0;
    const Rect r = rect.normalized().intersected(source.bounds());
    if (r.isEmpty()) return 0;
    auto s = SurfaceStore::create(r.width(), r.height(), 24);
    if (!s || !acceptsStore(s.get())) return 0;
    if (!platform::blit(s->raster(), {0, 0}, source, r)) return 0;
    return replaceStore(std::move(s));
}

std::vector<uint8_t> PixelSurface::exportPackedBitmap() const {
    if (!isValid()) return {};
    try {
        std::vector<uint8_t> out = store_->exportHeader();
        const size_t headerBytes = out.size();
        out.resize(headerBytes + store_->imageBytes());
        std::memcpy(out.data() + headerBytes, store_->bits, store_->imageBytes());
        return out;
    } catch (const std::bad_alloc&) {
        return {};
    } catch (const std::length_error&) {
        return {};
    }
}

}  // namespace varnel
