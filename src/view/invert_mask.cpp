#include "view/invert_mask.h"

#include <algorithm>
#include <new>

namespace varnel {

void InvertMask::resize(int32_t width, int32_t height) {
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    bits_.clear();
    bits_.shrink_to_fit();
    setCount_ = 0;
    extent_ = {};
    ++generation_;
}

void InvertMask::toggle(int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const size_t count = size_t(width_) * size_t(height_);
    if (bits_.size() != count) {
        try {
            bits_.assign(count, 0);
        } catch (const std::bad_alloc&) {
            bits_.clear();
            return;
        }
    }
    uint8_t& bit = bits_[size_t(y) * size_t(width_) + size_t(x)];
    bit ^= 1;
    if (bit) {
        extent_ = setCount_ == 0 ? Rect{x, y, x + 1, y + 1} : extent_.united({x, y, x + 1, y + 1});
        ++setCount_;
    } else if (--setCount_ == 0) {
        extent_ = {};
    }
}

bool InvertMask::isSet(int32_t x, int32_t y) const {
    if (setCount_ == 0 || x < 0 || y < 0 || x >= width_ || y >= height_) return false;
    return bits_[size_t(y) * size_t(width_) + size_t(x)] != 0;
}

void InvertMask::clear() {
    if (setCount_ == 0) return;
    std::fill(bits_.begin(), bits_.end(), uint8_t(0));
    setCount_ = 0;
    extent_ = {};
}

void InvertMask::applyTo(uint32_t* pixels, int32_t stride, Rect area) const {
    const Rect work = area.intersected(extent());
    if (work.isEmpty()) return;
    for (int32_t y = work.top; y < work.bottom; ++y) {
        const uint8_t* marks = bits_.data() + size_t(y) * size_t(width_);
        uint32_t* out = pixels + size_t(y - area.top) * size_t(stride);
        for (int32_t x = work.left; x < work.right; ++x) {
            if (marks[x]) out[x - area.left] ^= 0x00FFFFFFu;
        }
    }
}

}  // namespace varnel
