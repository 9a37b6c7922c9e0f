// PixelBuffer32: an owned block of 32-bit screen pixels (0xAARRGGBB, in memory blue, green, red,
// alpha; alpha always 255), top-down rows. The view draws into it and hands it to the screen as it
// stands, so what is shown is exactly what the renderer computed.
#pragma once

#include <cstdint>

#include "core/color.h"
#include "core/geometry.h"
#include "platform/pixel_memory.h"

namespace varnel {

constexpr uint32_t packPixel(uint8_t r, uint8_t g, uint8_t b) {
    return 0xFF000000u | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}
constexpr uint32_t packPixel(Bgra c) {
    return packPixel(c.r, c.g, c.b);
}
constexpr uint32_t packPixel(Bgr c) {
    return packPixel(c.r, c.g, c.b);
}
constexpr uint8_t pixelRed(uint32_t p) {
    return uint8_t(p >> 16);
}
constexpr uint8_t pixelGreen(uint32_t p) {
    return uint8_t(p >> 8);
}
constexpr uint8_t pixelBlue(uint32_t p) {
    return uint8_t(p);
}

class PixelBuffer32 {
public:
    // Largest side accepted, as for every surface of the editor.
    static constexpr int32_t kMaxSide = 30000;

    PixelBuffer32() = default;
    PixelBuffer32(PixelBuffer32&&) noexcept = default;
    PixelBuffer32& operator=(PixelBuffer32&&) noexcept = default;

    // Gives the buffer a new size, keeping its memory when it is large enough (the pixels are
    // then left as they were, in the old layout). Fails, leaving the buffer as it was, for a side
    // outside 1 … kMaxSide or when memory is short. A size of 0 × 0 releases the pixels.
    bool resize(int32_t width, int32_t height);
    void release();

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    Size size() const { return {width_, height_}; }
    Rect bounds() const { return {0, 0, width_, height_}; }
    bool isEmpty() const { return width_ <= 0 || height_ <= 0; }
    // Pixels per row (the row length; rows are packed).
    int32_t stride() const { return width_; }
    int32_t bytesPerLine() const { return width_ * 4; }
    uint32_t* data() { return reinterpret_cast<uint32_t*>(memory_.data()); }
    const uint32_t* data() const { return reinterpret_cast<const uint32_t*>(memory_.data()); }
    uint32_t* row(int32_t y) { return data() + size_t(y) * size_t(width_); }
    const uint32_t* row(int32_t y) const { return data() + size_t(y) * size_t(width_); }
    uint32_t pixel(int32_t x, int32_t y) const { return row(y)[x]; }

    // Fills rect ∩ bounds.
    void fill(Rect rect, uint32_t value);
    // A one-pixel frame along the inside of rect, clipped to `clip` ∩ bounds.
    void frame(Rect rect, uint32_t value, Rect clip);
    // Copies src's srcRect (clipped to src) so that its top-left lands at `to`, clipped to this
    // buffer. The two buffers must be different objects.
    void copyFrom(const PixelBuffer32& src, Rect srcRect, Point to);
    // Moves the pixels by (dx, dy); the uncovered strips keep stale pixels.
    void shift(int32_t dx, int32_t dy);

private:
    platform::PixelMemory memory_;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

}  // namespace varnel
