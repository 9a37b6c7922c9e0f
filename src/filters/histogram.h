// Counts of the red, green and blue values of a layer within the selection: what Auto Levels and
// Auto Contrast take their ends from and what the Levels dialog draws. Counts and sums are 64-bit
// so that the percentages stay right for layers of any size.
#pragma once

#include <cstdint>

#include "document/layer.h"
#include "document/selection_area.h"

namespace varnel {

class Histogram {
public:
    // Channel numbers: 0 red, 1 green, 2 blue; −1 stands for the three together.
    static constexpr int kAllChannels = -1;

    Histogram() { clear(); }

    void clear();
    // Counts the pixels of `layer` inside the selection (canvas coordinates; an empty selection
    // counts the whole layer). Transparent pixels (0 in a plane of the layer) and pixels whose
    // selection coverage is 0 are skipped. Returns 0, with every count 0, when the layer has no
    // pixels or the selection misses it.
    int count(const RasterLayer& layer, const SelectionArea& selection);
    // Adds `n` to the count of `value` in `channel` (0 … 2).
    void add(int channel, int value, int64_t n = 1);

    int channelCount() const { return 3; }
    int64_t at(int channel, int value) const { return counts_[channel][value]; }
    // The number of pixels counted (the sum of the red counts).
    int64_t pixelCount() const;
    // The sum of the counts of values from … to (inclusive) of a channel, or of all three for −1.
    int64_t countInRange(int from, int to, int channel) const;

    // The lowest and highest values present.
    int lowEnd(int channel) const { return lowEndAt(channel, 0); }
    int highEnd(int channel) const { return highEndAt(channel, 0); }
    // The ends with clipPercent of the values cut off at each side.
    int lowEndClipped(int channel) const { return lowEndAt(channel, clipPercent); }
    int highEndClipped(int channel) const { return highEndAt(channel, clipPercent); }

    // Walking up from 0 (or down from 255), the first value present at which the running count
    // reaches `clip` percent of the total; the last value present when none does; 255 (or 0) for
    // an empty histogram.
    int lowEndAt(int channel, double clip) const;
    int highEndAt(int channel, double clip) const;

    double clipPercent = 0.1;

private:
    int64_t binAt(int channel, int value) const;
    int64_t total(int channel) const;

    int64_t counts_[3][256];
};

}  // namespace varnel
