#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <vector>

#include "platform/parallel.h"
#include "platform/raster_ops.h"
#include "raster_fixture.h"

namespace varnel::platform {
namespace {

using testing::TestRaster;

std::vector<uint32_t> rowOf(const TestRaster& r, int32_t y) {
    std::vector<uint32_t> out;
    for (int32_t x = 0; x < r.width(); ++x) out.push_back(r.get(x, y));
    return out;
}

TEST(Stretch, ReplicateTakesFloorOfXTimesOldOverNew) {
    struct Case {
        int32_t oldW, newW;
    } cases[] = {{3, 7}, {7, 3}, {5, 5}, {1, 4}, {4, 1}, {10, 4}};
    for (int bits : {1, 8, 24, 32}) {
        for (const Case& c : cases) {
            TestRaster src(c.oldW, c.oldW, bits);
            src.fillDistinct();
            TestRaster dst(c.newW, c.newW, bits);
            ASSERT_TRUE(stretch(dst.raster(), {0, 0, c.newW, c.newW}, src.raster(),
                                {0, 0, c.oldW, c.oldW}, StretchMode::Replicate));
            for (int32_t y = 0; y < c.newW; ++y)
                for (int32_t x = 0; x < c.newW; ++x)
                    ASSERT_EQ(dst.get(x, y), src.get(x * c.oldW / c.newW, y * c.oldW / c.newW))
                        << bits << " bits " << c.oldW << "->" << c.newW << " at " << x << "," << y;
        }
    }
}

TEST(Stretch, SmoothAveragesAreasAndInterpolatesLinearly) {
    struct Case {
        const char* what;
        std::vector<uint8_t> src;
        int32_t newW;
        std::vector<uint32_t> expected;
    } cases[] = {
        // 2:1 is (a + b + 2) >> 1 per axis pair; with a single row (a + b + 1) >> 1.
        {"halve", {0, 255, 10, 20, 7, 8}, 3, {128, 15, 8}},
        // 3 → 2: pixel 0 weighs 2/3 and pixel 1 1/3 in target 0.
        {"three to two", {0, 255, 0}, 2, {85, 85}},
        {"three to one", {30, 60, 90}, 1, {60}},
        // 2 → 4: samples at -0.25 (clamped), 0.25, 0.75, 1.25 (clamped).
        {"double", {0, 200}, 4, {0, 50, 150, 200}},
        {"same size", {1, 2, 3}, 3, {1, 2, 3}},
        {"one to many", {77}, 5, {77, 77, 77, 77, 77}},
    };
    for (const Case& c : cases) {
        const int32_t oldW = int32_t(c.src.size());
        TestRaster src(oldW, 1, 8);
        for (int32_t x = 0; x < oldW; ++x) src.set(x, 0, c.src[size_t(x)]);
        TestRaster dst(c.newW, 1, 8);
        ASSERT_TRUE(stretch(dst.raster(), {0, 0, c.newW, 1}, src.raster(), {0, 0, oldW, 1},
                            StretchMode::Smooth));
        EXPECT_EQ(rowOf(dst, 0), c.expected) << c.what;
    }
}

TEST(Stretch, SmoothHalvingIsTheRoundedMeanOfFourPixels) {
    // Narrow, and wide enough that a row is worked through in several stretches, from the
    // surface's corner and from an inner rectangle.
    for (const int32_t w : {3, 601}) {
        for (const int32_t left : {0, 1}) {
            TestRaster src(2 * w + left, 4 + left, 24);
            src.fillDistinct();
            TestRaster dst(w, 2, 24);
            ASSERT_TRUE(stretch(dst.raster(), {0, 0, w, 2}, src.raster(),
                                {left, left, left + 2 * w, left + 4}, StretchMode::Smooth));
            for (int32_t y = 0; y < 2; ++y)
                for (int32_t x = 0; x < w; ++x) {
                    const int32_t sx = left + 2 * x, sy = left + 2 * y;
                    const Bgra a = src.color(sx, sy), b = src.color(sx + 1, sy);
                    const Bgra c = src.color(sx, sy + 1), d = src.color(sx + 1, sy + 1);
                    const Bgra want{uint8_t((a.b + b.b + c.b + d.b + 2) >> 2),
                                    uint8_t((a.g + b.g + c.g + d.g + 2) >> 2),
                                    uint8_t((a.r + b.r + c.r + d.r + 2) >> 2), 255};
                    ASSERT_EQ(dst.color(x, y), want)
                        << w << " from " << left << ": " << x << "," << y;
                }
        }
    }
}

TEST(Stretch, AnyNumberOfThreadsGivesTheSameBytes) {
    // Big enough that the rows are split into several parts; sizes that are not multiples of
    // the part counts, target rectangles reaching outside, every path.
    constexpr StretchMode kSmooth = StretchMode::Smooth;
    constexpr StretchMode kPlane = StretchMode::Plane;
    constexpr StretchMode kReplicate = StretchMode::Replicate;
    struct Case {
        const char* what;
        int32_t bits, toBits;
        Size from;
        Rect to;  // in a target of toSize
        Size toSize;
        StretchMode mode;
    } cases[] = {
        {"halve 24", 24, 24, {1202, 1000}, {0, 0, 601, 500}, {601, 500}, kSmooth},
        {"halve 8 plane", 8, 8, {1600, 900}, {0, 0, 800, 450}, {800, 450}, kPlane},
        {"shrink 24", 24, 24, {1000, 1100}, {0, 0, 703, 301}, {703, 301}, kSmooth},
        {"shrink 32 clipped", 32, 32, {900, 1000}, {-5, -7, 600, 650}, {590, 630}, kSmooth},
        {"enlarge 24", 24, 24, {300, 300}, {0, 0, 800, 711}, {800, 711}, kSmooth},
        {"enlarge 8", 8, 8, {300, 300}, {3, 0, 803, 701}, {800, 700}, kSmooth},
        {"replicate 24", 24, 24, {400, 300}, {0, 0, 900, 701}, {900, 701}, kReplicate},
        {"replicate 1", 1, 1, {400, 300}, {0, 0, 900, 701}, {900, 701}, kReplicate},
        {"convert 24 to 16", 24, 16, {1000, 1000}, {0, 0, 999, 600}, {999, 600}, kSmooth},
    };
    const int saved = workerThreads();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestRaster src(c.from.width, c.from.height, c.bits);
        for (int32_t y = 0; y < c.from.height; ++y)
            for (size_t i = 0; i < size_t(c.from.width * c.bits / 8); ++i)
                src.row(y)[i] = uint8_t(i * 7 + size_t(y) * 13 + (i >> 8));
        std::vector<uint8_t> results[2];
        for (int i = 0; i < 2; ++i) {
            setWorkerThreads(i == 0 ? 1 : 4);
            TestRaster dst(c.toSize.width, c.toSize.height, c.toBits);
            ASSERT_TRUE(stretch(dst.raster(), c.to, src.raster(),
                                {0, 0, c.from.width, c.from.height}, c.mode));
            results[i] = dst.bytes();
        }
        EXPECT_TRUE(results[0] == results[1]);
    }
    setWorkerThreads(saved);
}

TEST(Stretch, SmoothKeepsAPlainColourPlain) {
    const Size sizes[] = {{1, 1}, {2, 3}, {7, 5}, {13, 2}, {29, 31}, {4, 40}};
    for (Size from : sizes)
        for (Size to : sizes) {
            TestRaster src(from.width, from.height, 24);
            ASSERT_TRUE(
                fillRect(src.raster(), {0, 0, from.width, from.height}, makeRgb(255, 128, 1)));
            TestRaster dst(to.width, to.height, 24);
            ASSERT_TRUE(stretch(dst.raster(), {0, 0, to.width, to.height}, src.raster(),
                                {0, 0, from.width, from.height}, StretchMode::Smooth));
            for (int32_t y = 0; y < to.height; ++y)
                for (int32_t x = 0; x < to.width; ++x)
                    ASSERT_EQ(dst.color(x, y), (Bgra{1, 128, 255, 255}))
                        << from.width << "x" << from.height << " -> " << to.width << "x"
                        << to.height << " at " << x << "," << y;
        }
}

TEST(Stretch, PlaneModeAveragesLevelsWhateverThePalette) {
    // A palette where every entry is black: colours say nothing, the values are the levels.
    std::vector<Bgra> black(256);
    TestRaster src(2, 1, 8, black);
    src.set(0, 0, 0);
    src.set(1, 0, 201);
    TestRaster dst(1, 1, 8, black);
    ASSERT_TRUE(
        stretch(dst.raster(), {0, 0, 1, 1}, src.raster(), {0, 0, 2, 1}, StretchMode::Plane));
    EXPECT_EQ(dst.get(0, 0), 101u);
    // Smooth on colours gives black, entry 0 (the first of many equal blacks).
    ASSERT_TRUE(
        stretch(dst.raster(), {0, 0, 1, 1}, src.raster(), {0, 0, 2, 1}, StretchMode::Smooth));
    EXPECT_EQ(dst.get(0, 0), 0u);
    TestRaster colour(2, 1, 24);
    EXPECT_FALSE(
        stretch(colour.raster(), {0, 0, 2, 1}, src.raster(), {0, 0, 2, 1}, StretchMode::Plane));
}

TEST(Stretch, SmoothIntoAPaletteTakesTheNearestEntry) {
    const std::vector<Bgra> pal = {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 0, 128, 0}};
    TestRaster src(2, 1, 4, pal);
    src.set(0, 0, 0);
    src.set(1, 0, 1);
    TestRaster dst(1, 1, 4, pal);
    ASSERT_TRUE(
        stretch(dst.raster(), {0, 0, 1, 1}, src.raster(), {0, 0, 2, 1}, StretchMode::Smooth));
    EXPECT_EQ(dst.get(0, 0), 2u);  // the mean of black and red is nearest to dark red
}

TEST(Stretch, ATargetRectangleReachingOutsideDrawsTheSamePixels) {
    TestRaster src(9, 7, 24);
    src.fillDistinct();
    struct Case {
        Rect srcRect;
        Size size;
    } cases[] = {
        {{1, 1, 8, 6}, {20, 16}},  // enlarging
        {{0, 0, 9, 7}, {4, 3}},    // shrinking
        {{1, 1, 9, 7}, {4, 3}},    // halving
        {{0, 0, 9, 7}, {9, 3}},    // one axis only
    };
    for (const Case& c : cases) {
        for (StretchMode mode : {StretchMode::Replicate, StretchMode::Smooth}) {
            // The whole stretch, and the same stretch seen through a target it overhangs.
            TestRaster whole(c.size.width, c.size.height, 24);
            ASSERT_TRUE(
                stretch(whole.raster(), Rect::fromSize(c.size), src.raster(), c.srcRect, mode));
            TestRaster part(c.size.width - 2, c.size.height - 1, 24);
            ASSERT_TRUE(stretch(part.raster(), Rect::fromSize(c.size).offset(-1, -1), src.raster(),
                                c.srcRect, mode));
            for (int32_t y = 0; y < part.height(); ++y)
                for (int32_t x = 0; x < part.width(); ++x)
                    ASSERT_EQ(part.get(x, y), whole.get(x + 1, y + 1))
                        << c.size.width << "x" << c.size.height << " at " << x << "," << y;
        }
    }
}

TEST(Stretch, RefusesBadRectanglesAndStaysBoundedForHugeTargets) {
    TestRaster src(4, 4, 8);
    TestRaster dst(4, 4, 8);
    EXPECT_FALSE(
        stretch(dst.raster(), {0, 0, 4, 4}, src.raster(), {0, 0, 5, 4}, StretchMode::Smooth));
    EXPECT_FALSE(
        stretch(dst.raster(), {0, 0, 4, 4}, src.raster(), {2, 0, 2, 4}, StretchMode::Smooth));
    EXPECT_FALSE(
        stretch(dst.raster(), {4, 0, 0, 4}, src.raster(), {0, 0, 4, 4}, StretchMode::Smooth));
    EXPECT_TRUE(
        stretch(dst.raster(), {10, 10, 14, 14}, src.raster(), {0, 0, 4, 4}, StretchMode::Smooth));
    const auto start = std::chrono::steady_clock::now();
    for (StretchMode mode : {StretchMode::Replicate, StretchMode::Smooth}) {
        EXPECT_TRUE(stretch(dst.raster(), {INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2},
                            src.raster(), {0, 0, 4, 4}, mode));
        EXPECT_TRUE(stretch(dst.raster(), {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, src.raster(),
                            {0, 0, 4, 4}, mode));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
}  // namespace varnel::platform
