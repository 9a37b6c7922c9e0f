// The colour adjustments: Desaturate, Invert, Color Balance, Hue/Saturation and Colorize. Each
// builds its tables once from its parameters; the pixel kernels are table lookups and integer
// arithmetic whose results equal the double-precision formulas of color_space.h bit for bit.
// Parameters outside the dialogs' ranges are clamped into them on construction.
#pragma once

#include <cstdint>
#include <string>

#include "filters/filter.h"
#include "filters/table_filter.h"

namespace varnel {

// Every channel becomes (max + min) >> 1. 8-bit values stay.
class DesaturateFilter : public PointFilterImpl<DesaturateFilter> {
public:
    std::string name() const override { return "Desaturate"; }
    void rows24(const uint8_t* src, uint8_t* dst, int32_t count) const;
    void rows8(const uint8_t*, uint8_t*, int32_t) const {}
    bool changes8() const { return false; }
};

// Every byte becomes 255 − value, in colour pixels and 8-bit values alike.
class InvertFilter : public PointFilterImpl<InvertFilter> {
public:
    std::string name() const override { return "Invert"; }
    bool isSelfInverse() const override { return true; }
    void rows24(const uint8_t* src, uint8_t* dst, int32_t count) const;
    void rows8(const uint8_t* src, uint8_t* dst, int32_t count) const;
    bool changes8() const { return true; }
};

// Tone indexes of the Color Balance values.
enum ToneRange : int { kShadows = 0, kMidtones = 1, kHighlights = 2 };

// As the Color Balance dialog keeps it: each value −100 … 100.
struct ColorBalanceParams {
    int32_t preserveLuminosity = 1;
    double cyanRed[3] = {0, 0, 0};
    double magentaGreen[3] = {0, 0, 0};
    double yellowBlue[3] = {0, 0, 0};

    // All nine values 0.
    bool isNeutral() const;
};

// Each channel through its own transfer table; with preserved luminosity the adjusted colour's
// hue and saturation are kept at the original pixel's lightness. 8-bit values stay.
class ColorBalanceFilter : public PointFilterImpl<ColorBalanceFilter> {
public:
    explicit ColorBalanceFilter(const ColorBalanceParams& params);
    std::string name() const override { return "Color Balance"; }

    const ColorBalanceParams& params() const { return params_; }
    const uint8_t* lutR() const { return lut_[2]; }
    const uint8_t* lutG() const { return lut_[1]; }
    const uint8_t* lutB() const { return lut_[0]; }

    void rows24(const uint8_t* src, uint8_t* dst, int32_t count) const;
    void rows8(const uint8_t*, uint8_t*, int32_t) const {}
    bool changes8() const { return false; }

private:
    ColorBalanceParams params_;
    uint8_t lut_[3][256];   // blue, green, red
    int32_t wide_[3][256];  // the same, for the preserved-luminosity kernels
};

// Range indexes of the Hue/Saturation values.
enum HueRange : int {
    kMaster = 0,
    kReds = 1,
    kYellows = 2,
    kGreens = 3,
    kCyans = 4,
    kBlues = 5,
    kMagentas = 6,
};

// As the Hue/Saturation dialog keeps it: hue −180 … 180, lightness and saturation −100 … 100,
// for Master and the six colour ranges.
struct HueSaturationParams {
    int32_t hue[7] = {0, 0, 0, 0, 0, 0, 0};
    int32_t lightness[7] = {0, 0, 0, 0, 0, 0, 0};
    int32_t saturation[7] = {0, 0, 0, 0, 0, 0, 0};

    // All 21 values 0.
    bool isNeutral() const;
};

// The colour range (0 Reds … 5 Blues) an HSL hue falls in; magentas above 234 wrap round to red.
int hueRangeOf(int hue);

// Each pixel's HSL hue, saturation and lightness through the tables of its colour range (Master
// plus that range). 8-bit values stay.
class HueSaturationFilter : public PointFilterImpl<HueSaturationFilter> {
public:
    explicit HueSaturationFilter(const HueSaturationParams& params);
    std::string name() const override { return "Hue/Saturation"; }

    const HueSaturationParams& params() const { return params_; }
    // The tables of range k (0 Reds … 5 Magentas).
    int hueTable(int k, int i) const { return hueT_[k][i]; }
    int lightTable(int k, int i) const { return lightT_[k * 256 + i]; }
    int satTable(int k, int i) const { return satT_[k * 256 + i]; }

    void rows24(const uint8_t* src, uint8_t* dst, int32_t count) const;
    void rows8(const uint8_t*, uint8_t*, int32_t) const {}
    bool changes8() const { return false; }

private:
    HueSaturationParams params_;
    uint8_t hueT_[6][256];
    // Range k's entries at k × 256.
    int32_t lightT_[6 * 256];
    int32_t satT_[6 * 256];
    // Per hue: the new hue (hueT_ of the hue's range) | range × 256 << 8, so that a pixel looks
    // its range up once.
    int32_t rangeHue_[256];
    // The shifts the tables are made from, per range (vector kernels compute the tables' entries).
    int32_t hueShift_[8] = {};
    int32_t lightShift_[8] = {};
    int32_t satShift_[8] = {};
};

// As the dialog keeps it: hue in degrees 0 … 360, saturation 0 … 100, lightness −100 … 100.
struct ColorizeParams {
    int32_t hueDegrees = 0;
    int32_t saturation = 25;
    int32_t lightness = 0;
};

// Every pixel takes one hue and saturation at a lightness derived from its own. 8-bit values
// stay.
class ColorizeFilter : public PointFilterImpl<ColorizeFilter> {
public:
    // `hue` on the 0 … 255 HSL scale, saturation 0 … 100, lightness −100 … 100.
    ColorizeFilter(int hue, int saturation, int lightness);
    // From the dialog's record: the hue in degrees is converted as colorizeHueFromDegrees does.
    explicit ColorizeFilter(const ColorizeParams& params);
    std::string name() const override { return "Colorize"; }

    int hue() const { return hue_; }
    int saturation() const { return saturation_; }
    int lightness() const { return lightness_; }
    // The colour at HSL lightness i (the tables colR, colG, colB).
    Bgr colorAt(int i) const { return col_[i]; }
    // The lightness a pixel of lightness l0 is given.
    int lightnessFor(int l0) const { return lightMap_[l0]; }

    void rows24(const uint8_t* src, uint8_t* dst, int32_t count) const;
    void rows8(const uint8_t*, uint8_t*, int32_t) const {}
    bool changes8() const { return false; }

private:
    void build();

    int hue_;
    int saturation_;
    int lightness_;
    Bgr col_[256];
    uint8_t lightMap_[256];
    // col_[lightMap_[l0]] as blue | green << 8 | red << 16, indexed by the pixel's own lightness.
    uint32_t out_[256];
};

}  // namespace varnel
