#include "formats/gif_reader.h"

#include <gtest/gtest.h>

#include "codec_fixtures.h"

namespace varnel {
namespace {

using fixtures::Bytes;
using fixtures::GifFrame;
using fixtures::GifLayout;
using fixtures::rgb;

bool readGifBytes(const Bytes& bytes, DecodedPicture& picture) {
    fixtures::ByteSource source(bytes);
    return readGif(source.stream, picture);
}

const std::vector<GifColorType> kGlobal = {{10, 20, 30}, {200, 0, 0}, {0, 200, 0}, {0, 0, 200}};
const std::vector<GifColorType> kLocal = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}};

Bgr colorOf(const GifColorType& c) {
    return rgb(c.Red, c.Green, c.Blue);
}

GifFrame frame(int left, int top, int w, int h, Bytes indices) {
    GifFrame f;
    f.left = left, f.top = top, f.width = w, f.height = h;
    f.indices = std::move(indices);
    return f;
}

TEST(GifReader, FirstImageComposedOntoTheScreen) {
    struct Case {
        const char* name;
        GifLayout desc;
        // Expected screen, row by row: the colour and alpha of each pixel.
        std::vector<Bgr> colors;
        std::vector<int> alpha;  // empty: opaque picture
        int bitsPerPixel;
    };
    const Bgr r = colorOf(kGlobal[1]), g = colorOf(kGlobal[2]), b = colorOf(kGlobal[3]);
    std::vector<Case> cases;
    {
        GifLayout s;
        s.width = 3, s.height = 2, s.globalColors = kGlobal;
        s.frames = {frame(0, 0, 3, 2, {1, 2, 3, 3, 2, 1})};
        cases.push_back({"global palette", s, {r, g, b, b, g, r}, {}, 2});
        s.frames[0].transparent = 2;
        cases.push_back(
            {"transparent colour", s, {r, g, b, b, g, r}, {255, 0, 255, 255, 0, 255}, 2});
        s.frames[0].transparent = 0;
        cases.push_back({"transparent colour unused", s, {r, g, b, b, g, r}, {}, 2});
        s.frames[0].transparent = -1;
        s.frames[0].localColors = kLocal;
        cases.push_back({"local palette",
                         s,
                         {colorOf(kLocal[1]), colorOf(kLocal[2]), colorOf(kLocal[3]),
                          colorOf(kLocal[3]), colorOf(kLocal[2]), colorOf(kLocal[1])},
                         {},
                         2});
        // A second frame is never shown.
        s.frames[0].localColors.clear();
        s.frames.push_back(frame(0, 0, 3, 2, {0, 0, 0, 0, 0, 0}));
        cases.push_back({"first frame of an animation", s, {r, g, b, b, g, r}, {}, 2});
    }
    {
        // 2 × 9 interlaced: every pass has rows.
        GifLayout s;
        s.width = 2, s.height = 9, s.globalColors = kGlobal;
        GifFrame f = frame(0, 0, 2, 9, {});
        std::vector<Bgr> colors;
        for (int y = 0; y < 9; ++y) {
            f.indices.insert(f.indices.end(), {uint8_t(y % 4), uint8_t((y + 1) % 4)});
            colors.push_back(colorOf(kGlobal[size_t(y % 4)]));
            colors.push_back(colorOf(kGlobal[size_t((y + 1) % 4)]));
        }
        f.interlace = true;
        s.frames = {f};
        cases.push_back({"interlaced", s, colors, {}, 2});
    }
    {
        // A 2 × 2 image at (1, 1) of a 4 × 3 screen, reaching past its bottom edge.
        GifLayout s;
        s.width = 4, s.height = 3, s.globalColors = kGlobal, s.background = 3;
        s.frames = {frame(1, 1, 2, 3, {1, 2, 2, 1, 1, 1})};
        cases.push_back({"offset image over the background colour",
                         s,
                         {b, b, b, b, b, r, g, b, b, g, r, b},
                         {},
                         2});
        s.frames[0].transparent = 2;
        cases.push_back({"offset image with transparency",
                         s,
                         {g, g, g, g, g, r, g, g, g, g, r, g},
                         {0, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0},
                         2});
        s.frames = {frame(3, 0, 3, 1, {1, 2, 3})};  // past the right edge
        s.height = 1;
        cases.push_back({"image clipped at the right edge", s, {b, b, b, r}, {}, 2});
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecodedPicture picture;
        ASSERT_TRUE(readGifBytes(fixtures::writeGif(c.desc), picture));
        ASSERT_EQ(picture.color.size(), (Size{c.desc.width, c.desc.height}));
        ASSERT_EQ(picture.alpha.isValid(), !c.alpha.empty());
        EXPECT_EQ(picture.bitsPerPixel, c.bitsPerPixel);
        for (int y = 0; y < c.desc.height; ++y) {
            for (int x = 0; x < c.desc.width; ++x) {
                const size_t i = size_t(y * c.desc.width + x);
                EXPECT_EQ(picture.color.pixels(y)[x], c.colors[i]) << x << "," << y;
                if (!c.alpha.empty()) {
                    EXPECT_EQ(picture.alpha.row(y)[x], c.alpha[i]) << x << "," << y;
                }
            }
        }
    }
}

TEST(GifReader, AFileWithoutColourTablesReadsGreyLevels) {
    // Written by hand: the encoder insists on a colour table. Screen 3 × 1 without a table, one
    // image of indices 0, 77, 255 (9-bit codes: clear, 0, 77, 255, end).
    const Bytes file = {'G', 'I', 'F',  '8',  '9',  'a',  3,    0,    1,    0, 0,
                        0,   0,   0x2C, 0,    0,    0,    0,    3,    0,    1, 0,
                        0,   8,   6,    0x00, 0x01, 0x34, 0xF9, 0x17, 0x10, 0, 0x3B};
    DecodedPicture picture;
    ASSERT_TRUE(readGifBytes(file, picture));
    ASSERT_EQ(picture.color.size(), (Size{3, 1}));
    EXPECT_FALSE(picture.alpha.isValid());
    EXPECT_EQ(picture.color.pixels(0)[0], rgb(0, 0, 0));
    EXPECT_EQ(picture.color.pixels(0)[1], rgb(77, 77, 77));
    EXPECT_EQ(picture.color.pixels(0)[2], rgb(255, 255, 255));
    EXPECT_EQ(picture.bitsPerPixel, 8);
}

TEST(GifReader, DamagedAndHostileFilesAreRefused) {
    GifLayout s;
    s.width = 8, s.height = 8, s.globalColors = kGlobal;
    s.frames = {frame(0, 0, 8, 8, Bytes(64, 1))};
    const Bytes good = fixtures::writeGif(s);
    DecodedPicture check;
    ASSERT_TRUE(readGifBytes(good, check));

    auto withScreen = [&](int w, int h) {
        Bytes b = good;
        b[6] = uint8_t(w), b[7] = uint8_t(w >> 8), b[8] = uint8_t(h), b[9] = uint8_t(h >> 8);
        return b;
    };
    GifLayout noImage;
    noImage.width = 4, noImage.height = 4, noImage.globalColors = kGlobal;
    struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"screen wider than 30000", withScreen(30001, 8)},
        {"screen taller than 30000", withScreen(8, 30001)},
        {"zero-width screen", withScreen(0, 8)},
        {"no image", fixtures::writeGif(noImage)},
        {"cut inside the image data", Bytes(good.begin(), good.end() - 6)},
        {"cut in the header", Bytes(good.begin(), good.begin() + 9)},
        {"not a GIF", Bytes{'G', 'I', 'F', '8', '7', 'b', 1, 0, 1, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        DecodedPicture picture;
        EXPECT_FALSE(readGifBytes(c.bytes, picture)) << c.name;
        EXPECT_FALSE(picture.color.isValid()) << c.name;
    }
}

}  // namespace
}  // namespace varnel
