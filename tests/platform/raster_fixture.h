// A raster that owns its bytes, for tests of the platform operations.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/pixel_format.h"
#include "platform/raster.h"

namespace varnel::platform::testing {

class TestRaster {
public:
    TestRaster(int32_t w, int32_t h, int32_t bits, std::vector<Bgra> palette = {})
        : w_(w),
          h_(h),
          bits_(bits),
          stride_(size_t((w * bits + 31) / 32 * 4)),
          bytes_(stride_ * size_t(h), 0),
          palette_(std::move(palette)) {
        if (palette_.empty() && bits == 8)
            for (int i = 0; i < 256; ++i)
                palette_.push_back({uint8_t(i), uint8_t(i), uint8_t(i), 0});
        if (palette_.empty() && bits == 1) palette_ = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        for (int32_t y = 0; y < h; ++y) rows_.push_back(bytes_.data() + stride_ * size_t(y));
    }
    TestRaster(const TestRaster&) = delete;

    Raster raster() const {
        Raster r;
        r.rows = rows_.data();
        r.width = w_;
        r.height = h_;
        r.bitsPerPixel = bits_;
        r.palette = palette_.data();
        r.paletteCount = int32_t(palette_.size());
        for (int i = 0; i < 4; ++i) r.masks[i] = masks[i];
        return r;
    }
    uint8_t* row(int32_t y) { return rows_[size_t(y)]; }
    uint32_t get(int32_t x, int32_t y) const {
        return RowCodec(raster()).load(rows_[size_t(y)], x);
    }
    void set(int32_t x, int32_t y, uint32_t v) { RowCodec(raster()).store(rows_[size_t(y)], x, v); }
    Bgra color(int32_t x, int32_t y) const { return RowCodec(raster()).read(rows_[size_t(y)], x); }
    // Distinct values in every pixel: v(x, y) within the depth's range.
    void fillDistinct(uint32_t seed = 1) {
        for (int32_t y = 0; y < h_; ++y)
            for (int32_t x = 0; x < w_; ++x) {
                uint32_t v = (uint32_t(x) * 2654435761u) ^ (uint32_t(y) * 40503u) ^ seed;
                v ^= v >> 13;
                if (bits_ < 32) v &= (1u << bits_) - 1;
                set(x, y, v);
            }
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    int32_t width() const { return w_; }
    int32_t height() const { return h_; }
    uint32_t masks[4] = {0, 0, 0, 0};

private:
    int32_t w_, h_, bits_;
    size_t stride_;
    std::vector<uint8_t> bytes_;
    std::vector<Bgra> palette_;
    std::vector<uint8_t*> rows_;
};

}  // namespace varnel::platform::testing
