#include "formats/ico_reader.h"

#include <gtest/gtest.h>

#include "codec_fixtures.h"

namespace varnel {
namespace {

using fixtures::Bytes;
using fixtures::PngSpec;

// A w × h RGBA PNG whose pixels are all `value` in every channel, alpha `alpha`.
Bytes pngEntry(uint32_t w, uint32_t h, uint8_t value, uint8_t alpha = 255) {
    PngSpec s;
    s.width = w, s.height = h, s.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    s.rows.assign(h, Bytes());
    for (Bytes& r : s.rows) {
        for (uint32_t x = 0; x < w; ++x) r.insert(r.end(), {value, value, value, alpha});
    }
    return fixtures::writePng(s);
}

// A w × h 8-bit grey PNG.
Bytes greyEntry(uint32_t w, uint32_t h, uint8_t value) {
    PngSpec s;
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
