#include "core/surface.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/pixel_memory.h"

namespace varnel {
namespace {

// Fills a surface with distinct bytes so that copies and moves show where every byte went.
void fillPattern(PixelSurface& s) {
    for (int32_t y = 0; y < s.height(); ++y)
        for (int32_t i = 0; i < s.bytesPerRow(); ++i) s.row(y)[i] = uint8_t(y * 31 + i * 7 + 1);
}

TEST(PixelSurface, EachClassAcceptsOnlyItsDepth) {
    struct Case {
        const char* name;
        std::unique_ptr<PixelSurface> surface;
        int acceptedDepth;  // 0: every depth
    };
    Case cases[] = {
        {"PixelSurface", std::make_unique<PixelSurface>(), 0},
        {"Surface1", std::make_unique<Surface1>(), 1},
        {"Surface4", std::make_unique<Surface4>(), 4},
        {"Surface8", std::make_unique<Surface8>(), 8},
        {"Surface16", std::make_unique<Surface16>(), 16},
        {"Surface24", std::make_unique<Surface24>(), 24},
        {"Surface32", std::make_unique<Surface32>(), 32},
        {"ColorImage", std::make_unique<ColorImage>(), 24},
        {"GrayMap", std::make_unique<GrayMap>(), 8},
        {"Mask", std::make_unique<Mask>(), 8},
        {"Channel", std::make_unique<Channel>(), 8},
        {"OffsetMask", std::make_unique<OffsetMask>(), 8},
        {"MorphologyMask", std::make_unique<MorphologyMask>(), 8},
    };
    for (Case& c : cases) {
        for (int depth : {1, 4, 8, 16, 24, 32}) {
            SCOPED_TRACE(testing::Message() << c.name << " depth " << depth);
            const bool accepted = c.acceptedDepth == 0 || c.acceptedDepth == depth;
            EXPECT_EQ(c.surface->create(3, 2, depth), accepted ? 1 : 0);
            auto store = SurfaceStore::create(3, 2, depth);
            const SurfaceStore* raw = store.get();
            EXPECT_EQ(c.surface->adoptStore(std::move(store)), accepted ? 1 : 0);
            // A refused store stays with the caller; an accepted one is the surface's.
            EXPECT_EQ(store.get(), accepted ? nullptr : raw);
            EXPECT_EQ(c.surface->store() == raw, accepted);
        }
    }
}

TEST(PixelSurface, FailedCreationKeepsTheOldPixels) {
    ColorImage img;
    ASSERT_EQ(img.createColor(4, 3), 1);
    img.setColor(1, 1, {1, 2, 3});
    const SurfaceStore* before = img.store();
    EXPECT_EQ(img.create(0, 3, 24), 0);
    EXPECT_EQ(img.create(4, 30001, 24), 0);
    EXPECT_EQ(img.create(4, 3, 8), 0);
    platform::failNextAllocations(1);
    EXPECT_EQ(img.createColor(5, 5), 0);
    const uint8_t junk[8] = {};
    EXPECT_EQ(img.createFromHeader(junk, sizeof junk), 0);
    EXPECT_EQ(img.store(), before);
    Bgra c;
    ASSERT_EQ(img.getColor(c, 1, 1), 1);
    EXPECT_EQ(c, (Bgra{1, 2, 3, 255}));
}

TEST(PixelSurface, EmptySurfaceFailsEverything) {
    PixelSurface s;
    Bgra c{9, 9, 9, 9};
    EXPECT_FALSE(s.isValid());
    EXPECT_EQ(s.size(), (Size{0, 0}));
    EXPECT_EQ(s.getColor(c, 0, 0), 0);
    EXPECT_EQ(c, Bgra{});
    EXPECT_EQ(s.setColor(0, 0, {}), 0);
    EXPECT_EQ(s.getIndex(0, 0), 0u);
    EXPECT_FALSE(s.clone());
    EXPECT_TRUE(s.exportHeader().empty());
    PixelSurface t;
    EXPECT_EQ(t.copyFrom(s), 0);
    EXPECT_EQ(t.copyRectFrom(s, {0, 0, 1, 1}), 0);
    EXPECT_EQ(t.copyPixels(s), 0);
}

TEST(PixelSurface, IndexedPixelsArePackedMostSignificantFirst) {
    Surface1 mono;
    ASSERT_EQ(mono.create(12, 1, 1), 1);
    mono.setIndex(0, 0, 1);
    mono.setIndex(9, 0, 1);
    EXPECT_EQ(mono.row(0)[0], 0x80);
    EXPECT_EQ(mono.row(0)[1], 0x40);
    mono.setIndex(0, 0, 0);
    EXPECT_EQ(mono.row(0)[0], 0x00);
    EXPECT_EQ(mono.getIndex(9, 0), 1u);
    EXPECT_EQ(mono.getIndex(8, 0), 0u);

    Surface4 nib;
    ASSERT_EQ(nib.create(3, 1, 4), 1);
    nib.setIndex(0, 0, 0xA);
    nib.setIndex(1, 0, 0x5);
    nib.setIndex(2, 0, 0x1F);  // only the low nibble is stored
    EXPECT_EQ(nib.row(0)[0], 0xA5);
    EXPECT_EQ(nib.row(0)[1], 0xF0);
    EXPECT_EQ(nib.getIndex(1, 0), 5u);
}

TEST(PixelSurface, GenericSurfaceDispatchesOnItsDepth) {
    // The same pixel through the generic class and through the depth class.
    for (int depth : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(depth);
        PixelSurface generic;
        ASSERT_EQ(generic.create(5, 4, depth), 1);
        ASSERT_EQ(generic.setColor(3, 2, {0, 0, 255}), 1);
        Bgra viaGeneric;
        ASSERT_EQ(generic.getColor(viaGeneric, 3, 2), 1);
        // Pure red is nearest to black in black and white, to grey 85 on the grey ramp.
        const int expectedRed = depth == 1 ? 0 : depth == 8 ? 85 : depth == 16 ? 248 : 255;
        EXPECT_EQ(viaGeneric.r, expectedRed);
        const uint32_t index = generic.getIndex(3, 2);
        std::unique_ptr<PixelSurface> typed;
        switch (depth) {
            case 1:
                typed = std::make_unique<Surface1>();
                break;
            case 4:
                typed = std::make_unique<Surface4>();
                break;
            case 8:
                typed = std::make_unique<Surface8>();
                break;
            case 16:
                typed = std::make_unique<Surface16>();
                break;
            case 24:
                typed = std::make_unique<Surface24>();
                break;
            default:
                typed = std::make_unique<Surface32>();
                break;
        }
        ASSERT_EQ(typed->adoptStore(generic.takeStore()), 1);
        Bgra viaTyped;
        ASSERT_EQ(typed->getColor(viaTyped, 3, 2), 1);
        EXPECT_EQ(viaTyped, viaGeneric);
        EXPECT_EQ(typed->getIndex(3, 2), index);
        EXPECT_EQ(index, depth == 4 ? 12u : depth == 8 ? 85u : 0u);
    }
}

TEST(PixelSurface, GetAndSetColorPerDepth) {
    struct Case {
        int bits;
        bool withMasks;
        Bgr set;
        Bgra expected;
    } cases[] = {
        {24, false, {10, 20, 30}, {10, 20, 30, 255}},
        {32, false, {10, 20, 30}, {10, 20, 30, 0}},  // the stored word; the fourth byte untouched
        // 5-5-5: each channel keeps its top 5 bits and reads back shifted left by 3.
        {16, false, {0xFF, 0x87, 0x0F}, {0xF8, 0x80, 0x08, 255}},
        // 5-6-5 keeps 6 bits of green: 0x87 → 0x84, where 5-5-5 arithmetic would give 0x80.
        {16, true, {0xFF, 0x87, 0x0F}, {0xF8, 0x84, 0x08, 255}},
        // An 8-bit grey ramp stores the nearest grey: (10, 20, 30) is 200 away from grey 20.
        {8, false, {10, 20, 30}, {20, 20, 20, 0}},
        {4, false, {200, 190, 180}, {192, 192, 192, 0}},
        {4, false, {250, 5, 5}, {255, 0, 0, 0}},
        {1, false, {120, 120, 120}, {0, 0, 0, 0}},
        {1, false, {130, 130, 130}, {255, 255, 255, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << (c.withMasks ? " with masks" : ""));
        PixelSurface s;
        ASSERT_EQ(s.create(4, 3, c.bits, c.withMasks), 1);
        ASSERT_EQ(s.setColor(2, 1, c.set), 1);
        Bgra got;
        ASSERT_EQ(s.getColor(got, 2, 1), 1);
        EXPECT_EQ(got, c.expected);
        Bgra neighbour;
        s.getColor(neighbour, 1, 1);
        Bgra zero;
        s.getColor(zero, 3, 2);
        EXPECT_EQ(neighbour, zero) << "a neighbouring pixel changed";
    }
}

TEST(PixelSurface, SixteenBitReadsExactWords) {
    struct Case {
        bool withMasks;
        uint16_t word;
        Bgra expected;
    } cases[] = {
        {false, 0x7FFF, {248, 248, 248, 255}}, {false, 0x7C00, {0, 0, 248, 255}},
        {false, 0x8000, {0, 0, 0, 255}},  // the unused top bit of 5-5-5
        {true, 0xFFFF, {248, 252, 248, 255}},  {true, 0x07E0, {0, 252, 0, 255}},
        {true, 0x0020, {0, 4, 0, 255}},
    };
    for (const Case& c : cases) {
        Surface16 s;
        ASSERT_EQ(s.create(2, 1, 16, c.withMasks), 1);
        std::memcpy(s.row(0) + 2, &c.word, 2);
        Bgra got;
        ASSERT_EQ(s.getColor(got, 1, 0), 1);
        EXPECT_EQ(got, c.expected) << std::hex << c.word;
    }
}

TEST(PixelSurface, GrayRampReadsBackItsIndex) {
    GrayMap g;
    ASSERT_EQ(g.create(256, 1, 8), 1);
    for (int x = 0; x < 256; ++x) g.setIndex(x, 0, uint32_t(x));
    for (int x = 0; x < 256; ++x) {
        Bgra c;
        ASSERT_EQ(g.getColor(c, x, 0), 1);
        EXPECT_EQ(c, (Bgra{uint8_t(x), uint8_t(x), uint8_t(x), 0}));
    }
}

TEST(PixelSurface, NearestPaletteEntryPrefersExactThenFirst) {
    const Bgra pal[] = {
        {0, 0, 0, 0}, {10, 10, 10, 0}, {30, 30, 30, 0}, {10, 10, 10, 0}, {20, 20, 20, 9}};
    EXPECT_EQ(nearestPaletteIndex(pal, 5, {20, 20, 20}), 4);  // exact, the reserved byte ignored
    EXPECT_EQ(nearestPaletteIndex(pal, 4, {20, 20, 20}), 1);  // ties with 2: first wins
    EXPECT_EQ(nearestPaletteIndex(pal, 4, {11, 10, 10}), 1);  // not 3, its equal twin
    EXPECT_EQ(nearestPaletteIndex(pal, 0, {1, 2, 3}), -1);

    Surface8 s;
    ASSERT_EQ(s.create(2, 1, 8), 1);
    ASSERT_EQ(s.setPalette(Palette{}), 1);
    EXPECT_EQ(s.setColor(0, 0, {1, 2, 3}), 0);  // no palette to choose from
}

TEST(PixelSurface, IndexBeyondThePaletteReadsAsZero) {
    Surface8 s;
    ASSERT_EQ(s.create(2, 1, 8), 1);
    ASSERT_EQ(s.setPalette(Palette{{{1, 2, 3, 0}, {4, 5, 6, 0}}}), 1);
    s.setIndex(0, 0, 1);
    s.setIndex(1, 0, 200);
    Bgra c;
    s.getColor(c, 0, 0);
    EXPECT_EQ(c, (Bgra{4, 5, 6, 0}));
    s.getColor(c, 1, 0);
    EXPECT_EQ(c, Bgra{});
    EXPECT_EQ(s.setPalette(Palette{std::vector<Bgra>(257)}), 0);
}

TEST(PixelSurface, OutOfRangeAccessIsIgnored) {
    for (int depth : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(depth);
        PixelSurface s;
        ASSERT_EQ(s.create(3, 2, depth), 1);
        const std::vector<uint8_t> before(s.bits(), s.bits() + s.imageBytes());
        const Point outside[] = {{-1, 0}, {0, -1}, {3, 0}, {0, 2}, {INT32_MIN, INT32_MAX}};
        for (Point p : outside) {
            EXPECT_EQ(s.setColor(p.x, p.y, {255, 255, 255}), 0);
            EXPECT_EQ(s.setIndex(p.x, p.y, 1), 0);
            Bgra c{1, 1, 1, 1};
            EXPECT_EQ(s.getColor(c, p.x, p.y), 0);
            EXPECT_EQ(c, Bgra{});
            EXPECT_EQ(s.getIndex(p.x, p.y), 0u);
        }
        EXPECT_EQ(std::vector<uint8_t>(s.bits(), s.bits() + s.imageBytes()), before);
    }
}

TEST(PixelSurface, CloneKeepsClassFieldsAndIsDeep) {
    Channel ch;
    ch.setName("Alpha 1");
    ASSERT_EQ(ch.createGray(4, 4), 1);
    fillPattern(ch);
    auto copy = cloneOf(ch);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->name(), "Alpha 1");
    EXPECT_EQ(std::memcmp(copy->bits(), ch.bits(), ch.imageBytes()), 0);
    ch.row(0)[0] ^= 0xFF;
    EXPECT_NE(copy->row(0)[0], ch.row(0)[0]);

    OffsetMask om;
    om.setOrigin({-3, 7});
    ASSERT_EQ(om.createGray(2, 2), 1);
    auto omCopy = cloneOf(om);
    ASSERT_TRUE(omCopy);
    EXPECT_EQ(omCopy->origin(), (Point{-3, 7}));

    ColorImage img;
    ASSERT_EQ(img.createColor(2, 2), 1);
    std::unique_ptr<PixelSurface> generic = img.clone();
    EXPECT_NE(dynamic_cast<ColorImage*>(generic.get()), nullptr);
    MorphologyMask mm;
    ASSERT_EQ(mm.createGray(2, 2), 1);
    generic = mm.clone();
    EXPECT_NE(dynamic_cast<MorphologyMask*>(generic.get()), nullptr);
}

TEST(PixelSurface, CopyRectFromTakesTheNormalisedIntersection) {
    struct Case {
        int depth;
        Rect rect;
        Rect expected;  // empty: the copy fails
    } cases[] = {
        {24, {1, 1, 3, 4}, {1, 1, 3, 4}},
        {24, {3, 4, 1, 1}, {1, 1, 3, 4}},   // inverted
        {8, {-2, -2, 2, 2}, {0, 0, 2, 2}},  // partly outside
        {32, {4, 0, 9, 9}, {4, 0, 5, 5}},
        {16, {0, 0, 5, 5}, {0, 0, 5, 5}},
        {1, {3, 1, 5, 4}, {3, 1, 5, 4}},  // bits that do not start on a byte
        {4, {1, 0, 4, 2}, {1, 0, 4, 2}},  // nibbles that do not start on a byte
        {24, {5, 0, 8, 5}, {}},           // disjoint
        {24, {2, 2, 2, 4}, {}},           // empty
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.depth << " bits");
        PixelSurface src;
        ASSERT_EQ(src.create(5, 5, c.depth), 1);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x) {
                src.setIndex(x, y, uint32_t(x + y));
                src.setColor(x, y, {uint8_t(x * 40), uint8_t(y * 40), 7});
            }
        PixelSurface dst;
        ASSERT_EQ(dst.create(1, 1, c.depth), 1);
        const SurfaceStore* before = dst.store();
        const int ok = dst.copyRectFrom(src, c.rect);
        if (c.expected.isEmpty()) {
            EXPECT_EQ(ok, 0);
            EXPECT_EQ(dst.store(), before);
            continue;
        }
        ASSERT_EQ(ok, 1);
        EXPECT_EQ(dst.size(), c.expected.size());
        EXPECT_EQ(*dst.palette(), *src.palette());
        for (int y = 0; y < c.expected.height(); ++y)
            for (int x = 0; x < c.expected.width(); ++x) {
                Bgra a, b;
                dst.getColor(a, x, y);
                src.getColor(b, x + c.expected.left, y + c.expected.top);
                ASSERT_EQ(a, b) << x << "," << y;
            }
    }
}

TEST(PixelSurface, CopyFromAndCopyPixels) {
    Surface16 src;
    ASSERT_EQ(src.create(3, 3, 16, true), 1);
    fillPattern(src);
    Surface16 dst;
    ASSERT_EQ(dst.copyFrom(src), 1);
    EXPECT_TRUE(dst.hasBitfields());
    EXPECT_EQ(std::memcmp(dst.bits(), src.bits(), src.imageBytes()), 0);

    Surface16 other;
    ASSERT_EQ(other.create(3, 3, 16, true), 1);
    ASSERT_EQ(other.copyPixels(src), 1);
    EXPECT_EQ(std::memcmp(other.bits(), src.bits(), src.imageBytes()), 0);

    Surface16 diffMasks;  // 5-5-5 words are not 5-6-5 words
    ASSERT_EQ(diffMasks.create(3, 3, 16, false), 1);
    EXPECT_EQ(diffMasks.copyPixels(src), 0);
    Surface16 diffSize;
    ASSERT_EQ(diffSize.create(3, 4, 16, true), 1);
    EXPECT_EQ(diffSize.copyPixels(src), 0);
    EXPECT_EQ(src.copyPixels(src), 1);

    ColorImage img;
    EXPECT_EQ(img.copyFrom(src), 0);  // a colour image holds only 24-bit pixels
    EXPECT_FALSE(img.isValid());
}

TEST(PixelSurface, SwapAndTakeStores) {
    ColorImage a, b;
    ASSERT_EQ(a.createColor(2, 2), 1);
    ASSERT_EQ(b.createColor(3, 3), 1);
    EXPECT_EQ(a.swapStores(b), 1);
    EXPECT_EQ(a.width(), 3);
    EXPECT_EQ(b.width(), 2);

    GrayMap g;
    ASSERT_EQ(g.createGray(4, 4), 1);
    EXPECT_EQ(a.swapStores(g), 0);
    EXPECT_EQ(a.width(), 3);
    EXPECT_EQ(g.width(), 4);

    ColorImage empty;
    EXPECT_EQ(empty.swapStores(a), 1);
    EXPECT_FALSE(a.isValid());
    EXPECT_EQ(empty.width(), 3);

    auto store = empty.takeStore();
    ASSERT_TRUE(store);
    EXPECT_FALSE(empty.isValid());
    EXPECT_EQ(store->width(), 3);
}

TEST(PixelSurface, ExportHeaderCarriesPaletteCountAndMasks) {
    Surface4 s;
    ASSERT_EQ(s.create(5, 2, 4), 1);
    ASSERT_EQ(s.setPalette(Palette{{{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}}}), 1);
    std::vector<uint8_t> h = s.exportHeader();
    ASSERT_EQ(h.size(), 40u + 12u);
    BitmapInfoHeader bih;
    std::memcpy(&bih, h.data(), 40);
    EXPECT_EQ(bih.size, 40u);
    EXPECT_EQ(bih.clrUsed, 3u);
    EXPECT_EQ(bih.clrImportant, 0u);
    EXPECT_EQ(bih.bitCount, 4);
    EXPECT_EQ(h[40 + 8], 7);

    Surface16 w;
    ASSERT_EQ(w.create(2, 2, 16, true), 1);
    h = w.exportHeader();
    ASSERT_EQ(h.size(), 52u);
    uint32_t green;
    std::memcpy(&green, h.data() + 44, 4);
    EXPECT_EQ(green, 0x07E0u);
    uint32_t masks[4];
    EXPECT_EQ(w.getMasks(masks), 1);
    Surface16 plain;
    ASSERT_EQ(plain.create(2, 2, 16), 1);
    EXPECT_EQ(plain.getMasks(masks), 0);
}

}  // namespace
}  // namespace varnel
