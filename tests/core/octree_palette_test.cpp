#include "core/octree_palette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "core/surface.h"

namespace varnel {
namespace {

// A one-row 24-bit surface holding the colours in order.
std::unique_ptr<ColorImage> rowOf(const std::vector<Bgr>& colors) {
    auto s = std::make_unique<ColorImage>();
    EXPECT_TRUE(s->createColor(int32_t(colors.size()), 1));
    for (size_t i = 0; i < colors.size(); ++i) s->pixels(0)[i] = colors[i];
    return s;
}

std::vector<Bgra> build(OctreePalette& octree) {
    std::vector<Bgra> entries(octree.paletteSize());
    EXPECT_TRUE(octree.buildPalette(entries.data(), uint32_t(entries.size())));
    entries.resize(octree.entryCount());
    return entries;
}

Bgr rgb(uint8_t r, uint8_t g, uint8_t b) {
    return {b, g, r};
}
Bgra entry(uint8_t r, uint8_t g, uint8_t b) {
    return {b, g, r, 0};
}

TEST(OctreePalette, FewColoursComeBackExactlyInTreeOrder) {
    OctreePalette octree(256, 8);
    auto s = rowOf({rgb(255, 0, 0), rgb(0, 0, 255), rgb(255, 0, 0), rgb(0, 255, 0)});
    ASSERT_TRUE(octree.addSurface(*s));
    EXPECT_EQ(octree.leafCount(), 3u);
    // Tree order follows the top bits: blue (child 1), green (2), red (4).
    EXPECT_EQ(build(octree),
              (std::vector<Bgra>{entry(0, 0, 255), entry(0, 255, 0), entry(255, 0, 0)}));
}

TEST(OctreePalette, FewerThanSixteenColoursAverageGroupsByPixelCount) {
    OctreePalette octree(2, 8);  // keeps up to 16 leaves, gives 2 entries
    EXPECT_EQ(octree.maxLeafCount(), 16u);
    EXPECT_EQ(octree.paletteSize(), 2u);
    auto s = rowOf(
        {rgb(0, 0, 0), rgb(0, 0, 0), rgb(0, 0, 0), rgb(0, 0, 255), rgb(0, 255, 0), rgb(255, 0, 0)});
    ASSERT_TRUE(octree.addSurface(*s));
    EXPECT_EQ(octree.leafCount(), 4u);
    // Leaves in order black ×3, blue, green, red; groups {black, blue} and {green, red}.
    EXPECT_EQ(build(octree), (std::vector<Bgra>{entry(0, 0, 63), entry(127, 127, 0)}));

    // With no more leaves than entries the leaves are used as they are.
    OctreePalette few(4, 8);
    ASSERT_TRUE(few.addSurface(*rowOf({rgb(9, 9, 9), rgb(200, 0, 0)})));
    EXPECT_EQ(build(few), (std::vector<Bgra>{entry(9, 9, 9), entry(200, 0, 0)}));
}

TEST(OctreePalette, ReducesTheNewestDeepestNodeFirst) {
    // Two pairs that differ only in the last bit share one deepest node each; the second pair's
    // node is newer. Thirteen fillers bring the leaves to 17, one over the limit of 16.
    std::vector<Bgr> colors = {rgb(0, 0, 0), rgb(1, 0, 0), rgb(128, 0, 0), rgb(129, 0, 0)};
    for (int k = 1; k <= 13; ++k) colors.push_back(rgb(0, uint8_t(16 * k), 0));
    OctreePalette octree(16, 8);
    ASSERT_TRUE(octree.addSurface(*rowOf(colors)));
    EXPECT_EQ(octree.leafCount(), 16u);
    const std::vector<Bgra> entries = build(octree);
    ASSERT_EQ(entries.size(), 16u);
    auto has = [&](Bgra e) {
        return std::find(entries.begin(), entries.end(), e) != entries.end();
    };
    EXPECT_TRUE(has(entry(0, 0, 0)));
    EXPECT_TRUE(has(entry(1, 0, 0)));    // the older pair stays apart
    EXPECT_TRUE(has(entry(128, 0, 0)));  // the newer pair folded: (128 + 129) / 2
    EXPECT_FALSE(has(entry(129, 0, 0)));
}

TEST(OctreePalette, LeafCountStaysBoundedOnManyColours) {
    ColorImage s;
    ASSERT_TRUE(s.createColor(64, 64));
    for (int32_t y = 0; y < 64; ++y) {
        for (int32_t x = 0; x < 64; ++x) s.pixels(y)[x] = rgb(uint8_t(x * 4), uint8_t(y * 4), 77);
    }
    for (uint32_t colors : {16u, 100u, 256u}) {
        OctreePalette octree(colors, 8);
        ASSERT_TRUE(octree.addSurface(s));
        EXPECT_LE(octree.leafCount(), colors);
        EXPECT_LE(build(octree).size(), colors);
    }
}

TEST(OctreePalette, ClampsDepthAndCounts) {
    struct Case {
        uint32_t colors, depth, maxLeaves, paletteSize, clampedDepth;
    } cases[] = {
        {0, 0, 16, 2, 1},
        {1, 1, 16, 2, 1},
        {20, 8, 20, 20, 8},
        {1000, 12, 256, 256, 8},
    };
    for (const Case& c : cases) {
        OctreePalette octree(c.colors, c.depth);
        EXPECT_EQ(octree.maxLeafCount(), c.maxLeaves);
        EXPECT_EQ(octree.paletteSize(), c.paletteSize);
        EXPECT_EQ(octree.depth(), c.clampedDepth);
    }

    // Depth 0 works as depth 1: one leaf per octant of the top bits, at most 8.
    OctreePalette shallow(256, 0);
    ASSERT_TRUE(
        shallow.addSurface(*rowOf({rgb(10, 10, 10), rgb(20, 30, 40), rgb(200, 10, 10),
                                   rgb(250, 250, 250), rgb(130, 130, 130), rgb(0, 0, 200)})));
    EXPECT_EQ(shallow.leafCount(), 4u);
    EXPECT_EQ(build(shallow), (std::vector<Bgra>{entry(15, 20, 25), entry(0, 0, 200),
                                                 entry(200, 10, 10), entry(190, 190, 190)}));
}

TEST(OctreePalette, AcceptsIndexedAndColourSurfacesOnce) {
    Surface8 indexed;
    ASSERT_TRUE(indexed.create(2, 1, 8));
    indexed.setIndex(0, 0, 40);
    indexed.setIndex(1, 0, 41);
    OctreePalette fromIndexed(256, 8);
    ASSERT_TRUE(fromIndexed.addSurface(indexed));
    EXPECT_EQ(build(fromIndexed), (std::vector<Bgra>{entry(40, 40, 40), entry(41, 41, 41)}));
    EXPECT_FALSE(fromIndexed.addSurface(indexed));  // the tree already holds colours

    for (int32_t bpp : {16, 32}) {
        PixelSurface s;
        ASSERT_TRUE(s.create(2, 2, bpp));
        OctreePalette octree(256, 8);
        EXPECT_FALSE(octree.addSurface(s)) << bpp;
        EXPECT_TRUE(octree.isEmpty());
    }
    OctreePalette none(256, 8);
    EXPECT_FALSE(none.addSurface(ColorImage()));
    Bgra buffer[256];
    EXPECT_FALSE(none.buildPalette(buffer, 256));  // empty tree

    OctreePalette small(32, 8);
    ASSERT_TRUE(small.addSurface(*rowOf({rgb(1, 2, 3)})));
    EXPECT_FALSE(small.buildPalette(buffer, 31));  // smaller than the palette size
    EXPECT_TRUE(small.buildPalette(buffer, 32));
}

}  // namespace
}  // namespace varnel
