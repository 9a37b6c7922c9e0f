#include "filters/histogram.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace varnel {

void Histogram::clear() {
    std::memset(counts_, 0, sizeof counts_);
}

void Histogram::add(int channel, int value, int64_t n) {
    if (channel < 0 || channel > 2 || value < 0 || value > 255) return;
    counts_[channel][value] += n;
}

int64_t Histogram::pixelCount() const {
    int64_t n = 0;
    for (int v = 0; v < 256; ++v) n += counts_[0][v];
    return n;
}

int64_t Histogram::binAt(int channel, int value) const {
    if (channel == kAllChannels) return counts_[0][value] + counts_[1][value] + counts_[2][value];
    return counts_[channel][value];
}

int64_t Histogram::total(int channel) const {
    return channel == kAllChannels ? pixelCount() * 3 : pixelCount();
}

int64_t Histogram::countInRange(int from, int to, int channel) const {
    if (channel < kAllChannels || channel > 2) return 0;
    if (from < 0) from = 0;
    if (to > 255) to = 255;
    int64_t n = 0;
    for (int v = from; v <= to; ++v) n += binAt(channel, v);
    return n;
}

int Histogram::lowEndAt(int channel, double clip) const {
    if (channel < kAllChannels || channel > 2) return 255;
    const int64_t all = total(channel);
    int64_t sum = 0;
    int last = -1;
    for (int v = 0; v < 256; ++v) {
        const int64_t n = binAt(channel, v);
        if (n == 0) continue;
        sum += n;
        last = v;
        if (clip <= double(sum * 100) / double(all)) return v;
    }
    return last >= 0 ? last : 255;
}

int Histogram::highEndAt(int channel, double clip) const {
    if (channel < kAllChannels || channel > 2) return 0;
    const int64_t all = total(channel);
    int64_t sum = 0;
    int last = -1;
    for (int v = 255; v >= 0; --v) {
        const int64_t n = binAt(channel, v);
        if (n == 0) continue;
        sum += n;
        last = v;
        if (clip <= double(sum * 100) / double(all)) return v;
    }
    return last >= 0 ? last : 0;
}

int Histogram::count(const RasterLayer& layer, const SelectionArea& selection) {
    clear();
    const ColorImage& pixels = layer.pixels();
    if (!pixels.isValid()) return 0;
    const Point offset = layer.offset();
    Rect area = pixels.bounds();
    const GrayMap* mask = nullptr;
    Point maskOrigin;  // in layer coordinates
    if (!selection.isEmpty()) {
        const int64_t l = int64_t(selection.rect.left) - offset.x;
        const int64_t t = int64_t(selection.rect.top) - offset.y;
        const int64_t r = int64_t(selection.rect.right) - offset.x;
        const int64_t b = int64_t(selection.rect.bottom) - offset.y;
        const Rect sel{
            int32_t(std::max<int64_t>(l, INT32_MIN)), int32_t(std::max<int64_t>(t, INT32_MIN)),
            int32_t(std::min<int64_t>(r, INT32_MAX)), int32_t(std::min<int64_t>(b, INT32_MAX))};
        area = area.intersected(sel);
        if (selection.mask) {
            if (!selection.mask->isValid() || selection.mask->size() != selection.rect.size()) {
                return 0;
            }
            mask = selection.mask;
            maskOrigin = {sel.left, sel.top};
        }
    }
    if (area.isEmpty()) return 0;

    // The planes that mark coverage; a missing plane counts as opaque.
    std::vector<const Channel*> planes;
    if (const LayerMaskSet* set = layer.masks()) {
        for (int i = 0; i < LayerMaskSet::kPlaneCount; ++i) {
            const Channel* p = set->plane(i);
            if (p && p->isValid() && p->size() == pixels.size()) planes.push_back(p);
        }
    }
    // Four interleaved sets of 32-bit counts: runs of equal values (common in photos) then do not
    // wait on one counter, and no bin can pass 2^32 (a surface has at most 9 × 10^8 pixels).
    std::vector<uint32_t> partial;
    try {
        partial.assign(4 * 3 * 256, 0);
    } catch (...) {
        return 0;
    }
    auto bins = [&](int set, int channel) { return partial.data() + (set * 3 + channel) * 256; };
    const bool plain = planes.empty() && !mask;
    const int32_t n = area.width();
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const uint8_t* px = pixels.row(y) + size_t(area.left) * 3;
        if (plain) {
            int32_t i = 0;
            for (; i + 4 <= n; i += 4, px += 12) {
                for (int k = 0; k < 4; ++k) {
                    ++bins(k, 2)[px[3 * k]];
                    ++bins(k, 1)[px[3 * k + 1]];
                    ++bins(k, 0)[px[3 * k + 2]];
                }
            }
            for (; i < n; ++i, px += 3) {
                ++bins(0, 2)[px[0]];
                ++bins(0, 1)[px[1]];
                ++bins(0, 0)[px[2]];
            }
            continue;
        }
        const uint8_t* m =
            mask ? mask->row(y - maskOrigin.y) + (area.left - maskOrigin.x) : nullptr;
        for (int32_t i = 0; i < n; ++i, px += 3) {
            if (m && m[i] == 0) continue;
            bool transparent = false;
            for (const Channel* p : planes) {
                if (p->row(y)[area.left + i] == 0) {
                    transparent = true;
                    break;
                }
            }
            if (transparent) continue;
            ++bins(i & 3, 2)[px[0]];
            ++bins(i & 3, 1)[px[1]];
            ++bins(i & 3, 0)[px[2]];
        }
    }
    for (int c = 0; c < 3; ++c) {
        for (int v = 0; v < 256; ++v) {
            counts_[c][v] = int64_t(bins(0, c)[v]) + bins(1, c)[v] + bins(2, c)[v] + bins(3, c)[v];
        }
    }
    return 1;
}

}  // namespace varnel
