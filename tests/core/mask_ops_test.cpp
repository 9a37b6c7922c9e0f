#include "core/mask_ops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/morphology_dispatch.h"
#include "core/surface_ops.h"
#include "platform/cpu_features.h"

namespace varnel {
namespace {

using Grid = std::vector<std::vector<int>>;

Grid gridOf(const GrayMap& m) {
    Grid g(size_t(m.height()), std::vector<int>(size_t(m.width())));
    for (int y = 0; y < m.height(); ++y)
        for (int x = 0; x < m.width(); ++x) g[size_t(y)][size_t(x)] = m.row(y)[x];
    return g;
}

void load(GrayMap& m, const Grid& g) {
    ASSERT_EQ(m.createGray(int(g[0].size()), int(g.size())), 1);
    for (size_t y = 0; y < g.size(); ++y)
        for (size_t x = 0; x < g[0].size(); ++x) m.row(int(y))[x] = uint8_t(g[y][x]);
}

Grid filled(int w, int h, int v) {
    return Grid(size_t(h), std::vector<int>(size_t(w), v));
}

// Test shapes: each shows a different way a morphology can go wrong.
struct Shape {
    const char* name;
    std::function<Grid()> make;
};

uint32_t next(uint32_t& s) {
    s = s * 1664525u + 1013904223u;
    return s >> 24;
}

std::vector<Shape> shapes() {
    return {
        {"dot",
         [] {
             Grid g = filled(9, 9, 0);
             g[4][4] = 255;
             return g;
         }},
        {"corner block",
         [] {  // touches two mask edges
             Grid g = filled(12, 10, 0);
             for (int y = 0; y < 4; ++y)
                 for (int x = 0; x < 5; ++x) g[size_t(y)][size_t(x)] = 255;
             return g;
         }},
        {"grey noise",
         [] {  // every level, no structure
             uint32_t s = 11;
             Grid g = filled(17, 13, 0);
             for (auto& row : g)
                 for (int& v : row) v = int(next(s));
             return g;
         }},
        {"sparse levels",
         [] {  // a few grey dots with holes between
             uint32_t s = 5;
             Grid g = filled(23, 19, 0);
             for (auto& row : g)
                 for (int& v : row) v = next(s) < 20 ? int(next(s)) : 0;
             return g;
         }},
        {"ring",
         [] {  // a hole inside
             Grid g = filled(21, 21, 0);
             for (int y = 0; y < 21; ++y)
                 for (int x = 0; x < 21; ++x) {
                     const int d = (x - 10) * (x - 10) + (y - 10) * (y - 10);
                     if (d <= 64 && d >= 16) g[size_t(y)][size_t(x)] = 255;
                 }
             return g;
         }},
        {"full", [] { return filled(8, 6, 255); }},
        {"thin row",
         [] {
             Grid g = filled(15, 1, 0);
             for (int x = 3; x < 12; ++x) g[0][size_t(x)] = 200;
             return g;
         }},
    };
}

// The disc by its floating-point definition.
int halfHeight(int d, int rx, int ry) {
    const double x = d == 0 ? 0.0 : std::abs(d) - 0.5;
    return int(std::floor(std::sqrt(double(rx) * rx - x * x) * ry / rx + 0.5));
}

Grid bruteDisc(const Grid& g, int rx, int ry, bool takeMax, int outside) {
    const int h = int(g.size());
    const int w = int(g[0].size());
    Grid out = g;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int best = takeMax ? 0 : 255;
            for (int d = -rx; d <= rx; ++d) {
                const int hh = halfHeight(d, rx, ry);
                for (int e = -hh; e <= hh; ++e) {
                    const int xx = x + d;
                    const int yy = y + e;
                    const bool in = xx >= 0 && yy >= 0 && xx < w && yy < h;
                    const int v = in ? g[size_t(yy)][size_t(xx)] : outside;
                    best = takeMax ? std::max(best, v) : std::min(best, v);
                }
            }
            out[size_t(y)][size_t(x)] = best;
        }
    }
    return out;
}

Grid bruteEdges(const Grid& g, bool outsideSelected) {
    const int h = int(g.size());
    const int w = int(g[0].size());
    Grid out = filled(w, h, 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (g[size_t(y)][size_t(x)] < 128) continue;
            bool low = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    if (!dx && !dy) continue;
                    const int xx = x + dx, yy = y + dy;
                    const bool in = xx >= 0 && yy >= 0 && xx < w && yy < h;
                    const int v = in ? g[size_t(yy)][size_t(xx)] : (outsideSelected ? 255 : 0);
                    low = low || v < 128;
                }
            out[size_t(y)][size_t(x)] = low ? 255 : 0;
        }
    }
    return out;
}

// Border by its definition: a brush of (2rx + 1) × (2ry + 1) values stamped at every edge pixel,
// keeping the maximum.
Grid bruteBorder(const Grid& g, int rx, int ry, bool soft, bool outsideSelected) {
    const Grid edges = bruteEdges(g, outsideSelected);
    if (rx == 1 && ry == 1) return edges;
    const int h = int(g.size());
    const int w = int(g[0].size());
    std::vector<int> values(size_t(2 * rx + 1) * size_t(2 * ry + 1));
    for (int j = -ry; j <= ry; ++j)
        for (int i = -rx; i <= rx; ++i) {
            const double u = i == 0 ? 0 : std::abs(i) - 0.5;
            const double v = j == 0 ? 0 : std::abs(j) - 0.5;
            const double t = u * u / (double(rx) * rx) + v * v / (double(ry) * ry);
            int b = 0;
            if (t < 1) b = soft ? std::clamp(int((1 - std::sqrt(t)) * 255), 0, 255) : 255;
            values[size_t(j + ry) * size_t(2 * rx + 1) + size_t(i + rx)] = b;
        }
    auto brush = [&](int i, int j) {
        return values[size_t(j + ry) * size_t(2 * rx + 1) + size_t(i + rx)];
    };
    Grid out = filled(w, h, 0);
    for (int ey = 0; ey < h; ++ey)
        for (int ex = 0; ex < w; ++ex) {
            if (!edges[size_t(ey)][size_t(ex)]) continue;
            for (int j = -ry; j <= ry; ++j)
                for (int i = -rx; i <= rx; ++i) {
                    const int x = ex + i, y = ey + j;
                    if (x < 0 || y < 0 || x >= w || y >= h) continue;
                    int& o = out[size_t(y)][size_t(x)];
                    o = std::max(o, brush(i, j));
                }
        }
    return out;
}

struct Radii {
    int rx, ry;
};
const Radii kRadii[] = {{1, 1}, {2, 2}, {3, 3}, {5, 5}, {8, 8}, {1, 4}, {6, 2}, {13, 13}};

TEST(Disc, HalfHeightsFollowTheTable) {
    EXPECT_EQ(discHalfHeights(1, 1), (std::vector<int32_t>{1, 1, 1}));
    EXPECT_EQ(discHalfHeights(2, 2), (std::vector<int32_t>{1, 2, 2, 2, 1}));
    // Radii are clamped to 1..100.
    EXPECT_EQ(discHalfHeights(0, -4), discHalfHeights(1, 1));
    EXPECT_EQ(discHalfHeights(500, 100).size(), 201u);
    // The integer computation agrees with the floating-point formula over every radius pair
    // the selection and a narrow ellipse use.
    for (int rx = 1; rx <= 100; ++rx) {
        for (int ry : {rx, 1, 37, 100}) {
            const auto table = discHalfHeights(rx, ry);
            for (int d = -rx; d <= rx; ++d)
                ASSERT_EQ(table[size_t(d + rx)], halfHeight(d, rx, ry))
                    << rx << "," << ry << " " << d;
        }
    }
}

// Runs a check with each compiled variant of the disc filter's loops that the processor has.
template <typename Check>
void forEachCodePath(Check&& check) {
    using morphology_kernels::MorphologyPath;
    for (MorphologyPath path : {MorphologyPath::Baseline, MorphologyPath::Avx2}) {
        if (!morphology_kernels::use(path)) continue;
        SCOPED_TRACE(path == MorphologyPath::Avx2 ? "AVX2" : "baseline");
        check();
    }
    morphology_kernels::use(morphology_kernels::MorphologyPath::Best);
}

// The processor's best variant is taken only where the CPU setting allows it (the baseline test
// runs set VARNEL_CPU=baseline).
TEST(Morphology, DispatchFollowsTheCpuSetting) {
    using morphology_kernels::MorphologyPath;
    const bool avx2 = platform::cpuFeatures().avx2;
    ASSERT_TRUE(morphology_kernels::use(MorphologyPath::Best));
    EXPECT_EQ(&morphology_kernels::current(),
              avx2 ? &morphology_kernels::avx2() : &morphology_kernels::baseline());
    EXPECT_EQ(morphology_kernels::use(MorphologyPath::Avx2), avx2);
    morphology_kernels::use(MorphologyPath::Best);
}

TEST(Morphology, DilateAndErodeMatchTheDiscDefinition) {
    forEachCodePath([] {
        for (const Shape& shape : shapes()) {
            const Grid g = shape.make();
            for (const Radii& r : kRadii) {
                SCOPED_TRACE(::testing::Message() << shape.name << " r " << r.rx << "," << r.ry);
                GrayMap m;
                load(m, g);
                ASSERT_EQ(dilate(m, r.rx, r.ry), 1);
                EXPECT_EQ(gridOf(m), bruteDisc(g, r.rx, r.ry, true, 0));
                for (bool outsideSelected : {false, true}) {
                    load(m, g);
                    ASSERT_EQ(erode(m, r.rx, r.ry, outsideSelected), 1);
                    EXPECT_EQ(gridOf(m), bruteDisc(g, r.rx, r.ry, false, outsideSelected ? 255 : 0))
                        << "outside selected " << outsideSelected;
                }
            }
        }
    });
}

TEST(Morphology, WideMasksCrossColumnTiles) {
    // Wider than one tile of the filter, with structure right at the tile seam.
    Grid g = filled(2100, 5, 0);
    g[2][1023] = 255;
    g[2][1024] = 90;
    g[0][2099] = 255;
    g[4][0] = 30;
    forEachCodePath([&] {
        for (bool grow : {true, false}) {
            GrayMap m;
            load(m, g);
            ASSERT_EQ(grow ? dilate(m, 3, 2) : erode(m, 3, 2, true), 1);
            EXPECT_EQ(gridOf(m), bruteDisc(g, 3, 2, grow, grow ? 0 : 255));
        }
    });
}

TEST(Morphology, SelectionCommandCases) {
    // Expand by 1 of one pixel gives a 3 × 3 block.
    Grid dot = filled(5, 5, 0);
    dot[2][2] = 255;
    GrayMap m;
    load(m, dot);
    ASSERT_EQ(dilate(m, 1, 1), 1);
    Grid block = filled(5, 5, 0);
    for (int y = 1; y < 4; ++y)
        for (int x = 1; x < 4; ++x) block[size_t(y)][size_t(x)] = 255;
    EXPECT_EQ(gridOf(m), block);
    // Contract by 1 of that block leaves its centre.
    ASSERT_EQ(erode(m, 1, 1, false), 1);
    EXPECT_EQ(gridOf(m), dot);
    // Contract of everything by n removes an n-pixel band along every edge.
    load(m, filled(9, 7, 255));
    ASSERT_EQ(erode(m, 2, 2, false), 1);
    const Grid g = gridOf(m);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(g[size_t(y)][size_t(x)], x >= 2 && x < 7 && y >= 2 && y < 5 ? 255 : 0)
                << x << "," << y;
}

TEST(Morphology, EdgeMapRowRule) {
    struct Case {
        const char* name;
        std::vector<int> above, row, below;  // empty: outside the mask
        bool outsideSelected;
        std::vector<int> want;
    };
    const Case cases[] = {
        {"solid inside", {255, 255, 255}, {255, 255, 255}, {255, 255, 255}, true, {0, 0, 0}},
        {"solid, outside unselected",
         {255, 255, 255},
         {255, 255, 255},
         {255, 255, 255},
         false,
         {255, 0, 255}},
        {"128 is inside, 127 outside",
         {128, 128, 128},
         {127, 128, 128},
         {128, 128, 128},
         true,
         {0, 255, 0}},
        {"diagonal neighbour counts",
         {255, 255, 0},
         {255, 255, 255},
         {255, 255, 255},
         true,
         {0, 255, 255}},
        {"top row, outside unselected",
         {},
         {200, 200, 200},
         {200, 200, 200},
         false,
         {255, 255, 255}},
        {"top row, outside selected", {}, {200, 200, 200}, {200, 200, 200}, true, {0, 0, 0}},
        {"low pixels are never edges", {0, 0, 0}, {0, 100, 0}, {0, 0, 0}, true, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> a(c.above.begin(), c.above.end());
        std::vector<uint8_t> r(c.row.begin(), c.row.end());
        std::vector<uint8_t> b(c.below.begin(), c.below.end());
        std::vector<uint8_t> out(r.size(), 77);
        edgeMapRow(a.empty() ? nullptr : a.data(), r.data(), b.empty() ? nullptr : b.data(),
                   int(r.size()), c.outsideSelected, out.data());
        EXPECT_EQ(std::vector<int>(out.begin(), out.end()), c.want) << c.name;
    }
}

TEST(Morphology, BorderMatchesTheBrushDefinition) {
    for (const Shape& shape : shapes()) {
        const Grid g = shape.make();
        for (const Radii& r : kRadii) {
            for (bool soft : {true, false}) {
                for (bool outsideSelected : {false, true}) {
                    SCOPED_TRACE(::testing::Message()
                                 << shape.name << " r " << r.rx << "," << r.ry << " soft " << soft
                                 << " outside " << outsideSelected);
                    GrayMap m;
                    load(m, g);
                    ASSERT_EQ(border(m, r.rx, r.ry, soft, outsideSelected), 1);
                    EXPECT_EQ(gridOf(m), bruteBorder(g, r.rx, r.ry, soft, outsideSelected));
                }
            }
        }
    }
}

TEST(Morphology, BorderAtLargeRadiiOnAComplexEdge) {
    // Radii where the brush reaches across the whole mask, and unequal radii whose brush values
    // are computed rather than looked up.
    uint32_t s = 99;
    Grid g = filled(61, 47, 0);
    for (int y = 0; y < 47; ++y)
        for (int x = 0; x < 61; ++x)
            if (std::sin(x * 0.4) * 9 + std::cos(y * 0.3) * 7 + int(next(s) % 5) > 6)
                g[size_t(y)][size_t(x)] = 255;
    for (const Radii& r : {Radii{40, 40}, Radii{100, 100}, Radii{97, 89}, Radii{23, 7}}) {
        GrayMap m;
        load(m, g);
        ASSERT_EQ(border(m, r.rx, r.ry, true, false), 1);
        EXPECT_EQ(gridOf(m), bruteBorder(g, r.rx, r.ry, true, false)) << r.rx << "," << r.ry;
    }
}

TEST(Morphology, BorderOfARectangleByOneIsItsOutline) {
    Grid g = filled(8, 7, 0);
    for (int y = 1; y < 6; ++y)
        for (int x = 2; x < 7; ++x) g[size_t(y)][size_t(x)] = 255;
    GrayMap m;
    load(m, g);
    ASSERT_EQ(border(m, 1, 1, true, false), 1);
    const Grid out = gridOf(m);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 7 && y >= 1 && y < 6;
            const bool outline = inside && (x == 2 || x == 6 || y == 1 || y == 5);
            EXPECT_EQ(out[size_t(y)][size_t(x)], outline ? 255 : 0) << x << "," << y;
        }
    // A brush value fades from 255 on the edge to 0 at the radius.
    EXPECT_EQ(borderBrushValue(0, 10, 10, true), 255);
    EXPECT_EQ(borderBrushValue(4 * 100 * 100, 10, 10, true), 0);
    EXPECT_EQ(borderBrushValue(100 * (19 * 19), 10, 10, true), int((1 - 0.95) * 255));
    EXPECT_EQ(borderBrushValue(100 * (19 * 19), 10, 10, false), 255);
}

TEST(Morphology, RefusesBadMasks) {
    GrayMap none;
    EXPECT_EQ(dilate(none, 2, 2), 0);
    EXPECT_EQ(erode(none, 2, 2, true), 0);
    EXPECT_EQ(border(none, 2, 2, true, false), 0);
}

// --- colour range, similar and grow -----------------------------------------------------------

struct Picture {
    ColorImage image;
    GrayMap alpha;
    GrayMap mask;
};

// A picture from rows of letters: each letter a colour (and '.' a transparent pixel when
// `alphaPlane`), with the mask at 0 except the seeds given.
void paint(Picture& p, const std::vector<std::string>& rows, bool alphaPlane,
           std::initializer_list<Point> seeds, int seedValue = 255) {
    const int h = int(rows.size());
    const int w = int(rows.begin()->size());
    ASSERT_EQ(p.image.createColor(w, h), 1);
    ASSERT_EQ(p.mask.createGray(w, h), 1);
    if (alphaPlane) {
        ASSERT_EQ(p.alpha.createGray(w, h), 1);
    }
    int y = 0;
    for (const std::string& r : rows) {
        for (int x = 0; x < w; ++x) {
            const char c = r[size_t(x)];
            Bgr colour{};
            switch (c) {
                case 'a':
                    colour = {10, 20, 30};
                    break;
                case 'b':
                    colour = {200, 100, 50};
                    break;
                case 'c':
                    colour = {12, 22, 34};
                    break;  // close to 'a'
                default:
                    colour = {10, 20, 30};
                    break;  // '.' : 'a' but transparent
            }
            p.image.pixels(y)[x] = colour;
            if (alphaPlane) p.alpha.row(y)[x] = c == '.' ? 0 : 255;
        }
        ++y;
    }
    for (Point s : seeds) p.mask.row(s.y)[s.x] = uint8_t(seedValue);
}

std::vector<std::string> picked(const GrayMap& m) {
    std::vector<std::string> out;
    for (int y = 0; y < m.height(); ++y) {
        std::string r;
        for (int x = 0; x < m.width(); ++x) {
            r += m.row(y)[x] == 255 ? '#' : m.row(y)[x] ? '+' : '-';
        }
        out.push_back(r);
    }
    return out;
}

TEST(ColourSelection, SimilarAndGrowOnTwoColours) {
    const std::vector<std::string> rows = {"aabba", "abbaa", "bbaab"};
    Picture p;
    paint(p, rows, false, {{0, 0}});
    ASSERT_EQ(similar(p.mask, p.image, nullptr, 0), 1);
    EXPECT_EQ(picked(p.mask), (std::vector<std::string>{"##--#", "#--##", "--##-"}));
    // Grow keeps to the area connected to the seed, and diagonal contact does not connect.
    Picture q;
    paint(q, rows, false, {{0, 0}});
    ASSERT_EQ(grow(q.mask, q.image, nullptr, 0), 1);
    EXPECT_EQ(picked(q.mask), (std::vector<std::string>{"##---", "#----", "-----"}));
}

TEST(ColourSelection, ToleranceWidensTheRange) {
    const std::vector<std::string> rows = {"aaccb", "bbbbb", "ccaab"};
    for (int tolerance : {0, 1, 4, 255}) {
        Picture p;
        paint(p, rows, false, {{0, 0}});
        ASSERT_EQ(grow(p.mask, p.image, nullptr, tolerance), 1);
        Picture q;
        paint(q, rows, false, {{0, 0}});
        ASSERT_EQ(similar(q.mask, q.image, nullptr, tolerance), 1);
        // 'c' differs from 'a' by up to 4; 'b' only a tolerance of 255 reaches.
        if (tolerance < 4) {
            EXPECT_EQ(picked(p.mask)[0], "##---") << tolerance;
            EXPECT_EQ(picked(q.mask)[2], "--##-") << tolerance;
        } else if (tolerance < 255) {
            EXPECT_EQ(picked(p.mask), (std::vector<std::string>{"####-", "-----", "-----"}));
            EXPECT_EQ(picked(q.mask)[2], "####-") << tolerance;
        } else {
            EXPECT_EQ(picked(p.mask), (std::vector<std::string>{"#####", "#####", "#####"}));
        }
    }
}

TEST(ColourSelection, SeedsAreValuesAbove148) {
    const std::vector<std::string> rows = {"aab", "abb"};
    for (int seed : {148, 149}) {
        Picture p;
        paint(p, rows, false, {{0, 0}}, seed);
        ASSERT_EQ(grow(p.mask, p.image, nullptr, 0), 1);
        Picture q;
        paint(q, rows, false, {{0, 0}}, seed);
        ASSERT_EQ(similar(q.mask, q.image, nullptr, 0), 1);
        if (seed == 148) {
            // No seed: nothing changes, the partial value stays.
            EXPECT_EQ(picked(p.mask), (std::vector<std::string>{"+--", "---"}));
            EXPECT_EQ(picked(q.mask), (std::vector<std::string>{"+--", "---"}));
        } else {
            EXPECT_EQ(picked(p.mask), (std::vector<std::string>{"##-", "#--"}));
            EXPECT_EQ(picked(q.mask), (std::vector<std::string>{"##-", "#--"}));
        }
    }
    // Values that are not seeds and not accepted are left as they are.
    Picture p;
    paint(p, {"ab"}, false, {{0, 0}});
    p.mask.row(0)[1] = 60;
    ASSERT_EQ(grow(p.mask, p.image, nullptr, 0), 1);
    EXPECT_EQ(p.mask.row(0)[1], 60);
}

TEST(ColourSelection, TransparencyDecidesWithAnAlphaPlane) {
    // '.' is transparent with the colour of 'a'.
    const std::vector<std::string> rows = {"aa.a.", "..bb.", "a...a"};
    {
        // An opaque seed: transparent pixels are never taken, even of the same colour.
        Picture p;
        paint(p, rows, true, {{0, 0}});
        ASSERT_EQ(similar(p.mask, p.image, &p.alpha, 0), 1);
        EXPECT_EQ(picked(p.mask), (std::vector<std::string>{"##-#-", "-----", "#---#"}));
        Picture q;
        paint(q, rows, true, {{0, 0}});
        ASSERT_EQ(grow(q.mask, q.image, &q.alpha, 0), 1);
        EXPECT_EQ(picked(q.mask), (std::vector<std::string>{"##---", "-----", "-----"}));
    }
    {
        // Only transparent seeds: every transparent pixel (Similar) or the transparent area
        // around the seed (Grow).
        Picture p;
        paint(p, rows, true, {{2, 0}});
        ASSERT_EQ(similar(p.mask, p.image, &p.alpha, 0), 1);
        EXPECT_EQ(picked(p.mask), (std::vector<std::string>{"--#-#", "##--#", "-###-"}));
        Picture q;
        paint(q, rows, true, {{0, 1}});
        ASSERT_EQ(grow(q.mask, q.image, &q.alpha, 0), 1);
        EXPECT_EQ(picked(q.mask), (std::vector<std::string>{"-----", "##---", "-###-"}));
    }
    {
        // A transparent seed beside an opaque one: the range is the opaque seed's, the
        // transparent seed is still selected itself.
        Picture p;
        paint(p, rows, true, {{3, 0}, {4, 0}});
        ASSERT_EQ(grow(p.mask, p.image, &p.alpha, 0), 1);
        EXPECT_EQ(picked(p.mask), (std::vector<std::string>{"---##", "-----", "-----"}));
    }
}

TEST(ColourSelection, GrowFillsLargeAreasWithoutRecursion) {
    // A serpentine corridor one pixel wide: a recursive fill would go thousands of calls deep.
    const int w = 301, h = 301;
    Picture p;
    ASSERT_EQ(p.image.createColor(w, h), 1);
    ASSERT_EQ(p.mask.createGray(w, h), 1);
    int open = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool wall = y % 2 == 1 && (y % 4 == 1 ? x != w - 1 : x != 0);
            p.image.pixels(y)[x] = wall ? Bgr{0, 0, 0} : Bgr{255, 255, 255};
            open += wall ? 0 : 1;
        }
    p.mask.row(0)[0] = 255;
    ASSERT_EQ(grow(p.mask, p.image, nullptr, 0), 1);
    int selected = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) selected += p.mask.row(y)[x] == 255;
    EXPECT_EQ(selected, open);
}

TEST(ColourSelection, RefusesMismatchedSurfaces) {
    Picture p;
    paint(p, {"ab", "ba"}, true, {{0, 0}});
    GrayMap small;
    ASSERT_EQ(small.createGray(1, 2), 1);
    EXPECT_EQ(similar(p.mask, p.image, &small, 0), 0);
    EXPECT_EQ(grow(p.mask, p.image, &small, 0), 0);
    EXPECT_EQ(grow(small, p.image, nullptr, 0), 0);
    EXPECT_EQ(p.mask.row(0)[0], 255);
    EXPECT_FALSE(colorRangeOf(small, p.image, nullptr, 0).hasSeeds);
}

}  // namespace
}  // namespace varnel
