// The nineteen blend modes and the compositing step that lays a colour with alpha over another.
//
// All arithmetic is integer on 8-bit channels. In the formulas `b` is a channel of the base (the
// colour already composited below) and `s` the same channel of the source (the layer or fill being
// added). Mode ids are stored in layers, fill settings and files, so their numbering is fixed.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/color.h"

namespace varnel {

enum BlendModeId : int32_t {
    kBlendNormal = 0,
    kBlendMultiply = 1,
    kBlendScreen = 2,
    kBlendOverlay = 3,
    kBlendDarken = 4,
    kBlendLighten = 5,
    kBlendColorDodge = 6,
    kBlendSoftDodge = 7,
    kBlendColorBurn = 8,
    kBlendSoftBurn = 9,
    kBlendHardLight = 10,
    kBlendSoftLight = 11,
    kBlendDifference = 12,
    kBlendExclusion = 13,
    kBlendXor = 14,
    kBlendHue = 15,
    kBlendSaturation = 16,
    kBlendColor = 17,
    kBlendLuminosity = 18,
};

constexpr int kBlendModeCount = 19;

constexpr bool isValidBlendMode(int mode) {
    return mode >= 0 && mode < kBlendModeCount;
}

// The user-visible name of a mode ("Normal", "Color Dodge", ...); the position in the list is the
// id. Returns an empty view for an id outside 0..18.
std::string_view blendModeName(int mode);

// The id of a mode from its exact (case-sensitive) name, or -1 when no mode has that name.
int blendModeFromName(std::string_view name);

// (59 G + 30 R + 11 B + 50) / 100: the weighted grey level the editor shows and sorts by.
int luminosity(const Bgr& c);

// The dodge curve shared by Soft Dodge (x = base, y = source) and Soft Burn (arguments exchanged).
int softDodge(int x, int y);

// Whole-colour helpers of the four non-separable modes. Channels are plain ints and may leave
// 0..255 while a result is being built; setLum and setSat bring them back into range.
struct RgbInt {
    int r = 0;
    int g = 0;
    int b = 0;
    friend bool operator==(const RgbInt&, const RgbInt&) = default;
};
int lum(const RgbInt& k);
int sat(const RgbInt& k);
RgbInt clipColor(const RgbInt& k);
// Shifts the colour to luminance `l`, clips it back into gamut and stores each channel as a byte.
Bgr setLum(const RgbInt& k, int l);
RgbInt setSat(const RgbInt& k, int s);

// One channel of a separable mode (ids 0..14). Ids 15..18 and ids out of range give `s`.
int blendChannel(int b, int s, int mode);

// The mode's result colour for `base` under `source`. An id outside 0..18 is treated as Normal.
void blendColor(Bgr& out, const Bgr& base, const Bgr& source, int mode);

// Composites `source` with alpha `sourceAlpha` over `base` with alpha `baseAlpha`, in place.
// A source alpha of 0 leaves base and alpha unchanged; a base alpha of 0 gives the source colour
// whatever the mode; a base alpha of 255 mixes the mode's result into the base by the source alpha.
void blendPixel(Bgr& base, uint8_t& baseAlpha, const Bgr& source, uint8_t sourceAlpha, int mode);

}  // namespace varnel
