// Reading and writing single pixels of a Raster, for the operations that convert between depths.
// Same-depth loops of the hot paths do not come through here.
#pragma once

#include <bit>
#include <cstdint>

#include "platform/raster.h"

namespace varnel::platform {

// Index of the palette entry nearest to `c`: squared distance over blue, green and red; an exact
// match returns at once, otherwise the first entry with the smallest distance wins. -1 for an
// empty palette.
inline int32_t nearestIndex(const Bgra* palette, int32_t count, Bgr c) {
    int32_t best = -1;
    int32_t bestDistance = 0x7FFFFFFF;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t db = int32_t(palette[i].b) - c.b;
        const int32_t dg = int32_t(palette[i].g) - c.g;
        const int32_t dr = int32_t(palette[i].r) - c.r;
        const int32_t d = db * db + dg * dg + dr * dr;
        if (d == 0) return i;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// Packs and unpacks 16- and 32-bit words by their channel masks. A channel narrower than 8 bits
// widens by shifting left (5-bit 31 reads as 248); a wider one keeps its top 8 bits.
class MaskCodec {
public:
    MaskCodec() = default;
    MaskCodec(const uint32_t masks[4], int32_t bitsPerPixel) {
        static constexpr uint32_t k555[4] = {0x7C00, 0x03E0, 0x001F, 0};
        static constexpr uint32_t k888[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0};
        const bool none = !masks[0] && !masks[1] && !masks[2] && !masks[3];
        const uint32_t* m = none ? (bitsPerPixel == 16 ? k555 : k888) : masks;
        for (int i = 0; i < 4; ++i) {
            mask_[i] = m[i];
            shift_[i] = m[i] ? std::countr_zero(m[i]) : 0;
            bits_[i] = std::popcount(m[i]);
        }
    }

    uint8_t channel(uint32_t word, int i) const {
        if (!mask_[i]) return 0;
        const uint32_t v = (word & mask_[i]) >> shift_[i];
        return bits_[i] <= 8 ? uint8_t(v << (8 - bits_[i])) : uint8_t(v >> (bits_[i] - 8));
    }
    // Alpha reads 255 when the format has no alpha channel.
    Bgra decode(uint32_t word) const {
        return {channel(word, 2), channel(word, 1), channel(word, 0),
                mask_[3] ? channel(word, 3) : uint8_t(255)};
    }
    uint32_t pack(uint8_t value, int i) const {
        if (!mask_[i]) return 0;
        const uint32_t v =
            bits_[i] <= 8 ? uint32_t(value) >> (8 - bits_[i]) : uint32_t(value) << (bits_[i] - 8);
        return (v << shift_[i]) & mask_[i];
    }
    // Alpha is written full when the format has an alpha channel.
    uint32_t encode(Bgr c) const {
        return pack(c.r, 0) | pack(c.g, 1) | pack(c.b, 2) | (mask_[3] ? mask_[3] : 0);
    }
    bool isStandard32() const {
        return mask_[0] == 0xFF0000 && mask_[1] == 0xFF00 && mask_[2] == 0xFF;
    }

private:
    uint32_t mask_[4] = {0, 0, 0, 0};
    int32_t shift_[4] = {0, 0, 0, 0};
    int32_t bits_[4] = {0, 0, 0, 0};
};

inline uint32_t readIndex1(const uint8_t* row, int32_t x) {
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}
inline void writeIndex1(uint8_t* row, int32_t x, uint32_t v) {
    const uint8_t bit = uint8_t(0x80 >> (x & 7));
    row[x >> 3] = (v & 1) ? uint8_t(row[x >> 3] | bit) : uint8_t(row[x >> 3] & ~bit);
}
inline uint32_t readIndex4(const uint8_t* row, int32_t x) {
    return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
}
inline void writeIndex4(uint8_t* row, int32_t x, uint32_t v) {
    uint8_t& b = row[x >> 1];
    b = (x & 1) ? uint8_t((b & 0xF0) | (v & 0x0F)) : uint8_t((b & 0x0F) | ((v & 0x0F) << 4));
}
inline uint16_t readWord16(const uint8_t* row, int32_t x) {
    return uint16_t(row[2 * x] | (row[2 * x + 1] << 8));
}
inline void writeWord16(uint8_t* row, int32_t x, uint32_t v) {
    row[2 * x] = uint8_t(v);
    row[2 * x + 1] = uint8_t(v >> 8);
}
inline uint32_t readWord32(const uint8_t* row, int32_t x) {
    const uint8_t* p = row + 4 * x;
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void writeWord32(uint8_t* row, int32_t x, uint32_t v) {
    uint8_t* p = row + 4 * x;
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// Converts whole rows between a raster's format and Bgra, for operations across depths. An
// indexed pixel beyond the palette reads as black. Writing an indexed raster picks the nearest
// palette entry (index 0 when the palette is empty).
class RowCodec {
public:
    explicit RowCodec(const Raster& r) : r_(r), masks_(r.masks, r.bitsPerPixel) {}

    Bgra read(const uint8_t* row, int32_t x) const {
        switch (r_.bitsPerPixel) {
            case 1:
                return entry(readIndex1(row, x));
            case 4:
                return entry(readIndex4(row, x));
            case 8:
                return entry(row[x]);
            case 16:
                return masks_.decode(readWord16(row, x));
            case 24:
                return {row[3 * x], row[3 * x + 1], row[3 * x + 2], 255};
            default:
                return masks_.decode(readWord32(row, x));
        }
    }
    // The raw value to store for a colour: a palette index, a packed word or the colour bytes.
    uint32_t encode(Bgr c) const {
        switch (r_.bitsPerPixel) {
            case 1:
            case 4:
            case 8: {
                const int32_t i = nearestIndex(r_.palette, r_.paletteCount, c);
                return i < 0 ? 0u : uint32_t(i);
            }
            case 16:
            case 32:
                return masks_.encode(c);
            default:
                return uint32_t(c.b) | (uint32_t(c.g) << 8) | (uint32_t(c.r) << 16);
        }
    }
    void store(uint8_t* row, int32_t x, uint32_t value) const {
        switch (r_.bitsPerPixel) {
            case 1:
                writeIndex1(row, x, value);
                break;
            case 4:
                writeIndex4(row, x, value);
                break;
            case 8:
                row[x] = uint8_t(value);
                break;
            case 16:
                writeWord16(row, x, value);
                break;
            case 24:
                row[3 * x] = uint8_t(value);
                row[3 * x + 1] = uint8_t(value >> 8);
                row[3 * x + 2] = uint8_t(value >> 16);
                break;
            default:
                writeWord32(row, x, value);
                break;
        }
    }
    uint32_t load(const uint8_t* row, int32_t x) const {
        switch (r_.bitsPerPixel) {
            case 1:
                return readIndex1(row, x);
            case 4:
                return readIndex4(row, x);
            case 8:
                return row[x];
            case 16:
                return readWord16(row, x);
            case 24:
                return uint32_t(row[3 * x]) | (uint32_t(row[3 * x + 1]) << 8) |
                       (uint32_t(row[3 * x + 2]) << 16);
            default:
                return readWord32(row, x);
        }
    }
    const MaskCodec& masks() const { return masks_; }

private:
    Bgra entry(uint32_t i) const {
        if (int64_t(i) >= r_.paletteCount) return {0, 0, 0, 255};
        const Bgra& e = r_.palette[i];
        return {e.b, e.g, e.r, 255};
    }
    Raster r_;
    MaskCodec masks_;
};

}  // namespace varnel::platform
