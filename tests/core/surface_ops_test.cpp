#include "core/surface_ops.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "core/blend_modes.h"

namespace varnel {
namespace {

Bgr grey(int v) {
    return {uint8_t(v), uint8_t(v), uint8_t(v)};
}

// Helpers hand back stores: surfaces are not movable, a store is.
std::unique_ptr<SurfaceStore> colorImage(int w, int h, Bgr fill) {
    ColorImage img;
    EXPECT_EQ(img.createColor(w, h), 1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.pixels(y)[x] = fill;
    return img.takeStore();
}

// A plane from rows of values, top row first.
std::unique_ptr<SurfaceStore> plane(std::initializer_list<std::initializer_list<int>> rows) {
    GrayMap m;
    const int h = int(rows.size());
    const int w = int(rows.begin()->size());
    EXPECT_EQ(m.createGray(w, h), 1);
    int y = 0;
    for (const auto& r : rows) {
        int x = 0;
        for (int v : r) m.row(y)[x++] = uint8_t(v);
        ++y;
    }
    return m.takeStore();
}

std::unique_ptr<SurfaceStore> flatPlane(int w, int h, int v) {
    GrayMap m;
    EXPECT_EQ(m.createGray(w, h), 1);
    fillValue(m, uint8_t(v));
    return m.takeStore();
}

std::vector<int> values(const GrayMap& m) {
    std::vector<int> out;
    for (int y = 0; y < m.height(); ++y)
        for (int x = 0; x < m.width(); ++x) out.push_back(m.row(y)[x]);
    return out;
}

// The red channel of every pixel, row by row (the tests use grey or red-only differences).
std::vector<int> reds(const ColorImage& img) {
    std::vector<int> out;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) out.push_back(img.pixels(y)[x].r);
    return out;
}

TEST(LerpPixel, RoundsTowardsMinusInfinity) {
    struct Case {
        int from, to, amount, expected;
    } cases[] = {
        {0, 255, 128, 127},  {255, 0, 128, 127}, {255, 0, 1, 254},     {0, 255, 1, 0},
        {10, 200, 255, 200}, {10, 200, 0, 10},   {100, 101, 254, 100},
    };
    for (const Case& c : cases) {
        Bgr p = grey(c.from);
        lerpPixel(p, grey(c.to), uint8_t(c.amount));
        EXPECT_EQ(p, grey(c.expected)) << c.from << " -> " << c.to << " by " << c.amount;
        EXPECT_EQ(lerpByte(uint8_t(c.from), uint8_t(c.to), uint8_t(c.amount)), c.expected);
    }
}

TEST(Opacity, PercentAndByteConvertByRounding) {
    struct Case {
        int percent, byte;
    } toByte[] = {{0, 0}, {1, 3}, {50, 128}, {99, 252}, {100, 255}, {-5, 0}, {150, 255}};
    for (const Case& c : toByte) EXPECT_EQ(opacityPercentToByte(c.percent), c.byte) << c.percent;
    struct Back {
        int byte, percent;
    } toPercent[] = {{0, 0}, {1, 0}, {2, 1}, {128, 50}, {127, 50}, {254, 100}, {255, 100}};
    for (const Back& c : toPercent)
        EXPECT_EQ(opacityByteToPercent(uint8_t(c.byte)), c.percent) << c.byte;
}

TEST(FillAtOpacity, MovesEveryPixelTowardsTheColour) {
    ColorImage img(colorImage(3, 2, grey(255)));
    EXPECT_EQ(fillAtOpacity(img, makeRgb(0, 0, 0), 128), 1);
    EXPECT_EQ(reds(img), std::vector<int>(6, 127));
    EXPECT_EQ(fillAtOpacity(img, makeRgb(9, 9, 9), 0), 1);
    EXPECT_EQ(reds(img), std::vector<int>(6, 127));
    EXPECT_EQ(fillAtOpacity(img, makeRgb(1, 2, 3), 255), 1);
    EXPECT_EQ(img.pixels(1)[2], (Bgr{3, 2, 1}));
    ColorImage empty;
    EXPECT_EQ(fillAtOpacity(empty, 0, 255), 0);
}

TEST(ColorThroughMask, BlendsByTheMaskAndClipsToTheTarget) {
    ColorImage img(colorImage(4, 3, grey(0)));
    // Placed one pixel up and left: only its lower-right 2×2 lands on the target.
    const GrayMap mask(plane({{255, 255, 255}, {255, 255, 128}, {255, 0, 255}}));
    EXPECT_EQ(colorThroughMask(img, makeRgb(255, 255, 255), mask, {-1, -1}), 1);
    EXPECT_EQ(reds(img), (std::vector<int>{255, 127, 0, 0,  //
                                           0, 255, 0, 0,    //
                                           0, 0, 0, 0}));
    // A mask that misses the target fails and changes nothing.
    EXPECT_EQ(colorThroughMask(img, makeRgb(9, 9, 9), mask, {4, 0}), 0);
    EXPECT_EQ(img.pixels(0)[0], grey(255));
}

TEST(CopyThroughMask, ColourAndGrey) {
    const GrayMap mask(plane({{255, 128, 0}}));
    ColorImage target(colorImage(4, 1, grey(0)));
    const ColorImage source(colorImage(3, 1, grey(255)));
    EXPECT_EQ(copyThroughMask(target, 1, 0, source, mask), 1);
    EXPECT_EQ(reds(target), (std::vector<int>{0, 255, 127, 0}));

    GrayMap gTarget(flatPlane(4, 1, 200));
    const GrayMap gSource(flatPlane(3, 1, 0));
    EXPECT_EQ(copyThroughMask(gTarget, -1, 0, gSource, mask), 1);
    // 128 towards 0 from 200: 200 + (128 × −200 >> 8) = 200 − 100.
    EXPECT_EQ(values(gTarget), (std::vector<int>{100, 200, 200, 200}));

    // Mask and source must have the same size; nothing changes otherwise.
    const GrayMap small(plane({{255, 255}}));
    EXPECT_EQ(copyThroughMask(target, 0, 0, source, small), 0);
    EXPECT_EQ(reds(target), (std::vector<int>{0, 255, 127, 0}));
    EXPECT_EQ(copyThroughMask(target, 0, 5, source, mask), 0);  // entirely outside
}

TEST(ValueThroughMask, UsesItsOwnRounding) {
    GrayMap target(flatPlane(4, 1, 0));
    const GrayMap mask(plane({{128, 255, 0, 1}}));
    EXPECT_EQ(valueThroughMask(target, 255, mask, {0, 0}), 1);
    // (127 × 0 + 255 × 128) >> 8 = 127; 255 writes exactly; 0 leaves; 1 gives 255 >> 8 = 0.
    EXPECT_EQ(values(target), (std::vector<int>{127, 255, 0, 0}));
    GrayMap bright(flatPlane(1, 1, 200));
    EXPECT_EQ(valueThroughMask(bright, 0, GrayMap(plane({{128}})), {0, 0}), 1);
    EXPECT_EQ(values(bright), (std::vector<int>{(127 * 200) >> 8}));
    EXPECT_EQ(valueThroughMask(target, 9, mask, {0, 1}), 0);
}

TEST(FillLayerThroughSelection, CompositesWithAlphaAndMask) {
    // Layer: grey 100, alpha 255 / 0 / 128 / 255; selection covers the first three pixels.
    ColorImage pixels(colorImage(4, 1, grey(100)));
    GrayMap alpha(plane({{255, 0, 128, 255}}));
    const GrayMap mask(plane({{255, 255, 255, 0}}));
    FillSettings fill{grey(200), kBlendNormal, 50, 0};
    EXPECT_EQ(fillLayerThroughSelection(pixels, &alpha, &mask, {0, 0}, fill), 1);
    // Each pixel must equal blendPixel of the fill colour at opacity byte 128.
    const int startAlpha[4] = {255, 0, 128, 255};
    for (int x = 0; x < 3; ++x) {
        Bgr want = grey(100);
        uint8_t wantAlpha = uint8_t(startAlpha[x]);
        blendPixel(want, wantAlpha, grey(200), 128, kBlendNormal);
        EXPECT_EQ(pixels.pixels(0)[x], want) << x;
        EXPECT_EQ(alpha.row(0)[x], wantAlpha) << x;
    }
    EXPECT_EQ(pixels.pixels(0)[0], grey(149));
    EXPECT_EQ(alpha.row(0)[1], 128);
    // Mask value 0: the pixel is left entirely, alpha included.
    EXPECT_EQ(pixels.pixels(0)[3], grey(100));
    EXPECT_EQ(alpha.row(0)[3], 255);
}

TEST(FillLayerThroughSelection, PreserveTransparencyAndNoPlaneLeaveAlpha) {
    for (bool preserve : {true, false}) {
        ColorImage pixels(colorImage(2, 1, grey(100)));
        GrayMap alpha(plane({{0, 128}}));
        FillSettings fill{grey(200), kBlendMultiply, 100, preserve ? 1 : 0};
        EXPECT_EQ(
            fillLayerThroughSelection(pixels, preserve ? &alpha : nullptr, nullptr, {0, 0}, fill),
            1);
        // The colour is composited over a base counted as opaque: the Multiply result itself.
        EXPECT_EQ(pixels.pixels(0)[0], grey((200 * 100) >> 8));
        EXPECT_EQ(pixels.pixels(0)[1], grey((200 * 100) >> 8));
        EXPECT_EQ(values(alpha), (std::vector<int>{0, 128}));
    }
}

TEST(FillLayerThroughSelection, MaskPlacementAndFailures) {
    ColorImage pixels(colorImage(3, 2, grey(0)));
    const GrayMap mask(plane({{255, 255}, {255, 255}}));
    FillSettings fill{grey(255), kBlendNormal, 100, 0};
    // Placed at (2, 1): only the bottom-right pixel is visited.
    EXPECT_EQ(fillLayerThroughSelection(pixels, nullptr, &mask, {2, 1}, fill), 1);
    EXPECT_EQ(reds(pixels), (std::vector<int>{0, 0, 0, 0, 0, 255}));
    EXPECT_EQ(fillLayerThroughSelection(pixels, nullptr, &mask, {3, 0}, fill), 0);
    GrayMap wrongSize(flatPlane(2, 2, 255));
    EXPECT_EQ(fillLayerThroughSelection(pixels, &wrongSize, nullptr, {0, 0}, fill), 0);
    EXPECT_EQ(reds(pixels), (std::vector<int>{0, 0, 0, 0, 0, 255}));
}

TEST(MaskPredicates, Table) {
    struct Case {
        std::unique_ptr<SurfaceStore> store;
        bool zero, all255, non255, partial;
    };
    Case cases[] = {
        {plane({{0, 0}, {0, 0}}), true, false, true, false},
        {plane({{255, 255}, {255, 255}}), false, true, false, false},
        {plane({{0, 255}, {255, 255}}), false, false, true, true},
        {plane({{255, 255}, {255, 254}}), false, false, true, true},
        {plane({{0, 0}, {1, 0}}), false, false, true, true},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        Case& c = cases[i];
        const GrayMap mask(std::move(c.store));
        EXPECT_EQ(isAllZero(mask), c.zero) << i;
        EXPECT_EQ(isAll255(mask), c.all255) << i;
        EXPECT_EQ(hasNon255(mask), c.non255) << i;
        EXPECT_EQ(isPartial(mask), c.partial) << i;
    }
    // Rows wide enough for the vector loops: one odd byte in the middle of a row or in the tail
    // after the last full vector decides, while the padding bytes after each row never do.
    for (const int x : {0, 33, 65, 66}) {
        for (const int y : {0, 2}) {
            for (const int flat : {0, 255}) {
                GrayMap wide(flatPlane(67, 3, flat));
                wide.row(y)[x] = uint8_t(flat == 0 ? 1 : 254);
                EXPECT_FALSE(flat == 0 ? isAllZero(wide) : isAll255(wide)) << x << "," << y;
                EXPECT_TRUE(isPartial(wide)) << x << "," << y;
            }
        }
    }
    for (const int flat : {0, 255}) {
        GrayMap wide(flatPlane(67, 3, flat));
        for (int y = 0; y < 3; ++y) wide.row(y)[67] = uint8_t(255 - flat);  // row padding
        EXPECT_EQ(isAllZero(wide), flat == 0);
        EXPECT_EQ(isAll255(wide), flat == 255);
    }
    const GrayMap invalid;
    EXPECT_FALSE(isAllZero(invalid));
    EXPECT_FALSE(isAll255(invalid));
    EXPECT_FALSE(hasNon255(invalid));
    EXPECT_FALSE(isPartial(invalid));
}

TEST(CombineMasks, Operations) {
    struct Case {
        int op;
        std::vector<int> expected;
    } cases[] = {
        {kCombineReplace, {200, 100, 0, 255}}, {-3, {200, 100, 0, 255}},
        {kCombineAdd, {255, 200, 50, 255}},    {kCombineSubtract, {0, 0, 50, 0}},
        {kCombineIntersect, {100, 100, 0, 0}}, {9, {100, 100, 0, 0}},
    };
    for (const Case& c : cases) {
        GrayMap target(plane({{100, 100, 50, 0}}));
        const GrayMap source(plane({{200, 100, 0, 255}}));
        EXPECT_EQ(combineMasks(target, source, c.op), 1);
        EXPECT_EQ(values(target), c.expected) << "operation " << c.op;
    }
    GrayMap target(plane({{1, 2}}));
    EXPECT_EQ(combineMasks(target, GrayMap(plane({{1, 2, 3}})), kCombineAdd), 0);
    EXPECT_EQ(values(target), (std::vector<int>{1, 2}));
}

TEST(ContentBounds, SmallestRectangleOfDifferingPixels) {
    GrayMap m(flatPlane(8, 9, 0));
    EXPECT_EQ(contentBounds(m, 0), Rect{});
    m.row(5)[3] = 1;
    EXPECT_EQ(contentBounds(m, 0), (Rect{3, 5, 4, 6}));
    m.row(1)[6] = 255;
    m.row(7)[0] = 9;
    EXPECT_EQ(contentBounds(m, 0), (Rect{0, 1, 7, 8}));
    // Relative to another value everything but the equal pixels counts.
    GrayMap full(flatPlane(4, 4, 255));
    EXPECT_EQ(contentBounds(full, 255), Rect{});
    EXPECT_EQ(contentBounds(full, 0), (Rect{0, 0, 4, 4}));
    full.row(3)[3] = 0;
    EXPECT_EQ(contentBounds(full, 255), (Rect{3, 3, 4, 4}));
}

TEST(Fills, RectanglesClipNormaliseAndExclude) {
    ColorImage img(colorImage(4, 3, grey(0)));
    const Rect excluded{1, 1, 3, 2};
    EXPECT_EQ(fillRectColor(img, Rect{5, 5, -1, -1}, grey(9), &excluded), 1);
    EXPECT_EQ(reds(img), (std::vector<int>{9, 9, 9, 9,  //
                                           9, 0, 0, 9,  //
                                           9, 9, 9, 9}));
    const Rect all{-10, -10, 10, 10};
    EXPECT_EQ(fillRectColor(img, Rect{0, 0, 4, 3}, grey(1), &all), 1);
    EXPECT_EQ(img.pixels(0)[0], grey(9));

    GrayMap m(flatPlane(3, 2, 0));
    EXPECT_EQ(fillRectValue(m, Rect{2, 2, 1, 0}, 7), 1);
    EXPECT_EQ(values(m), (std::vector<int>{0, 7, 0, 0, 7, 0}));
}

TEST(ReplaceColor, ExactMatchesOnly) {
    ColorImage img(colorImage(3, 1, Bgr{1, 2, 3}));
    img.pixels(0)[1] = Bgr{1, 2, 4};
    EXPECT_EQ(replaceColor(img, Bgr{1, 2, 3}, Bgr{7, 7, 7}), 1);
    EXPECT_EQ(img.pixels(0)[0], (Bgr{7, 7, 7}));
    EXPECT_EQ(img.pixels(0)[1], (Bgr{1, 2, 4}));
    EXPECT_EQ(img.pixels(0)[2], (Bgr{7, 7, 7}));
}

TEST(BlendWithKey, SkipsTheKeyColour) {
    ColorImage target(colorImage(4, 1, grey(100)));
    ColorImage source(colorImage(3, 1, grey(200)));
    source.pixels(0)[1] = Bgr{0, 0, 255};  // the key: pure red
    EXPECT_EQ(blendWithKey(target, 1, 0, source, 255, kBlendMultiply, makeRgb(255, 0, 0)), 1);
    const int m = (200 * 100) >> 8;
    EXPECT_EQ(reds(target), (std::vector<int>{100, m, 100, m}));
    EXPECT_EQ(blendWithKey(target, 4, 0, source, 255, kBlendNormal, 0), 0);
}

TEST(Backgrounds, PatternAndOverBackground) {
    ColorImage img(colorImage(4, 4, grey(0)));
    const Rect excluded{0, 0, 1, 1};
    EXPECT_EQ(fillPattern(img, PatternBackground::checker(2), &excluded), 1);
    EXPECT_EQ(reds(img), (std::vector<int>{0, 255, 204, 204,    //
                                           255, 255, 204, 204,  //
                                           204, 204, 255, 255,  //
                                           204, 204, 255, 255}));
    EXPECT_EQ(fillPattern(img, PatternBackground::solidWhite()), 1);
    EXPECT_EQ(reds(img), std::vector<int>(16, 255));

    ColorImage photo(colorImage(4, 1, grey(0)));
    const GrayMap alpha(plane({{0, 255, 128, 1}}));
    EXPECT_EQ(overBackground(photo, alpha, PatternBackground::solidWhite()), 1);
    // Alpha 0 gives white exactly; 255 leaves; 128 moves by 127: (127 × 255) >> 8 = 126.
    EXPECT_EQ(reds(photo), (std::vector<int>{255, 0, 126, 253}));
    EXPECT_EQ(overBackground(photo, GrayMap(plane({{0, 0}})), PatternBackground::solidWhite()), 0);
}

TEST(GradientFill, HorizontalVerticalAndDegenerate) {
    ColorImage img(colorImage(5, 2, grey(0)));
    EXPECT_EQ(gradientFill(img, Rect{0, 0, 5, 2}, makeRgb(0, 0, 0), makeRgb(255, 0, 0), false,
                           false, 1.0),
              1);
    EXPECT_EQ(reds(img), (std::vector<int>{0, 63, 127, 191, 255, 0, 63, 127, 191, 255}));

    ColorImage tall(colorImage(1, 3, grey(0)));
    EXPECT_EQ(gradientFill(tall, Rect{0, 0, 1, 3}, makeRgb(0, 0, 0), makeRgb(200, 0, 0), true,
                           false, 1.0),
              1);
    EXPECT_EQ(reds(tall), (std::vector<int>{200, 100, 0}));  // the bottom row is the start

    // With gamma 2, 127 becomes (127/255)² × 255 = 63.2.
    EXPECT_EQ(
        gradientFill(img, Rect{0, 0, 5, 2}, makeRgb(0, 0, 0), makeRgb(255, 0, 0), false, true, 2.0),
        1);
    EXPECT_EQ(img.pixels(0)[2].r, 63);

    // Equal colours and a single column still paint.
    EXPECT_EQ(
        gradientFill(img, Rect{0, 0, 5, 2}, makeRgb(7, 7, 7), makeRgb(7, 7, 7), false, false, 1.0),
        1);
    EXPECT_EQ(reds(img), std::vector<int>(10, 7));
    EXPECT_EQ(gradientFill(tall, Rect{0, 0, 1, 3}, makeRgb(9, 0, 0), makeRgb(90, 0, 0), false,
                           false, 1.0),
              1);
    EXPECT_EQ(reds(tall), std::vector<int>(3, 9));
    EXPECT_EQ(gradientFill(img, Rect{0, 0, 5, 2}, 0, 1, false, true, -1.0), 0);
}

}  // namespace
}  // namespace varnel
