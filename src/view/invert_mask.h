// InvertMask: the pixels of a view's client area that are shown inverted over the rendered frame.
// Tools draw their drag rectangles into it by toggling pixels, and the view inverts the marked
// pixels while it paints. The rendered frame itself never changes, so a repaint beneath a
// rectangle cannot leave half of it on screen, and toggling the same pixels twice takes them off.
#pragma once

#include <cstdint>
#include <vector>

#include "core/geometry.h"

namespace varnel {

class InvertMask {
public:
    // A new client size. Every mark is dropped and a new generation begins, so that whoever drew
    // into the old one knows that its marks are gone.
    void resize(int32_t width, int32_t height);
    Size size() const { return {width_, height_}; }
    Rect bounds() const { return {0, 0, width_, height_}; }
    uint64_t generation() const { return generation_; }

    // Flips one pixel's mark; points outside the client area are ignored. The plane is allocated
    // on the first mark; when memory is short nothing is marked.
    void toggle(int32_t x, int32_t y);
    bool isSet(int32_t x, int32_t y) const;
    // Drops every mark (same generation).
    void clear();

    bool isEmpty() const { return setCount_ == 0; }
    int64_t setCount() const { return setCount_; }
    // A rectangle holding every marked pixel; empty when none is marked.
    Rect extent() const { return setCount_ == 0 ? Rect{} : extent_; }

    // Inverts (the colour bits of 0xAARRGGBB values) the pixels of a row-major block showing the
    // client rectangle `area` wherever they are marked. `stride` is in pixels.
    void applyTo(uint32_t* pixels, int32_t stride, Rect area) const;

private:
    std::vector<uint8_t> bits_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int64_t setCount_ = 0;
    // Grows with every toggle and is reset when the last mark goes.
    Rect extent_;
    uint64_t generation_ = 0;
};

}  // namespace varnel
