#include "palettes/swatch_grid.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

TEST(SwatchGrid, TheDefaultColoursInTheirOrder) {
    const std::vector<Bgra>& c = defaultSwatches();
    ASSERT_EQ(c.size(), 122u);
    auto rgb = [](Bgra v) { return uint32_t(v.r) << 16 | uint32_t(v.g) << 8 | v.b; };
    const struct {
        size_t index;
        uint32_t rgb;
    } spots[] = {{0, 0xFF0000},  {5, 0xFF00FF},  {16, 0xEE1D24},  {31, 0x000000},  {32, 0xF7977A},
                 {64, 0xEE1D24}, {99, 0x827A00}, {112, 0xC7B198}, {120, 0x744B24}, {121, 0x613813}};
    for (const auto& s : spots) EXPECT_EQ(rgb(c[s.index]), s.rgb) << "swatch " << s.index;
    for (Bgra v : c) EXPECT_EQ(v.a, 255);
}

TEST(SwatchGrid, ColumnsAndRowsFromTheWidth) {
    const struct {
        int32_t width, count;
        int32_t columns, rows, contentHeight;
    } cases[] = {
        {203, 122, 17, 8, 95},  // 7 full rows and 3 swatches of an eighth
        {204, 122, 17, 8, 95},
        {215, 122, 18, 7, 83},
        {11, 122, 1, 122, 1463},  // (11 + 1) / 12: the first width with a column of its own
        {0, 122, 1, 122, 1463},   // no width at all still counts as one column
        {-5, 3, 1, 3, 35},
        {203, 0, 17, 0, 1},  // no swatches: no rows, the content one pixel high
        {203, 17, 17, 1, 11},
        {203, 18, 17, 2, 23},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " wide, " << c.count << " swatches");
        const SwatchGrid g = SwatchGrid::forWidth(c.width, c.count);
        EXPECT_EQ(g.columns, c.columns);
        EXPECT_EQ(g.rows, c.rows);
        EXPECT_EQ(g.contentHeight(), c.contentHeight);
    }
    // (W + 1) / 12 is 0 below 11 pixels: every such view shows one column, and hit tests and
    // lines work on it.
    for (int32_t w = 1; w <= 10; ++w) {
        SCOPED_TRACE(w);
        const SwatchGrid g = SwatchGrid::forWidth(w, 122);
        EXPECT_EQ(g.columns, 1);
        EXPECT_EQ(g.rows, 122);
        EXPECT_EQ(g.hitTest({w - 1, 12 * 5 + 3}, w), 5);
        EXPECT_EQ(g.hitTest({w, 3}, w), -1);
        EXPECT_FALSE(swatchGridLines(g).empty());
    }
}

TEST(SwatchGrid, HitTests) {
    const SwatchGrid g = SwatchGrid::forWidth(203, 122);
    const struct {
        const char* label;
        Point p;
        int32_t index;
    } cases[] = {
        {"first cell", {0, 0}, 0},
        {"its line still belongs to it", {11, 11}, 0},
        {"second column", {12, 0}, 1},
        {"last column, last pixel of the view", {202, 0}, 16},
        {"right of the view", {203, 0}, -1},
        {"left of the view", {-1, 0}, -1},
        {"above", {0, -1}, -1},
        {"second row", {0, 12}, 17},
        {"last swatch", {2 * 12 + 5, 7 * 12 + 5}, 121},
        {"the empty part of the last row", {3 * 12, 7 * 12 + 5}, -1},
        {"below the grid", {0, 8 * 12}, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(g.hitTest(c.p, 203), c.index) << c.label;
    // 215 pixels: (215 + 1) / 12 = 18 columns, the last one's line just outside the view.
    EXPECT_EQ(SwatchGrid::forWidth(215, 122).hitTest({214, 0}, 215), 17);
    EXPECT_EQ(SwatchGrid::forWidth(203, 0).hitTest({0, 0}, 203), -1);
}

TEST(SwatchGrid, LinesStopUnderAnIncompleteLastRow) {
    // 203 pixels, 122 swatches: 17 columns, 8 rows, 3 swatches in the last.
    const std::vector<SwatchLine> lines = swatchGridLines(SwatchGrid::forWidth(203, 122));
    ASSERT_EQ(lines.size(), 8u + 17u);
    EXPECT_EQ(lines[0], (SwatchLine{{0, 11}, {203, 11}}));
    EXPECT_EQ(lines[6], (SwatchLine{{0, 83}, {203, 83}}));
    EXPECT_EQ(lines[7], (SwatchLine{{0, 95}, {35, 95}})) << "only under the three swatches";
    // Columns reaching into the last row run down to its bottom; the others stop a row earlier.
    EXPECT_EQ(lines[8], (SwatchLine{{11, 0}, {11, 95}}));
    EXPECT_EQ(lines[10], (SwatchLine{{35, 0}, {35, 95}}));
    EXPECT_EQ(lines[11], (SwatchLine{{47, 0}, {47, 83}}));
    // The last column's right line falls at x = 203, just outside a 203-pixel view.
    EXPECT_EQ(lines[24], (SwatchLine{{203, 0}, {203, 83}}));

    // A full last row: every line runs the whole way.
    const std::vector<SwatchLine> full = swatchGridLines(SwatchGrid::forWidth(35, 6));
    EXPECT_EQ(full, (std::vector<SwatchLine>{{{0, 11}, {35, 11}},
                                             {{0, 23}, {35, 23}},
                                             {{11, 0}, {11, 23}},
                                             {{23, 0}, {23, 23}},
                                             {{35, 0}, {35, 23}}}));
    // One swatch in a single row: its two lines only.
    EXPECT_EQ(swatchGridLines(SwatchGrid::forWidth(203, 1)),
              (std::vector<SwatchLine>{{{0, 11}, {11, 11}}, {{11, 0}, {11, 11}}}));
    EXPECT_TRUE(swatchGridLines(SwatchGrid::forWidth(203, 0)).empty());
}

}  // namespace
}  // namespace varnel
