// The common base of the adjustments that come down to one lookup table per channel (Levels,
// Curves, Auto Levels, Auto Contrast, Brightness/Contrast, Color Balance without preserved
// luminosity): R, G and B each go through their own 256-entry table, and 8-bit values through one
// of them or none.
#pragma once

#include <cstdint>

#include "filters/filter.h"
#include "filters/filter_kernels.h"

namespace varnel {

// R, G, B each through their table, as pixels lie in memory (blue, green, red).
inline void lookupRows24(const uint8_t* lutB, const uint8_t* lutG, const uint8_t* lutR,
                         const uint8_t* src, uint8_t* dst, int32_t count) {
    int32_t i = 0;
    for (; i + 4 <= count; i += 4, src += 12, dst += 12) {
        const uint8_t b0 = lutB[src[0]], g0 = lutG[src[1]], r0 = lutR[src[2]];
        const uint8_t b1 = lutB[src[3]], g1 = lutG[src[4]], r1 = lutR[src[5]];
        const uint8_t b2 = lutB[src[6]], g2 = lutG[src[7]], r2 = lutR[src[8]];
        const uint8_t b3 = lutB[src[9]], g3 = lutG[src[10]], r3 = lutR[src[11]];
        dst[0] = b0, dst[1] = g0, dst[2] = r0, dst[3] = b1, dst[4] = g1, dst[5] = r1;
        dst[6] = b2, dst[7] = g2, dst[8] = r2, dst[9] = b3, dst[10] = g3, dst[11] = r3;
    }
    for (; i < count; ++i, src += 3, dst += 3) {
        const uint8_t b = lutB[src[0]], g = lutG[src[1]], r = lutR[src[2]];
        dst[0] = b, dst[1] = g, dst[2] = r;
    }
}

inline void lookupRows8(const uint8_t* lut, const uint8_t* src, uint8_t* dst, int32_t count) {
    for (int32_t i = 0; i < count; ++i) dst[i] = lut[src[i]];
}

class TableFilter : public PointFilterImpl<TableFilter> {
public:
    // The tables as built (index 0 … 255).
    const uint8_t* lutR() const { return lut_[2]; }
    const uint8_t* lutG() const { return lut_[1]; }
    const uint8_t* lutB() const { return lut_[0]; }
    // The table 8-bit values go through, or null when they stay as they are.
    const uint8_t* valueTable() const { return valueLut_; }

    void rows24(const uint8_t* src, uint8_t* dst, int32_t count) const {
        filter_kernels::current().lookup3(lut_[0], lut_[1], lut_[2], src, dst, count);
    }
    void rows8(const uint8_t* src, uint8_t* dst, int32_t count) const {
        filter_kernels::current().lookup1(valueLut_, src, dst, count);
    }
    bool changes8() const { return valueLut_ != nullptr; }

protected:
    TableFilter() {
        for (int c = 0; c < 3; ++c) {
            for (int i = 0; i < 256; ++i) lut_[c][i] = uint8_t(i);
        }
    }
    uint8_t* tableR() { return lut_[2]; }
    uint8_t* tableG() { return lut_[1]; }
    uint8_t* tableB() { return lut_[0]; }
    // Which table 8-bit values go through (null: none).
    void setValueTable(const uint8_t* table) { valueLut_ = table; }

private:
    // Blue, green, red: the order of the bytes in a pixel.
    uint8_t lut_[3][256];
    const uint8_t* valueLut_ = nullptr;
};

}  // namespace varnel
