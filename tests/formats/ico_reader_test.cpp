#include "formats/ico_reader.h"

#include <gtest/gtest.h>

#include "codec_fixtures.h"
#include "formats/bmp_codec.h"
#include "formats/memory_stream.h"

namespace varnel {
namespace {

using fixtures::Bytes;
using fixtures::PngLayout;

// A w × h RGBA PNG whose pixels are all `value` in every channel, alpha `alpha`.
Bytes pngEntry(uint32_t w, uint32_t h, uint8_t value, uint8_t alpha = 255) {
    PngLayout s;
    s.width = w, s.height = h, s.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    s.rows.assign(h, Bytes());
    for (Bytes& r : s.rows) {
        for (uint32_t x = 0; x < w; ++x) r.insert(r.end(), {value, value, value, alpha});
    }
    return fixtures::writePng(s);
}

// A w × h 8-bit grey PNG.
Bytes greyEntry(uint32_t w, uint32_t h, uint8_t value) {
    PngLayout s;
    s.width = w, s.height = h, s.colorType = PNG_COLOR_TYPE_GRAY;
    s.rows.assign(h, Bytes(w, value));
    return fixtures::writePng(s);
}

struct DirEntry {
    uint8_t width, height;
    uint16_t bitCount;
    Bytes data;
    int64_t sizeOverride = -1;    // the directory's byte count, when not the data's
    int64_t offsetOverride = -1;  // the directory's offset, when not where the data goes
};

void put16(Bytes& b, uint32_t v) {
    b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)});
}
void put32(Bytes& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

Bytes icon(const std::vector<DirEntry>& entries, uint16_t type = 1, uint16_t reserved = 0,
           int countOverride = -1) {
    Bytes b;
    put16(b, reserved);
    put16(b, type);
    put16(b, countOverride >= 0 ? uint32_t(countOverride) : uint32_t(entries.size()));
    uint32_t offset = 6 + 16 * uint32_t(entries.size());
    for (const DirEntry& e : entries) {
        b.insert(b.end(), {e.width, e.height, 0, 0});
        put16(b, 1);
        put16(b, e.bitCount);
        put32(b, e.sizeOverride >= 0 ? uint32_t(e.sizeOverride) : uint32_t(e.data.size()));
        put32(b, e.offsetOverride >= 0 ? uint32_t(e.offsetOverride) : offset);
        offset += uint32_t(e.data.size());
    }
    for (const DirEntry& e : entries) b.insert(b.end(), e.data.begin(), e.data.end());
    return b;
}

TEST(IconReader, TheLargestThenDeepestEntryIsDecoded) {
    struct Case {
        const char* name;
        std::vector<DirEntry> entries;
        int chosen;
    } cases[] = {
        {"largest wins",
         {{16, 16, 32, pngEntry(16, 16, 10)},
          {32, 32, 32, pngEntry(32, 32, 20)},
          {24, 24, 32, pngEntry(24, 24, 30)}},
         1},
        // The depths come from the PNG headers (8 and 32), not from the directory.
        {"deepest among the largest",
         {{16, 16, 32, greyEntry(16, 16, 10)}, {16, 16, 8, pngEntry(16, 16, 20)}},
         1},
        {"first of equals", {{8, 8, 32, pngEntry(8, 8, 10)}, {8, 8, 32, pngEntry(8, 8, 20)}}, 0},
        // The directory says 0 (256) but the PNG header knows better: 4 × 4 beats 2 × 2.
        {"sizes from the entry's own header",
         {{0, 0, 32, pngEntry(2, 2, 10)}, {4, 4, 32, pngEntry(4, 4, 20)}},
         1},
        {"a broken best entry gives way",
         {{32, 32, 32, Bytes(40, 0x55)}, {16, 16, 32, pngEntry(16, 16, 20)}},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = icon(c.entries);
        fixtures::ByteSource source(file);
        DecodedPicture picture;
        int chosen = -1;
        ASSERT_TRUE(readIcon(source.stream, picture, &chosen));
        EXPECT_EQ(chosen, c.chosen);
        const Bytes& png = c.entries[size_t(c.chosen)].data;
        const int32_t side = int32_t(png[19]);  // low byte of the IHDR width
        EXPECT_EQ(picture.color.size(), (Size{side, side}));
        EXPECT_FALSE(picture.alpha.isValid());  // opaque entries open without alpha
    }
}

TEST(IconReader, PngEntriesKeepTheirTransparency) {
    const Bytes file = icon({{4, 4, 32, pngEntry(4, 4, 99, 128)}});
    fixtures::ByteSource source(file);
    DecodedPicture picture;
    ASSERT_TRUE(readIcon(source.stream, picture));
    ASSERT_TRUE(picture.alpha.isValid());
    EXPECT_EQ(picture.alpha.row(3)[3], 128);
    EXPECT_EQ(picture.color.pixels(0)[0], fixtures::rgb(99, 99, 99));
    EXPECT_EQ(picture.bitsPerPixel, 32);
}

// A bitmap entry: the packed bitmap of `pixels` with the header's height doubled, then the AND
// mask rows (bottom-up, 4 bytes each for these narrow icons), `maskRows` of them.
Bytes bitmapEntry(const PixelSurface& pixels, const std::vector<uint8_t>& maskTopDown,
                  int maskRows) {
    MemoryBuffer buffer(1 << 16);
    MemoryStream stream;
    EXPECT_TRUE(stream.attachBlock(static_cast<void*>(buffer.data()), buffer.size(), 0));
    EXPECT_TRUE(writePackedDib(stream, pixels));
    Bytes entry(buffer.data(), buffer.data() + stream.tell());
    const uint32_t doubled = uint32_t(pixels.height()) * 2;
    for (int i = 0; i < 4; ++i) entry[size_t(8 + i)] = uint8_t(doubled >> (8 * i));
    for (int r = 0; r < maskRows; ++r) {
        entry.insert(entry.end(), {maskTopDown[size_t(pixels.height() - 1 - r)], 0, 0, 0});
    }
    return entry;
}

TEST(IconReader, BitmapEntriesTakeTheirTransparencyFromAlphaOrTheMask) {
    // 3 × 2 pixels; the mask sets the first pixel of the top row and the last of the bottom row.
    const std::vector<uint8_t> mask = {0b10000000, 0b00100000};
    ColorImage rgb24;
    fixtures::paint(rgb24, 3, 2, fixtures::pattern);
    Surface32 withAlpha, zeroAlpha;
    ASSERT_TRUE(withAlpha.create(3, 2, 32));
    ASSERT_TRUE(zeroAlpha.create(3, 2, 32));
    for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 3; ++x) {
            const Bgr p = fixtures::pattern(x, y);
            withAlpha.pixels(y)[x] = Bgra{p.b, p.g, p.r, uint8_t(40 * x + y)};
            zeroAlpha.pixels(y)[x] = Bgra{p.b, p.g, p.r, 0};
        }
    }
    struct Case {
        const char* name;
        Bytes entry;
        std::vector<int> alpha;  // top row first; empty: opaque
    } cases[] = {
        {"24 bits with the mask", bitmapEntry(rgb24, mask, 2), {0, 255, 255, 255, 255, 0}},
        {"32 bits with alpha", bitmapEntry(withAlpha, mask, 2), {0, 40, 80, 1, 41, 81}},
        {"32 bits without alpha", bitmapEntry(zeroAlpha, mask, 2), {0, 255, 255, 255, 255, 0}},
        // Only the bottom row's mask is there: the top row counts as opaque.
        {"mask cut short", bitmapEntry(rgb24, mask, 1), {255, 255, 255, 255, 255, 0}},
        {"no mask at all", bitmapEntry(rgb24, mask, 0), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = icon({{3, 2, 24, c.entry}});
        fixtures::ByteSource source(file);
        DecodedPicture picture;
        ASSERT_TRUE(readIcon(source.stream, picture));
        ASSERT_EQ(picture.color.size(), (Size{3, 2}));
        ASSERT_EQ(picture.alpha.isValid(), !c.alpha.empty());
        for (int32_t y = 0; y < 2; ++y) {
            for (int32_t x = 0; x < 3; ++x) {
                EXPECT_EQ(picture.color.pixels(y)[x], fixtures::pattern(x, y));
                if (!c.alpha.empty()) {
                    EXPECT_EQ(picture.alpha.row(y)[x], c.alpha[size_t(y * 3 + x)]) << x << "," << y;
                }
            }
        }
    }
    // Colour rows cut short fail the entry.
    Bytes cut = bitmapEntry(rgb24, mask, 0);
    cut.resize(cut.size() - 5);
    const Bytes file = icon({{3, 2, 24, cut}});
    fixtures::ByteSource source(file);
    DecodedPicture picture;
    EXPECT_FALSE(readIcon(source.stream, picture));
}

TEST(IconReader, HostileDirectoriesAreRefused) {
    const Bytes png = pngEntry(4, 4, 10);
    Bytes huge = pngEntry(4, 4, 10);
    // IHDR width 30001 (the CRC no longer matches, the size check comes first).
    huge[16] = 0, huge[17] = 0, huge[18] = 0x75, huge[19] = 0x31;
    struct Case {
        const char* name;
        Bytes file;
    } cases[] = {
        {"reserved field set", icon({{4, 4, 32, png}}, 1, 7)},
        {"not an icon or cursor", icon({{4, 4, 32, png}}, 3)},
        {"no entries", icon({}, 1)},
        {"more entries than the file holds", icon({{4, 4, 32, png}}, 1, 0, 4000)},
        {"data beyond the file", icon({{4, 4, 32, png, -1, 0x7FFFFFF0}})},
        {"offset wraps around", icon({{4, 4, 32, png, -1, 0xFFFFFFFF}})},
        {"header too short", Bytes{0, 0, 1}},
        {"entry larger than 30000 pixels", icon({{0, 0, 32, huge}})},
    };
    for (const Case& c : cases) {
        fixtures::ByteSource source(c.file);
        DecodedPicture picture;
        EXPECT_FALSE(readIcon(source.stream, picture)) << c.name;
    }
    // A byte count past the end is cut to the file: the entry still decodes.
    const Bytes longCount = icon({{4, 4, 32, png, 0x7FFFFFFF}});
    fixtures::ByteSource source(longCount);
    DecodedPicture picture;
    EXPECT_TRUE(readIcon(source.stream, picture));
}

}  // namespace
}  // namespace varnel
