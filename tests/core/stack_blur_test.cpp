#include "core/stack_blur.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace varnel {
namespace {

// Deterministic noise, so that a wrong weight or a wrong edge shows.
void fillNoise(PixelSurface& s, uint32_t seed) {
    uint32_t v = seed;
    for (int32_t y = 0; y < s.height(); ++y) {
        for (int32_t i = 0; i < s.bytesPerRow(); ++i) {
            v = v * 1664525u + 1013904223u;
            s.row(y)[i] = uint8_t(v >> 24);
        }
    }
}

// The bytes of rows [0, h) as one vector (row padding left out).
std::vector<uint8_t> bytesOf(const PixelSurface& s) {
    std::vector<uint8_t> out;
    const size_t rowBytes = size_t(s.width()) * size_t(s.bitsPerPixel() / 8);
    for (int32_t y = 0; y < s.height(); ++y) out.insert(out.end(), s.row(y), s.row(y) + rowBytes);
    return out;
}

// The blur by its definition: each pass is the tent sum over clamped positions inside `area`,
// times the multiplier, shifted; the vertical pass works on the horizontal pass's result.
std::vector<uint8_t> reference(const PixelSurface& s, Rect area, int rx, int ry) {
    const int c = s.bitsPerPixel() / 8;
    const int w = s.width();
    std::vector<uint8_t> img = bytesOf(s);
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
        EXPECT_EQ(bytesOf(s), want);
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
    const std::vector<uint8_t> before = bytesOf(m);
    // The rectangle reaches beyond the surface: only its part inside is blurred.
    ASSERT_EQ(stackBlur(m, {4, 4, 20, 20}, 3, 3), 1);
    const std::vector<uint8_t> after = bytesOf(m);
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
    const auto before = bytesOf(m);
    EXPECT_EQ(blur8(m, 0, -5), 1);
    EXPECT_EQ(bytesOf(m), before);
}

}  // namespace
}  // namespace varnel
