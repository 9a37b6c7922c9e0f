#include "filters/tone_adjustments.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace varnel {

int clampTruncate(double v) {
    if (!(v > 0)) return 0;
    if (v >= 255) return 255;
    return int(v);
}

void stretchTable(int lo, int hi, uint8_t table[256]) {
    if (hi - lo <= 0) {
        for (int i = 0; i < 256; ++i) table[i] = uint8_t(i);
        return;
    }
    const double scale = 1 / double(hi - lo);
    for (int i = 0; i < 256; ++i) table[i] = uint8_t(clampTruncate((i - lo) * scale * 255 + 0.5));
}

// --- Levels -------------------------------------------------------------------------------

bool LevelsParams::isNeutral() const {
    for (int j = 0; j < 4; ++j) {
        if (gamma[j] != 1 || inBlack[j] != 0 || inWhite[j] != 255 || outBlack[j] != 0 ||
            outWhite[j] != 255) {
            return false;
        }
    }
    return true;
}

namespace {

// One step of a Levels evaluation with the settings of channel j.
double levelsStep(const LevelsParams& p, int j, double x) {
    double f = x * 255 - p.inBlack[j];
    if (p.inWhite[j] != p.inBlack[j]) f = f / (p.inWhite[j] - p.inBlack[j]);
    if (p.gamma[j] != 0) {
        f = f >= 0 ? std::pow(f, 1 / p.gamma[j]) : -std::pow(-f, 1 / p.gamma[j]);
    }
    const double y = p.outWhite[j] >= p.outBlack[j]
                         ? f * (p.outWhite[j] - p.outBlack[j]) + p.outBlack[j]
                         : p.outBlack[j] - f * (p.outBlack[j] - p.outWhite[j]);
    return y / 255;
}

}  // namespace

LevelsFilter::LevelsFilter(const LevelsParams& params) : params_(params) {
    uint8_t* tables[4] = {nullptr, tableR(), tableG(), tableB()};
    for (int k = kRed; k <= kBlue; ++k) {
        for (int i = 0; i < 256; ++i) {
            double x = i / 255.0;
            x = levelsStep(params_, k, x);
            x = levelsStep(params_, kComposite, x);
            tables[k][i] = uint8_t(clampTruncate(x * 255 + 0.5));
        }
    }
}

// --- Auto Levels, Auto Contrast -------------------------------------------------------------

AutoLevelsFilter::AutoLevelsFilter(const Histogram& histogram) {
    uint8_t* tables[3] = {tableR(), tableG(), tableB()};
    for (int c = 0; c < 3; ++c) {
        stretchTable(histogram.lowEndClipped(c), histogram.highEndClipped(c), tables[c]);
    }
    setValueTable(tableR());
}

AutoContrastFilter::AutoContrastFilter(const Histogram& histogram) {
    stretchTable(histogram.lowEndClipped(Histogram::kAllChannels),
                 histogram.highEndClipped(Histogram::kAllChannels), tableR());
    std::memcpy(tableG(), tableR(), 256);
    std::memcpy(tableB(), tableR(), 256);
    setValueTable(tableR());
}

// --- Curves -------------------------------------------------------------------------------

namespace {

bool increasing(const std::vector<Point>& p) {
    for (size_t i = 1; i < p.size(); ++i) {
        if (p[i].x <= p[i - 1].x) return false;
    }
    return true;
}

// Natural cubic spline through the points (second derivatives 0 at both ends).
void splineTable(const std::vector<Point>& pts, uint8_t table[256]) {
    const int n = int(pts.size());
    double x[CurvesParams::kMaxPoints], y[CurvesParams::kMaxPoints];
    double y2[CurvesParams::kMaxPoints], u[CurvesParams::kMaxPoints];
    for (int i = 0; i < n; ++i) {
        x[i] = pts[size_t(i)].x;
        y[i] = pts[size_t(i)].y;
    }
    y2[0] = u[0] = 0;
    for (int i = 1; i < n - 1; ++i) {
        const double sig = (x[i] - x[i - 1]) / (x[i + 1] - x[i - 1]);
        const double p = sig * y2[i - 1] + 2;
        y2[i] = (sig - 1) / p;
        u[i] = (y[i + 1] - y[i]) / (x[i + 1] - x[i]) - (y[i] - y[i - 1]) / (x[i] - x[i - 1]);
        u[i] = (6 * u[i] / (x[i + 1] - x[i - 1]) - sig * u[i - 1]) / p;
    }
    y2[n - 1] = 0;
    for (int k = n - 2; k >= 0; --k) y2[k] = y2[k] * y2[k + 1] + u[k];

    for (int i = 0; i < 256; ++i) {
        double value;
        if (i < x[0]) {
            // Beyond the end points the curve stays at their outputs (a curve whose last point
            // moved left must not turn the highlights black).
            value = y[0];
        } else if (i > x[n - 1]) {
            value = y[n - 1];
        } else {
            int lo = 0, hi = n - 1;
            while (hi - lo > 1) {
                const int k = (hi + lo) >> 1;
                if (x[k] > i) {
                    hi = k;
                } else {
                    lo = k;
                }
            }
            const double h = x[hi] - x[lo];
            const double a = (x[hi] - i) / h;
            const double b = (i - x[lo]) / h;
            value = a * y[lo] + b * y[hi] +
                    ((a * a * a - a) * y2[lo] + (b * b * b - b) * y2[hi]) * (h * h) / 6;
        }
        table[i] = uint8_t(clampTruncate(value + 0.5));
    }
}

void lineTable(const Point& p1, const Point& p2, uint8_t table[256]) {
    if (p1.x == p2.x || p1.y == p2.y) {
        // Coinciding points, a vertical or a flat line: the first point's output everywhere.
        std::memset(table, clampTruncate(p1.y), 256);
        return;
    }
    const double slope = double(p2.y - p1.y) / double(p2.x - p1.x);
    for (int i = 0; i < 256; ++i) {
        table[i] = uint8_t(clampTruncate(p1.y - p1.x * slope + i * slope + 0.5));
    }
}

}  // namespace

void curveTable(const std::vector<Point>& points, uint8_t table[256]) {
    const size_t n = points.size();
    if (n == 2) {
        lineTable(points[0], points[1], table);
    } else if (n >= 3 && n <= size_t(CurvesParams::kMaxPoints) && increasing(points)) {
        splineTable(points, table);
    } else {
        for (int i = 0; i < 256; ++i) table[i] = uint8_t(i);
    }
}

CurvesFilter::CurvesFilter(const CurvesParams& params) : params_(params) {
    uint8_t raw[4][256];
    for (int c = 0; c < 4; ++c) curveTable(params_.points[c], raw[c]);
    uint8_t* tables[4] = {nullptr, tableR(), tableG(), tableB()};
    for (int k = kRed; k <= kBlue; ++k) {
        for (int i = 0; i < 256; ++i) tables[k][i] = raw[kComposite][raw[k][i]];
    }
}

// --- Brightness/Contrast ------------------------------------------------------------------

BrightnessContrastFilter::BrightnessContrastFilter(int brightness, int contrast)
    : brightness_(std::clamp(brightness, -100, 100)), contrast_(std::clamp(contrast, -100, 100)) {
    const double t = std::tan((std::min(contrast_ * 0.01, 0.999) + 1) * M_PI / 4);
    uint8_t* table = tableR();
    for (int i = 0; i < 256; ++i) {
        table[i] = uint8_t(clampTruncate(t * (i + brightness_ - 128) + 128));
    }
    std::memcpy(tableG(), table, 256);
    std::memcpy(tableB(), table, 256);
    setValueTable(table);
}

}  // namespace varnel
