#include "palettes/layer_row_layout.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

TEST(LayerRowLayout, CanvasShapesInTheThumbnailBox) {
    const Rect row{0, 60, 200, 90};  // the third 30-pixel row of a 200-pixel wide list
    const struct {
        const char* label;
        Size canvas;
        Rect box, thumbnail;
        int32_t nameLeft;
    } cases[] = {
        // 28 × 27 box from (22, 61); a wide canvas fills the width, centred vertically.
        {"wide", {640, 480}, {22, 61, 50, 88}, {22, 64, 50, 85}, 55},
        {"very wide: at least 2 high", {30000, 1}, {22, 61, 50, 88}, {22, 73, 50, 75}, 55},
        // A tall canvas fills the height from the left; the box narrows to it.
        {"tall", {400, 600}, {22, 61, 40, 88}, {22, 61, 40, 88}, 45},
        {"square counts as tall", {100, 100}, {22, 61, 49, 88}, {22, 61, 49, 88}, 54},
        // Narrower than 10: the box stays 10 wide with the thumbnail centred in it.
        {"very tall", {100, 1000}, {22, 61, 32, 88}, {26, 61, 28, 88}, 37},
        {"no canvas counts as 1 × 1", {0, 0}, {22, 61, 49, 88}, {22, 61, 49, 88}, 54},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const LayerRowLayout l = layerRowLayout(row, c.canvas);
        EXPECT_EQ(l.eye, (Rect{0, 60, 20, 90}));
        EXPECT_EQ(l.box, c.box);
        EXPECT_EQ(l.thumbnail, c.thumbnail);
        EXPECT_EQ(l.pixels, (Rect{c.thumbnail.left + 1, c.thumbnail.top + 1,
                                  std::max(c.thumbnail.left + 1, c.thumbnail.right - 1),
                                  std::max(c.thumbnail.top + 1, c.thumbnail.bottom - 1)}));
        EXPECT_EQ(l.name, (Rect{c.nameLeft, 61, 195, 88}));
        EXPECT_EQ(l.editor, (Rect{c.nameLeft - 1, 61, 196, 88}));
    }
}

TEST(LayerRowLayout, ThePixelsOfTheWideCaseAre26By19) {
    const LayerRowLayout l = layerRowLayout({0, 0, 200, 30}, {640, 480});
    EXPECT_EQ(l.pixels.size(), (Size{26, 19}));
}

}  // namespace
}  // namespace varnel
