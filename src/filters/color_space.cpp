#include "filters/color_space.h"

#include <algorithm>

#include "filters/color_space_fast.h"

namespace varnel {

int lightnessOf(int r, int g, int b) {
    const int mx = std::max({r, g, b});
    const int mn = std::min({r, g, b});
    return int((mx + mn) * 0.5 + 0.5);
}

int hueOfSector(int sector, int n, int delta) {
    double h = double(n) / double(delta);
    if (sector == 1) {
        h = h + 2;
    } else if (sector == 2) {
        h = h + 4;
    }
    h = h * 42.5;
    if (h < 0) {
        h += 255;
    } else if (h > 255) {
        h -= 255;
    }
    return int(h + 0.5);
}

Hsl rgbToHsl(int r, int g, int b) {
    const int mx = std::max({r, g, b});
    const int mn = std::min({r, g, b});
    const double sum = double(mx) + double(mn);
    const double l = sum * 0.5;
    Hsl out;
    out.l = int(l + 0.5);
    if (mx == mn) return out;
    const double delta = double(mx - mn);
    const double s = l < 128 ? delta * 255 / sum : delta * 255 / (511 - double(mx) - double(mn));
    out.s = int(s + 0.5);
    if (r == mx) {
        out.h = hueOfSector(0, g - b, mx - mn);
    } else if (g == mx) {
        out.h = hueOfSector(1, b - r, mx - mn);
    } else {
        out.h = hueOfSector(2, r - g, mx - mn);
    }
    return out;
}

int hslChannel(double m1, double m2, double h) {
    if (h > 255) {
        h -= 255;
    } else if (h < 0) {
        h += 255;
    }
    double v;
    if (h < 42.5) {
        v = m1 + (m2 - m1) * h / 42.5;
    } else if (h < 127.5) {
        v = m2;
    } else if (h < 170) {
        v = m1 + (m2 - m1) * (170 - h) / 42.5;
    } else {
        v = m1;
    }
    return int(v * 255 + 0.5);
}

Rgb hslToRgb(int h, int s, int l) {
    if (s == 0) return {l, l, l};
    const double L = l;
    const double S = s;
    const double m2 = l < 128 ? L * (S + 255) / 65025 : (L + S - L * S / 255) / 255;
    const double m1 = L / 127.5 - m2;
    return {hslChannel(m1, m2, double(h) + 85), hslChannel(m1, m2, double(h)),
            hslChannel(m1, m2, double(h) - 85)};
}

void hsvToRgb(double hueDegrees, int s, int v, Rgb& out) {
    if (s == 0) {
        out = {v, v, v};
        return;
    }
    if (hueDegrees == 360) hueDegrees = 0;
    const double e = hueDegrees / 60;
    // Far outside the circle (or not a number) no sector 0 … 5 can come out.
    if (!(e > -7 && e < 7)) return;
    const int sector = e > 0 ? int(e) : int(e - 0.5);
    const double f = e - sector;
    const double vv = v / 255.0;
    const double ss = s / 255.0;
    const double p = vv * (1 - ss);
    const double q = vv * (1 - ss * f);
    const double t = vv * (1 - ss * (1 - f));
    double r, g, b;
    switch (sector) {
        case 0:
            r = vv, g = t, b = p;
            break;
        case 1:
            r = q, g = vv, b = p;
            break;
        case 2:
            r = p, g = vv, b = t;
            break;
        case 3:
            r = p, g = q, b = vv;
            break;
        case 4:
            r = t, g = p, b = vv;
            break;
        case 5:
            r = vv, g = p, b = q;
            break;
        default:
            return;
    }
    out = {int(r * 255 + 0.5), int(g * 255 + 0.5), int(b * 255 + 0.5)};
}

int rgbToHsvHue(int r, int g, int b) {
    const int mx = std::max({r, g, b});
    const int mn = std::min({r, g, b});
    if (mx <= 0 || mx - mn == 0) return 0;
    const double delta = double(mx - mn);
    double h;
    if (r == mx) {
        h = 60 * (g - b) / delta;
    } else if (g == mx) {
        h = 60 * (b - r) / delta + 120;
    } else {
        h = 60 * (r - g) / delta + 240;
    }
    if (h < 0) {
        h += 360;
    } else if (h > 360) {
        h -= 360;
    }
    return int(h + 0.5);
}

int colorizeHueFromDegrees(double degrees) {
    if (!(degrees >= 0)) degrees = 0;
    if (degrees > 360) degrees = 360;
    Rgb c;
    hsvToRgb(degrees, 127, 127, c);
    return rgbToHsl(c.r, c.g, c.b).h;
}

}  // namespace varnel

// --- integer tables ---------------------------------------------------------------------------
namespace varnel::detail {
namespace {

// w(h) for a hue position before wrapping, following hslChannel's plateaus and ramps.
int32_t weightAt(int h) {
    if (h > 255) {
        h -= 255;
    } else if (h < 0) {
        h += 255;
    }
    if (h <= 42) return 6 * h;
    if (h <= 127) return 255;
    if (h < 170) return 6 * (170 - h);
    return 0;
}

void buildHslTables(HslTables* t) {
    for (int sector = 0; sector < 3; ++sector) {
        for (int d = 1; d <= 255; ++d) {
            for (int n = -d; n <= d; ++n)
                t->hue[sector * 65536 + d * d + d + n] = uint8_t(hueOfSector(sector, n, d));
        }
    }
    // Divisors are 2 × (1 … 255); ceil(2^32 / 1) would not fit and is never needed.
    for (uint64_t d = 2; d < 512; ++d) t->satRecip[d] = uint32_t(((uint64_t(1) << 32) + d - 1) / d);
    for (int h = 0; h < 256; ++h) {
        t->weightR[h] = weightAt(h + 85);
        t->weightG[h] = weightAt(h);
        t->weightB[h] = weightAt(h - 85);
    }
}

}  // namespace

const HslTables& hslTables() {
    static HslTables tables;
    static const bool built = (buildHslTables(&tables), true);
    (void)built;
    return tables;
}

}  // namespace varnel::detail
