// The integer HSL model the colour adjustments share: hue, saturation and lightness all on a
// 0 … 255 scale (hue 0 = red, 42.5 per sixth of the circle, 255 ≡ 0), and the HSV helpers the
// Colorize hue comes from.
//
// The functions here are the defining forms, computed in double precision in a fixed order of
// operations; every adjustment's result is theirs, bit for bit. The pixel loops use the exact
// integer forms of color_space_fast.h instead.
#pragma once

#include <cstdint>

namespace varnel {

struct Hsl {
    int h = 0;
    int s = 0;
    int l = 0;
    friend bool operator==(const Hsl&, const Hsl&) = default;
};

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// (max + min + 1) / 2 rounded down: the rounded HSL lightness.
int lightnessOf(int r, int g, int b);

// H, S and L of a colour (each 0 … 255). A tie between red and another maximum counts as red.
Hsl rgbToHsl(int r, int g, int b);

// The hue of a colour with maximum minus minimum `delta` (1 … 255) and numerator `n` in the
// sector of its maximum (0 red: G − B, 1 green: B − R, 2 blue: R − G); what rgbToHsl computes.
int hueOfSector(int sector, int n, int delta);

// One channel of hslToRgb at hue position h.
int hslChannel(double m1, double m2, double h);

// The colour of H, S, L (each 0 … 255); no clamp follows.
Rgb hslToRgb(int h, int s, int l);

// HSV to RGB with the hue in degrees and S, V on 0 … 255. A sector outside 0 … 5 (a negative
// hue) leaves `out` as it was.
void hsvToRgb(double hueDegrees, int s, int v, Rgb& out);

// The HSV hue of a colour in whole degrees (0 for greys and black).
int rgbToHsvHue(int r, int g, int b);

// The 0 … 255 HSL hue the Colorize filter takes for a hue in degrees (0 … 360): the hue of the
// HSV colour (degrees, 127, 127).
int colorizeHueFromDegrees(double degrees);

}  // namespace varnel
