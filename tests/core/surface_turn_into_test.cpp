#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/surface.h"

namespace varnel {
namespace {

void paint(PixelSurface& s) {
    for (int32_t y = 0; y < s.height(); ++y) {
        uint8_t* row = s.row(y);
        for (int32_t i = 0; i < s.width() * s.bitsPerPixel() / 8; ++i)
            row[i] = uint8_t(i * 29 + y * 7 + 3);
    }
}

std::vector<uint8_t> pixelBytes(const PixelSurface& s) {
    return {s.bits(), s.bits() + s.imageBytes()};
}

TEST(SurfaceTurnInto, MatchesTheInPlaceTurnAndLeavesTheSourceAlone) {
    const Size sizes[] = {{1, 1}, {5, 1}, {1, 4}, {66, 3}, {65, 130}};
    for (int depth : {8, 24}) {
        for (Size sz : sizes) {
            for (bool clockwise : {true, false}) {
                SCOPED_TRACE(testing::Message() << depth << " bits " << sz.width << "x" << sz.height
                                                << (clockwise ? " cw" : " ccw"));
                std::unique_ptr<PixelSurface> made =
                    depth == 8 ? std::unique_ptr<PixelSurface>(new GrayMap)
                               : std::unique_ptr<PixelSurface>(new ColorImage);
                PixelSurface& src = *made;
                ASSERT_EQ(src.create(sz.width, sz.height, depth), 1);
                paint(src);
                const std::vector<uint8_t> before = pixelBytes(src);
                auto expected = src.clone();
                ASSERT_EQ(clockwise ? expected->rotate90Clockwise()
                                    : expected->rotate90CounterClockwise(),
                          1);
                PixelSurface out;  // any class that takes the depth
                ASSERT_EQ(src.rotate90Into(out, clockwise), 1);
                EXPECT_EQ(out.size(), expected->size());
                EXPECT_EQ(pixelBytes(out), pixelBytes(*expected));
                EXPECT_EQ(pixelBytes(src), before);
            }
        }
    }
    // Into itself: the same result as the in-place turn.
    GrayMap g;
    ASSERT_EQ(g.createGray(3, 2), 1);
    paint(g);
    auto expected = g.clone();
    expected->rotate90Clockwise();
    ASSERT_EQ(g.rotate90Into(g, true), 1);
    EXPECT_EQ(pixelBytes(g), pixelBytes(*expected));
}

TEST(SurfaceTurnInto, RefusesOtherDepthsAndTargetsOfAnotherDepth) {
    PixelSurface s32;
    ASSERT_EQ(s32.create(4, 3, 32), 1);
    PixelSurface out;
    EXPECT_EQ(s32.rotate90Into(out, true), 0);
    EXPECT_FALSE(out.isValid());

    GrayMap gray;
    ASSERT_EQ(gray.createGray(4, 3), 1);
    ColorImage colour;
    ASSERT_EQ(colour.createColor(2, 2), 1);
    EXPECT_EQ(gray.rotate90Into(colour, true), 0);
    EXPECT_EQ(colour.size(), (Size{2, 2}));  // the refused target keeps its pixels

    PixelSurface empty;
    EXPECT_EQ(empty.rotate90Into(out, false), 0);
}

TEST(SurfaceTurnInto, TrimBoundsIsWhatTrimCropsTo) {
    struct Case {
        const char* what;
        std::vector<Point> marks;  // pixels that differ from the corner of a 6×5 surface
        Rect want;
    } cases[] = {
        {"plain", {}, {}},
        {"one pixel", {{3, 2}}, {3, 2, 4, 3}},
        {"two corners", {{5, 4}, {1, 1}}, {1, 1, 6, 5}},
        {"column", {{2, 0}, {2, 4}}, {2, 0, 3, 5}},
    };
    for (int depth : {8, 24}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.what << " " << depth);
            Surface8 s8;
            Surface24 s24;
            PixelSurface& s = depth == 8 ? static_cast<PixelSurface&>(s8) : s24;
            ASSERT_EQ(s.create(6, 5, depth), 1);
            for (Point p : c.marks) s.row(p.y)[p.x * depth / 8] = 9;
            EXPECT_EQ(s.trimBounds(), c.want);
            auto trimmed = s.clone();
            ASSERT_EQ(trimmed->trim(), 1);
            EXPECT_EQ(trimmed->size(), c.want.isEmpty() ? s.size() : c.want.size());
        }
    }
    PixelSurface s16;
    ASSERT_EQ(s16.create(3, 3, 16), 1);
    s16.row(1)[0] = 1;
    EXPECT_TRUE(s16.trimBounds().isEmpty());
}

}  // namespace
}  // namespace varnel
