#include "platform/raster_ops.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>

#include "raster_fixture.h"

namespace varnel::platform {
namespace {

using testing::TestRaster;

constexpr ColorRef kWhite = 0xFFFFFF;

TEST(FillRect, LeavesOutTheExcludedRectangle) {
    TestRaster r(8, 6, 24);
    const Rect excluded{2, 1, 5, 3};
    ASSERT_TRUE(fillRect(r.raster(), {6, 5, 1, 0}, makeRgb(10, 20, 30), &excluded));  // inverted
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            const bool filled = Rect{1, 0, 6, 5}.contains(x, y) && !excluded.contains(x, y);
            EXPECT_EQ(r.color(x, y), filled ? (Bgra{30, 20, 10, 255}) : (Bgra{0, 0, 0, 255}))
                << x << "," << y;
        }
    // An excluded rectangle that covers the whole area leaves everything alone.
    TestRaster s(4, 4, 8);
    const Rect all{-1, -1, 10, 10};
    ASSERT_TRUE(fillRect(s.raster(), {0, 0, 4, 4}, kWhite, &all));
    for (uint8_t b : s.bytes()) EXPECT_EQ(b, 0);
}

TEST(FillRect, EncodesTheColourForEachDepth) {
    struct Case {
        int bits;
        ColorRef color;
        uint32_t raw;
    } cases[] = {
        {1, makeRgb(200, 200, 200), 1},     {1, makeRgb(90, 90, 90), 0},
        {4, makeRgb(250, 0, 0), 12},        {8, makeRgb(10, 20, 30), 20},
        {16, makeRgb(255, 0, 8), 0x7C01},   {24, makeRgb(1, 2, 3), 0x010203},
        {32, makeRgb(1, 2, 3), 0x00010203},
    };
    for (const Case& c : cases) {
        std::vector<Bgra> pal;
        if (c.bits == 4)
            for (int i = 0; i < 16; ++i)
                pal.push_back(i == 12 ? Bgra{0, 0, 255, 0}
                                      : Bgra{uint8_t(i), uint8_t(i), uint8_t(i), 0});
        TestRaster r(3, 1, c.bits, pal);
        ASSERT_TRUE(fillRect(r.raster(), {0, 0, 3, 1}, c.color));
        for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(r.get(x, 0), c.raw) << c.bits << " bits";
    }
}

// Every start and length of a span on packed rows, against a pixel-by-pixel reference: bits next
// to the span must survive.
TEST(FillRect, PackedSpansTouchOnlyTheirPixels) {
    for (int bits : {1, 4}) {
        for (int32_t x0 = 0; x0 < 10; ++x0) {
            for (int32_t len = 0; len < 24; ++len) {
                TestRaster r(40, 1, bits, bits == 4 ? std::vector<Bgra>(16) : std::vector<Bgra>{});
                r.fillDistinct();
                TestRaster expected(40, 1, bits);
                for (int32_t x = 0; x < 40; ++x)
                    expected.set(x, 0, x >= x0 && x < x0 + len ? 0 : r.get(x, 0));
                // Black is entry 0 of both palettes.
                ASSERT_TRUE(fillRect(r.raster(), {x0, 0, x0 + len, 1}, 0));
                for (int32_t x = 0; x < 40; ++x)
                    ASSERT_EQ(r.get(x, 0), expected.get(x, 0))
                        << bits << " bits, span " << x0 << "+" << len << ", pixel " << x;
            }
        }
    }
}

TEST(InvertRect, FlipsEveryBitOfTheSpanOnly) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        for (int32_t x0 = 0; x0 < 9; ++x0) {
            for (int32_t len = 0; len < 20; ++len) {
                TestRaster r(30, 2, bits, std::vector<Bgra>(bits <= 8 ? (1 << bits) : 0));
                r.fillDistinct(uint32_t(bits));
                const uint32_t all = bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
                std::vector<uint32_t> before;
                for (int32_t x = 0; x < 30; ++x) before.push_back(r.get(x, 1));
                ASSERT_TRUE(invertRect(r.raster(), {x0, 1, x0 + len, 2}));
                for (int32_t x = 0; x < 30; ++x) {
                    const bool inside = x >= x0 && x < x0 + len;
                    ASSERT_EQ(r.get(x, 1), inside ? (before[size_t(x)] ^ all) : before[size_t(x)])
                        << bits << " bits, span " << x0 << "+" << len << ", pixel " << x;
                }
            }
        }
    }
    TestRaster r(5, 5, 24);
    const Rect hole{1, 1, 4, 4};
    ASSERT_TRUE(invertRect(r.raster(), {0, 0, 5, 5}, &hole));
    EXPECT_EQ(r.get(0, 0), 0xFFFFFFu);
    EXPECT_EQ(r.get(2, 2), 0u);
}

TEST(Blit, ClipsAgainstBothRasters) {
    TestRaster src(4, 4, 8);
    src.fillDistinct();
    struct Case {
        Point at;
        Rect srcRect;
    } cases[] = {
        {{0, 0}, {0, 0, 4, 4}},
        {{-2, -1}, {0, 0, 4, 4}},
        {{3, 3}, {0, 0, 4, 4}},
        {{1, 1}, {-2, -2, 2, 2}},
        {{0, 0}, {2, 2, 9, 9}},
        {{5, 0}, {0, 0, 4, 4}},
        {{INT_MAX, INT_MAX}, {0, 0, 4, 4}},
        {{INT_MIN, 0}, {INT_MIN, 0, INT_MAX, 4}},
    };
    for (const Case& c : cases) {
        TestRaster dst(5, 5, 8);
        ASSERT_TRUE(blit(dst.raster(), c.at, src.raster(), c.srcRect));
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 5; ++x) {
                const int64_t sx = int64_t(x) - c.at.x + c.srcRect.left;
                const int64_t sy = int64_t(y) - c.at.y + c.srcRect.top;
                const bool covered =
                    sx >= std::max(0, c.srcRect.left) && sx < std::min(4, c.srcRect.right) &&
                    sy >= std::max(0, c.srcRect.top) && sy < std::min(4, c.srcRect.bottom);
                ASSERT_EQ(dst.get(x, y), covered ? src.get(int32_t(sx), int32_t(sy)) : 0u)
                    << "at " << c.at.x << "," << c.at.y << " pixel " << x << "," << y;
            }
    }
}

TEST(Blit, OverlappingMovesWithinOneRaster) {
    const Point moves[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {2, 3}, {-3, -2}, {3, -1}};
    for (int bits : {1, 4, 8, 24}) {
        for (Point m : moves) {
            TestRaster r(13, 9, bits, std::vector<Bgra>(bits <= 8 ? (1 << bits) : 0));
            r.fillDistinct();
            TestRaster ref(13, 9, bits, std::vector<Bgra>(bits <= 8 ? (1 << bits) : 0));
            for (int32_t y = 0; y < 9; ++y)
                for (int32_t x = 0; x < 13; ++x) ref.set(x, y, r.get(x, y));
            const Rect area{2, 2, 10, 7};
            for (int32_t y = area.top; y < area.bottom; ++y)
                for (int32_t x = area.left; x < area.right; ++x)
                    if (Rect{0, 0, 13, 9}.contains(x + m.x, y + m.y))
                        ref.set(x + m.x, y + m.y, r.get(x, y));
            ASSERT_TRUE(blit(r.raster(), {area.left + m.x, area.top + m.y}, r.raster(), area));
            EXPECT_EQ(r.bytes(), ref.bytes()) << bits << " bits, move " << m.x << "," << m.y;
        }
    }
}

TEST(Blit, GreyAndColourConvertBothWays) {
    TestRaster grey(4, 1, 8);
    for (int32_t x = 0; x < 4; ++x) grey.set(x, 0, uint32_t(x * 80));
    TestRaster colour(4, 1, 24);
    ASSERT_TRUE(blit(colour.raster(), {0, 0}, grey.raster(), {0, 0, 4, 1}));
    for (int32_t x = 0; x < 4; ++x) {
        const uint8_t v = uint8_t(x * 80);
        EXPECT_EQ(colour.color(x, 0), (Bgra{v, v, v, 255}));
    }
    // Back to grey: the nearest grey is the rounded mean of the three channels.
    struct Case {
        Bgr c;
        uint8_t grey;
    } cases[] = {{{0, 0, 1}, 0},         {{0, 1, 1}, 1},    {{10, 20, 30}, 20},
                 {{255, 255, 254}, 255}, {{0, 0, 255}, 85}, {{0, 255, 255}, 170}};
    TestRaster src(6, 1, 24);
    for (int32_t i = 0; i < 6; ++i)
        src.set(i, 0, uint32_t(cases[i].c.b) | cases[i].c.g << 8 | cases[i].c.r << 16);
    TestRaster back(6, 1, 8);
    ASSERT_TRUE(blit(back.raster(), {0, 0}, src.raster(), {0, 0, 6, 1}));
    for (int32_t i = 0; i < 6; ++i) {
        EXPECT_EQ(back.get(i, 0), cases[i].grey) << i;
        // The same answer as the general nearest-entry rule.
        const Bgra* pal = back.raster().palette;
        EXPECT_EQ(uint32_t(nearestIndex(pal, 256, cases[i].c)), cases[i].grey);
    }
}

TEST(Blit, ConvertsThroughColoursBetweenOtherDepths) {
    TestRaster src(2, 1, 16);  // 5-5-5
    src.set(0, 0, 0x7C00);     // red
    src.set(1, 0, 0x03E0);     // green
    TestRaster dst(2, 1, 4, {{0, 0, 0, 0}, {0, 0, 200, 0}, {0, 200, 0, 0}});
    ASSERT_TRUE(blit(dst.raster(), {0, 0}, src.raster(), {0, 0, 2, 1}));
    EXPECT_EQ(dst.get(0, 0), 1u);
    EXPECT_EQ(dst.get(1, 0), 2u);
    TestRaster wide(2, 1, 32);
    wide.masks[0] = 0xF800, wide.masks[1] = 0x07E0, wide.masks[2] = 0x1F;  // odd but legal
    TestRaster out(2, 1, 24);
    wide.set(0, 0, 0x07E0);
    ASSERT_TRUE(blit(out.raster(), {0, 0}, wide.raster(), {0, 0, 2, 1}));
    EXPECT_EQ(out.color(0, 0), (Bgra{0, 252, 0, 255}));
}

TEST(DrawLine, SetsBothEndsAndStaysBounded) {
    struct Case {
        Point a, b;
        std::vector<Point> pixels;
    } cases[] = {
        {{1, 1}, {1, 1}, {{1, 1}}},
        {{0, 2}, {4, 2}, {{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}}},
        {{3, 4}, {3, 1}, {{3, 1}, {3, 2}, {3, 3}, {3, 4}}},
        {{0, 0}, {3, 3}, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        {{0, 0}, {4, 2}, {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}},
        {{-3, 1}, {2, 1}, {{0, 1}, {1, 1}, {2, 1}}},  // clipped on the left
    };
    for (const Case& c : cases) {
        TestRaster r(6, 6, 8);
        ASSERT_TRUE(drawLine(r.raster(), c.a, c.b, kWhite));
        TestRaster ref(6, 6, 8);
        for (Point p : c.pixels) ref.set(p.x, p.y, 255);
        EXPECT_EQ(r.bytes(), ref.bytes())
            << c.a.x << "," << c.a.y << " to " << c.b.x << "," << c.b.y;
    }
    // A line across the whole coordinate range is walked only where it meets the raster.
    TestRaster r(8, 8, 8);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(drawLine(r.raster(), {INT_MIN, 3}, {INT_MAX, 3}, kWhite));
    ASSERT_TRUE(drawLine(r.raster(), {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, kWhite));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(r.get(x, 3), 255u);
}

TEST(FillEllipse, FillsPixelsWhoseCentresAreInside) {
    TestRaster r(7, 5, 8);
    ASSERT_TRUE(fillEllipse(r.raster(), {7, 5, 0, 0}, kWhite));  // inverted: normalised
    const char* expected[] = {
        ".#####.", "#######", "#######", "#######", ".#####.",
    };
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 7; ++x)
            EXPECT_EQ(r.get(x, y), expected[y][x] == '#' ? 255u : 0u) << x << "," << y;

    TestRaster one(3, 3, 24);
    ASSERT_TRUE(fillEllipse(one.raster(), {1, 1, 2, 2}, kWhite));
    EXPECT_EQ(one.get(1, 1), 0xFFFFFFu);
    EXPECT_EQ(one.get(0, 1), 0u);
    ASSERT_TRUE(fillEllipse(one.raster(), {2, 0, 2, 3}, 0x0000FF));  // empty: nothing
    EXPECT_EQ(one.get(2, 1), 0u);

    TestRaster huge(4, 4, 8);  // a vast ellipse covers a small raster entirely
    ASSERT_TRUE(
        fillEllipse(huge.raster(), {INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2}, kWhite));
    for (uint8_t b : huge.bytes()) EXPECT_EQ(b, 255);
}

TEST(DrawRectangle, OutlineOrFilled) {
    TestRaster r(6, 5, 8);
    ASSERT_TRUE(drawRectangle(r.raster(), {1, 1, 5, 5}, kWhite, false));
    const char* expected[] = {
        "......", ".####.", ".#..#.", ".#..#.", ".####.",
    };
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 6; ++x)
            EXPECT_EQ(r.get(x, y), expected[y][x] == '#' ? 255u : 0u) << x << "," << y;
    TestRaster f(6, 5, 8);
    const Rect hole{0, 0, 3, 3};
    ASSERT_TRUE(drawRectangle(f.raster(), {1, 1, 5, 5}, kWhite, true, &hole));
    EXPECT_EQ(f.get(2, 2), 0u);
    EXPECT_EQ(f.get(3, 2), 255u);
    EXPECT_EQ(f.get(2, 3), 255u);
}

TEST(Scroll, MovesPixelsInsideTheRectangleOnly) {
    TestRaster r(6, 4, 8);
    r.fillDistinct();
    TestRaster before(6, 4, 8);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 6; ++x) before.set(x, y, r.get(x, y));
    const Rect area{1, 0, 5, 3};
    ASSERT_TRUE(scroll(r.raster(), area, 2, 1));
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 6; ++x) {
            uint32_t want = before.get(x, y);
            if (area.contains(x, y) && area.contains(x - 2, y - 1)) want = before.get(x - 2, y - 1);
            EXPECT_EQ(r.get(x, y), want) << x << "," << y;
        }
    TestRaster same(3, 3, 8);
    same.fillDistinct();
    const std::vector<uint8_t> bytes = same.bytes();
    ASSERT_TRUE(scroll(same.raster(), {0, 0, 3, 3}, 0, 0));
    ASSERT_TRUE(scroll(same.raster(), {0, 0, 3, 3}, INT_MAX, INT_MIN));
    EXPECT_EQ(same.bytes(), bytes);
}

TEST(Tile, RepeatsThePatternFromTheTopLeft) {
    TestRaster pattern(3, 2, 8);
    pattern.fillDistinct();
    for (int bits : {8, 24}) {
        TestRaster r(8, 5, bits);
        ASSERT_TRUE(tile(r.raster(), pattern.raster()));
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 8; ++x) {
                const uint8_t v = uint8_t(pattern.get(x % 3, y % 2));
                EXPECT_EQ(r.color(x, y), (Bgra{v, v, v, 255})) << bits << " bits " << x << "," << y;
            }
    }
}

TEST(Operations, RefuseInvalidRasters) {
    TestRaster ok(2, 2, 8);
    Raster bad = ok.raster();
    bad.bitsPerPixel = 12;
    EXPECT_FALSE(fillRect(bad, {0, 0, 1, 1}, 0));
    EXPECT_FALSE(invertRect(bad, {0, 0, 1, 1}));
    EXPECT_FALSE(blit(ok.raster(), {0, 0}, bad, {0, 0, 1, 1}));
    EXPECT_FALSE(drawLine(Raster{}, {0, 0}, {1, 1}, 0));
    EXPECT_FALSE(stretch(ok.raster(), {0, 0, 2, 2}, bad, {0, 0, 1, 1}, StretchMode::Smooth));
}

}  // namespace
}  // namespace varnel::platform
