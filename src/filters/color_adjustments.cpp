#include "filters/color_adjustments.h"

#include <algorithm>
#include <cmath>

#include "filters/color_space.h"
#include "filters/filter_kernels.h"

namespace varnel {
namespace {

inline int clampByte(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// Clamps to lo … hi; a value that is not a number counts as 0.
inline double clampParam(double v, double lo, double hi) {
    if (!(v == v)) return 0;
    return std::min(hi, std::max(lo, v));
}

inline int clampInt(int v, int lo, int hi) {
    return std::min(hi, std::max(lo, v));
}

// A percentage (−200 … 200) scaled by 2.55 and truncated toward zero, exactly. In binary floating
// point 100 × 2.55 is 254.99999999999997, which would leave Lightness +100 short of white,
// Saturation −100 short of grey and full Colorize saturation at 254; the exact product differs
// from the floating-point one only at ±100, ±180 and ±200.
inline int percentTo255(int v) {
    return v * 255 / 100;
}

}  // namespace

// --- Desaturate, Invert --------------------------------------------------------------------

void DesaturateFilter::rows24(const uint8_t* src, uint8_t* dst, int32_t count) const {
    filter_kernels::current().desaturate(src, dst, count);
}

void InvertFilter::rows24(const uint8_t* src, uint8_t* dst, int32_t count) const {
    rows8(src, dst, count * 3);
}

void InvertFilter::rows8(const uint8_t* src, uint8_t* dst, int32_t count) const {
    for (int32_t i = 0; i < count; ++i) dst[i] = uint8_t(255 - src[i]);
}

// --- Color Balance -------------------------------------------------------------------------

bool ColorBalanceParams::isNeutral() const {
    for (int t = 0; t < 3; ++t) {
        if (cyanRed[t] != 0 || magentaGreen[t] != 0 || yellowBlue[t] != 0) return false;
    }
    return true;
}

ColorBalanceFilter::ColorBalanceFilter(const ColorBalanceParams& params) : params_(params) {
    params_.preserveLuminosity = params.preserveLuminosity ? 1 : 0;
    for (int t = 0; t < 3; ++t) {
        params_.cyanRed[t] = clampParam(params.cyanRed[t], -100, 100);
        params_.magentaGreen[t] = clampParam(params.magentaGreen[t], -100, 100);
        params_.yellowBlue[t] = clampParam(params.yellowBlue[t], -100, 100);
    }
    // The two transfer curves: A weighs shadows (and, mirrored, highlights), B the midtones.
    double curveA[256];
    double curveB[256];
    for (int x = 0; x < 256; ++x) {
        curveA[x] = 1.075 - 1 / (1 + x * 0.0625);
        const double d = (x - 127) * (1.0 / 127);
        curveB[x] = 0.667 * (1 - d * d);
    }
    const double* axes[3] = {params_.cyanRed, params_.magentaGreen, params_.yellowBlue};
    // Red uses cyan–red, green magenta–green, blue yellow–blue; lut_ is stored blue first.
    uint8_t* tables[3] = {lut_[2], lut_[1], lut_[0]};
    for (int c = 0; c < 3; ++c) {
        const double s = axes[c][kShadows];
        const double m = axes[c][kMidtones];
        const double h = axes[c][kHighlights];
        for (int i = 0; i < 256; ++i) {
            int v = i;
            v = clampByte(v + int(s * (s > 0 ? curveA[v] : curveA[255 - v])));
            v = clampByte(v + int(m * curveB[v]));
            v = clampByte(v + int(h * (h > 0 ? curveA[255 - v] : curveA[v])));
            tables[c][i] = uint8_t(v);
        }
    }
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 256; ++i) wide_[c][i] = lut_[c][i];
    }
}

void ColorBalanceFilter::rows24(const uint8_t* src, uint8_t* dst, int32_t count) const {
    if (params_.preserveLuminosity) {
        filter_kernels::current().balancePreserve(wide_[0], wide_[1], wide_[2], src, dst, count);
    } else {
        filter_kernels::current().lookup3(lut_[0], lut_[1], lut_[2], src, dst, count);
    }
}

// --- Hue/Saturation ------------------------------------------------------------------------

bool HueSaturationParams::isNeutral() const {
    for (int k = 0; k < 7; ++k) {
        if (hue[k] != 0 || lightness[k] != 0 || saturation[k] != 0) return false;
    }
    return true;
}

int hueRangeOf(int hue) {
    static constexpr int kThresholds[7] = {21, 64, 106, 149, 192, 234, 255};
    for (int k = 0; k < 6; ++k) {
        if (hue < kThresholds[k]) return k;
    }
    // Above 234 (the magentas' upper end) and at 255 the hue wraps round to red.
    return 0;
}

HueSaturationFilter::HueSaturationFilter(const HueSaturationParams& params) : params_(params) {
    for (int k = 0; k < 7; ++k) {
        params_.hue[k] = clampInt(params.hue[k], -180, 180);
        params_.lightness[k] = clampInt(params.lightness[k], -100, 100);
        params_.saturation[k] = clampInt(params.saturation[k], -100, 100);
    }
    for (int k = 0; k < 6; ++k) {
        const int dh = int((params_.hue[0] + params_.hue[k + 1]) * 0.7083333333333334);
        const int dl =
            clampInt(percentTo255(params_.lightness[0] + params_.lightness[k + 1]), -255, 255);
        const int ds =
            clampInt(percentTo255(params_.saturation[0] + params_.saturation[k + 1]), -255, 255);
        hueShift_[k] = dh;
        lightShift_[k] = dl;
        satShift_[k] = ds;
        for (int i = 0; i < 256; ++i) {
            int v = i + dh;
            if (v < 0) {
                v += 255;
            } else if (v > 255) {
                v -= 255;
            }
            hueT_[k][i] = uint8_t(v);
            lightT_[k * 256 + i] = dl < 0 ? (dl + 255) * i / 255 : (255 - i) * dl / 255 + i;
            satT_[k * 256 + i] = clampByte((ds + 255) * i / 255);
        }
    }
    for (int h = 0; h < 256; ++h) {
        const int k = hueRangeOf(h);
        rangeHue_[h] = hueT_[k][h] | (k * 256) << 8;
    }
}

void HueSaturationFilter::rows24(const uint8_t* src, uint8_t* dst, int32_t count) const {
    filter_kernels::current().hueSaturation(
        {rangeHue_, satT_, lightT_, hueShift_, lightShift_, satShift_}, src, dst, count);
}

// --- Colorize ------------------------------------------------------------------------------

ColorizeFilter::ColorizeFilter(int hue, int saturation, int lightness)
    : hue_(clampInt(hue, 0, 255)),
      saturation_(clampInt(saturation, 0, 100)),
      lightness_(clampInt(lightness, -100, 100)) {
    build();
}

ColorizeFilter::ColorizeFilter(const ColorizeParams& params)
    : hue_(colorizeHueFromDegrees(clampInt(params.hueDegrees, 0, 360))),
      saturation_(clampInt(params.saturation, 0, 100)),
      lightness_(clampInt(params.lightness, -100, 100)) {
    build();
}

void ColorizeFilter::build() {
    const int s = percentTo255(saturation_);
    for (int i = 0; i < 256; ++i) {
        const Rgb c = hslToRgb(hue_, s, i);
        col_[i] = {uint8_t(clampByte(c.b)), uint8_t(clampByte(c.g)), uint8_t(clampByte(c.r))};
    }
    for (int l0 = 0; l0 < 256; ++l0) {
        int l = l0;
        if (lightness_ > 0) {
            const int x = 100 - lightness_;
            l = 255 - int(2.55 * x) + int(l0 * x * 0.01);
        } else if (lightness_ < 0) {
            l = int((lightness_ + 100) * l0 * 0.01);
        }
        // The clamp only guards the table index; no lightness and l0 leave 0 … 255.
        lightMap_[l0] = uint8_t(clampByte(l));
        const Bgr c = col_[lightMap_[l0]];
        out_[l0] = uint32_t(c.b) | uint32_t(c.g) << 8 | uint32_t(c.r) << 16;
    }
}

void ColorizeFilter::rows24(const uint8_t* src, uint8_t* dst, int32_t count) const {
    filter_kernels::current().colorize(out_, src, dst, count);
}

}  // namespace varnel
