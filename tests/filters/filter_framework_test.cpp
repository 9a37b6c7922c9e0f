// The common driver of every filter: the processing rectangle, failures that leave the pixels
// alone, the coverage rule through a mask, the fused read-from-a-copy form, and the Last Filter
// slot that area filters fill.
#include <gtest/gtest.h>

#include "filter_fixtures.h"
#include "filters/color_adjustments.h"
#include "filters/last_filter.h"
#include "filters/tone_adjustments.h"

namespace varnel {
namespace {

using testing::grayImage;
using testing::maskImage;
using testing::noiseImage;
using testing::pixelAt;
using testing::samePixels;
using testing::StepFilter;

TEST(FilterApply, FailuresLeaveThePixelsAlone) {
    auto img = noiseImage(8, 6);
    auto before = cloneOf(*img);
    Mask emptyPlane;  // a plane object without pixels
    auto mask = maskImage(4, 4, [](int, int) { return 255; });
    const Rect outside{20, 20, 30, 30};
    const Rect empty{3, 3, 3, 5};
    const CoverageMask noPixels{&emptyPlane, {0, 0}};
    const CoverageMask farAway{mask.get(), {100, 0}};
    const CoverageMask farNegative{mask.get(), {-4, -4}};
    const CoverageMask hugeOrigin{mask.get(), {INT32_MAX - 1, INT32_MAX - 1}};
    struct Case {
        const char* what;
        const CoverageMask* mask;
        const Rect* limit;
    } cases[] = {
        {"mask plane without pixels", &noPixels, nullptr},
        {"mask placed right of the surface", &farAway, nullptr},
        {"mask placed above-left of the surface", &farNegative, nullptr},
        {"mask placed where its bounds would overflow", &hugeOrigin, nullptr},
        {"limit outside the surface", nullptr, &outside},
        {"empty limit", nullptr, &empty},
    };
    for (const Case& c : cases) {
        InvertFilter invert;
        EXPECT_EQ(invert.apply(*img, c.mask, c.limit), 0) << c.what;
        EXPECT_TRUE(samePixels(*img, *before)) << c.what;
        EXPECT_TRUE(invert.changedRect().isEmpty()) << c.what;
    }

    InvertFilter invert;
    ColorImage none;
    EXPECT_EQ(invert.apply(none), 0);
    for (int bits : {1, 4, 16, 32}) {
        PixelSurface other;
        ASSERT_EQ(other.create(4, 4, bits), 1);
        EXPECT_EQ(invert.apply(other), 0) << bits << " bits per pixel";
    }
}

// Mask values 0, 128 and 255 on the same pixels: 0 keeps, 255 takes the result, 128 takes half of
// the change rounded towards minus infinity (the shift is arithmetic).
TEST(FilterApply, CoverageRuleAt0_128_255) {
    struct Case {
        uint8_t old;
        int coverage;
        uint8_t expected;  // after Invert (new = 255 − old)
    } cases[] = {
        {10, 0, 10},     {10, 255, 245}, {10, 128, 127},  // +235 × 128 >> 8 = 117
        {200, 128, 127},                                  // −145 × 128 >> 8 = −73 (not −72)
        {0, 1, 0},       {255, 1, 254},                   // −255 × 1 >> 8 = −1
        {100, 254, 154},                                  // +55 × 254 >> 8 = 54
    };
    const int n = int(std::size(cases));
    // 24-bit: all three bytes of each pixel carry the same value.
    auto img = grayImage(n, 1, [&](int x, int) { return cases[x].old; });
    ColorImage color;
    ASSERT_EQ(color.createColor(n, 1), 1);
    for (int x = 0; x < n; ++x) color.pixels(0)[x] = {cases[x].old, cases[x].old, cases[x].old};
    auto mask = maskImage(n, 1, [&](int x, int) { return cases[x].coverage; });
    const CoverageMask cover{mask.get(), {0, 0}};

    InvertFilter invert;
    ASSERT_EQ(invert.apply(color, &cover), 1);
    ASSERT_EQ(invert.apply(*img, &cover), 1);
    for (int x = 0; x < n; ++x) {
        const uint8_t e = cases[x].expected;
        EXPECT_EQ(pixelAt(color, x, 0), (Bgr{e, e, e}))
            << "old " << int(cases[x].old) << " c " << cases[x].coverage;
        EXPECT_EQ(img->row(0)[x], e) << "8-bit, old " << int(cases[x].old);
    }
}

// Every old value under every partial coverage, in long runs of one coverage (the blend works on
// many bytes at once there): colour and 8-bit surfaces alike.
TEST(FilterApply, CoverageRuleForEveryValueAndCoverage) {
    auto gray = grayImage(256, 254, [](int x, int) { return x; });
    ColorImage color;
    ASSERT_EQ(color.createColor(256, 254), 1);
    for (int y = 0; y < 254; ++y) {
        for (int x = 0; x < 256; ++x) {
            color.pixels(y)[x] = {uint8_t(x), uint8_t(255 - x), uint8_t(x ^ 0x55)};
        }
    }
    auto before = cloneOf(color);
    auto mask = maskImage(256, 254, [](int, int y) { return y + 1; });
    const CoverageMask cover{mask.get(), {0, 0}};
    ASSERT_EQ(InvertFilter().apply(color, &cover), 1);
    ASSERT_EQ(InvertFilter().apply(*gray, &cover), 1);
    auto mix = [](int o, int c) { return uint8_t(o + (((255 - 2 * o) * c) >> 8)); };
    for (int y = 0; y < 254; ++y) {
        const int c = y + 1;
        for (int x = 0; x < 256; ++x) {
            const Bgr o = pixelAt(*before, x, y);
            ASSERT_EQ(pixelAt(color, x, y), (Bgr{mix(o.b, c), mix(o.g, c), mix(o.r, c)}))
                << x << " at coverage " << c;
            ASSERT_EQ(gray->row(y)[x], mix(x, c)) << x << " at coverage " << c;
        }
    }
}

TEST(FilterApply, MaskPlacementCutsTheRectangle) {
    auto img = noiseImage(10, 8);
    auto before = cloneOf(*img);
    // A 6 × 6 all-selected mask hanging over the right and bottom edges.
    auto mask = maskImage(6, 6, [](int, int) { return 255; });
    const CoverageMask cover{mask.get(), {7, 5}};
    InvertFilter invert;
    ASSERT_EQ(invert.apply(*img, &cover), 1);
    EXPECT_EQ(invert.changedRect(), (Rect{7, 5, 10, 8}));
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 10; ++x) {
            Bgr want = pixelAt(*before, x, y);
            if (x >= 7 && y >= 5)
                want = {uint8_t(255 - want.b), uint8_t(255 - want.g), uint8_t(255 - want.r)};
            ASSERT_EQ(pixelAt(*img, x, y), want) << x << "," << y;
        }
    }

    // A limit without a mask (a selection rectangle without a plane) cuts the same way.
    auto limited = cloneOf(*before);
    const Rect limit{7, 5, 13, 11};
    ASSERT_EQ(InvertFilter().apply(*limited, nullptr, &limit), 1);
    EXPECT_TRUE(samePixels(*limited, *img));
}

// A mask that selects everything inside the rectangle gives exactly the unmasked result, even
// when the filter's rows are fed differently (one run per row instead of runs between values).
TEST(FilterApply, FullySelectedMaskIsNoMask) {
    auto img = noiseImage(9, 7, 3);
    auto expected = cloneOf(*img);
    auto all = maskImage(9, 7, [](int, int) { return 255; });
    const CoverageMask cover{all.get(), {0, 0}};
    HueSaturationParams p;
    p.hue[0] = 40;
    p.saturation[0] = -30;
    ASSERT_EQ(HueSaturationFilter(p).apply(*img, &cover), 1);
    ASSERT_EQ(HueSaturationFilter(p).apply(*expected), 1);
    EXPECT_TRUE(samePixels(*img, *expected));
}

// Runs of unselected, partly selected and fully selected pixels in any order give what the
// per-pixel rule gives.
TEST(FilterApply, MaskRunsFollowThePerPixelRule) {
    auto img = noiseImage(37, 5, 9);
    auto before = cloneOf(*img);
    auto mask = maskImage(37, 5, [](int x, int y) {
        const int pattern[] = {0, 0, 255, 255, 255, 17, 128, 0, 255, 200, 200, 0};
        return pattern[(x + y * 5) % 12];
    });
    const CoverageMask cover{mask.get(), {0, 0}};
    LevelsParams lp;
    lp.gamma[0] = 1.7;
    lp.outBlack[2] = 40;
    LevelsFilter levels(lp);
    ASSERT_EQ(levels.apply(*img, &cover), 1);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 37; ++x) {
            const Bgr old = pixelAt(*before, x, y);
            Bgr adjusted = old;
            levels.transformPixel(adjusted);
            const int c = mask->row(y)[x];
            auto mix = [c](uint8_t o, uint8_t n) {
                if (c == 255) return n;
                return uint8_t(o + (((int(n) - int(o)) * c) >> 8));
            };
            const Bgr want{mix(old.b, adjusted.b), mix(old.g, adjusted.g), mix(old.r, adjusted.r)};
            ASSERT_EQ(pixelAt(*img, x, y), want) << x << "," << y << " c " << c;
        }
    }
}

// applyFrom writes into the target what apply would make of the source, inside the processing
// rectangle only: one pass for "put the copy back, apply again".
TEST(FilterApply, ApplyFromSourceMatchesApplyOnACopy) {
    auto source = noiseImage(12, 9, 5);
    auto mask = maskImage(8, 6, [](int x, int y) { return (x * 37 + y * 11) % 3 == 0 ? 0 : 90; });
    const CoverageMask cover{mask.get(), {3, 2}};
    const CoverageMask* masks[] = {nullptr, &cover};
    for (const CoverageMask* m : masks) {
        auto expected = cloneOf(*source);
        ColorBalanceParams cb;
        cb.cyanRed[kMidtones] = 60;
        ASSERT_EQ(ColorBalanceFilter(cb).apply(*expected, m), 1);

        // The target holds some other, earlier result inside the rectangle.
        auto target = cloneOf(*source);
        ASSERT_EQ(InvertFilter().apply(*target, m), 1);
        ASSERT_EQ(ColorBalanceFilter(cb).applyFrom(*source, *target, m), 1);
        EXPECT_TRUE(samePixels(*target, *expected)) << (m ? "masked" : "unmasked");
    }

    // Pixels outside the rectangle are not touched.
    auto target = noiseImage(12, 9, 6);
    auto before = cloneOf(*target);
    ASSERT_EQ(InvertFilter().applyFrom(*source, *target, &cover), 1);
    EXPECT_EQ(pixelAt(*target, 0, 0), pixelAt(*before, 0, 0));
    EXPECT_EQ(pixelAt(*target, 11, 8), pixelAt(*before, 11, 8));

    // A source of another size, and an area filter, are refused.
    auto small = noiseImage(4, 4);
    auto keep = cloneOf(*target);
    EXPECT_EQ(InvertFilter().applyFrom(*small, *target), 0);
    EXPECT_TRUE(samePixels(*target, *keep));
    keep = cloneOf(*target);
    StepFilter step(1);
    step.setInternal(true);
    EXPECT_EQ(step.applyFrom(*source, *target), 0);
    EXPECT_TRUE(samePixels(*target, *keep));
}

// A point filter written only with the single-pixel form still runs through the loops.
TEST(FilterApply, SinglePixelSubclassRunsThroughTheLoops) {
    struct Swap : PointFilter {
        void transformPixel(Bgr& p) const override { std::swap(p.r, p.b); }
        void transformValue(uint8_t& v) const override { v = uint8_t(v / 2); }
    };
    auto img = noiseImage(5, 3);
    auto before = cloneOf(*img);
    ASSERT_EQ(Swap().apply(*img), 1);
    const Bgr o = pixelAt(*before, 4, 2);
    EXPECT_EQ(pixelAt(*img, 4, 2), (Bgr{o.r, o.g, o.b}));
    auto gray = grayImage(3, 1, [](int x, int) { return 100 + x; });
    ASSERT_EQ(Swap().apply(*gray), 1);
    EXPECT_EQ(gray->row(0)[2], 51);
    EXPECT_EQ(Filter().name(), "Unknown Filter");
}

// Adjustments that leave 8-bit values alone succeed on a plane and change nothing; Invert and the
// single-table adjustments change it.
TEST(FilterApply, EightBitSurfaces) {
    auto plane = grayImage(4, 2, [](int x, int y) { return x * 60 + y; });
    auto before = cloneOf(*plane);
    ColorBalanceParams cb;
    cb.yellowBlue[0] = 80;
    EXPECT_EQ(ColorBalanceFilter(cb).apply(*plane), 1);
    EXPECT_EQ(DesaturateFilter().apply(*plane), 1);
    EXPECT_EQ(LevelsFilter(LevelsParams{{2, 2, 2, 2}}).apply(*plane), 1);
    EXPECT_TRUE(samePixels(*plane, *before));

    EXPECT_EQ(BrightnessContrastFilter(0, -100).apply(*plane), 1);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(plane->row(1)[x], 128);
}

class LastFilterSlot : public ::testing::Test {
protected:
    void SetUp() override { clearLastFilter(); }
    void TearDown() override { clearLastFilter(); }
};

TEST_F(LastFilterSlot, AreaFiltersRegisterAPrivateCopy) {
    EXPECT_EQ(lastFilter(), nullptr);
    EXPECT_EQ(lastFilterMenuText(), "Last Filter");
    auto img = noiseImage(4, 4);

    StepFilter blur(3, "Blur");
    ASSERT_EQ(blur.apply(*img), 1);
    ASSERT_NE(lastFilter(), nullptr);
    EXPECT_NE(lastFilter(), &blur);
    EXPECT_EQ(lastFilterMenuText(), "Blur");
    EXPECT_EQ(blur.changedRect(), img->bounds());

    // Adjustments never enter the slot.
    ASSERT_EQ(LevelsFilter(LevelsParams{}).apply(*img), 1);
    EXPECT_EQ(lastFilterMenuText(), "Blur");

    // An internal filter (the selection's own blur) does not replace it.
    StepFilter internal(9, "Stack Blur");
    internal.setInternal(true);
    ASSERT_EQ(internal.apply(*img), 1);
    EXPECT_EQ(lastFilterMenuText(), "Blur");

    // The slot's clone is a new filter with the same parameters and the flag cleared.
    auto again = cloneLastFilter();
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again.get(), lastFilter());
    EXPECT_EQ(static_cast<StepFilter&>(*again).step(), 3);
    auto internalCopy = internal.clone();
    EXPECT_FALSE(internalCopy->isInternal());

    StepFilter sharpen(1, "Sharpen");
    ASSERT_EQ(sharpen.apply(*img), 1);
    EXPECT_EQ(lastFilterMenuText(), "Sharpen");
}

}  // namespace
}  // namespace varnel
