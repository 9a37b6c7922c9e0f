// The tone adjustments: Levels, Auto Levels, Auto Contrast, Curves and Brightness/Contrast. Each
// turns its parameters into byte tables on construction (in double precision, in the order of the
// formulas); applying it is a table lookup per byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/geometry.h"
#include "filters/histogram.h"
#include "filters/table_filter.h"

namespace varnel {

// Channel indexes of the per-channel parameters.
enum ToneChannel : int { kComposite = 0, kRed = 1, kGreen = 2, kBlue = 3 };

// clamp(trunc(v)) to 0 … 255; values that are not numbers give 0.
int clampTruncate(double v);

// The table that stretches lo … hi over 0 … 255 (the identity when hi ≤ lo).
void stretchTable(int lo, int hi, uint8_t table[256]);

// As the Levels dialog keeps it, per channel (composite, red, green, blue).
struct LevelsParams {
    double gamma[4] = {1, 1, 1, 1};
    int32_t inBlack[4] = {0, 0, 0, 0};
    int32_t inWhite[4] = {255, 255, 255, 255};
    int32_t outBlack[4] = {0, 0, 0, 0};
    int32_t outWhite[4] = {255, 255, 255, 255};

    // Every channel at gamma 1, input 0/255, output 0/255.
    bool isNeutral() const;
};

// Each channel's own settings, then the composite's. 8-bit values stay.
class LevelsFilter : public TableFilter {
public:
    explicit LevelsFilter(const LevelsParams& params);
    std::string name() const override { return "Levels"; }
    const LevelsParams& params() const { return params_; }

private:
    LevelsParams params_;
};

// Each channel stretched between its own ends, clipping the histogram's clip percentage at each
// side. 8-bit values go through the red table.
class AutoLevelsFilter : public TableFilter {
public:
    explicit AutoLevelsFilter(const Histogram& histogram);
    std::string name() const override { return "Auto Levels"; }
};

// All channels stretched alike between the ends of the three together, so the balance between
// them stays. 8-bit values go through the same table.
class AutoContrastFilter : public TableFilter {
public:
    explicit AutoContrastFilter(const Histogram& histogram);
    std::string name() const override { return "Auto Contrast"; }
};

// As the Curves dialog keeps it: a point list per channel (composite, red, green, blue). A valid
// list has 2 to 10 points, with strictly increasing x when it has 3 or more.
struct CurvesParams {
    static constexpr int kMaxPoints = 10;
    std::vector<Point> points[4] = {
        {{0, 0}, {255, 255}}, {{0, 0}, {255, 255}}, {{0, 0}, {255, 255}}, {{0, 0}, {255, 255}}};
};

// The raw table of one point list: a natural cubic spline through 3 to 10 points (inputs beyond
// the end points take the end points' outputs), the line through 2 points, or the identity for a
// list that is not valid.
void curveTable(const std::vector<Point>& points, uint8_t table[256]);

// Each channel through its own curve, then through the composite curve. 8-bit values stay.
class CurvesFilter : public TableFilter {
public:
    explicit CurvesFilter(const CurvesParams& params);
    std::string name() const override { return "Curves"; }
    const CurvesParams& params() const { return params_; }

private:
    CurvesParams params_;
};

struct BrightnessContrastParams {
    int32_t brightness = 0;
    int32_t contrast = 0;
};

// One table for every channel: the input shifted by the brightness, then the contrast slope
// about 128. Both values are clamped to −100 … 100. 8-bit values go through the same table.
class BrightnessContrastFilter : public TableFilter {
public:
    BrightnessContrastFilter(int brightness, int contrast);
    explicit BrightnessContrastFilter(const BrightnessContrastParams& p)
        : BrightnessContrastFilter(p.brightness, p.contrast) {}
    std::string name() const override { return "Brightness/Contrast"; }
    int brightness() const { return brightness_; }
    int contrast() const { return contrast_; }

private:
    int brightness_;
    int contrast_;
};

}  // namespace varnel
