#include "widgets/track_bar_geometry.h"

#include <algorithm>

namespace varnel {

int32_t clampTrackLength(int64_t length) {
    return int32_t(std::clamp<int64_t>(length, kMinTrackLength, kMaxTrackLength));
}

int32_t thumbLeft(TrackRange range, int32_t position, int32_t trackLength) {
    const TrackRange r = TrackRange::normalised(range.minimum, range.maximum);
    const int64_t length = clampTrackLength(trackLength);
    const int64_t span = int64_t(r.maximum) - r.minimum + 1;  // at least 1
    const int64_t offset = int64_t(r.clamp(position)) - r.minimum;
    return int32_t(offset * length / span);
}

int32_t valueAtX(TrackRange range, int32_t x, int32_t trackLength) {
    const TrackRange r = TrackRange::normalised(range.minimum, range.maximum);
    const int64_t length = clampTrackLength(trackLength);
    if (x <= kTrackMargin) return r.minimum;
    if (x >= length + kTrackMargin) return r.maximum;
    const int64_t span = int64_t(r.maximum) - r.minimum;
    return r.clamp(r.minimum + (int64_t(x) - kTrackMargin) * span / length);
}

namespace {

// trunc(h × extent / 255) without the rounding of a real step s = extent / 255.
int32_t bandEdge(int64_t h, int32_t extent) {
    return int32_t(h * std::max(extent, 0) / kGradientBands);
}

}  // namespace

GradientBand gradientBand(int32_t h, int32_t extent) {
    h = std::clamp(h, 0, kGradientBands - 1);
    GradientBand b{bandEdge(h, extent), bandEdge(h + 1, extent), h};
    // The remainder after the last band (none when the edges are exact) takes its colour.
    if (h == kGradientBands - 1) b.end = std::max(b.end, extent);
    return b;
}

int32_t gradientChannel(int32_t start, int32_t end, int32_t h, bool quadratic) {
    h = std::clamp(h, 0, kGradientBands - 1);
    const double t = double(h) / kGradientBands;
    return int32_t(start + (quadratic ? t * t : t) * (end - start));
}

}  // namespace varnel
