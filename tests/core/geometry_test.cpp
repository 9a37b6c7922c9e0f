#include "core/geometry.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

TEST(Rect, NormalizedSwapsReversedEdges) {
    EXPECT_EQ((Rect{10, 20, 2, 4}.normalized()), (Rect{2, 4, 10, 20}));
    EXPECT_EQ((Rect{1, 2, 3, 4}.normalized()), (Rect{1, 2, 3, 4}));
}

TEST(Rect, EmptinessAndIntersection) {
    struct Case {
        Rect a, b, expected;
    } cases[] = {
        {{0, 0, 10, 10}, {5, 5, 20, 20}, {5, 5, 10, 10}},
        {{0, 0, 10, 10}, {10, 0, 20, 10}, {}},  // touching edges do not overlap
        {{0, 0, 10, 10}, {3, 3, 3, 8}, {}},     // empty operand
        {{-5, -5, 5, 5}, {-10, 0, 0, 10}, {-5, 0, 0, 5}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.a.intersected(c.b), c.expected);
        EXPECT_EQ(c.b.intersected(c.a), c.expected);
    }
    EXPECT_TRUE((Rect{3, 3, 3, 8}.isEmpty()));
    EXPECT_TRUE((Rect{3, 8, 5, 3}.isEmpty()));
}

TEST(Rect, UnionIgnoresEmptyOperands) {
    EXPECT_EQ((Rect{0, 0, 2, 2}.united(Rect{5, 5, 5, 9})), (Rect{0, 0, 2, 2}));
    EXPECT_EQ((Rect{}.united(Rect{1, 1, 2, 2})), (Rect{1, 1, 2, 2}));
    EXPECT_EQ((Rect{0, 0, 2, 2}.united(Rect{4, -1, 6, 1})), (Rect{0, -1, 6, 2}));
}

TEST(Rect, ContainsPointUsesExclusiveEdges) {
    Rect r{0, 0, 4, 3};
    EXPECT_TRUE(r.contains(0, 0));
    EXPECT_TRUE(r.contains(3, 2));
    EXPECT_FALSE(r.contains(4, 2));
    EXPECT_FALSE(r.contains(3, 3));
    EXPECT_FALSE(r.contains(-1, 0));
}

}  // namespace
}  // namespace varnel
