#include "dialogs/adjustment_maps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace varnel {
namespace {

// --- Levels gamma slider
// --------------------------------------------------------------------------

TEST(GammaSlider, EndsAndMiddleOfTheRange) {
    struct Case {
        double position;
        int lo, hi;
        double gamma;
    } cases[] = {
        {127.5, 0, 255, 1.0},   {255, 0, 255, 0.1},    {0, 0, 255, 9.99},  // 10 held to 9.99
        {105, 10, 200, 1.0},    {200, 10, 200, 0.1},   {10, 10, 200, 9.99},
        {191.25, 0, 255, 0.32}, {63.75, 0, 255, 3.16},  // a quarter either side of the middle
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(gammaAtSlider(c.position, c.lo, c.hi), c.gamma)
            << c.position << " in " << c.lo << "…" << c.hi;
    }
}

// Black and white points on top of each other (or one apart) leave the slider no room: the old
// formula divided by zero there. It counts as the middle, gamma 1, and nothing is ever infinite.
TEST(GammaSlider, NoRoomBetweenThePointsIsTheMiddleAndEverythingStaysFinite) {
    EXPECT_DOUBLE_EQ(gammaAtSlider(100, 100, 100), 1.0);
    EXPECT_DOUBLE_EQ(gammaAtSlider(100, 100, 101), 1.0);
    EXPECT_DOUBLE_EQ(gammaAtSlider(0, 200, 100), 1.0);  // reversed points
    EXPECT_EQ(sliderForGamma(2.0, 100, 100), 100);
    EXPECT_EQ(sliderForGamma(2.0, 100, 101), 101);  // trunc(100.5 + 0.5)
    const double odd[] = {0, -1, 1e300, std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity()};
    for (int lo = 0; lo <= 255; lo += 15) {
        for (int hi = 0; hi <= 255; hi += 15) {
            for (int p = -10; p <= 265; p += 5) {
                const double g = gammaAtSlider(p, lo, hi);
                ASSERT_TRUE(std::isfinite(g) && g >= kMinGamma && g <= kMaxGamma)
                    << p << " " << lo << " " << hi;
            }
            for (double g : odd) {
                const int p = sliderForGamma(g, lo, hi);
                ASSERT_GE(p, std::min(lo, hi));
                ASSERT_LE(p, std::max(lo, hi));
            }
        }
    }
}

TEST(GammaSlider, TypedGammaPlacesTheSliderWhereItGivesThatGammaBack) {
    EXPECT_EQ(sliderForGamma(1.0, 0, 255), 128);  // the middle, 127.5 rounded up
    EXPECT_EQ(sliderForGamma(1.0, 10, 200), 105);
    EXPECT_EQ(sliderForGamma(0.1, 0, 255), 255);
    EXPECT_EQ(sliderForGamma(9.99, 0, 255), 0);
    EXPECT_EQ(sliderForGamma(50, 0, 255), 0);  // held to 9.99 first
    for (int lo : {0, 40}) {
        const double half = (250 - lo) / 2.0;
        for (int p = lo; p <= 250; ++p) {
            const double g = gammaAtSlider(p, lo, 250);
            // Two decimals lose a little, most where the gamma is small: the slider lands within
            // what half a hundredth of gamma moves it, plus the rounding to a position.
            const double slack = half * 0.005 / (g * std::log(10.0)) + 1;
            EXPECT_NEAR(sliderForGamma(g, lo, 250), p, slack) << p;
        }
    }
}

TEST(HistogramBars, LargestBinFillsTheHeightAndRgbSumsTheChannels) {
    Histogram h;
    h.add(0, 10, 40);  // red
    h.add(1, 10, 20);  // green
    h.add(2, 200, 100);
    h.add(0, 255, 1);
    const auto red = histogramBars(h, 0, 100);
    EXPECT_EQ(red[10], 100);
    EXPECT_EQ(red[255], 2);  // 1 × 100 / 40, truncated
    EXPECT_EQ(red[200], 0);
    const auto all = histogramBars(h, Histogram::kAllChannels, 100);
    EXPECT_EQ(all[200], 100);
    EXPECT_EQ(all[10], 60);
    EXPECT_EQ(all[255], 1);

    const auto none = histogramBars(Histogram(), Histogram::kAllChannels, 100);
    for (int v : none) EXPECT_EQ(v, 0);
}

// --- Gaussian Blur slider
// -------------------------------------------------------------------------

TEST(BlurSlider, PiecesMeetAtTheirEnds) {
    struct Case {
        int position;
        double radius;
    } cases[] = {{0, 0.1},     {25, 2.55}, {50, 5.0},   {180, 100.0},
                 {200, 250.0}, {-5, 0.1},  {300, 250.0}};
    for (const Case& c : cases)
        EXPECT_NEAR(radiusAtSlider(c.position), c.radius, 1e-9) << c.position;
    // The middle piece is a parabola through both of its ends.
    EXPECT_NEAR(radiusAtSlider(115), 5 + (100 - 5) * (115.0 * 115 - 2500) / (32400 - 2500), 1e-9);
}

TEST(BlurSlider, RadiusGivesTheSliderBack) {
    EXPECT_EQ(sliderForRadius(0.1), 0);
    EXPECT_EQ(sliderForRadius(5.0), 50);
    EXPECT_EQ(sliderForRadius(100.0), 180);
    EXPECT_EQ(sliderForRadius(250.0), 200);
    EXPECT_EQ(sliderForRadius(1000.0), 200);
    EXPECT_EQ(sliderForRadius(-3.0), 0);
    EXPECT_EQ(sliderForRadius(std::numeric_limits<double>::quiet_NaN()), 0);
    double last = -1;
    for (int p = 0; p <= kBlurSliderMax; ++p) {
        const double r = radiusAtSlider(p);
        EXPECT_GT(r, last) << p;  // strictly increasing, so the inverse is one
        last = r;
        EXPECT_EQ(sliderForRadius(r), p);
    }
}

// --- Curves editing
// -------------------------------------------------------------------------------

std::vector<Point> pts(std::initializer_list<Point> l) {
    return std::vector<Point>(l);
}

TEST(CurveEditing, PressesSelectInsertAndRemove) {
    CurvePoints c;
    // Ctrl on the first (or last) point only selects it.
    EXPECT_EQ(pressCurve(c, {0, 0}, true).what, CurveClick::Select);
    EXPECT_EQ(pressCurve(c, {255, 255}, true).what, CurveClick::Select);
    EXPECT_EQ(c.points(), pts({{0, 0}, {255, 255}}));
    // On the curve away from points: a new point, kept in order.
    CurveClickResult r = pressCurve(c, {128, 130}, false);
    EXPECT_EQ(r.what, CurveClick::Insert);
    EXPECT_EQ(r.index, 1);
    EXPECT_EQ(c.points(), pts({{0, 0}, {128, 130}, {255, 255}}));
    // Within 8 pixels of it: selected, not another one.
    r = pressCurve(c, {133, 136}, false);  // 25 + 36 = 61 ≤ 64
    EXPECT_EQ(r.what, CurveClick::Select);
    EXPECT_EQ(r.index, 1);
    // Off the curve: nothing.
    EXPECT_EQ(pressCurve(c, {60, 200}, false).what, CurveClick::None);
    // Ctrl away from any point adds nothing either.
    EXPECT_EQ(pressCurve(c, {60, 60}, true).what, CurveClick::None);
    EXPECT_EQ(c.size(), 3);
    // Ctrl on the middle point removes it.
    r = pressCurve(c, {128, 130}, true);
    EXPECT_EQ(r.what, CurveClick::Remove);
    EXPECT_EQ(c.points(), pts({{0, 0}, {255, 255}}));
    // Presses outside the grid are clamped onto it.
    EXPECT_EQ(pressCurve(c, {-20, -20}, true).what, CurveClick::Select);
}

TEST(CurveEditing, PickDistanceIsEightPixels) {
    CurvePoints c(pts({{0, 0}, {100, 100}, {255, 255}}));
    EXPECT_EQ(c.pointNear({108, 100}), 1);   // 64
    EXPECT_EQ(c.pointNear({104, 107}), -1);  // 16 + 49 = 65
    EXPECT_EQ(c.pointNear({3, 2}), 0);
}

TEST(CurveEditing, AtMostTenPointsWithStrictlyIncreasingInputs) {
    CurvePoints c;
    for (int x = 20; x <= 220; x += 20) c.insert({x, x});
    EXPECT_EQ(c.size(), CurvePoints::kMaxPoints);
    EXPECT_EQ(c.insert({30, 30}), -1);
    EXPECT_EQ(pressCurve(c, {30, 30}, false).what, CurveClick::None);

    CurvePoints d(pts({{0, 0}, {100, 100}, {255, 255}}));
    EXPECT_EQ(d.insert({100, 50}), -1);  // that input already has a point
    // A point dragged past a neighbour stops one short of it; the ends stay inside the grid.
    EXPECT_EQ(d.move(1, {300, 300}), (Point{254, 255}));
    EXPECT_EQ(d.move(1, {-5, -5}), (Point{1, 0}));
    EXPECT_EQ(d.move(0, {40, 10}), (Point{0, 10}));
    EXPECT_EQ(d.move(2, {-40, 10}), (Point{2, 10}));
    for (int i = 1; i < d.size(); ++i) EXPECT_LT(d.at(i - 1).x, d.at(i).x);
}

TEST(CurveEditing, ListsFromElsewhereAreOnlyTakenWhenValid) {
    const std::vector<Point> bad[] = {
        {},
        {{0, 0}},
        {{0, 0}, {50, 10}, {50, 20}, {255, 255}},
        {{0, 0}, {300, 255}},
        pts({{0, 0},
             {10, 1},
             {20, 2},
             {30, 3},
             {40, 4},
             {50, 5},
             {60, 6},
             {70, 7},
             {80, 8},
             {90, 9},
             {255, 255}}),
    };
    for (const auto& list : bad) EXPECT_EQ(CurvePoints(list).points(), pts({{0, 0}, {255, 255}}));
    EXPECT_EQ(CurvePoints(pts({{5, 0}, {60, 90}, {250, 255}})).size(), 3);
}

TEST(CurveEditing, TableIsTheFiltersCurve) {
    CurvePoints c(pts({{0, 255}, {255, 0}}));
    const auto t = c.table();
    EXPECT_EQ(t[0], 255);
    EXPECT_EQ(t[255], 0);
    EXPECT_EQ(t[100], 155);
    EXPECT_TRUE(c.isNearCurve({100, 160}));
    EXPECT_FALSE(c.isNearCurve({100, 100}));
}

}  // namespace
}  // namespace varnel
