// The arithmetic of the slider (VeTrackBarCtrl): where its thumb sits for a value, which value a
// pointer position picks, and the banded gradients its groove is filled with. Plain C++ so that
// the maps are tested without a window.
//
// The track is L pixels of travel starting 3 pixels into the control; the control is L + 6 pixels
// wide. Every product is taken in 64 bits, so no range of 32-bit values can overflow it.
#pragma once

#include <cstdint>

namespace varnel {

struct TrackRange {
    int32_t minimum = 0;
    int32_t maximum = 100;

    // The range with its ends in order (a reversed range would put the thumb outside the track
    // and make the thumb's divisor zero or negative).
    static TrackRange normalised(int32_t a, int32_t b) {
        return a <= b ? TrackRange{a, b} : TrackRange{b, a};
    }
    int32_t clamp(int64_t value) const {
        return value < minimum ? minimum : value > maximum ? maximum : int32_t(value);
    }
};

// Pixels of travel: at least 1 (a zero track would divide by zero in every map), at most what a
// widget can be wide.
inline constexpr int32_t kMinTrackLength = 1;
inline constexpr int32_t kMaxTrackLength = 16000;
inline constexpr int32_t kDefaultTrackLength = 101;
inline constexpr int32_t kTrackMargin = 3;  // from the control's left edge to the track
inline constexpr int32_t kThumbWidth = 7;
inline constexpr int32_t kThumbHeight = 13;
inline constexpr int32_t kGrooveHeight = 9;

int32_t clampTrackLength(int64_t length);

// The thumb's left edge in client coordinates: (position − minimum) × L / (maximum − minimum + 1).
int32_t thumbLeft(TrackRange range, int32_t position, int32_t trackLength);

// The value a pointer at client x picks: the minimum up to x = 3, the maximum from x = L + 3,
// otherwise minimum + (x − 3) × (maximum − minimum) / L.
int32_t valueAtX(TrackRange range, int32_t x, int32_t trackLength);

// The grey of the filled part of the groove for a face colour whose red component is `faceRed`:
// every component trunc(faceRed / 3) + 170.
inline int32_t filledGrooveGrey(int32_t faceRed) {
    return faceRed / 3 + 170;
}

// A gradient laid in 255 bands over `extent` pixels: band h covers trunc(h × s) … trunc((h + 1) ×
// s) with s = extent / 255 and takes start + t × (end − start) per channel, t = h / 255 or, eased,
// (h / 255)². Pixels past the last band take the last band's colour.
struct GradientBand {
    int32_t begin = 0;  // first pixel
    int32_t end = 0;    // one past the last pixel
    int32_t band = 0;   // h
};
inline constexpr int32_t kGradientBands = 255;

// Band h's extent along a gradient of `extent` pixels (begin == end for a band too thin to show).
GradientBand gradientBand(int32_t h, int32_t extent);
// One channel of band h going from `start` to `end`.
int32_t gradientChannel(int32_t start, int32_t end, int32_t h, bool quadratic);

}  // namespace varnel
