#include "core/blend_modes.h"

#include <array>
#include <utility>

#include "core/blend_detail.h"

namespace varnel {

namespace {

constexpr std::array<std::string_view, kBlendModeCount> kModeNames = {
    "Normal",     "Multiply",    "Screen",     "Overlay",    "Darken",
    "Lighten",    "Color Dodge", "Soft Dodge", "Color Burn", "Soft Burn",
    "Hard Light", "Soft Light",  "Difference", "Exclusion",  "XOR",
    "Hue",        "Saturation",  "Color",      "Luminosity",
};

template <int M>
void separable(Bgr& out, const Bgr& base, const Bgr& source) {
    out.b = uint8_t(blend_detail::channel<M>(base.b, source.b));
    out.g = uint8_t(blend_detail::channel<M>(base.g, source.g));
    out.r = uint8_t(blend_detail::channel<M>(base.r, source.r));
}

}  // namespace

std::string_view blendModeName(int mode) {
    return isValidBlendMode(mode) ? kModeNames[size_t(mode)] : std::string_view();
}

int blendModeFromName(std::string_view name) {
    for (int i = 0; i < kBlendModeCount; ++i) {
        if (kModeNames[size_t(i)] == name) return i;
    }
    return -1;
}

int luminosity(const Bgr& c) {
    return (59 * c.g + 30 * c.r + 11 * c.b + 50) / 100;
}

int softDodge(int x, int y) {
    return blend_detail::softDodge(x, y);
}

int lum(const RgbInt& k) {
    return blend_detail::lum(k.r, k.g, k.b);
}

int sat(const RgbInt& k) {
    return blend_detail::sat(k.r, k.g, k.b);
}

RgbInt clipColor(const RgbInt& k) {
    RgbInt c = k;
    blend_detail::clipColor(c.r, c.g, c.b);
    return c;
}

Bgr setLum(const RgbInt& k, int l) {
    return blend_detail::setLum(k.r, k.g, k.b, l);
}

RgbInt setSat(const RgbInt& k, int s) {
    RgbInt out = k;
    blend_detail::setSat(out.r, out.g, out.b, s);
    return out;
}

int blendChannel(int b, int s, int mode) {
    using namespace blend_detail;
    switch (mode) {
        case 0:
            return channel<0>(b, s);
        case 1:
            return channel<1>(b, s);
        case 2:
            return channel<2>(b, s);
        case 3:
            return channel<3>(b, s);
        case 4:
            return channel<4>(b, s);
        case 5:
            return channel<5>(b, s);
        case 6:
            return channel<6>(b, s);
        case 7:
            return channel<7>(b, s);
        case 8:
            return channel<8>(b, s);
        case 9:
            return channel<9>(b, s);
        case 10:
            return channel<10>(b, s);
        case 11:
            return channel<11>(b, s);
        case 12:
            return channel<12>(b, s);
        case 13:
            return channel<13>(b, s);
        case 14:
            return channel<14>(b, s);
        default:
            return s;
    }
}

void blendColor(Bgr& out, const Bgr& base, const Bgr& source, int mode) {
    switch (mode) {
        case 1:
            separable<1>(out, base, source);
            return;
        case 2:
            separable<2>(out, base, source);
            return;
        case 3:
            separable<3>(out, base, source);
            return;
        case 4:
            separable<4>(out, base, source);
            return;
        case 5:
            separable<5>(out, base, source);
            return;
        case 6:
            separable<6>(out, base, source);
            return;
        case 7:
            separable<7>(out, base, source);
            return;
        case 8:
            separable<8>(out, base, source);
            return;
        case 9:
            separable<9>(out, base, source);
            return;
        case 10:
            separable<10>(out, base, source);
            return;
        case 11:
            separable<11>(out, base, source);
            return;
        case 12:
            separable<12>(out, base, source);
            return;
        case 13:
            separable<13>(out, base, source);
            return;
        case 14:
            separable<14>(out, base, source);
            return;
        case 15:
            out = blend_detail::nonSeparable<15>(base, source);
            return;
        case 16:
            out = blend_detail::nonSeparable<16>(base, source);
            return;
        case 17:
            out = blend_detail::nonSeparable<17>(base, source);
            return;
        case 18:
            out = blend_detail::nonSeparable<18>(base, source);
            return;
        default:
            out = source;
            return;
    }
}

void blendPixel(Bgr& base, uint8_t& baseAlpha, const Bgr& source, uint8_t sourceAlpha, int mode) {
    const int a = baseAlpha;
    const int s = sourceAlpha;
    const int t = (a * s) / 255;
    const int A = (a + s - t) & 0xFF;
    baseAlpha = uint8_t(A);
    if (A == 0) return;
    Bgr B;
    blendColor(B, base, source, mode);
    const auto mix = [&](uint8_t& cb, int cs, int bm) {
        const int c = (s * ((255 - a) * cs + a * bm)) / (255 * A) + ((A - s) * cb) / A;
        cb = uint8_t(c);
    };
    mix(base.b, source.b, B.b);
    mix(base.g, source.g, B.g);
    mix(base.r, source.r, B.r);
}

}  // namespace varnel
