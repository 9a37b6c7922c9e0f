#include "core/stack_blur.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/parallel.h"
#include "support/pixels.h"

namespace varnel {
namespace {

// Inputs are deterministic noise (testing::fillNoise), so that a wrong weight or a wrong edge
// shows.
using testing::fillNoise;
using testing::pixelBytes;

// The blur by its definition: each pass is the tent sum over clamped positions inside `area`,
// times the multiplier, shifted; the vertical pass works on the horizontal pass's result.
std::vector<uint8_t> reference(const PixelSurface& s, Rect area, int rx, int ry) {
    const int c = s.bitsPerPixel() / 8;
    const int w = s.width();
    std::vector<uint8_t> img = pixelBytes(s);
    auto at = [&](std::vector<uint8_t>& v, int x, int y, int ch) -> uint8_t& {
        return v[(size_t(y) * size_t(w) + size_t(x)) * size_t(c) + size_t(ch)];
    };
    auto pass = [&](int r, bool horizontal) {
        if (r == 0) return;
        r = std::min(r, 254);
        std::vector<uint8_t> src = img;
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                for (int ch = 0; ch < c; ++ch) {
                    uint64_t sum = 0;
                    for (int k = -r; k <= r; ++k) {
                        const int xx =
                            horizontal ? std::clamp(x + k, area.left, area.right - 1) : x;
                        const int yy =
                            horizontal ? y : std::clamp(y + k, area.top, area.bottom - 1);
                        sum += uint64_t(r + 1 - std::abs(k)) * at(src, xx, yy, ch);
                    }
                    at(img, x, y, ch) =
                        uint8_t((sum * stackBlurMultiplier(r)) >> stackBlurShift(r));
                }
            }
        }
    };
    pass(rx, true);
    pass(ry, false);
    return img;
}

TEST(StackBlur, TablesHoldThePublishedValues) {
    struct Row {
        int r;
        uint32_t mul, shift;
    };
    for (const Row& row : {Row{0, 512, 9}, Row{1, 512, 11}, Row{2, 456, 12}, Row{3, 512, 13},
                           Row{4, 328, 13}, Row{5, 456, 14}, Row{6, 335, 14}, Row{254, 259, 24}}) {
        EXPECT_EQ(stackBlurMultiplier(row.r), row.mul) << row.r;
        EXPECT_EQ(stackBlurShift(row.r), row.shift) << row.r;
    }
    // Out-of-range radii read the end entries.
    EXPECT_EQ(stackBlurMultiplier(900), 259u);
    EXPECT_EQ(stackBlurMultiplier(-3), 512u);
}

TEST(StackBlur, MatchesTheTentDefinition) {
    struct Case {
        int bits, w, h, rx, ry;
        Rect area;
    };
    const Case cases[] = {
        {8, 13, 9, 1, 1, {0, 0, 13, 9}},       // radius 1: weights 1 2 1 over 4
        {8, 13, 9, 3, 0, {0, 0, 13, 9}},       // horizontal only
        {8, 13, 9, 0, 4, {0, 0, 13, 9}},       // vertical only
        {8, 5, 7, 9, 11, {0, 0, 5, 7}},        // radius wider than the surface
        {8, 300, 6, 2, 2, {0, 0, 300, 6}},     // more than one column strip
        {8, 1, 9, 3, 3, {0, 0, 1, 9}},         // a single column
        {8, 9, 1, 3, 3, {0, 0, 9, 1}},         // a single row
        {24, 11, 8, 2, 3, {0, 0, 11, 8}},      // colour, each byte on its own
        {24, 97, 90, 2, 1, {0, 0, 97, 90}},    // colour strips split a pixel
        {32, 7, 6, 2, 2, {0, 0, 7, 6}},        // four bytes per pixel
        {24, 12, 10, 2, 2, {3, 2, 9, 8}},      // inner rectangle: its own edges repeat
        {8, 12, 10, 300, 300, {0, 0, 12, 10}}  // above 254: treated as 254
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.bits << "-bit " << c.w << "x" << c.h << " r " << c.rx << "," << c.ry);
        PixelSurface s;
        ASSERT_EQ(s.create(c.w, c.h, c.bits), 1);
        fillNoise(s, uint32_t(c.w * 31 + c.h));
        const std::vector<uint8_t> want = reference(s, c.area, c.rx, c.ry);
        ASSERT_EQ(stackBlur(s, c.area, c.rx, c.ry), 1);
        EXPECT_EQ(pixelBytes(s), want);
    }
}

TEST(StackBlur, UniformSurfacesStayUniformForEveryRadius) {
    for (int r = 1; r <= 254; ++r) {
        GrayMap row;
        ASSERT_EQ(row.createGray(3, 1), 1);
        ColorImage column;
        ASSERT_EQ(column.createColor(1, 4), 1);
        std::memset(row.row(0), 255, 3);
        for (int y = 0; y < 4; ++y) column.pixels(y)[0] = {200, 17, 1};
        ASSERT_EQ(blur8(row, r, r), 1);
        ASSERT_EQ(blur24(column, r, r), 1);
        for (int x = 0; x < 3; ++x) ASSERT_EQ(row.row(0)[x], 255) << r;
        for (int y = 0; y < 4; ++y) ASSERT_EQ(column.pixels(y)[0], (Bgr{200, 17, 1})) << r;
    }
}

TEST(StackBlur, LeavesPixelsOutsideTheRectangleAlone) {
    GrayMap m;
    ASSERT_EQ(m.createGray(10, 10), 1);
    fillNoise(m, 7);
    const std::vector<uint8_t> before = pixelBytes(m);
    // The rectangle reaches beyond the surface: only its part inside is blurred.
    ASSERT_EQ(stackBlur(m, {4, 4, 20, 20}, 3, 3), 1);
    const std::vector<uint8_t> after = pixelBytes(m);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            if (x >= 4 && y >= 4) continue;
            EXPECT_EQ(after[size_t(y * 10 + x)], before[size_t(y * 10 + x)]) << x << "," << y;
        }
    }
}

TEST(StackBlur, RefusesWhatItCannotBlur) {
    GrayMap m;
    EXPECT_EQ(blur8(m, 2, 2), 0);  // no pixels
    ASSERT_EQ(m.createGray(4, 4), 1);
    EXPECT_EQ(stackBlur(m, {5, 5, 9, 9}, 2, 2), 0);  // misses the surface
    PixelSurface s16;
    ASSERT_EQ(s16.create(4, 4, 16), 1);
    EXPECT_EQ(stackBlur(s16, s16.bounds(), 2, 2), 0);
    // Radius 0 in both directions is a successful no-op.
    fillNoise(m, 3);
    const auto before = pixelBytes(m);
    EXPECT_EQ(blur8(m, 0, -5), 1);
    EXPECT_EQ(pixelBytes(m), before);
}

// Blurring from one surface into another gives what copying and blurring in place gives, placed
// where asked, with the rest of the target untouched; both radii 0 copy. In place only at the
// area's own corner, and the placed area must fit the target.
TEST(StackBlur, IntoAnotherSurface) {
    struct Case {
        int bits;
        Rect area;
        Point at;
        int rx, ry;
    } cases[] = {
        {24, {0, 0, 13, 9}, {0, 0}, 3, 2}, {24, {2, 1, 10, 7}, {4, 3}, 2, 5},
        {8, {3, 0, 13, 8}, {0, 2}, 4, 0},  {32, {1, 1, 6, 8}, {7, 0}, 0, 3},
        {8, {1, 2, 9, 5}, {5, 6}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.bits << "-bit r " << c.rx << "," << c.ry);
        PixelSurface source, target, expected;
        ASSERT_EQ(source.create(13, 9, c.bits), 1);
        ASSERT_EQ(target.create(14, 10, c.bits), 1);
        fillNoise(source, 11);
        fillNoise(target, 12);
        ASSERT_EQ(expected.copyFrom(target), 1);
        PixelSurface work;
        ASSERT_EQ(work.copyFrom(source), 1);
        ASSERT_EQ(stackBlur(work, c.area, c.rx, c.ry), 1);
        const int32_t bpp = c.bits / 8;
        for (int32_t y = 0; y < c.area.height(); ++y) {
            std::memcpy(expected.row(c.at.y + y) + c.at.x * bpp,
                        work.row(c.area.top + y) + c.area.left * bpp, size_t(c.area.width() * bpp));
        }
        const std::vector<uint8_t> sourceBefore = pixelBytes(source);
        ASSERT_EQ(stackBlurInto(source, c.area, target, c.at, c.rx, c.ry), 1);
        EXPECT_EQ(pixelBytes(target), pixelBytes(expected));
        EXPECT_EQ(pixelBytes(source), sourceBefore);
    }

    PixelSurface s, other;
    ASSERT_EQ(s.create(8, 8, 24), 1);
    ASSERT_EQ(other.create(8, 8, 8), 1);
    fillNoise(s, 4);
    const std::vector<uint8_t> before = pixelBytes(s);
    EXPECT_EQ(stackBlurInto(s, {0, 0, 4, 4}, s, {2, 2}, 2, 2), 0) << "overlapping in place";
    EXPECT_EQ(stackBlurInto(s, {0, 0, 4, 4}, s, {5, 0}, 2, 2), 0) << "beyond the target";
    EXPECT_EQ(stackBlurInto(s, s.bounds(), other, {0, 0}, 2, 2), 0) << "other depth";
    EXPECT_EQ(pixelBytes(s), before);
    PixelSurface same;
    ASSERT_EQ(same.copyFrom(s), 1);
    ASSERT_EQ(stackBlurInto(s, {2, 2, 6, 6}, s, {2, 2}, 2, 2), 1);
    ASSERT_EQ(stackBlur(same, {2, 2, 6, 6}, 2, 2), 1);
    EXPECT_EQ(pixelBytes(s), pixelBytes(same));
}

// Rows and column strips split over worker threads give the same bytes as one thread, for every
// depth, whole surface and inner rectangle, in place and into another surface.
TEST(StackBlur, SameBytesOnOneAndOnSeveralThreads) {
    struct Case {
        int bits;
        Rect area;
        int rx, ry;
        bool into;
    } cases[] = {
        {24, {9, 5, 515, 1090}, 7, 5, false},
        {8, {0, 0, 520, 1100}, 3, 12, true},
        {32, {0, 0, 520, 1100}, 0, 9, true},
    };
    const int saved = workerThreads();
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.bits << "-bit r " << c.rx << "," << c.ry);
        std::vector<uint8_t> results[2];
        for (int i = 0; i < 2; ++i) {
            setWorkerThreads(i == 0 ? 1 : 4);
            PixelSurface s, target;
            ASSERT_EQ(s.create(520, 1100, c.bits), 1);
            fillNoise(s, 8);
            if (c.into) {
                ASSERT_EQ(target.create(520, 1100, c.bits), 1);
                ASSERT_EQ(stackBlurInto(s, c.area, target, c.area.topLeft(), c.rx, c.ry), 1);
                results[i] = pixelBytes(target);
            } else {
                ASSERT_EQ(stackBlur(s, c.area, c.rx, c.ry), 1);
                results[i] = pixelBytes(s);
            }
        }
        EXPECT_EQ(results[0], results[1]);
    }
    setWorkerThreads(saved);
}

}  // namespace
}  // namespace varnel
