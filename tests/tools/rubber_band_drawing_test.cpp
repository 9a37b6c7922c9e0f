#include "tools/rubber_band_drawing.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

// The stripes the band must show: inverted where (x − phase + y + 3) mod 8 < 4 on the outline.
bool expectedMark(const Rect& r, int32_t x, int32_t y, int32_t phase) {
    return onBandOutline(r, x, y) && (((x - phase + y + 3) % 8 + 8) % 8) < 4;
}

// Every pixel of the mask against the stripes of `r` at `phase` (nothing for an empty r).
::testing::AssertionResult showsStripes(const InvertMask& mask, const Rect& r, int32_t phase) {
    for (int32_t y = 0; y < mask.size().height; ++y) {
        for (int32_t x = 0; x < mask.size().width; ++x) {
            if (mask.isSet(x, y) != expectedMark(r, x, y, phase))
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " phase " << phase;
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(RubberBandPatterns, TablesAreTheStripeAndItsOneColumnStep) {
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            const bool stripe = (x + y + 3) % 8 < 4;
            EXPECT_EQ(bandPatternBit(kBandStripe, x, y, 0), stripe) << x << "," << y;
            EXPECT_EQ(bandPatternBit(kBandStep, x, y, 0),
                      stripe != bandPatternBit(kBandStripe, x - 1, y, 0))
                << x << "," << y;
        }
    }
}

TEST(RubberBandDrawing, TicksMarchTheStripesAndEraseLeavesNothing) {
    InvertMask mask;
    mask.resize(40, 30);
    RubberBandDrawing band;
    const Rect r{3, 4, 31, 22};
    band.setRect(r);
    band.show(mask, false);
    EXPECT_TRUE(showsStripes(mask, r, 0));
    // Eight ticks go once round the pattern; each shows the stripes one pixel further.
    for (int32_t tick = 1; tick <= 8; ++tick) {
        band.show(mask, false);
        EXPECT_EQ(band.phase(), tick % 8);
        EXPECT_TRUE(showsStripes(mask, r, tick % 8)) << "tick " << tick;
    }
    band.show(mask, true);
    EXPECT_TRUE(mask.isEmpty());
    EXPECT_TRUE(band.shownRect().isEmpty());
}

TEST(RubberBandDrawing, MovingTheRectangleLeavesOnlyTheNewOutline) {
    struct Case {
        const char* name;
        Rect from, to;
    } cases[] = {
        {"grows right and down, sharing the top and left edges", {5, 5, 20, 15}, {5, 5, 30, 25}},
        {"shrinks into itself", {2, 2, 35, 25}, {10, 8, 20, 16}},
        {"becomes a thin line across the old one", {5, 5, 30, 25}, {12, 0, 14, 30}},
        {"thin to wide", {12, 0, 14, 30}, {5, 5, 30, 25}},
        {"one pixel", {5, 5, 30, 25}, {7, 7, 8, 8}},
        {"to nothing", {5, 5, 30, 25}, {9, 9, 9, 9}},
        {"partly outside the view", {5, 5, 30, 25}, {-10, 20, 50, 45}},
    };
    for (const Case& c : cases) {
        InvertMask mask;
        mask.resize(40, 30);
        RubberBandDrawing band;
        band.setRect(c.from);
        band.show(mask, false);
        band.show(mask, false);  // phase 1, so that the move is drawn at a phase other than 0
        band.setRect(c.to);
        band.show(mask, false);
        EXPECT_TRUE(showsStripes(mask, c.to, 1)) << c.name;
        EXPECT_EQ(band.shownRect(), c.to) << c.name;
        band.show(mask, true);
        EXPECT_TRUE(mask.isEmpty()) << c.name;
    }
}

TEST(RubberBandDrawing, DrawingTheSameOutlineTwiceTakesItOff) {
    InvertMask mask;
    mask.resize(20, 20);
    std::vector<Rect> touched;
    toggleBandOutline(mask, {2, 2, 18, 18}, kBandStripe, 3, Rect{}, touched);
    EXPECT_FALSE(mask.isEmpty());
    toggleBandOutline(mask, {2, 2, 18, 18}, kBandStripe, 3, Rect{}, touched);
    EXPECT_TRUE(mask.isEmpty());
    EXPECT_TRUE(mask.extent().isEmpty());
}

TEST(RubberBandDrawing, AResizedMaskStartsOver) {
    InvertMask mask;
    mask.resize(40, 30);
    RubberBandDrawing band;
    band.setRect({5, 5, 30, 25});
    band.show(mask, false);
    // The view took another size: its marks are gone, and the band must not toggle the old
    // outline back on.
    mask.resize(50, 40);
    band.show(mask, false);
    EXPECT_TRUE(showsStripes(mask, {5, 5, 30, 25}, 0));
    band.show(mask, true);
    EXPECT_TRUE(mask.isEmpty());
}

TEST(InvertMask, InvertsTheMarkedPixelsOfABlock) {
    InvertMask mask;
    mask.resize(8, 4);
    mask.toggle(2, 1);
    mask.toggle(5, 2);
    mask.toggle(9, 9);  // outside: ignored
    EXPECT_EQ(mask.setCount(), 2);
    EXPECT_EQ(mask.extent(), (Rect{2, 1, 6, 3}));
    // A block showing client pixels (1, 1) … (5, 2).
    uint32_t block[2][5];
    for (auto& row : block)
        for (uint32_t& p : row) p = 0xFF102030u;
    mask.applyTo(&block[0][0], 5, Rect{1, 1, 6, 3});
    EXPECT_EQ(block[0][1], 0xFFEFDFCFu);
    EXPECT_EQ(block[1][4], 0xFFEFDFCFu);
    EXPECT_EQ(block[0][0], 0xFF102030u);
    EXPECT_EQ(block[1][3], 0xFF102030u);
}

}  // namespace
}  // namespace varnel
