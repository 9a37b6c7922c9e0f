#include "dialogs/adjustment_maps.h"

#include <algorithm>
#include <cmath>

#include "filters/tone_adjustments.h"

namespace varnel {

// --- Levels --------------------------------------------------------------------------------------

double gammaAtSlider(double position, int lo, int hi) {
    const double half = (double(hi) - lo) / 2;
    if (!(half >= kMinInputSpan / 2.0) || !std::isfinite(position)) return 1.0;
    const double gamma = 1.0 / std::pow(10.0, (position - (lo + half)) / half);
    const double rounded = std::floor(gamma * 100 + 0.5) / 100;
    return std::clamp(rounded, kMinGamma, kMaxGamma);
}

int sliderForGamma(double gamma, int lo, int hi) {
    if (hi < lo) std::swap(lo, hi);
    const double half = (double(hi) - lo) / 2;
    if (!std::isfinite(gamma)) gamma = 1.0;
    gamma = std::clamp(gamma, kMinGamma, kMaxGamma);
    if (half < kMinInputSpan / 2.0) return int(std::trunc(lo + half + 0.5));
    const double p = std::trunc(half * std::log10(1.0 / gamma) + lo + half + 0.5);
    return int(std::clamp(p, double(lo), double(hi)));
}

std::array<int, 256> histogramBars(const Histogram& histogram, int channel, int height) {
    std::array<int64_t, 256> bins{};
    for (int i = 0; i < 256; ++i) {
        if (channel == Histogram::kAllChannels)
            bins[size_t(i)] = histogram.at(0, i) + histogram.at(1, i) + histogram.at(2, i);
        else
            bins[size_t(i)] = histogram.at(std::clamp(channel, 0, 2), i);
    }
    const int64_t most = *std::max_element(bins.begin(), bins.end());
    std::array<int, 256> bars{};
    if (most <= 0 || height <= 0) return bars;
    for (size_t i = 0; i < 256; ++i) {
        // In double: a count times the height may not fit 64 bits for huge layers.
        bars[i] = int(double(bins[i]) * height / double(most));
    }
    return bars;
}

// --- Gaussian Blur -------------------------------------------------------------------------------

namespace {

// The middle parabola r = A p² + B through (50, 5) and (180, 100).
constexpr double kA = (5.0 - 100.0) / (50.0 * 50.0 - 180.0 * 180.0);
constexpr double kB = (100.0 * 50.0 * 50.0 - 5.0 * 180.0 * 180.0) / (50.0 * 50.0 - 180.0 * 180.0);
// The upper parabola r = kC p² − kD through (180, 100) and (200, 250).
constexpr double kC = 0.019736842105263157;
constexpr double kD = 539.4736842105263;
constexpr double kInverseC = 50.666666666666664;  // 1 / kC

}  // namespace

double radiusAtSlider(int position) {
    const double p = std::clamp(position, 0, kBlurSliderMax);
    if (p <= 50) return 0.1 + 0.098 * p;
    if (p <= 180) return kA * p * p + kB;
    return kC * p * p - kD;
}

int sliderForRadius(double radius) {
    if (!std::isfinite(radius)) return 0;
    double p;
    if (radius < 5)
        p = (radius - 0.1) / 0.098;
    else if (radius <= 100)
        p = std::sqrt((radius - kB) / kA);
    else
        p = std::sqrt((radius + kD) * kInverseC);
    return int(std::clamp(std::floor(p + 0.5), 0.0, double(kBlurSliderMax)));
}

// --- Curves --------------------------------------------------------------------------------------

namespace {

int clampByte(int v) {
    return std::clamp(v, 0, 255);
}

bool validList(const std::vector<Point>& points) {
    if (points.size() < 2 || points.size() > size_t(CurvePoints::kMaxPoints)) return false;
    for (size_t i = 0; i < points.size(); ++i) {
        const Point& p = points[i];
        if (p.x < 0 || p.x > 255 || p.y < 0 || p.y > 255) return false;
        if (i > 0 && p.x <= points[i - 1].x) return false;
    }
    return true;
}

}  // namespace

CurvePoints::CurvePoints(const std::vector<Point>& points) : CurvePoints() {
    if (validList(points)) points_ = points;
}

int CurvePoints::pointNear(Point p) const {
    int best = -1;
    int64_t bestDistance = kPickDistance2 + 1;
    for (int i = 0; i < size(); ++i) {
        const int64_t dx = int64_t(p.x) - at(i).x, dy = int64_t(p.y) - at(i).y;
        const int64_t d = dx * dx + dy * dy;
        if (d <= kPickDistance2 && d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

bool CurvePoints::isNearCurve(Point p) const {
    const std::array<uint8_t, 256> t = table();
    for (int x = std::max(0, p.x - kCurveDistance); x <= std::min(255, p.x + kCurveDistance); ++x) {
        const int dx = x - p.x, dy = t[size_t(x)] - p.y;
        if (dx * dx + dy * dy <= kCurveDistance * kCurveDistance) return true;
    }
    return false;
}

int CurvePoints::insert(Point p) {
    if (size() >= kMaxPoints) return -1;
    p = {clampByte(p.x), clampByte(p.y)};
    const auto at = std::lower_bound(points_.begin(), points_.end(), p,
                                     [](const Point& a, const Point& b) { return a.x < b.x; });
    if (at != points_.end() && at->x == p.x) return -1;
    // Outside the end points the new point would become an end point itself; it goes in only
    // between them, so that the ends stay the ones the user set.
    if (at == points_.begin() || at == points_.end()) return -1;
    const auto added = points_.insert(at, p);  // may reallocate: begin() only after it
    return int(added - points_.begin());
}

bool CurvePoints::remove(int index) {
    if (index <= 0 || index >= size() - 1) return false;
    points_.erase(points_.begin() + index);
    return true;
}

Point CurvePoints::move(int index, Point p) {
    if (index < 0 || index >= size()) return {};
    const int lowX = index > 0 ? at(index - 1).x + 1 : 0;
    const int highX = index + 1 < size() ? at(index + 1).x - 1 : 255;
    Point& q = points_[size_t(index)];
    q = {std::clamp(p.x, lowX, highX), clampByte(p.y)};
    return q;
}

std::array<uint8_t, 256> CurvePoints::table() const {
    std::array<uint8_t, 256> t{};
    curveTable(points_, t.data());
    return t;
}

CurveClickResult pressCurve(CurvePoints& curve, Point p, bool ctrl) {
    p = {clampByte(p.x), clampByte(p.y)};
    const int near = curve.pointNear(p);
    if (near >= 0) {
        if (ctrl && curve.remove(near)) return {CurveClick::Remove, near};
        return {CurveClick::Select, near};
    }
    if (ctrl || !curve.isNearCurve(p)) return {};
    const int added = curve.insert(p);
    if (added < 0) return {};
    return {CurveClick::Insert, added};
}

}  // namespace varnel
