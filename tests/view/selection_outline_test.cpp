#include "view/selection_outline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "render_fixtures.h"

namespace varnel {
namespace {

using test::fillGray;

constexpr uint32_t kScreen = packPixel(128, 128, 128);
constexpr uint32_t kWhite = packPixel(255, 255, 255);
constexpr uint32_t kBlack = packPixel(0, 0, 0);

class SelectionOutlineTest : public ::testing::Test {
protected:
    void SetUp() override { SelectionOutline::setPhase(0); }
    void TearDown() override { SelectionOutline::setPhase(0); }

    void show(Size image, Size client, float zoom) {
        scroller.setImageSize(image.width, image.height);
        scroller.setClientSize(client.width, client.height);
        scroller.setZoom(zoom, false, false);
        ASSERT_TRUE(screen.resize(client.width, client.height));
        screen.fill(screen.bounds(), kScreen);
    }
    SelectionArea select(Rect bounds, const std::vector<uint8_t>& levels) {
        fillGray(mask, bounds.width(), bounds.height(),
                 [&](int32_t x, int32_t y) { return levels[size_t(y * bounds.width() + x)]; });
        return SelectionArea{bounds, &mask};
    }

    ZoomScroller scroller;
    PixelBuffer32 screen;
    GrayMap mask;
    SelectionOutline outline;
};

TEST_F(SelectionOutlineTest, OnePixelAtFourHundredPercentIsAFourByFourRing) {
    show({10, 10}, {40, 40}, 4.0f);
    ASSERT_TRUE(outline.prepare(select(Rect{2, 3, 3, 4}, {255}), scroller, screen));
    EXPECT_EQ(outline.rect(), (Rect{8, 12, 12, 16}));
    EXPECT_EQ(outline.points().size(), 12u);
    for (const Point& p : outline.points()) {
        EXPECT_TRUE(p.x == 0 || p.x == 3 || p.y == 0 || p.y == 3) << p.x << "," << p.y;
    }
    Rect drawn = outline.drawInto(screen);
    EXPECT_EQ(drawn, (Rect{8, 12, 12, 16}));
    EXPECT_EQ(SelectionOutline::phase(), 1);
    // Phase 0: white where (x + y + 3) mod 8 < 4: runs of four along the diagonals.
    const uint32_t expected[4][4] = {
        {kWhite, kBlack, kBlack, kBlack},
        {kBlack, kScreen, kScreen, kBlack},
        {kBlack, kScreen, kScreen, kWhite},
        {kBlack, kBlack, kWhite, kWhite},
    };
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 4; ++x) {
            EXPECT_EQ(screen.pixel(8 + x, 12 + y), expected[y][x]) << x << "," << y;
        }
    }
    EXPECT_EQ(screen.pixel(7, 12), kScreen);
}

TEST_F(SelectionOutlineTest, StripesMoveOnePixelPerTickAndWrapAfterEight) {
    show({10, 10}, {40, 40}, 4.0f);
    ASSERT_TRUE(outline.prepare(select(Rect{2, 3, 3, 4}, {255}), scroller, screen));
    std::vector<uint32_t> first;
    for (int tick = 0; tick < 9; ++tick) {
        outline.drawInto(screen);
        // Top-left corner point (0, 0): white while (3 − phase) mod 8 < 4.
        int32_t phase = tick % 8;
        bool white = ((3 - phase) % 8 + 8) % 8 < 4;
        EXPECT_EQ(screen.pixel(8, 12), white ? kWhite : kBlack) << "tick " << tick;
        std::vector<uint32_t> now;
        for (const Point& p : outline.points()) now.push_back(screen.pixel(8 + p.x, 12 + p.y));
        if (tick == 0) first = now;
        if (tick == 8) {
            EXPECT_EQ(now, first);
        }
    }
}

TEST_F(SelectionOutlineTest, FeatheredEdgeUsesTheThresholds) {
    show({10, 3}, {10, 3}, 1.0f);
    // Levels along a row: 148 is outside, 149 inside; inside pixels next to outside ones are on
    // the outline.
    ASSERT_TRUE(
        outline.prepare(select(Rect{2, 1, 7, 2}, {148, 149, 255, 255, 200}), scroller, screen));
    std::vector<int32_t> xs;
    for (const Point& p : outline.points()) xs.push_back(p.x + outline.rect().left);
    std::sort(xs.begin(), xs.end());
    // One row high: every inside pixel touches the unselected rows above and below.
    EXPECT_EQ(xs, (std::vector<int32_t>{3, 4, 5, 6}));

    show({10, 10}, {10, 10}, 1.0f);
    std::vector<uint8_t> block(25, 255);
    ASSERT_TRUE(outline.prepare(select(Rect{1, 1, 6, 6}, block), scroller, screen));
    EXPECT_EQ(outline.points().size(), 16u);  // the interior 3 × 3 is not outline
}

TEST_F(SelectionOutlineTest, OnlyTheVisiblePartIsOutlined) {
    show({100, 100}, {50, 50}, 1.0f);
    scroller.scrollTo(30, 30);
    // Selection (20, 20)-(60, 60) → client (−10, −10)-(30, 30), clipped to the window.
    std::vector<uint8_t> all(40 * 40, 255);
    ASSERT_TRUE(outline.prepare(select(Rect{20, 20, 60, 60}, all), scroller, screen));
    EXPECT_EQ(outline.rect(), (Rect{0, 0, 30, 30}));
    // Only the right and bottom edges are visible: 30 + 30 − 1 points.
    EXPECT_EQ(outline.points().size(), 59u);

    // Entirely scrolled away: nothing to outline.
    scroller.scrollTo(50, 50);
    std::vector<uint8_t> one(1, 255);
    EXPECT_FALSE(outline.prepare(select(Rect{0, 0, 1, 1}, one), scroller, screen));
    EXPECT_FALSE(outline.prepared());
    EXPECT_TRUE(outline.drawInto(screen).isEmpty());
    EXPECT_FALSE(outline.prepare(SelectionArea{}, scroller, screen));
}

TEST_F(SelectionOutlineTest, MasklessSelectionIsWhollySelectedAndAWrongMaskIsNothing) {
    show({10, 10}, {10, 10}, 1.0f);
    ASSERT_TRUE(outline.prepare(SelectionArea{Rect{2, 2, 5, 5}, nullptr}, scroller, screen));
    EXPECT_EQ(outline.points().size(), 8u);
    fillGray(mask, 2, 2, [](int32_t, int32_t) { return uint8_t(255); });
    EXPECT_FALSE(outline.prepare(SelectionArea{Rect{2, 2, 5, 5}, &mask}, scroller, screen));
}

}  // namespace
}  // namespace varnel
