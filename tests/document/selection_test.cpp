#include "document/selection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/surface_ops.h"
#include "doc_fixtures.h"

namespace varnel {
namespace {

using testing::addLayer;
using testing::emptyDocument;
using testing::grey;
using testing::planeStore;

// The selection's coverage over the whole canvas, one string per row: '#' 255, '-' 0, '+'
// between.
std::vector<std::string> picture(const Selection& s) {
    std::vector<std::string> out;
    for (int y = 0; y < s.canvasSize().height; ++y) {
        std::string row;
        for (int x = 0; x < s.canvasSize().width; ++x) {
            const int v = s.coverageAt(x, y);
            row += v == 255 ? '#' : v == 0 ? '-' : '+';
        }
        out.push_back(row);
    }
    return out;
}

class Changes : public SelectionListener {
public:
    std::vector<SelectionChange> seen;
    void selectionChanged(const SelectionChange& c) override { seen.push_back(c); }
};

// The mask always has the rectangle's size, the rectangle lies in the canvas, and an empty
// rectangle has no mask.
void expectConsistent(const Selection& s) {
    if (s.isEmpty()) {
        EXPECT_EQ(s.mask(), nullptr);
        return;
    }
    ASSERT_NE(s.mask(), nullptr);
    EXPECT_EQ(s.mask()->size(), s.bounds().size());
    EXPECT_TRUE(s.canvasRect().contains(s.bounds()));
}

TEST(Selection, RectangleShapes) {
    struct Case {
        const char* name;
        Rect rect;
        Rect want;
    };
    const Case cases[] = {
        {"inside", {1, 1, 4, 3}, {1, 1, 4, 3}},
        {"reversed corners", {4, 3, 1, 1}, {1, 1, 4, 3}},
        {"partly off the canvas", {-5, 2, 3, 40}, {0, 2, 3, 6}},
        {"wholly outside", {10, 10, 12, 12}, {}},
        {"empty", {2, 2, 2, 5}, {}},
        {"huge", {-2000000000, -2000000000, 2000000000, 2000000000}, {0, 0, 8, 6}},
    };
    for (const Case& c : cases) {
        Selection s({8, 6});
        ASSERT_EQ(s.setShape({0, 0, 2, 2}, false), 1);
        EXPECT_EQ(s.setShape(c.rect, false), 1) << c.name;
        EXPECT_EQ(s.bounds(), c.want) << c.name;
        expectConsistent(s);
        if (!c.want.isEmpty()) {
            EXPECT_TRUE(isAll255(*s.mask())) << c.name;
        }
    }
    Selection all({5, 3});
    ASSERT_EQ(all.selectAll(), 1);
    EXPECT_EQ(all.bounds(), (Rect{0, 0, 5, 3}));
    EXPECT_TRUE(isAll255(*all.mask()));
}

TEST(Selection, EllipseIsDrawnWholeThenCutToTheCanvas) {
    Selection s({9, 7});
    ASSERT_EQ(s.setShape({0, 0, 9, 7}, true), 1);
    EXPECT_EQ(s.bounds(), (Rect{0, 0, 9, 7}));
    const std::vector<std::string> whole = picture(s);
    // Hard edge, symmetric, corners out, centre in.
    for (const std::string& row : whole) EXPECT_EQ(row.find('+'), std::string::npos);
    EXPECT_EQ(whole[0][0], '-');
    EXPECT_EQ(whole[3][4], '#');
    EXPECT_EQ(whole[3], "#########");
    EXPECT_EQ(whole[0], std::string(whole[0].rbegin(), whole[0].rend()));
    EXPECT_EQ(whole[1], whole[5]);

    // The same ellipse four pixels further left: what remains on the canvas is its right part.
    Selection shifted({9, 7});
    ASSERT_EQ(shifted.setShape({-4, 0, 5, 7}, true), 1);
    EXPECT_EQ(shifted.bounds(), (Rect{0, 0, 5, 7}));
    const std::vector<std::string> part = picture(shifted);
    for (int y = 0; y < 7; ++y) EXPECT_EQ(part[size_t(y)].substr(0, 5), whole[size_t(y)].substr(4));
}

TEST(Selection, DeselectAndInvert) {
    Selection s({6, 4});
    EXPECT_EQ(s.deselect(), 0);  // nothing to do
    EXPECT_EQ(s.invert(), 0);
    ASSERT_EQ(s.setShape({0, 0, 2, 4}, false), 1);
    ASSERT_EQ(s.invert(), 1);
    EXPECT_EQ(s.bounds(), (Rect{2, 0, 6, 4}));
    EXPECT_TRUE(isAll255(*s.mask()));
    // Partial coverage v becomes 255 − v.
    GrayMap m(planeStore(6, 4, 0));
    m.row(1)[3] = 100;
    ASSERT_EQ(s.loadMask(m), 1);
    ASSERT_EQ(s.invert(), 1);
    EXPECT_EQ(s.bounds(), (Rect{0, 0, 6, 4}));
    EXPECT_EQ(s.coverageAt(3, 1), 155);
    EXPECT_EQ(s.coverageAt(0, 0), 255);
    // Inverting everything leaves nothing.
    ASSERT_EQ(s.selectAll(), 1);
    ASSERT_EQ(s.invert(), 1);
    EXPECT_TRUE(s.isEmpty());
    expectConsistent(s);
    ASSERT_EQ(s.setShape({1, 1, 2, 2}, false), 1);
    EXPECT_EQ(s.deselect(), 1);
    EXPECT_TRUE(s.isEmpty());
}

TEST(Selection, LoadMaskTightensAndChecksTheSize) {
    Selection s({5, 4});
    GrayMap wrong(planeStore(4, 4, 255));
    EXPECT_EQ(s.loadMask(wrong), 0);
    GrayMap black(planeStore(5, 4, 0));
    ASSERT_EQ(s.setShape({0, 0, 1, 1}, false), 1);
    ASSERT_EQ(s.loadMask(black), 1);
    EXPECT_TRUE(s.isEmpty());
    black.row(2)[1] = 7;
    black.row(3)[3] = 255;
    ASSERT_EQ(s.loadMask(black), 1);
    EXPECT_EQ(s.bounds(), (Rect{1, 2, 4, 4}));
    EXPECT_EQ(s.coverageAt(1, 2), 7);
    EXPECT_TRUE(s.contains({1, 2}));
    EXPECT_FALSE(s.contains({1, 2}, true));
    EXPECT_TRUE(s.contains({3, 3}, true));
    EXPECT_FALSE(s.contains({2, 2}));
    EXPECT_FALSE(s.contains({-1, 2}));
}

TEST(Selection, ReframeKeepsCanvasPositions) {
    Selection s({8, 8});
    ASSERT_EQ(s.setShape({2, 2, 5, 5}, false), 1);
    ASSERT_EQ(s.reframe({1, 3, 4, 9}), 1);  // cut to the canvas: (1, 3, 4, 8)
    EXPECT_EQ(s.bounds(), (Rect{1, 3, 4, 8}));
    expectConsistent(s);
    EXPECT_EQ(s.coverageAt(1, 3), 0);  // new pixel
    EXPECT_EQ(s.coverageAt(2, 4), 255);
    EXPECT_EQ(s.coverageAt(4, 4), 0);  // dropped
    EXPECT_EQ(s.canvasToMask({2, 4, 3, 5}), (Rect{1, 1, 2, 2}));
    EXPECT_EQ(s.maskToCanvas({0, 0, 1, 1}), (Rect{1, 3, 2, 4}));
    ASSERT_EQ(s.tighten(), 1);
    EXPECT_EQ(s.bounds(), (Rect{2, 3, 4, 5}));
    ASSERT_EQ(s.reframe({}), 1);
    EXPECT_TRUE(s.isEmpty());
}

TEST(Selection, FeatherBlursWithinAGrownFrame) {
    Selection s({9, 9});
    ASSERT_EQ(s.setShape({4, 4, 5, 5}, false), 1);
    // 0.05 counts as 0.1: margin ceil(0.27) = 1, blur radius 1 (weights 1 2 1, mul 512, shift 11).
    ASSERT_EQ(s.feather(0.05), 1);
    EXPECT_EQ(s.bounds(), (Rect{3, 3, 6, 6}));
    // Horizontal: 510 × 512 >> 11 = 127 at the centre, 255 × 512 >> 11 = 63 beside it; vertical:
    // 254 → 63 at the centre, 127 → 31 beside it, 63 → 15 at the corners.
    EXPECT_EQ(s.coverageAt(4, 4), 63);
    EXPECT_EQ(s.coverageAt(3, 4), 31);
    EXPECT_EQ(s.coverageAt(4, 5), 31);
    EXPECT_EQ(s.coverageAt(5, 5), 15);

    // Large radii (and NaN, which counts as the smallest) on a small canvas: the frame is the
    // canvas; a corner selection spreads from the canvas edge, where the edge pixels repeat.
    for (double r : {250.0, 1e9, std::numeric_limits<double>::quiet_NaN(), -3.0}) {
        Selection c({20, 10});
        ASSERT_EQ(c.setShape({0, 0, 5, 10}, false), 1);
        ASSERT_EQ(c.feather(r), 1) << r;
        expectConsistent(c);
        EXPECT_GT(c.coverageAt(0, 0), c.coverageAt(19, 0)) << r;
    }
    Selection none({4, 4});
    EXPECT_EQ(none.feather(3), 0);
}

TEST(Selection, ExpandContractBorderFrames) {
    {
        // Expand grows into a frame enlarged by n and cut to the canvas.
        Selection s({7, 5});
        ASSERT_EQ(s.setShape({0, 2, 1, 3}, false), 1);
        ASSERT_EQ(s.expand(1), 1);
        EXPECT_EQ(picture(s), (std::vector<std::string>{"-------", "##-----", "##-----", "##-----",
                                                        "-------"}));
        EXPECT_EQ(s.bounds(), (Rect{0, 1, 2, 4}));
    }
    {
        // Contract of a block away from the edges leaves its centre; the unselected pixels
        // around the frame bite in.
        Selection s({7, 5});
        ASSERT_EQ(s.setShape({1, 1, 4, 4}, false), 1);
        ASSERT_EQ(s.contract(1), 1);
        EXPECT_EQ(s.bounds(), (Rect{2, 2, 3, 3}));
        // Contracting again leaves nothing.
        ASSERT_EQ(s.contract(1), 1);
        EXPECT_TRUE(s.isEmpty());
        EXPECT_EQ(s.contract(1), 0);
    }
    {
        // Contract of everything also shrinks away from the canvas edges.
        Selection s({9, 7});
        ASSERT_EQ(s.selectAll(), 1);
        ASSERT_EQ(s.contract(2), 1);
        EXPECT_EQ(s.bounds(), (Rect{2, 2, 7, 5}));
        EXPECT_TRUE(isAll255(*s.mask()));
    }
    {
        // Border by 1 of a rectangle is its outline; by n a soft band reaching n beyond it.
        Selection s({12, 12});
        ASSERT_EQ(s.setShape({3, 3, 9, 9}, false), 1);
        ASSERT_EQ(s.border(1), 1);
        EXPECT_EQ(s.bounds(), (Rect{3, 3, 9, 9}));
        EXPECT_EQ(s.coverageAt(3, 5), 255);
        EXPECT_EQ(s.coverageAt(5, 5), 0);
        Selection t({30, 30});
        ASSERT_EQ(t.setShape({10, 10, 20, 20}, false), 1);
        ASSERT_EQ(t.border(3), 1);
        EXPECT_EQ(t.bounds(), (Rect{7, 7, 23, 23}));
        EXPECT_EQ(t.coverageAt(10, 15), 255);
        EXPECT_EQ(t.coverageAt(15, 15), 0);
        EXPECT_GT(t.coverageAt(9, 15), t.coverageAt(8, 15));
        EXPECT_GT(t.coverageAt(8, 15), t.coverageAt(7, 15));
        EXPECT_GT(t.coverageAt(7, 15), 0);
    }
    {
        // Radii outside 1..100 are clamped.
        Selection a({40, 3}), b({40, 3});
        ASSERT_EQ(a.setShape({20, 1, 21, 2}, false), 1);
        ASSERT_EQ(b.setShape({20, 1, 21, 2}, false), 1);
        ASSERT_EQ(a.expand(0), 1);
        ASSERT_EQ(b.expand(1), 1);
        EXPECT_EQ(picture(a), picture(b));
        ASSERT_EQ(a.expand(1000), 1);
        EXPECT_EQ(a.bounds(), (Rect{0, 0, 40, 3}));
    }
}

TEST(Selection, GrowAndSimilarSampleTheActiveLayer) {
    // A background of two colours in stripes with a bridge.
    auto doc = emptyDocument(6, 4);
    RasterLayer* bg = addLayer(*doc, 6, 4, grey(0));
    const std::vector<std::string> colours = {"aabbaa", "aabbaa", "abbbaa", "aabbaa"};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            bg->pixels().pixels(y)[x] = colours[size_t(y)][size_t(x)] == 'a' ? grey(40) : grey(50);
    Selection s(doc->size());
    ASSERT_EQ(s.setShape({0, 0, 1, 1}, false), 1);
    ASSERT_EQ(s.grow(*doc, 0), 1);
    EXPECT_EQ(picture(s), (std::vector<std::string>{"##----", "##----", "#-----", "##----"}));
    ASSERT_EQ(s.similar(*doc, 0), 1);
    EXPECT_EQ(picture(s), (std::vector<std::string>{"##--##", "##--##", "#---##", "##--##"}));
    // The tolerance widens the range.
    ASSERT_EQ(s.setShape({0, 0, 1, 1}, false), 1);
    ASSERT_EQ(s.grow(*doc, 10), 1);
    EXPECT_EQ(s.bounds(), (Rect{0, 0, 6, 4}));

    // A layer partly off the canvas: where it has no pixels the sample is transparent, so a
    // seed there grows over everything the layer does not cover.
    RasterLayer* top = addLayer(*doc, 4, 3, grey(200), {-2, -1});
    ASSERT_EQ(doc->layers().activeLayer(), top);
    ASSERT_EQ(s.setShape({5, 3, 6, 4}, false), 1);
    ASSERT_EQ(s.grow(*doc, 0), 1);
    EXPECT_EQ(picture(s), (std::vector<std::string>{"--####", "--####", "######", "######"}));
    ASSERT_EQ(s.setShape({0, 0, 1, 1}, false), 1);
    ASSERT_EQ(s.similar(*doc, 0), 1);
    EXPECT_EQ(picture(s), (std::vector<std::string>{"##----", "##----", "------", "------"}));

    // Nothing selected, another canvas size, an image of another size: nothing happens.
    Selection empty(doc->size());
    EXPECT_EQ(empty.grow(*doc, 0), 0);
    Selection other({5, 4});
    ASSERT_EQ(other.selectAll(), 1);
    EXPECT_EQ(other.similar(*doc, 0), 0);
    EXPECT_EQ(other.grow(bg->pixels(), nullptr, 0), 0);
    EXPECT_EQ(other.bounds(), (Rect{0, 0, 5, 4}));
}

TEST(Selection, CanvasMaskAndCopies) {
    Selection s({5, 3});
    ASSERT_EQ(s.setShape({3, 1, 9, 2}, false), 1);
    Channel c;
    ASSERT_EQ(s.toCanvasMask(c), 1);
    EXPECT_EQ(c.size(), (Size{5, 3}));
    EXPECT_EQ(c.row(1)[3], 255);
    EXPECT_EQ(c.row(1)[4], 255);
    EXPECT_EQ(c.row(1)[2], 0);
    EXPECT_EQ(c.row(0)[3], 0);
    Selection empty({5, 3});
    ASSERT_EQ(empty.toCanvasMask(c), 1);
    EXPECT_TRUE(isAllZero(c));

    auto saved = s.clone();
    ASSERT_NE(saved, nullptr);
    ASSERT_EQ(s.selectAll(), 1);
    ASSERT_EQ(s.restore(*saved), 1);
    EXPECT_EQ(s.bounds(), (Rect{3, 1, 5, 2}));
    expectConsistent(s);
    ASSERT_EQ(s.restore(empty), 1);
    EXPECT_TRUE(s.isEmpty());
}

TEST(Selection, SamplingUsesTheLayersOwnTransparency) {
    // A layer covering the canvas exactly, with a transparency plane: the plane is the sample's
    // alpha, so a transparent seed selects the transparent pixels only.
    auto doc = emptyDocument(4, 2);
    RasterLayer* layer = addLayer(*doc, 4, 2, grey(30), {}, 255);
    layer->masks()->transparency()->row(0)[1] = 0;
    layer->masks()->transparency()->row(1)[3] = 0;
    Selection s(doc->size());
    ASSERT_EQ(s.setShape({1, 0, 2, 1}, false), 1);
    ASSERT_EQ(s.similar(*doc, 0), 1);
    EXPECT_EQ(picture(s), (std::vector<std::string>{"-#--", "---#"}));
    ASSERT_EQ(s.setShape({1, 0, 2, 1}, false), 1);
    ASSERT_EQ(s.grow(*doc, 0), 1);
    EXPECT_EQ(picture(s), (std::vector<std::string>{"-#--", "----"}));
    // An empty layer has no pixels at all: everything is transparent.
    doc->layers().newEmptyLayer();
    ASSERT_EQ(s.grow(*doc, 0), 1);
    EXPECT_EQ(s.bounds(), (Rect{0, 0, 4, 2}));
    auto none = emptyDocument(4, 2);
    EXPECT_EQ(s.grow(*none, 0), 0);  // no active layer
}

TEST(Selection, ListenersHearEachChangeOnce) {
    Selection s({10, 10});
    Changes changes;
    s.addListener(&changes);
    s.addListener(&changes);  // added once only
    ASSERT_EQ(s.setShape({1, 1, 3, 3}, false), 1);
    ASSERT_EQ(changes.seen.size(), 1u);
    EXPECT_EQ(changes.seen[0].selection, &s);
    EXPECT_EQ(changes.seen[0].rect, (Rect{1, 1, 3, 3}));
    ASSERT_EQ(s.expand(2), 1);
    ASSERT_EQ(changes.seen.size(), 2u);
    EXPECT_EQ(changes.seen[1].oldBounds, (Rect{1, 1, 3, 3}));
    EXPECT_EQ(changes.seen[1].newBounds, (Rect{0, 0, 5, 5}));
    EXPECT_EQ(changes.seen[1].rect, (Rect{0, 0, 5, 5}));
    ASSERT_EQ(s.setShape({7, 7, 9, 9}, false), 1);
    EXPECT_EQ(changes.seen[2].rect, (Rect{0, 0, 9, 9}));
    // Failures and commands with nothing to do tell no one.
    GrayMap wrong(planeStore(3, 3, 255));
    EXPECT_EQ(s.loadMask(wrong), 0);
    ASSERT_EQ(s.deselect(), 1);
    EXPECT_EQ(s.invert(), 0);
    EXPECT_EQ(s.feather(2), 0);
    EXPECT_EQ(changes.seen.size(), 4u);
    EXPECT_EQ(changes.seen[3].newBounds, Rect{});
    // A canvas change clears the selection and says so.
    ASSERT_EQ(s.selectAll(), 1);
    s.resetCanvas({4, 4});
    EXPECT_TRUE(s.isEmpty());
    EXPECT_EQ(s.canvasSize(), (Size{4, 4}));
    EXPECT_EQ(changes.seen.size(), 6u);
    s.removeListener(&changes);
    ASSERT_EQ(s.selectAll(), 1);
    EXPECT_EQ(changes.seen.size(), 6u);
}

}  // namespace
}  // namespace varnel
