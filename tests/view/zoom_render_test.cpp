#include "view/zoom_render.h"

#include <gtest/gtest.h>

#include "render_fixtures.h"

namespace varnel {
namespace {

using test::coordColour;
using test::fillGray;
using test::fillImage;

constexpr uint32_t kWhite = packPixel(255, 255, 255);
constexpr uint32_t kGrey = packPixel(204, 204, 204);

TEST(CheckerPattern, CellsAlternateFromAWhiteTopLeft) {
    CheckerPattern c;
    struct Case {
        int32_t x, y;
        uint32_t colour;
    } cases[] = {
        {0, 0, kWhite}, {7, 7, kWhite}, {8, 0, kGrey},   {0, 8, kGrey},
        {8, 8, kWhite}, {15, 3, kGrey}, {16, 3, kWhite}, {-1, 0, kGrey},
    };
    for (const Case& k : cases) EXPECT_EQ(c.colourAt(k.x, k.y), k.colour) << k.x << "," << k.y;
    CheckerPattern thumb{4};
    EXPECT_EQ(thumb.colourAt(4, 0), kGrey);
}

TEST(ZoomRenderer, ZoomedInEachPixelBecomesABlock) {
    ColorImage image;
    fillImage(image, 3, 2, coordColour);
    PixelBuffer32 out;
    ASSERT_TRUE(out.resize(12, 8));
    ZoomRenderer r;
    RenderSource src{&image, nullptr, true, true};
    ASSERT_TRUE(r.render(src, AxisMap{3, 12}, AxisMap{2, 8}, Rect{0, 0, 12, 8}, {}, out, {0, 0}));
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 12; ++x) {
            EXPECT_EQ(out.pixel(x, y), packPixel(coordColour(x / 4, y / 4))) << x << "," << y;
        }
    }
}

TEST(ZoomRenderer, ZoomedOutWholeRowsAndColumnsAreDropped) {
    ColorImage image;
    fillImage(image, 4, 4, coordColour);
    PixelBuffer32 out;
    ASSERT_TRUE(out.resize(2, 2));
    ZoomRenderer r;
    RenderSource src{&image, nullptr, true, true};
    ASSERT_TRUE(r.render(src, AxisMap{4, 2}, AxisMap{4, 2}, Rect{0, 0, 2, 2}, {}, out, {0, 0}));
    // Content pixel c shows the last image pixel starting at or before it: 0 and 2.
    EXPECT_EQ(out.pixel(0, 0), packPixel(coordColour(0, 0)));
    EXPECT_EQ(out.pixel(1, 0), packPixel(coordColour(2, 0)));
    EXPECT_EQ(out.pixel(1, 1), packPixel(coordColour(2, 2)));
}

TEST(ZoomRenderer, TransparencyBlendsTowardTheCheckerOfTheContentPosition) {
    // Four red pixels with coverage 255, 128, 0 and 1 at zoom 8: each fills one checker cell
    // column; cell columns alternate white and grey.
    ColorImage image;
    fillImage(image, 4, 1, [](int32_t, int32_t) { return Bgr{0, 0, 255}; });
    GrayMap coverage;
    const uint8_t levels[4] = {255, 128, 0, 1};
    fillGray(coverage, 4, 1, [&](int32_t x, int32_t) { return levels[x]; });
    PixelBuffer32 out;
    ASSERT_TRUE(out.resize(32, 16));
    ZoomRenderer r;
    RenderSource src{&image, &coverage, false, true};
    ASSERT_TRUE(r.render(src, AxisMap{4, 32}, AxisMap{1, 16}, Rect{0, 0, 32, 16}, {}, out, {}));
    struct Case {
        int32_t x, y;
        uint32_t colour;
    } cases[] = {
        {0, 0, packPixel(255, 0, 0)},      // opaque
        {8, 0, packPixel(229, 101, 101)},  // half over grey: 255 + ((127 × −51) >> 8) = 229
        {8, 8, packPixel(255, 126, 126)},  // half over white: (127 × 255) >> 8 = 126
        {16, 0, kWhite},                   // fully transparent: the checker itself
        {16, 8, kGrey},
        {24, 0, packPixel(204, 202, 202)},  // a = 254 over grey: (254 × 204) >> 8 = 202
    };
    for (const Case& c : cases) EXPECT_EQ(out.pixel(c.x, c.y), c.colour) << c.x << "," << c.y;
}

TEST(ZoomRenderer, CheckerIsAnchoredToTheContentNotTheTarget) {
    // Without content only the checkerboard shows; rendering content area (5, 9)-(21, 25) at
    // target (0, 0) must show the cells of content position, not of target position.
    PixelBuffer32 out;
    ASSERT_TRUE(out.resize(16, 16));
    ZoomRenderer r;
    RenderSource none{nullptr, nullptr, false, false};
    ASSERT_TRUE(r.render(none, AxisMap{40, 40}, AxisMap{40, 40}, Rect{5, 9, 21, 25}, {}, out,
                         Point{-5, -9}));
    CheckerPattern c;
    for (int32_t y = 0; y < 16; ++y) {
        for (int32_t x = 0; x < 16; ++x) EXPECT_EQ(out.pixel(x, y), c.colourAt(x + 5, y + 9));
    }
}

TEST(ZoomRenderer, AreaIsClippedToContentAndTarget) {
    ColorImage image;
    fillImage(image, 2, 2, coordColour);
    PixelBuffer32 out;
    ASSERT_TRUE(out.resize(6, 6));
    out.fill(out.bounds(), 0xFF123456u);
    ZoomRenderer r;
    RenderSource src{&image, nullptr, true, true};
    // Content 4 × 4 drawn at (3, 3): only its top-left 3 × 3 fits the target.
    ASSERT_TRUE(
        r.render(src, AxisMap{2, 4}, AxisMap{2, 4}, Rect{-10, -10, 50, 50}, {}, out, Point{3, 3}));
    EXPECT_EQ(out.pixel(2, 2), 0xFF123456u);
    EXPECT_EQ(out.pixel(3, 3), packPixel(coordColour(0, 0)));
    EXPECT_EQ(out.pixel(5, 5), packPixel(coordColour(1, 1)));
}

TEST(ZoomRenderer, RefusesASourceThatDoesNotMatchTheMap) {
    ColorImage image;
    fillImage(image, 4, 4, coordColour);
    GrayMap small;
    fillGray(small, 2, 2, [](int32_t, int32_t) { return uint8_t(255); });
    PixelBuffer32 out;
    ASSERT_TRUE(out.resize(4, 4));
    ZoomRenderer r;
    EXPECT_FALSE(r.render(RenderSource{&image, nullptr, true, true}, AxisMap{5, 4}, AxisMap{4, 4},
                          Rect{0, 0, 4, 4}, {}, out, {}));
    EXPECT_FALSE(r.render(RenderSource{&image, &small, false, true}, AxisMap{4, 4}, AxisMap{4, 4},
                          Rect{0, 0, 4, 4}, {}, out, {}));
    EXPECT_FALSE(r.render(RenderSource{nullptr, nullptr, true, true}, AxisMap{4, 4}, AxisMap{4, 4},
                          Rect{0, 0, 4, 4}, {}, out, {}));
}

TEST(CanvasSurround, BackgroundAndBorderTouchTheImage) {
    const uint32_t bg = packPixel(170, 170, 170), border = packPixel(0, 0, 0), image = 0xFF0000FFu;
    PixelBuffer32 out;
    ASSERT_TRUE(out.resize(10, 8));
    out.fill(out.bounds(), image);
    paintCanvasSurround(out, out.bounds(), Rect{3, 2, 7, 6}, bg, border);
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 10; ++x) {
            bool inImage = x >= 3 && x < 7 && y >= 2 && y < 6;
            bool onBorder = !inImage && x >= 2 && x < 8 && y >= 1 && y < 7;
            uint32_t expected = inImage ? image : onBorder ? border : bg;
            EXPECT_EQ(out.pixel(x, y), expected) << x << "," << y;
        }
    }
}

TEST(CanvasSurround, NothingWhenTheImageFillsTheClientAndOnlyInsideTheClip) {
    PixelBuffer32 out;
    ASSERT_TRUE(out.resize(6, 6));
    out.fill(out.bounds(), 7);
    paintCanvasSurround(out, out.bounds(), Rect{-3, 0, 6, 9}, 1, 2);
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 6; ++x) EXPECT_EQ(out.pixel(x, y), 7u);
    }
    paintCanvasSurround(out, Rect{0, 0, 2, 2}, Rect{3, 3, 4, 4}, 1, 2);
    EXPECT_EQ(out.pixel(1, 1), 1u);
    EXPECT_EQ(out.pixel(2, 2), 7u);  // border pixel outside the clip
}

TEST(PixelBuffer32, ResizeRejectsBadSizesAndKeepsThePixels) {
    PixelBuffer32 b;
    ASSERT_TRUE(b.resize(4, 4));
    b.fill(b.bounds(), 9);
    EXPECT_FALSE(b.resize(0, 5));
    EXPECT_FALSE(b.resize(30001, 1));
    EXPECT_FALSE(b.resize(-1, -1));
    EXPECT_EQ(b.size(), (Size{4, 4}));
    EXPECT_EQ(b.pixel(3, 3), 9u);
}

TEST(PixelBuffer32, ShiftMovesPixelsInEveryDirection) {
    struct Case {
        int32_t dx, dy;
    } cases[] = {{1, 0}, {-2, 0}, {0, 3}, {0, -1}, {2, -2}, {-3, 3}};
    for (const Case& c : cases) {
        PixelBuffer32 b;
        ASSERT_TRUE(b.resize(7, 6));
        for (int32_t y = 0; y < 6; ++y) {
            for (int32_t x = 0; x < 7; ++x) b.row(y)[x] = uint32_t(y * 100 + x);
        }
        b.shift(c.dx, c.dy);
        for (int32_t y = 0; y < 6; ++y) {
            for (int32_t x = 0; x < 7; ++x) {
                int32_t sx = x - c.dx, sy = y - c.dy;
                if (sx < 0 || sx >= 7 || sy < 0 || sy >= 6) continue;
                EXPECT_EQ(b.pixel(x, y), uint32_t(sy * 100 + sx)) << c.dx << "," << c.dy;
            }
        }
    }
}

}  // namespace
}  // namespace varnel
