// Reading BMP files: header kinds, hostile fields, run-length data, bit fields, palettes and
// orientation, on small files built field by field.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "bmp_fixtures.h"
#include "formats/bmp_codec.h"
#include "formats/image_file.h"
#include "formats/memory_stream.h"
#include "platform/pixel_memory.h"

namespace varnel {
namespace {

using bmp_fixtures::BmpFields;
using bmp_fixtures::rows;

Bgr rgb(uint8_t r, uint8_t g, uint8_t b) {
    return {b, g, r};
}

// Loads a file through the codec, as opening a document does.
bool load(const std::vector<uint8_t>& bytes, BmpImageFile& image, uint32_t flags = LoadPixels) {
    MemoryStream stream;
    if (!stream.attachBlock(static_cast<const void*>(bytes.data()), uint32_t(bytes.size()), 0)) {
        return false;
    }
    BmpCodec codec;
    return codec.loadFromStream(image, stream, flags);
}

bool read(const std::vector<uint8_t>& bytes, PixelSurface& surface) {
    MemoryStream stream;
    if (!stream.attachBlock(static_cast<const void*>(bytes.data()), uint32_t(bytes.size()), 0)) {
        return false;
    }
    return readBitmapFile(stream, surface);
}

// The palette indices of an indexed surface, one string of hex digits per row, top row first.
std::vector<std::string> indices(const PixelSurface& s) {
    std::vector<std::string> out;
    for (int32_t y = 0; y < s.height(); ++y) {
        std::string row;
        for (int32_t x = 0; x < s.width(); ++x) row += "0123456789abcdef"[s.getIndex(x, y) & 15];
        out.push_back(row);
    }
    return out;
}

Bgr colorAt(const BmpImageFile& image, int32_t x, int32_t y) {
    return image.colorPlane()->pixels(y)[x];
}

std::vector<Bgra> greyPalette(int n) {
    std::vector<Bgra> p;
    for (int i = 0; i < n; ++i) p.push_back({uint8_t(i * 16), uint8_t(i * 16), uint8_t(i * 16), 0});
    return p;
}

// A 2 × 2 24-bit picture: red, green on top; blue, white below.
BmpFields colorSquare() {
    BmpFields s;
    s.pixels = rows({{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}});
    return s;
}

void expectColorSquare(const BmpImageFile& image) {
    ASSERT_EQ(image.size(), (Size{2, 2}));
    EXPECT_EQ(colorAt(image, 0, 0), rgb(255, 0, 0));
    EXPECT_EQ(colorAt(image, 1, 0), rgb(0, 255, 0));
    EXPECT_EQ(colorAt(image, 0, 1), rgb(0, 0, 255));
    EXPECT_EQ(colorAt(image, 1, 1), rgb(255, 255, 255));
    EXPECT_FALSE(image.hasAlpha());
}

TEST(BmpReader, EveryHeaderKindReadsTheSamePicture) {
    // Core (OS/2 1.x), OS/2 2.x of 16 and 64 bytes, the info header and its later versions.
    for (uint32_t size : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
        SCOPED_TRACE(size);
        BmpFields s;
        s.headerSize = size;
        s.bitCount = 1;
        s.palette = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        s.pixels = rows({{0x80}, {0x40}});
        Surface1 surface;
        ASSERT_TRUE(read(s.file(), surface));
        EXPECT_EQ(indices(surface), (std::vector<std::string>{"10", "01"}));
        BmpImageFile image;
        ASSERT_TRUE(load(s.file(), image));
        EXPECT_EQ(colorAt(image, 0, 0), rgb(255, 255, 255));
        EXPECT_EQ(colorAt(image, 1, 0), rgb(0, 0, 0));
        EXPECT_EQ(image.bmpInfo().bitDepth, 1);
        EXPECT_EQ(image.bmpInfo().headerBitCount(), 1);
    }
}

TEST(BmpReader, RefusesHostileFieldsBeforeAllocatingAndKeepsTheImage) {
    struct Case {
        const char* name;
        std::function<void(BmpFields&)> spoil;
    };
    const Case cases[] = {
        {"type is not BM", [](BmpFields& s) { s.type = 0x4142; }},
        {"width 0", [](BmpFields& s) { s.width = 0; }},
        {"negative width", [](BmpFields& s) { s.width = -2; }},
        {"width over the side limit", [](BmpFields& s) { s.width = 30001; }},
        {"height 0", [](BmpFields& s) { s.height = 0; }},
        {"height INT_MIN", [](BmpFields& s) { s.height = INT_MIN; }},
        {"top-down height over the limit", [](BmpFields& s) { s.height = -30001; }},
        {"height over the limit", [](BmpFields& s) { s.height = 30001; }},
        {"bit count 3", [](BmpFields& s) { s.bitCount = 3; }},
        {"bit count 0", [](BmpFields& s) { s.bitCount = 0; }},
        {"bit count 64", [](BmpFields& s) { s.bitCount = 64; }},
        {"two planes", [](BmpFields& s) { s.planes = 2; }},
        {"unknown compression", [](BmpFields& s) { s.compression = 7; }},
        {"embedded JPEG", [](BmpFields& s) { s.compression = 4; }},
        {"RLE8 at 4 bits",
         [](BmpFields& s) {
             s.bitCount = 4;
             s.compression = 1;
             s.palette = greyPalette(16);
         }},
        {"RLE4 at 8 bits",
         [](BmpFields& s) {
             s.bitCount = 8;
             s.compression = 2;
             s.palette = greyPalette(16);
             s.clrUsed = 16;
         }},
        {"bit fields at 24 bits",
         [](BmpFields& s) {
             s.compression = 3;
             s.masks = {0xFF0000, 0xFF00, 0xFF};
         }},
        {"data offset inside the file header", [](BmpFields& s) { s.dataOffset = 20; }},
        {"data offset past the end", [](BmpFields& s) { s.dataOffset = 100000; }},
        {"data offset at the end", [](BmpFields& s) { s.dataOffset = 54 + 16; }},
        {"header size 66", [](BmpFields& s) { s.headerSize = 66; }},
        {"odd header size", [](BmpFields& s) { s.headerSize = 41; }},
        {"header size 200", [](BmpFields& s) { s.headerSize = 200; }},
        {"header larger than the header block", [](BmpFields& s) { s.dataOffset = 14 + 30; }},
        {"palette reaching past the header block",
         [](BmpFields& s) {
             s.bitCount = 8;
             s.palette = greyPalette(4);  // colours used 0 claims 256 entries
             s.pixels = rows({{0, 1}, {2, 3}});
         }},
        {"more colours than the bit count allows",
         [](BmpFields& s) {
             s.bitCount = 1;
             s.clrUsed = 3;
             s.palette = greyPalette(3);
             s.pixels = rows({{0}, {0}});
         }},
        {"masks reaching past the header block",
         [](BmpFields& s) {
             s.bitCount = 32;
             s.compression = 3;
             s.pixels = rows({{1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8}});
             s.dataOffset = 54;  // the masks would be the first pixels
         }},
        {"overlapping masks",
         [](BmpFields& s) {
             s.bitCount = 32;
             s.compression = 3;
             s.masks = {0xFF0000, 0x1FF00, 0xFF};
             s.pixels = std::vector<uint8_t>(16, 0);
         }},
        {"mask not one run of bits",
         [](BmpFields& s) {
             s.bitCount = 32;
             s.compression = 3;
             s.masks = {0xF0F000, 0xF00, 0xFF};
             s.pixels = std::vector<uint8_t>(16, 0);
         }},
        {"no colour masks",
         [](BmpFields& s) {
             s.bitCount = 32;
             s.compression = 3;
             s.masks = {0, 0, 0};
             s.pixels = std::vector<uint8_t>(16, 0);
         }},
        {"16-bit mask wider than the pixel",
         [](BmpFields& s) {
             s.bitCount = 16;
             s.compression = 3;
             s.masks = {0x1F0000, 0x7E0, 0x1F};
             s.pixels = std::vector<uint8_t>(8, 0);
         }},
        {"pixel data one byte short", [](BmpFields& s) { s.pixels.pop_back(); }},
        {"huge picture in a short file",
         [](BmpFields& s) {
             s.width = 30000;
             s.height = 30000;
         }},
        {"run-length picture far larger than its data",
         [](BmpFields& s) {
             s.width = 30000;
             s.height = -30000;
             s.bitCount = 8;
             s.compression = 1;
             s.palette = greyPalette(2);
             s.clrUsed = 2;
             s.pixels = {0, 1};  // end of bitmap at once
         }},
    };

    BmpImageFile image;
    ASSERT_TRUE(load(colorSquare().file(), image));
    const std::vector<uint8_t> header = image.bmpInfo().header;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpFields s = colorSquare();
        c.spoil(s);
        // A refusal must come before the pixel memory is asked for: the one failure armed here
        // is still waiting afterwards.
        platform::failNextAllocations(1);
        EXPECT_FALSE(load(s.file(), image));
        EXPECT_FALSE(platform::PixelMemory::allocate(64)) << "pixel memory was allocated";
        platform::failNextAllocations(0);
        expectColorSquare(image);
        EXPECT_EQ(image.bmpInfo().header, header);
    }
}

TEST(BmpReader, FailsOnShortFilesAtEveryLength) {
    // Every proper prefix of a good file is refused (a file of the header alone too).
    const std::vector<uint8_t> good = colorSquare().file();
    for (size_t n = 1; n < good.size(); ++n) {
        const std::vector<uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(n));
        BmpImageFile image;
        EXPECT_FALSE(load(cut, image)) << n << " bytes";
        EXPECT_TRUE(image.isEmpty());
    }
}

TEST(BmpReader, TrustsTheStreamLengthNotTheFileSizeField) {
    for (int64_t fileSize : {int64_t(0), int64_t(26), int64_t(0x7FFFFFFF)}) {
        BmpFields s = colorSquare();
        s.fileSize = fileSize;
        BmpImageFile image;
        ASSERT_TRUE(load(s.file(), image)) << fileSize;
        expectColorSquare(image);
    }
}

TEST(BmpReader, FollowsTheDataOffsetPastGapsAndReadsFromTheStreamPosition) {
    BmpFields s = colorSquare();
    s.gap = {9, 9, 9, 9, 9};
    BmpImageFile image;
    ASSERT_TRUE(load(s.file(), image));
    expectColorSquare(image);

    // A file that starts further into a stream: offsets count from its own first byte.
    std::vector<uint8_t> bytes = {1, 2, 3};
    const std::vector<uint8_t> file = colorSquare().file();
    bytes.insert(bytes.end(), file.begin(), file.end());
    MemoryStream stream;
    ASSERT_TRUE(
        stream.attachBlock(static_cast<const void*>(bytes.data()), uint32_t(bytes.size()), 0));
    ASSERT_TRUE(stream.seekTo(3));
    ColorImage surface;
    ASSERT_TRUE(readBitmapFile(stream, surface));
    EXPECT_EQ(surface.pixels(0)[0], rgb(255, 0, 0));
}

TEST(BmpReader, TopDownAndBottomUpTwinsLoadIdentically) {
    BmpFields bottomUp = colorSquare();
    BmpFields topDown = colorSquare();
    topDown.height = -2;
    topDown.pixels = rows({{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}}, true);
    BmpImageFile a, b;
    ASSERT_TRUE(load(bottomUp.file(), a));
    ASSERT_TRUE(load(topDown.file(), b));
    expectColorSquare(a);
    expectColorSquare(b);
    EXPECT_EQ(b.bmpInfo().height, 2);

    // One row: the same bytes either way.
    BmpFields one = colorSquare();
    one.height = -1;
    one.pixels = rows({{1, 2, 3, 4, 5, 6}});
    BmpImageFile c;
    ASSERT_TRUE(load(one.file(), c));
    EXPECT_EQ(colorAt(c, 0, 0), rgb(3, 2, 1));
}

// RLE8 streams over a 4 × 2 picture (rows of 4 bytes); the first encoded line is the bottom row.
TEST(BmpReader, Rle8RunsDeltasAndEnds) {
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
        std::vector<std::string> expected;  // top row first; empty: refused
    };
    const Case cases[] = {
        {"runs and end of line", {2, 1, 2, 2, 0, 0, 4, 3, 0, 1}, {"3333", "1122"}},
        // The pad byte (9) after an odd absolute run is skipped, not read as a count.
        {"odd absolute run and its pad", {0, 3, 1, 2, 3, 9, 1, 2, 0, 1}, {"0000", "1232"}},
        {"even absolute run", {0, 4, 4, 3, 2, 1, 0, 1}, {"0000", "4321"}},
        {"delta", {1, 1, 0, 2, 2, 1, 1, 3, 0, 1}, {"0003", "1000"}},
        {"early end leaves index 0", {2, 1, 0, 1}, {"0000", "1100"}},
        {"no end of bitmap after the last line", {4, 1, 0, 0, 4, 2, 0, 0}, {"2222", "1111"}},
        {"run past the row", {5, 1, 0, 1}, {}},
        {"absolute run past the row", {2, 0, 0, 3, 1, 2, 3, 0, 0, 1}, {}},
        {"delta past the last row, then a run", {0, 2, 0, 2, 1, 1, 0, 1}, {}},
        {"delta past the end of the row", {0, 2, 5, 0, 0, 1}, {}},
        {"line past the last row", {0, 0, 0, 0, 0, 0, 0, 1}, {}},
        {"cut inside a pair", {2, 1, 2}, {}},
        {"cut inside an absolute run", {0, 4, 1, 2}, {}},
        {"cut before the pad byte", {0, 3, 1, 2, 3}, {}},
        {"cut inside a row", {4, 1}, {}},
        {"cut inside a delta", {0, 2, 1}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpFields s;
        s.width = 4;
        s.bitCount = 8;
        s.compression = 1;
        s.palette = greyPalette(5);
        s.clrUsed = 5;
        s.pixels = c.data;
        s.sizeImage = uint32_t(c.data.size());
        Surface8 surface;
        const bool ok = read(s.file(), surface);
        ASSERT_EQ(ok, !c.expected.empty());
        if (ok) {
            EXPECT_EQ(indices(surface), c.expected);
        }
    }
}

// RLE4 over a 5 × 1 picture (a row of 4 bytes holds 8 pixels); the first pixel of a byte is its
// high nibble.
TEST(BmpReader, Rle4RunsAlternateNibblesAndPadAbsoluteRuns) {
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
        std::string expected;  // empty: refused
    };
    const Case cases[] = {
        {"run alternates the nibbles", {5, 0x12, 0, 1}, "12121"},
        {"run from an odd column", {1, 0x30, 4, 0x12, 0, 1}, "31212"},
        {"two runs from odd columns", {1, 0x70, 3, 0x45, 1, 0x80, 0, 1}, "74548"},
        {"absolute run of two bytes needs no pad", {0, 3, 0x45, 0x60, 2, 0x77, 0, 1}, "45677"},
        {"absolute run of three bytes is padded", {0, 5, 0x12, 0x34, 0x50, 0xEE, 0, 1}, "12345"},
        {"runs may fill the row's padding", {8, 0x12, 0, 1}, "12121"},
        {"run past the padded row", {9, 0x12, 0, 1}, ""},
        {"absolute run past the padded row", {0, 9, 0x11, 0x11, 0x11, 0x11, 0x10, 0, 0, 1}, ""},
        {"cut before the pad byte", {0, 5, 0x12, 0x34, 0x50}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpFields s;
        s.width = 5;
        s.height = 1;
        s.bitCount = 4;
        s.compression = 2;
        s.palette = greyPalette(16);
        s.pixels = c.data;
        Surface4 surface;
        const bool ok = read(s.file(), surface);
        ASSERT_EQ(ok, !c.expected.empty());
        if (ok) {
            EXPECT_EQ(indices(surface), std::vector<std::string>{c.expected});
        }
    }
}

TEST(BmpReader, RunLengthRowsAreFlippedOnlyForPositiveHeights) {
    BmpFields s;
    s.width = 2;
    s.bitCount = 8;
    s.compression = 1;
    s.palette = greyPalette(3);
    s.clrUsed = 3;
    s.pixels = {2, 1, 0, 0, 2, 2, 0, 1};
    Surface8 up, down;
    ASSERT_TRUE(read(s.file(), up));
    s.height = -2;
    ASSERT_TRUE(read(s.file(), down));
    EXPECT_EQ(indices(up), (std::vector<std::string>{"22", "11"}));
    EXPECT_EQ(indices(down), (std::vector<std::string>{"11", "22"}));
}

TEST(BmpReader, BitFieldsScaleEveryChannelWidthToFullRange) {
    struct Case {
        const char* name;
        uint32_t headerSize;
        uint16_t bits;
        std::vector<uint32_t> masks;
        uint32_t pixel;
        Bgr expected;
        int alpha;  // -1: no alpha plane
    };
    const Case cases[] = {
        {"5-6-5 white", 40, 16, {0xF800, 0x07E0, 0x001F}, 0xFFFF, rgb(255, 255, 255), -1},
        {"5-6-5 middle", 40, 16, {0xF800, 0x07E0, 0x001F}, 0x8410, rgb(132, 130, 132), -1},
        {"2-3-1", 40, 16, {0x30, 0x0E, 0x01}, 0x2B, rgb(170, 182, 255), -1},
        {"7-18-7 (wider than 8 bits)",
         40,
         32,
         {0xFE000000, 0x01FFFF80, 0x7F},
         0xFFFFFFFF,
         rgb(255, 255, 255),
         -1},
        {"10-10-10 with 2 alpha bits",
         56,
         32,
         {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
         0xBFF80000,
         rgb(255, 128, 0),
         170},
        {"5-5-5 with 1 alpha bit",
         56,
         16,
         {0x7C00, 0x03E0, 0x001F, 0x8000},
         0xFC00,
         rgb(255, 0, 0),
         255},
        {"4-4-4-4 in a version 5 header",
         124,
         16,
         {0x0F00, 0x00F0, 0x000F, 0xF000},
         0x8F84,
         rgb(255, 136, 68),
         136},
        {"channel order of blue, red, green",
         40,
         32,
         {0xFF, 0xFF0000, 0xFF00},
         0x00112233,
         rgb(0x33, 0x11, 0x22),
         -1},
        {"no blue bits", 40, 16, {0xFF00, 0x00FF, 0}, 0x80FF, rgb(128, 255, 0), -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpFields s;
        s.headerSize = c.headerSize;
        s.width = 1;
        s.height = 1;
        s.bitCount = c.bits;
        s.compression = 3;
        s.masks = c.masks;
        std::vector<uint8_t> px(4, 0);
        for (int i = 0; i < c.bits / 8; ++i) px[size_t(i)] = uint8_t(c.pixel >> (8 * i));
        s.pixels = px;
        BmpImageFile image;
        ASSERT_TRUE(load(s.file(), image));
        EXPECT_EQ(colorAt(image, 0, 0), c.expected);
        ASSERT_EQ(image.hasAlpha(), c.alpha >= 0);
        if (c.alpha >= 0) {
            EXPECT_EQ(image.alphaPlane()->row(0)[0], c.alpha);
        }
        EXPECT_EQ(image.bmpInfo().bitDepth, c.bits);
    }
}

TEST(BmpReader, SixteenBitPlainPixelsWidenToFullWhite) {
    BmpFields s;
    s.width = 2;
    s.height = 1;
    s.bitCount = 16;
    s.pixels = {0xFF, 0x7F, 0x00, 0x00};  // 5-5-5 white, then black
    BmpImageFile image;
    ASSERT_TRUE(load(s.file(), image));
    EXPECT_EQ(colorAt(image, 0, 0), rgb(255, 255, 255));
    EXPECT_EQ(colorAt(image, 1, 0), rgb(0, 0, 0));
    EXPECT_FALSE(image.hasAlpha());
}

TEST(BmpReader, FourthBytesOfPlain32BitFilesAreAlphaWhenAnyIsSet) {
    BmpFields s;
    s.width = 2;
    s.height = 1;
    s.bitCount = 32;
    s.pixels = {10, 20, 30, 0, 40, 50, 60, 0};
    BmpImageFile image;
    ASSERT_TRUE(load(s.file(), image));
    EXPECT_FALSE(image.hasAlpha());  // all 0: an opaque picture
    EXPECT_EQ(colorAt(image, 1, 0), rgb(60, 50, 40));

    s.pixels[7] = 128;
    ASSERT_TRUE(load(s.file(), image));
    ASSERT_TRUE(image.hasAlpha());
    EXPECT_EQ(image.alphaPlane()->row(0)[0], 0);
    EXPECT_EQ(image.alphaPlane()->row(0)[1], 128);
    EXPECT_EQ(colorAt(image, 1, 0), rgb(60, 50, 40));  // straight, not premultiplied

    // With bit fields and no alpha mask the fourth bytes are unused bits, not alpha.
    s.compression = 3;
    s.masks = {0xFF0000, 0xFF00, 0xFF};
    ASSERT_TRUE(load(s.file(), image));
    EXPECT_FALSE(image.hasAlpha());
}

TEST(BmpReader, PalettesAndIndices) {
    // 1 bit with colours used 0: two entries.
    BmpFields mono;
    mono.width = 3;
    mono.height = 1;
    mono.bitCount = 1;
    mono.palette = {{0, 0, 255, 0}, {255, 0, 0, 0}};
    mono.pixels = {0xA0, 0, 0, 0};
    BmpImageFile image;
    ASSERT_TRUE(load(mono.file(), image));
    EXPECT_EQ(colorAt(image, 0, 0), rgb(0, 0, 255));
    EXPECT_EQ(colorAt(image, 1, 0), rgb(255, 0, 0));

    // An index past a short palette reads as black.
    BmpFields shortPalette;
    shortPalette.width = 2;
    shortPalette.height = 1;
    shortPalette.bitCount = 8;
    shortPalette.clrUsed = 2;
    shortPalette.palette = {{1, 2, 3, 0}, {4, 5, 6, 0}};
    shortPalette.pixels = {1, 200, 0, 0};
    ASSERT_TRUE(load(shortPalette.file(), image));
    EXPECT_EQ(colorAt(image, 0, 0), rgb(6, 5, 4));
    EXPECT_EQ(colorAt(image, 1, 0), rgb(0, 0, 0));

    // A core header's palette is what fits before the pixels.
    BmpFields core = shortPalette;
    core.headerSize = 12;
    ASSERT_TRUE(load(core.file(), image));
    EXPECT_EQ(colorAt(image, 0, 0), rgb(6, 5, 4));

    // 2 bits per pixel are widened with their palette.
    BmpFields two;
    two.width = 4;
    two.height = 1;
    two.bitCount = 2;
    two.palette = {{0, 0, 0, 0}, {1, 1, 1, 0}, {2, 2, 2, 0}, {3, 3, 3, 0}};
    two.pixels = {0x1B, 0, 0, 0};  // 0, 1, 2, 3
    Surface4 widened;
    ASSERT_TRUE(read(two.file(), widened));
    EXPECT_EQ(indices(widened), std::vector<std::string>{"0123"});
    ASSERT_TRUE(load(two.file(), image));
    EXPECT_EQ(colorAt(image, 3, 0), rgb(3, 3, 3));
    EXPECT_EQ(image.bmpInfo().bitDepth, 2);
}

TEST(BmpReader, HeaderOnlyFillsTheFormatInfoAndKeepsThePixels) {
    BmpImageFile image;
    ASSERT_TRUE(load(colorSquare().file(), image));

    BmpFields core;
    core.headerSize = 12;
    core.width = 3;
    core.height = 5;
    core.bitCount = 8;
    core.palette = greyPalette(3);
    core.pixels = std::vector<uint8_t>(20, 0);
    ASSERT_TRUE(load(core.file(), image, LoadHeaderOnly));
    expectColorSquare(image);  // pixels untouched
    const BmpFormatInfo& info = image.bmpInfo();
    EXPECT_EQ(info.width, 3);
    EXPECT_EQ(info.height, 5);
    EXPECT_EQ(info.bitDepth, 8);
    // The core header becomes a 40-byte info header with the palette in 4-byte entries.
    ASSERT_EQ(info.header.size(), 40u + 3 * 4);
    BitmapInfoHeader h;
    std::memcpy(&h, info.header.data(), sizeof h);
    EXPECT_EQ(h.size, 40u);
    EXPECT_EQ(h.width, 3);
    EXPECT_EQ(h.height, 5);
    EXPECT_EQ(h.bitCount, 8);
    EXPECT_EQ(h.clrUsed, 3u);
    EXPECT_EQ(info.header[40 + 4 * 2], 32);  // third entry's blue

    // A 40-byte bit-field header keeps its masks after it.
    BmpFields fields;
    fields.bitCount = 16;
    fields.compression = 3;
    fields.masks = {0xF800, 0x07E0, 0x001F};
    fields.pixels = std::vector<uint8_t>(8, 0);
    ASSERT_TRUE(load(fields.file(), image, LoadHeaderOnly));
    ASSERT_EQ(image.bmpInfo().header.size(), 52u);
    EXPECT_EQ(image.bmpInfo().header[44], 0xE0);
}

TEST(BmpReader, PackedBitmapsNeedBothSizes) {
    BmpFields s = colorSquare();
    const std::vector<uint8_t> packed = s.packed();
    EXPECT_EQ(packedDibHeaderBlockSize(packed.data(), uint32_t(packed.size())), 40u);
    MemoryStream stream;
    ASSERT_TRUE(
        stream.attachBlock(static_cast<const void*>(packed.data()), uint32_t(packed.size()), 0));
    ColorImage surface;
    EXPECT_FALSE(readPackedDib(stream, 0, 16, surface));
    ASSERT_TRUE(stream.rewind());
    EXPECT_FALSE(readPackedDib(stream, 40, 0, surface));
    ASSERT_TRUE(stream.rewind());
    EXPECT_FALSE(readPackedDib(stream, 40, 15, surface));  // fewer bytes than the rows need
    ASSERT_TRUE(stream.rewind());
    ASSERT_TRUE(readPackedDib(stream, 40, 16, surface));
    EXPECT_EQ(surface.pixels(0)[0], rgb(255, 0, 0));

    // Header block sizes: masks after a 40-byte header, palettes of 4 and of 3 bytes per entry.
    BmpFields fields;
    fields.bitCount = 32;
    fields.compression = 3;
    fields.masks = {0xFF0000, 0xFF00, 0xFF};
    BmpFields indexed;
    indexed.bitCount = 4;
    indexed.clrUsed = 5;
    indexed.palette = greyPalette(5);
    BmpFields core;
    core.headerSize = 12;
    core.bitCount = 1;
    core.palette = greyPalette(2);
    struct Case {
        BmpFields fields;
        uint32_t expected;
    } cases[] = {{fields, 52}, {indexed, 60}, {core, 18}};
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = c.fields.packed();
        bytes.resize(bytes.size() + 16, 0);
        EXPECT_EQ(packedDibHeaderBlockSize(bytes.data(), uint32_t(bytes.size())), c.expected);
    }
    const uint8_t junk[8] = {66, 0, 0, 0, 1, 0, 0, 0};
    EXPECT_EQ(packedDibHeaderBlockSize(junk, sizeof junk), 0u);
}

}  // namespace
}  // namespace varnel
