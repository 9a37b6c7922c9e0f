#include "core/depth_conversion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "platform/pixel_memory.h"

namespace varnel {
namespace {

Bgr rgb(uint8_t r, uint8_t g, uint8_t b) {
    return {b, g, r};
}

std::unique_ptr<ColorImage> colorImage(int32_t w, int32_t h, const std::vector<Bgr>& pixels) {
    auto s = std::make_unique<ColorImage>();
    EXPECT_TRUE(s->createColor(w, h));
    for (int32_t i = 0; i < w * h; ++i) s->pixels(i / w)[i % w] = pixels[size_t(i)];
    return s;
}

Bgr colorAt(const PixelSurface& s, int32_t x, int32_t y) {
    Bgra c;
    EXPECT_TRUE(s.getColor(c, x, y));
    return c.bgr();
}

std::vector<uint32_t> indices(const PixelSurface& s) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < s.height(); ++y) {
        for (int32_t x = 0; x < s.width(); ++x) out.push_back(s.getIndex(x, y));
    }
    return out;
}

TEST(DepthConversion, ToGrayWeighsTheChannels) {
    struct Case {
        Bgr color;
        uint32_t gray;
    } cases[] = {
        {rgb(255, 0, 0), 77},      {rgb(0, 255, 0), 150}, {rgb(0, 0, 255), 28},
        {rgb(255, 255, 255), 255}, {rgb(0, 0, 0), 0},     {rgb(1, 1, 1), 1},
    };
    std::vector<Bgr> pixels;
    for (const Case& c : cases) pixels.push_back(c.color);
    auto source = colorImage(int32_t(pixels.size()), 1, pixels);
    GrayMap gray;
    ASSERT_TRUE(toGray(*source, gray));
    ASSERT_EQ(gray.bitsPerPixel(), 8);
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(gray.getIndex(int32_t(i), 0), cases[i].gray) << i;
        EXPECT_EQ(colorAt(gray, int32_t(i), 0),
                  rgb(uint8_t(cases[i].gray), uint8_t(cases[i].gray), uint8_t(cases[i].gray)));
    }
}

TEST(DepthConversion, ToGrayReadsEveryDepth) {
    // Each source holds one pixel whose colour is (R 255, G 0, B 0) or near it.
    Surface8 indexed;
    ASSERT_TRUE(indexed.create(1, 1, 8));
    Palette pal{{Bgra{0, 0, 0, 0}, Bgra{0, 0, 255, 0}}};
    ASSERT_TRUE(indexed.setPalette(pal));
    indexed.setIndex(0, 0, 1);
    Surface16 s16;
    ASSERT_TRUE(s16.create(1, 1, 15));
    s16.setColor(0, 0, rgb(255, 0, 0));  // reads back as 248
    Surface32 s32;
    ASSERT_TRUE(s32.create(1, 1, 32));
    s32.setColor(0, 0, rgb(255, 0, 0));
    struct Case {
        const PixelSurface* source;
        uint32_t gray;
    } cases[] = {{&indexed, 77}, {&s16, (30 * 248 + 50) / 100}, {&s32, 77}};
    for (const Case& c : cases) {
        GrayMap gray;
        ASSERT_TRUE(toGray(*c.source, gray)) << c.source->bitsPerPixel();
        EXPECT_EQ(gray.getIndex(0, 0), c.gray) << c.source->bitsPerPixel();
    }
}

TEST(DepthConversion, FailureLeavesTheTargetAsItWas) {
    auto source = colorImage(2, 1, {rgb(1, 2, 3), rgb(4, 5, 6)});
    auto target = colorImage(1, 1, {rgb(9, 9, 9)});
    EXPECT_FALSE(toGray(*source, *target));  // a ColorImage cannot hold 8 bits
    EXPECT_FALSE(toMonoDithered(*source, *target));
    EXPECT_FALSE(convertTo(*source, *target, 12));
    EXPECT_FALSE(to24(ColorImage(), *target));  // nothing to convert
    GrayMap gray;
    ASSERT_TRUE(gray.createGray(3, 3));
    platform::failNextAllocations(1);
    EXPECT_FALSE(toGray(*source, gray));  // out of memory
    EXPECT_EQ(gray.size(), (Size{3, 3}));
    EXPECT_EQ(target->size(), (Size{1, 1}));
    EXPECT_EQ(colorAt(*target, 0, 0), rgb(9, 9, 9));
}

TEST(DepthConversion, ATargetOfTheSameSizeComesOutAsANewOneWould) {
    auto source = colorImage(3, 1, {rgb(255, 0, 0), rgb(0, 0, 0), rgb(9, 9, 9)});
    source->store()->header.xPelsPerMeter = 2835;
    GrayMap gray;
    ASSERT_TRUE(gray.createGray(3, 1));
    Palette odd = *gray.palette();
    odd.entries[77] = Bgra{1, 2, 3, 0};
    ASSERT_TRUE(gray.setPalette(odd));
    gray.setSmoothStretch(true);
    ASSERT_TRUE(toGray(*source, gray));
    EXPECT_EQ(*gray.palette(), defaultPalette(8));
    EXPECT_EQ(colorAt(gray, 0, 0), rgb(77, 77, 77));
    EXPECT_FALSE(gray.smoothStretch());
    EXPECT_EQ(gray.store()->header.xPelsPerMeter, 2835);

    ColorImage color;
    ASSERT_TRUE(color.createColor(3, 1));
    ASSERT_TRUE(to24(gray, color));
    EXPECT_EQ(colorAt(color, 0, 0), rgb(77, 77, 77));
    EXPECT_EQ(colorAt(color, 2, 0), rgb(9, 9, 9));
}

TEST(DepthConversion, ThresholdExtremesAndMiddle) {
    std::vector<Bgr> pixels;
    for (int v : {0, 127, 128, 200, 255}) pixels.push_back(rgb(uint8_t(v), uint8_t(v), uint8_t(v)));
    auto source = colorImage(5, 1, pixels);
    struct Case {
        int32_t threshold;
        std::vector<uint32_t> bits;
    } cases[] = {
        {0, {1, 1, 1, 1, 1}},   {-5, {1, 1, 1, 1, 1}},  {255, {0, 0, 0, 0, 0}},
        {128, {0, 0, 1, 1, 1}}, {254, {0, 0, 0, 0, 1}}, {1, {0, 1, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        PixelSurface mono;
        ASSERT_TRUE(toMonoThreshold(*source, mono, c.threshold));
        ASSERT_EQ(mono.bitsPerPixel(), 1);
        EXPECT_EQ(indices(mono), c.bits) << c.threshold;
    }
}

// A 5 × 2 grey image, white but for the pixel at (2, 0) and one neighbour of it. White pixels
// have no error of their own and stay white under a positive one, so the neighbour receives
// only its share of the first pixel's error.
std::unique_ptr<ColorImage> oneNeighbour(int first, int dx, int dy, int value) {
    std::vector<Bgr> pixels(10, rgb(255, 255, 255));
    pixels[2] = rgb(uint8_t(first), uint8_t(first), uint8_t(first));
    pixels[size_t(dy * 5 + 2 + dx)] = rgb(uint8_t(value), uint8_t(value), uint8_t(value));
    return colorImage(5, 2, pixels);
}

TEST(DepthConversion, DitheringSpreadsTheErrorWithItsWeights) {
    // Grey 128 turns black and passes on 128 × weight / 32; a neighbour short of the white
    // threshold 129 by exactly its share turns white, one short of that stays black.
    struct Case {
        int dx, dy, weight;
    } cases[] = {{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}};
    for (const Case& c : cases) {
        const int share = 128 * c.weight / 32;
        for (int missing : {0, 1}) {
            PixelSurface mono;
            ASSERT_TRUE(
                toMonoDithered(*oneNeighbour(128, c.dx, c.dy, 129 - share - missing), mono));
            EXPECT_EQ(mono.getIndex(2, 0), 0u);
            EXPECT_EQ(mono.getIndex(2 + c.dx, c.dy), missing ? 0u : 1u)
                << "neighbour " << c.dx << "," << c.dy << (missing ? " short by one" : "");
        }
    }
    // Negative errors truncate towards zero: 200 turns white with error -55, and -55 × 8 / 32
    // is -13, which leaves 142 at the threshold.
    PixelSurface mono;
    ASSERT_TRUE(toMonoDithered(*oneNeighbour(200, 1, 0, 142), mono));
    EXPECT_EQ(mono.getIndex(3, 0), 1u);
}

TEST(DepthConversion, DitheringKeepsTheAverageBrightness) {
    for (int level : {0, 64, 128, 191, 255}) {
        const Bgr c = rgb(uint8_t(level), uint8_t(level), uint8_t(level));
        auto source = colorImage(64, 64, std::vector<Bgr>(64 * 64, c));
        PixelSurface mono;
        ASSERT_TRUE(toMonoDithered(*source, mono));
        int white = 0;
        for (uint32_t bit : indices(mono)) white += int(bit);
        EXPECT_NEAR(white / 4096.0, level / 255.0, 0.03) << level;
    }
    // A 1-bit source comes back unchanged.
    PixelSurface mono;
    ASSERT_TRUE(mono.create(9, 2, 1));
    mono.setIndex(3, 1, 1);
    PixelSurface copy;
    ASSERT_TRUE(toMonoDithered(mono, copy));
    EXPECT_EQ(indices(copy), indices(mono));
}

TEST(DepthConversion, NearestEntryMatchesAFullScan) {
    // Palettes with duplicates and near ties; random colours and every grey.
    std::mt19937 rng(7);
    for (int round = 0; round < 4; ++round) {
        Palette pal;
        const int count = round == 0 ? 2 : round == 1 ? 16 : 256;
        for (int i = 0; i < count; ++i) {
            const uint8_t step = uint8_t(round == 3 ? (i % 8) * 32 : rng() % 256);
            pal.entries.push_back(Bgra{uint8_t(round == 3 ? step : rng()), step,
                                       uint8_t(round == 3 ? step : rng()), 0});
        }
        std::vector<Bgr> pixels;
        for (int i = 0; i < 256; ++i) pixels.push_back(rgb(uint8_t(i), uint8_t(i), uint8_t(i)));
        for (int i = 0; i < 768; ++i)
            pixels.push_back(rgb(uint8_t(rng()), uint8_t(rng()), uint8_t(rng())));
        auto source = colorImage(32, 32, pixels);
        const int32_t bpp = count <= 2 ? 1 : count <= 16 ? 4 : 8;
        PixelSurface target;
        ASSERT_TRUE(convertWithPalette(*source, target, bpp, pal, false));
        for (int32_t i = 0; i < 1024; ++i) {
            const int32_t expected =
                nearestPaletteIndex(pal.entries.data(), count, pixels[size_t(i)]);
            ASSERT_EQ(int32_t(target.getIndex(i % 32, i / 32)), expected) << round << " " << i;
        }
    }
}

TEST(DepthConversion, PaletteDiffusion) {
    // Grey 100 maps to black and leaves an error of 100 per channel: 100 × weight / 16 goes to
    // each neighbour, which then reaches 128 (nearer to white) only with its full share.
    Palette bw{{Bgra{0, 0, 0, 0}, Bgra{255, 255, 255, 0}}};
    struct Case {
        int dx, dy, weight;
    } cases[] = {{1, 0, 7}, {-1, 1, 2}, {0, 1, 4}, {1, 1, 1}};
    for (const Case& c : cases) {
        const int share = 100 * c.weight / 16;
        for (int missing : {0, 1}) {
            PixelSurface target;
            ASSERT_TRUE(convertWithPalette(*oneNeighbour(100, c.dx, c.dy, 128 - share - missing),
                                           target, 8, bw, true));
            EXPECT_EQ(target.getIndex(2, 0), 0u);
            EXPECT_EQ(target.getIndex(2 + c.dx, c.dy), missing ? 0u : 1u)
                << "neighbour " << c.dx << "," << c.dy << (missing ? " short by one" : "");
        }
    }
    // Nothing reaches two pixels away, and without diffusion nothing moves at all.
    PixelSurface target;
    ASSERT_TRUE(convertWithPalette(*oneNeighbour(100, 2, 0, 127), target, 8, bw, true));
    EXPECT_EQ(target.getIndex(4, 0), 0u);
    ASSERT_TRUE(convertWithPalette(*oneNeighbour(100, 1, 0, 127), target, 8, bw, false));
    EXPECT_EQ(target.getIndex(3, 0), 0u);
    EXPECT_EQ(target.palette()->entries, bw.entries);
}

TEST(DepthConversion, ConvertWithPaletteRefusals) {
    auto source = colorImage(2, 2, std::vector<Bgr>(4, rgb(1, 2, 3)));
    Palette three{{Bgra{}, Bgra{1, 1, 1, 0}, Bgra{2, 2, 2, 0}}};
    PixelSurface target;
    EXPECT_FALSE(convertWithPalette(*source, target, 1, three, false));  // 3 entries, 1 bit
    EXPECT_FALSE(convertWithPalette(*source, target, 16, three, false));
    EXPECT_FALSE(convertWithPalette(*source, target, 8, Palette{}, false));
    EXPECT_TRUE(convertWithPalette(*source, target, 4, three, true));
    EXPECT_EQ(target.palette()->count(), 3);
}

TEST(DepthConversion, PaletteImagesOfFewColoursAreExact) {
    const std::vector<Bgr> colors = {rgb(200, 10, 10), rgb(10, 200, 10), rgb(10, 10, 200)};
    std::vector<Bgr> pixels;
    for (int i = 0; i < 30; ++i) pixels.push_back(colors[size_t(i * 7 % 3)]);
    auto source = colorImage(6, 5, pixels);
    for (int32_t bpp : {4, 8}) {
        PixelSurface target;
        ASSERT_TRUE(bpp == 4 ? toPalette16(*source, target, 16)
                             : toPalette256(*source, target, 256));
        EXPECT_EQ(target.bitsPerPixel(), bpp);
        EXPECT_EQ(target.palette()->count(), 3);
        for (int32_t i = 0; i < 30; ++i)
            EXPECT_EQ(colorAt(target, i % 6, i / 6), pixels[size_t(i)]);
    }
}

TEST(DepthConversion, PaletteImagesFromEveryDepth) {
    auto gradient = colorImage(16, 16, [] {
        std::vector<Bgr> p;
        for (int i = 0; i < 256; ++i)
            p.push_back(rgb(uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)));
        return p;
    }());
    // 16- and 32-bit sources go through 24 bits to the palette builder.
    Surface16 s16;
    Surface32 s32;
    ASSERT_TRUE(to16(*gradient, s16, true));
    ASSERT_TRUE(to32(*gradient, s32));
    for (const PixelSurface* s :
         {static_cast<const PixelSurface*>(gradient.get()), static_cast<const PixelSurface*>(&s16),
          static_cast<const PixelSurface*>(&s32)}) {
        PixelSurface p16, p256, two;
        ASSERT_TRUE(toPalette16(*s, p16, 40)) << s->bitsPerPixel();  // clamped to 16
        EXPECT_EQ(p16.bitsPerPixel(), 4);
        EXPECT_LE(p16.palette()->count(), 16);
        ASSERT_TRUE(toPalette256(*s, p256, 64));
        EXPECT_EQ(p256.bitsPerPixel(), 8);
        EXPECT_LE(p256.palette()->count(), 64);
        ASSERT_TRUE(toPalette16(*s, two, 2));
        EXPECT_EQ(two.palette()->count(), 2);
    }

    // Indexed sources: the same depth is copied, a smaller one widened with its palette.
    PixelSurface mono;
    ASSERT_TRUE(mono.create(3, 1, 1));
    mono.setIndex(1, 0, 1);
    PixelSurface wide;
    ASSERT_TRUE(toPalette256(mono, wide, 7));
    EXPECT_EQ(wide.bitsPerPixel(), 8);
    EXPECT_EQ(*wide.palette(), *mono.palette());
    EXPECT_EQ(indices(wide), (std::vector<uint32_t>{0, 1, 0}));
    PixelSurface four;
    ASSERT_TRUE(four.create(5, 1, 4));
    for (int32_t x = 0; x < 5; ++x) four.setIndex(x, 0, uint32_t(x * 3));
    PixelSurface same;
    ASSERT_TRUE(toPalette16(four, same, 3));  // copied: the count does not apply
    EXPECT_EQ(indices(same), indices(four));
    EXPECT_EQ(*same.palette(), *four.palette());
}

TEST(DepthConversion, SixteenBitLayouts) {
    struct Case {
        Bgr color;
        uint32_t word555, word565;
    } cases[] = {
        {rgb(255, 255, 255), 0x7FFF, 0xFFFF}, {rgb(255, 0, 0), 0x7C00, 0xF800},
        {rgb(0, 255, 0), 0x03E0, 0x07E0},     {rgb(0, 0, 255), 0x001F, 0x001F},
        {rgb(7, 6, 7), 0x0000, 0x0020},  // 5-6-5 keeps green's sixth bit
    };
    std::vector<Bgr> pixels;
    for (const Case& c : cases) pixels.push_back(c.color);
    auto source = colorImage(int32_t(pixels.size()), 1, pixels);
    Surface16 s555, s565;
    ASSERT_TRUE(convertTo(*source, s555, 15));
    ASSERT_TRUE(convertTo(*source, s565, 16));
    uint32_t masks[4];
    EXPECT_FALSE(s555.hasBitfields());
    EXPECT_EQ(s555.store()->masks[0], 0x7C00u);
    ASSERT_TRUE(s565.getMasks(masks));
    EXPECT_EQ(masks[0], 0xF800u);
    EXPECT_EQ(masks[1], 0x07E0u);
    EXPECT_EQ(masks[2], 0x001Fu);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const uint8_t* r555 = s555.row(0);
        const uint8_t* r565 = s565.row(0);
        EXPECT_EQ(uint32_t(r555[2 * i] | r555[2 * i + 1] << 8), cases[i].word555) << i;
        EXPECT_EQ(uint32_t(r565[2 * i] | r565[2 * i + 1] << 8), cases[i].word565) << i;
    }
    // Back to 24 bits, each channel reads with its low bits zero.
    ColorImage back;
    ASSERT_TRUE(to24(s565, back));
    EXPECT_EQ(colorAt(back, 4, 0), rgb(0, 4, 0));
    EXPECT_EQ(colorAt(back, 0, 0), rgb(248, 252, 248));
}

TEST(DepthConversion, To24AndTo32FromEveryDepth) {
    PixelSurface mono, four, eight, s16, s32;
    ASSERT_TRUE(mono.create(2, 1, 1));
    mono.setIndex(1, 0, 1);
    ASSERT_TRUE(four.create(2, 1, 4));
    four.setIndex(1, 0, 12);  // red in the 16-colour table
    ASSERT_TRUE(eight.create(2, 1, 8));
    eight.setIndex(1, 0, 200);
    ASSERT_TRUE(s16.create(2, 1, 16));
    s16.row(0)[2] = 0xFF;
    s16.row(0)[3] = 0x7F;  // 0x7FFF
    ASSERT_TRUE(s32.create(2, 1, 32));
    s32.setColor(1, 0, rgb(1, 2, 3));
    struct Case {
        const PixelSurface* source;
        Bgr second;
    } cases[] = {{&mono, rgb(255, 255, 255)},
                 {&four, rgb(255, 0, 0)},
                 {&eight, rgb(200, 200, 200)},
                 {&s16, rgb(248, 248, 248)},
                 {&s32, rgb(1, 2, 3)}};
    for (const Case& c : cases) {
        ColorImage color;
        ASSERT_TRUE(to24(*c.source, color)) << c.source->bitsPerPixel();
        EXPECT_EQ(colorAt(color, 0, 0), rgb(0, 0, 0));
        EXPECT_EQ(colorAt(color, 1, 0), c.second) << c.source->bitsPerPixel();
        Surface32 wide;
        ASSERT_TRUE(to32(*c.source, wide));
        const uint8_t* px = wide.row(0) + 4;
        EXPECT_EQ(Bgr(px[0], px[1], px[2]), c.second) << c.source->bitsPerPixel();
        EXPECT_EQ(px[3], 0) << c.source->bitsPerPixel();
    }
}

TEST(DepthConversion, SourceAndTargetMayBeOneSurface) {
    PixelSurface s;
    ASSERT_TRUE(s.create(3, 2, 8));
    s.setIndex(2, 1, 90);
    ASSERT_TRUE(to24(s, s));
    EXPECT_EQ(s.bitsPerPixel(), 24);
    EXPECT_EQ(colorAt(s, 2, 1), rgb(90, 90, 90));
    ASSERT_TRUE(toPalette256(s, s, 256));
    EXPECT_EQ(s.bitsPerPixel(), 8);
    EXPECT_EQ(colorAt(s, 2, 1), rgb(90, 90, 90));
}

TEST(DepthConversion, ReduceToDepthWidensIndexedSurfaces) {
    PixelSurface four;
    ASSERT_TRUE(four.create(4, 2, 4));
    for (int32_t i = 0; i < 8; ++i) four.setIndex(i % 4, i / 4, uint32_t(15 - i));
    PixelSurface wide;
    ASSERT_TRUE(reduceToDepth(four, wide, 8));
    EXPECT_EQ(wide.bitsPerPixel(), 8);
    EXPECT_EQ(*wide.palette(), *four.palette());
    EXPECT_EQ(indices(wide), indices(four));
    struct Refusal {
        int32_t from, to;
    } refusals[] = {{4, 4}, {4, 1}, {8, 8}, {24, 8}, {1, 16}};
    for (const Refusal& r : refusals) {
        PixelSurface s, t;
        ASSERT_TRUE(s.create(2, 2, r.from));
        EXPECT_FALSE(reduceToDepth(s, t, r.to)) << r.from << " to " << r.to;
        EXPECT_FALSE(t.isValid());
    }
}

// A surface with explicit channel masks and one pixel word.
std::unique_ptr<PixelSurface> withMasks(int32_t bpp, const uint32_t masks[4], uint32_t word) {
    uint8_t header[56] = {};
    BitmapInfoHeader h;
    h.size = 56;
    h.width = 1;
    h.height = 1;
    h.bitCount = uint16_t(bpp);
    h.compression = kCompressionBitfields;
    std::memcpy(header, &h, sizeof h);
    std::memcpy(header + 40, masks, 16);
    auto s = std::make_unique<PixelSurface>();
    EXPECT_TRUE(s->createFromHeader(header, sizeof header));
    for (int i = 0; i < bpp / 8; ++i) s->row(0)[i] = uint8_t(word >> (8 * i));
    return s;
}

uint32_t wordAt(const PixelSurface& s) {
    uint32_t w = 0;
    for (int i = 0; i < s.bitsPerPixel() / 8; ++i) w |= uint32_t(s.row(0)[i]) << (8 * i);
    return w;
}

TEST(DepthConversion, NormalizeMasks) {
    const uint32_t m555[4] = {0x7C00, 0x03E0, 0x001F, 0};
    const uint32_t m565[4] = {0xF800, 0x07E0, 0x001F, 0};
    const uint32_t rgbx[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0};
    const uint32_t argb[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    const uint32_t abgr[4] = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF};
    struct Case {
        int32_t bpp;
        const uint32_t* masks;
        uint32_t before, after;
    } cases[] = {
        {16, m555, 0x7FFF, 0x7FFF},           // already standard
        {16, m565, 0xF800 | 0x07E0, 0x7FE0},  // red and green full, blue 0
        {32, rgbx, 0x000010FF, 0x00FF1000},   // red 0xFF green 0x10 moved into place
        {32, argb, 0x80112233, 0x80112233},   // already standard with alpha
        {32, abgr, 0x33221180, 0x80112233},   // alpha in the low byte moves to the top
    };
    for (const Case& c : cases) {
        auto s = withMasks(c.bpp, c.masks, c.before);
        ColorImage decoded;  // what the masks say the pixel is
        ASSERT_TRUE(to24(*s, decoded));
        ASSERT_TRUE(normalizeMasks(*s)) << std::hex << c.before;
        EXPECT_EQ(wordAt(*s), c.after) << std::hex << c.before;
        if (c.bpp == 32) {
            EXPECT_EQ(colorAt(*s, 0, 0), colorAt(decoded, 0, 0));
        }
    }
    PixelSurface plain;
    ASSERT_TRUE(plain.create(1, 1, 16));
    EXPECT_FALSE(normalizeMasks(plain));  // no explicit masks
    ColorImage color;
    ASSERT_TRUE(color.createColor(1, 1));
    EXPECT_FALSE(normalizeMasks(color));
}

}  // namespace
}  // namespace varnel
