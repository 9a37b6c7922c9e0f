#include "view/pixel_buffer.h"

#include <algorithm>
#include <cstring>

namespace varnel {

bool PixelBuffer32::resize(int32_t width, int32_t height) {
    if (width == 0 && height == 0) {
        release();
        return true;
    }
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return false;
    size_t bytes = size_t(width) * size_t(height) * 4;
    if (bytes > memory_.size()) {
        platform::PixelMemory fresh = platform::PixelMemory::allocate(bytes);
        if (!fresh) return false;
        memory_ = std::move(fresh);
    }
    width_ = width;
    height_ = height;
    return true;
}

void PixelBuffer32::release() {
    memory_.reset();
    width_ = height_ = 0;
}

void PixelBuffer32::fill(Rect rect, uint32_t value) {
    Rect r = rect.intersected(bounds());
    if (r.isEmpty()) return;
    for (int32_t y = r.top; y < r.bottom; ++y) std::fill(row(y) + r.left, row(y) + r.right, value);
}

void PixelBuffer32::frame(Rect rect, uint32_t value, Rect clip) {
    if (rect.isEmpty()) return;
    Rect c = clip.intersected(bounds());
    fill(Rect{rect.left, rect.top, rect.right, rect.top + 1}.intersected(c), value);
    fill(Rect{rect.left, rect.bottom - 1, rect.right, rect.bottom}.intersected(c), value);
    fill(Rect{rect.left, rect.top, rect.left + 1, rect.bottom}.intersected(c), value);
    fill(Rect{rect.right - 1, rect.top, rect.right, rect.bottom}.intersected(c), value);
}

void PixelBuffer32::copyFrom(const PixelBuffer32& src, Rect srcRect, Point to) {
    Rect s = srcRect.intersected(src.bounds());
    if (s.isEmpty()) return;
    // Where the clipped source lands, then clipped again to this buffer.
    Rect d = Rect::fromXYWH(to.x + (s.left - srcRect.left), to.y + (s.top - srcRect.top), s.width(),
                            s.height())
                 .intersected(bounds());
    if (d.isEmpty()) return;
    int32_t sx = s.left + (d.left - (to.x + (s.left - srcRect.left)));
    int32_t sy = s.top + (d.top - (to.y + (s.top - srcRect.top)));
    size_t bytes = size_t(d.width()) * 4;
    for (int32_t y = 0; y < d.height(); ++y) {
        std::memcpy(row(d.top + y) + d.left, src.row(sy + y) + sx, bytes);
    }
}

void PixelBuffer32::shift(int32_t dx, int32_t dy) {
    if (isEmpty() || (dx == 0 && dy == 0)) return;
    if (dx >= width_ || -dx >= width_ || dy >= height_ || -dy >= height_) return;
    int32_t w = width_ - std::abs(dx);
    int32_t srcX = dx >= 0 ? 0 : -dx, dstX = dx >= 0 ? dx : 0;
    size_t bytes = size_t(w) * 4;
    if (dy > 0) {
        for (int32_t y = height_ - 1; y >= dy; --y) {
            std::memmove(row(y) + dstX, row(y - dy) + srcX, bytes);
        }
    } else {
        for (int32_t y = 0; y < height_ + dy; ++y) {
            std::memmove(row(y) + dstX, row(y - dy) + srcX, bytes);
        }
    }
}

}  // namespace varnel
