#include "widgets/track_bar_geometry.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace varnel {
namespace {

TEST(TrackBarGeometry, ThumbAndPointerMaps) {
    struct Case {
        TrackRange range;
        int32_t length;
        int32_t position;
        int32_t thumb;
    } thumbs[] = {
        {{0, 100}, 101, 0, 0},        {{0, 100}, 101, 50, 50},
        {{0, 100}, 101, 100, 100},  // the thumb's right edge is the control's last pixel
        {{-100, 100}, 201, -100, 0},  {{-100, 100}, 201, 0, 100},
        {{-100, 100}, 201, 100, 200}, {{0, 255}, 101, 128, 50},  // 128 × 101 / 256
        {{0, 100}, 101, 500, 100},  // a position outside the range counts as its end
        {{5, 5}, 101, 5, 0},        // a one-value range
    };
    for (const Case& c : thumbs)
        EXPECT_EQ(thumbLeft(c.range, c.position, c.length), c.thumb)
            << c.range.minimum << ".." << c.range.maximum << " @" << c.position;

    struct Pick {
        TrackRange range;
        int32_t length;
        int32_t x;
        int32_t value;
    } picks[] = {
        {{0, 100}, 101, 3, 0},       {{0, 100}, 101, -40, 0},     {{0, 100}, 101, 104, 100},
        {{0, 100}, 101, 900, 100},   {{0, 100}, 101, 53, 49},  // 50 × 100 / 101 rounded down
        {{0, 100}, 101, 4, 0},       {{0, 100}, 101, 103, 99},    {{-100, 100}, 201, 104, 0},
        {{-100, 100}, 201, 103, -1}, {{-100, 100}, 201, 4, -100},
    };
    for (const Pick& p : picks)
        EXPECT_EQ(valueAtX(p.range, p.x, p.length), p.value)
            << p.range.minimum << ".." << p.range.maximum << " x=" << p.x;
}

TEST(TrackBarGeometry, DegenerateRangesAndTracksNeitherDivideByZeroNorOverflow) {
    // A reversed range is put in order (maximum − minimum + 1 would otherwise be 0 for 5..4).
    EXPECT_EQ(TrackRange::normalised(5, 4).minimum, 4);
    EXPECT_EQ(thumbLeft({5, 4}, 5, 101), thumbLeft({4, 5}, 5, 101));
    EXPECT_EQ(valueAtX({5, 4}, 104, 101), 5);

    // A track of no length behaves as one pixel.
    EXPECT_EQ(clampTrackLength(0), 1);
    EXPECT_EQ(clampTrackLength(-7), 1);
    EXPECT_EQ(thumbLeft({0, 100}, 100, 0), 0);
    EXPECT_EQ(valueAtX({0, 100}, 3, 0), 0);
    EXPECT_EQ(valueAtX({0, 100}, 4, 0), 100);

    // The whole 32-bit range: products beyond 32 bits stay exact.
    const TrackRange all{INT_MIN, INT_MAX};
    EXPECT_EQ(thumbLeft(all, INT_MIN, 101), 0);
    EXPECT_EQ(thumbLeft(all, 0, 101), 50);
    EXPECT_EQ(thumbLeft(all, INT_MAX, 101), 100);
    EXPECT_EQ(valueAtX(all, 104, 101), INT_MAX);
    EXPECT_EQ(valueAtX(all, 53, 101), int32_t(INT_MIN + 50LL * 0xFFFFFFFFLL / 101));
}

TEST(TrackBarGeometry, GradientBandsCoverEveryPixelOnceInOrder) {
    for (int32_t extent : {0, 1, 2, 100, 254, 255, 256, 511, 1000}) {
        std::vector<int> covered(size_t(extent), 0);
        int32_t last = 0;
        for (int32_t h = 0; h < kGradientBands; ++h) {
            const GradientBand b = gradientBand(h, extent);
            EXPECT_EQ(b.begin, last) << extent << " band " << h;
            for (int32_t x = b.begin; x < b.end; ++x) ++covered[size_t(x)];
            last = std::max(last, b.end);
        }
        EXPECT_EQ(last, extent);
        for (int32_t x = 0; x < extent; ++x)
            EXPECT_EQ(covered[size_t(x)], 1) << extent << " @" << x;
    }
}

TEST(TrackBarGeometry, GradientChannelsRunFromStartTowardEnd) {
    // Band 0 is the start colour; the last band stops one 255th short of the end.
    EXPECT_EQ(gradientChannel(200, 255, 0, false), 200);
    EXPECT_EQ(gradientChannel(200, 255, 254, false), 254);  // 200 + 254/255 × 55 = 254.78
    EXPECT_EQ(gradientChannel(255, 0, 254, false), 1);
    // Eased: (h / 255)², so the middle band is a quarter of the way.
    EXPECT_EQ(gradientChannel(0, 255, 127, true), 63);  // (127/255)² × 255 = 63.25
    EXPECT_EQ(gradientChannel(0, 255, 127, false), 127);
    int previous = -1;
    for (int h = 0; h < kGradientBands; ++h) {
        const int c = gradientChannel(40, 240, h, true);
        EXPECT_GE(c, previous);
        previous = c;
    }
    EXPECT_EQ(filledGrooveGrey(212), 240);
    EXPECT_EQ(filledGrooveGrey(255), 255);
}

}  // namespace
}  // namespace varnel
