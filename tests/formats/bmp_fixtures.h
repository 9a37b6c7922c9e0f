// Small BMP files built field by field, so that each test shows the one field it is about.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/color.h"

namespace varnel::bmp_fixtures {

inline void put16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    if (v.size() < at + 2) v.resize(at + 2);
    v[at] = uint8_t(x);
    v[at + 1] = uint8_t(x >> 8);
}
inline void put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    put16(v, at, x);
    put16(v, at + 2, x >> 16);
}

// Rows given top row first, each padded to 4 bytes and stored bottom-up (or top-down).
inline std::vector<uint8_t> rows(std::initializer_list<std::vector<uint8_t>> topDown,
                                 bool storeTopDown = false) {
    std::vector<std::vector<uint8_t>> list(topDown);
    std::vector<uint8_t> out;
    for (size_t i = 0; i < list.size(); ++i) {
        std::vector<uint8_t> row = list[storeTopDown ? i : list.size() - 1 - i];
        row.resize((row.size() + 3) / 4 * 4, 0);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

struct BmpFields {
    uint16_t type = 0x4D42;
    uint32_t headerSize = 40;  // 12 writes a core header
    int32_t width = 2;
    int32_t height = 2;
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    // After a 40-byte header; inside larger ones (red, green, blue at 40, alpha at 52).
    std::vector<uint32_t> masks;
    std::vector<Bgra> palette;  // 3 bytes per entry after a core header, 4 otherwise
    std::vector<uint8_t> gap;   // bytes between the palette and the pixels
    std::vector<uint8_t> pixels;
    int64_t dataOffset = -1;  // -1: where the pixels are
    int64_t fileSize = -1;    // -1: the real size

    // The packed bitmap: header, masks, palette, gap, pixels.
    std::vector<uint8_t> packed() const {
        std::vector<uint8_t> h(headerSize, 0);
        put32(h, 0, headerSize);
        if (headerSize == 12) {
            put16(h, 4, uint32_t(width));
            put16(h, 6, uint32_t(height));
            put16(h, 8, planes);
            put16(h, 10, bitCount);
        } else {
            auto field = [&](size_t at, uint32_t v, size_t bytes) {
                if (at + bytes > headerSize) return;  // an OS/2 header may stop early
                bytes == 2 ? put16(h, at, v) : put32(h, at, v);
            };
            field(4, uint32_t(width), 4);
            field(8, uint32_t(height), 4);
            field(12, planes, 2);
            field(14, bitCount, 2);
            field(16, compression, 4);
            field(20, sizeImage, 4);
            field(24, uint32_t(xPelsPerMeter), 4);
            field(28, uint32_t(yPelsPerMeter), 4);
            field(32, clrUsed, 4);
            if (headerSize > 40) {
                for (size_t i = 0; i < masks.size() && 40 + 4 * i + 4 <= headerSize; ++i) {
                    put32(h, 40 + 4 * i, masks[i]);
                }
            }
        }
        if (headerSize == 40) {
            for (uint32_t m : masks) put32(h, h.size(), m);
        }
        for (const Bgra& e : palette) {
            h.push_back(e.b);
            h.push_back(e.g);
            h.push_back(e.r);
            if (headerSize != 12) h.push_back(0);
        }
        h.insert(h.end(), gap.begin(), gap.end());
        h.insert(h.end(), pixels.begin(), pixels.end());
        return h;
    }

    // The whole file: file header, then the packed bitmap.
    std::vector<uint8_t> file() const {
        const std::vector<uint8_t> body = packed();
        std::vector<uint8_t> f(14, 0);
        put16(f, 0, type);
        const size_t total = 14 + body.size();
        put32(f, 2, fileSize < 0 ? uint32_t(total) : uint32_t(fileSize));
        put32(f, 10, dataOffset < 0 ? uint32_t(total - pixels.size()) : uint32_t(dataOffset));
        f.insert(f.end(), body.begin(), body.end());
        return f;
    }
};

inline std::string asString(const std::vector<uint8_t>& v) {
    return std::string(v.begin(), v.end());
}

}  // namespace varnel::bmp_fixtures
