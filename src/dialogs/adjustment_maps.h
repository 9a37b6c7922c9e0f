// The arithmetic of the adjustment dialogs, kept apart from their widgets: the Levels gamma slider
// and histogram bars, the Gaussian Blur radius slider, and the Curves editor's point editing.
// Plain C++: every function here is total (any input gives a finite, in-range result).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/geometry.h"
#include "filters/histogram.h"

namespace varnel {

// --- Levels --------------------------------------------------------------------------------------

inline constexpr double kMinGamma = 0.1;
inline constexpr double kMaxGamma = 9.99;
// The input white point stays at least this far above the input black point, so that the gamma
// slider always has room between them.
inline constexpr int kMinInputSpan = 2;

// The gamma the gamma slider gives at position p (input-level units) between the black point lo
// and the white point hi: the middle gives 1, the white end 0.1, the black end 9.99 (rounded to two
// decimals). With no room between the points (hi − lo < 2) the slider counts as in the middle.
double gammaAtSlider(double position, int lo, int hi);
// Where a gamma puts the gamma slider: lo … hi, the middle for gamma 1. Gammas outside 0.1 … 9.99
// are held to it first; with no room between the points the middle.
int sliderForGamma(double gamma, int lo, int hi);

// The heights of the Levels histogram's 256 bars in an image `height` pixels high: bin i of the
// channel (0 red, 1 green, 2 blue, Histogram::kAllChannels for the three summed) scaled so that
// the largest bin fills the height. All 0 for an empty histogram.
std::array<int, 256> histogramBars(const Histogram& histogram, int channel, int height);

// --- Gaussian Blur -------------------------------------------------------------------------------

inline constexpr int kBlurSliderMax = 200;
inline constexpr double kMinBlurRadius = 0.1;
inline constexpr double kMaxBlurRadius = 250.0;

// The radius at slider position p (0 … 200, held): 0.1 … 5 linearly up to 50, a parabola through
// 5 and 100 up to 180, another up to 250 at 200. Not rounded.
double radiusAtSlider(int position);
// The slider position of a radius: the inverse of radiusAtSlider, rounded and held to 0 … 200.
int sliderForRadius(double radius);

// --- Curves --------------------------------------------------------------------------------------

// The Curves editor's point list of one channel, in curve coordinates (x input, y output, both
// 0 … 255). It is always a valid list for the filter: 2 to 10 points with strictly increasing x;
// the first and the last point are never removed.
class CurvePoints {
public:
    static constexpr int kMaxPoints = 10;
    // Squared distance within which a click takes a point (8 pixels).
    static constexpr int kPickDistance2 = 64;
    // How far from the drawn curve a click may be to add a point.
    static constexpr int kCurveDistance = 8;

    CurvePoints() : points_{{0, 0}, {255, 255}} {}
    // A list as it came from elsewhere; an invalid one gives the identity.
    explicit CurvePoints(const std::vector<Point>& points);

    const std::vector<Point>& points() const { return points_; }
    int size() const { return int(points_.size()); }
    const Point& at(int index) const { return points_[size_t(index)]; }

    // The point within 8 pixels of p (the nearest), or −1.
    int pointNear(Point p) const;
    // Whether p lies within 8 pixels of the curve as the filter draws it.
    bool isNearCurve(Point p) const;
    // Adds a point at p (held to 0 … 255) and returns its index; −1 when the list is full or a
    // point already has that x.
    int insert(Point p);
    // Removes a point; the first and the last stay (false).
    bool remove(int index);
    // Moves a point towards p: x stays strictly between its neighbours' x, both held to 0 … 255.
    // Returns where it went.
    Point move(int index, Point p);

    // The filter's table for this list.
    std::array<uint8_t, 256> table() const;

private:
    std::vector<Point> points_;
};

// What a press in the Curves editor does.
enum class CurveClick { None, Select, Insert, Remove };
struct CurveClickResult {
    CurveClick what = CurveClick::None;
    int index = -1;  // the point selected or inserted, or the one removed
};
// A press at p (clamped to 0 … 255 on both axes), with or without Ctrl: Ctrl on a point removes it
// (not the first or last, which are only selected); a press on a point selects it; a press on the
// curve away from the points inserts one; elsewhere nothing happens.
CurveClickResult pressCurve(CurvePoints& curve, Point p, bool ctrl);

}  // namespace varnel
