#include "core/surface_ops.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/blend_modes.h"
#include "core/blend_rows.h"

namespace varnel {

namespace {

// The part of a `size` placed at `origin` that lies on `bounds`, in the target's coordinates.
Rect placedOn(Rect bounds, Point origin, Size size) {
    return bounds.intersected(Rect::fromXYWH(origin.x, origin.y, size.width, size.height));
}

bool validColor(const ColorImage& s) {
    return s.isValid() && s.bitsPerPixel() == 24;
}
bool validGray(const GrayMap& s) {
    return s.isValid() && s.bitsPerPixel() == 8;
}

}  // namespace

uint8_t opacityPercentToByte(int32_t percent) {
    const int32_t p = std::clamp(percent, 0, 100);
    // p × 2.55 + 0.5 in integers: (255 p + 50) / 100.
    return uint8_t((255 * p + 50) / 100);
}

int32_t opacityByteToPercent(uint8_t value) {
    return (int32_t(value) * 200 + 255) / 510;
}

int fillAtOpacity(ColorImage& image, ColorRef color, uint8_t opacity) {
    if (!validColor(image)) return 0;
    if (opacity == 0) return 1;
    const Bgr c = Bgr::fromColorRef(color);
    const int32_t w = image.width();
    for (int32_t y = 0; y < image.height(); ++y) {
        Bgr* row = image.pixels(y);
        if (opacity == 255) {
            std::fill(row, row + w, c);
        } else {
            for (int32_t x = 0; x < w; ++x) lerpPixel(row[x], c, opacity);
        }
    }
    return 1;
}

int colorThroughMask(ColorImage& target, ColorRef color, const GrayMap& mask, Point origin) {
    if (!validColor(target) || !validGray(mask)) return 0;
    const Rect r = placedOn(target.bounds(), origin, mask.size());
    if (r.isEmpty()) return 0;
    const Bgr c = Bgr::fromColorRef(color);
    for (int32_t y = r.top; y < r.bottom; ++y) {
        Bgr* row = target.pixels(y);
        const uint8_t* m = mask.row(y - origin.y) - origin.x;
        for (int32_t x = r.left; x < r.right; ++x) {
            if (m[x] != 0) lerpPixel(row[x], c, m[x]);
        }
    }
    return 1;
}

int copyThroughMask(ColorImage& target, int32_t x, int32_t y, const ColorImage& source,
                    const GrayMap& mask) {
    if (!validColor(target) || !validColor(source) || !validGray(mask)) return 0;
    if (source.size() != mask.size()) return 0;
    const Rect r = placedOn(target.bounds(), {x, y}, source.size());
    if (r.isEmpty()) return 0;
    for (int32_t ty = r.top; ty < r.bottom; ++ty) {
        Bgr* row = target.pixels(ty);
        const Bgr* src = source.pixels(ty - y) - x;
        const uint8_t* m = mask.row(ty - y) - x;
        for (int32_t tx = r.left; tx < r.right; ++tx) {
            if (m[tx] != 0) lerpPixel(row[tx], src[tx], m[tx]);
        }
    }
    return 1;
}

int copyThroughMask(GrayMap& target, int32_t x, int32_t y, const GrayMap& source,
                    const GrayMap& mask) {
    if (!validGray(target) || !validGray(source) || !validGray(mask)) return 0;
    if (source.size() != mask.size()) return 0;
    const Rect r = placedOn(target.bounds(), {x, y}, source.size());
    if (r.isEmpty()) return 0;
    for (int32_t ty = r.top; ty < r.bottom; ++ty) {
        uint8_t* row = target.row(ty);
        const uint8_t* src = source.row(ty - y) - x;
        const uint8_t* m = mask.row(ty - y) - x;
        for (int32_t tx = r.left; tx < r.right; ++tx) {
            if (m[tx] != 0) row[tx] = lerpByte(row[tx], src[tx], m[tx]);
        }
    }
    return 1;
}

int valueThroughMask(GrayMap& target, uint8_t value, const GrayMap& mask, Point origin) {
    if (!validGray(target) || !validGray(mask)) return 0;
    const Rect r = placedOn(target.bounds(), origin, mask.size());
    if (r.isEmpty()) return 0;
    for (int32_t y = r.top; y < r.bottom; ++y) {
        uint8_t* row = target.row(y);
        const uint8_t* m = mask.row(y - origin.y) - origin.x;
        for (int32_t x = r.left; x < r.right; ++x) {
            const uint32_t k = m[x];
            if (k == 255) {
                row[x] = value;
            } else if (k != 0) {
                row[x] = uint8_t(((255 - k) * row[x] + uint32_t(value) * k) >> 8);
            }
        }
    }
    return 1;
}

int fillLayerThroughSelection(ColorImage& pixels, GrayMap* alpha, const GrayMap* mask,
                              Point maskOrigin, const FillSettings& settings) {
    if (!validColor(pixels)) return 0;
    GrayMap* plane = nullptr;
    if (alpha && !settings.preserveTransparency) {
        if (!validGray(*alpha) || alpha->size() != pixels.size()) return 0;
        plane = alpha;
    }
    Rect area = pixels.bounds();
    if (mask) {
        if (!validGray(*mask)) return 0;
        area = placedOn(area, maskOrigin, mask->size());
        if (area.isEmpty()) return 0;
    }
    const uint8_t opacity = opacityPercentToByte(settings.opacity);
    if (opacity == 0) return 1;
    // One row of the fill colour serves every row of the area.
    std::vector<Bgr> colorRow(size_t(area.width()), settings.color);
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const uint8_t* m =
            mask ? mask->row(y - maskOrigin.y) + (area.left - maskOrigin.x) : nullptr;
        blendRow(pixels.pixels(y) + area.left, plane ? plane->row(y) + area.left : nullptr,
                 colorRow.data(), m, opacity, settings.mode, area.width());
    }
    return 1;
}

// The two predicates fold each row with OR (AND) and test once per row: a loop that leaves at
// the first odd byte stays scalar, one that folds the row is vectorised, and a row is short next
// to the whole plane.
bool isAllZero(const GrayMap& mask) {
    if (!validGray(mask)) return false;
    const int32_t width = mask.width();
    for (int32_t y = 0; y < mask.height(); ++y) {
        const uint8_t* row = mask.row(y);
        uint8_t any = 0;
        for (int32_t x = 0; x < width; ++x) any |= row[x];
        if (any != 0) return false;
    }
    return true;
}

bool isAll255(const GrayMap& mask) {
    if (!validGray(mask)) return false;
    const int32_t width = mask.width();
    for (int32_t y = 0; y < mask.height(); ++y) {
        const uint8_t* row = mask.row(y);
        uint8_t all = 255;
        for (int32_t x = 0; x < width; ++x) all &= row[x];
        if (all != 255) return false;
    }
    return true;
}

bool hasNon255(const GrayMap& mask) {
    return validGray(mask) && !isAll255(mask);
}

bool isPartial(const GrayMap& mask) {
    if (!validGray(mask)) return false;
    bool zero = false;
    bool full = false;
    for (int32_t y = 0; y < mask.height(); ++y) {
        const uint8_t* row = mask.row(y);
        for (int32_t x = 0; x < mask.width(); ++x) {
            const uint8_t v = row[x];
            if (v == 0) {
                zero = true;
            } else if (v == 255) {
                full = true;
            } else {
                return true;
            }
            if (zero && full) return true;
        }
    }
    return false;
}

int combineMasks(GrayMap& target, const GrayMap& source, int32_t operation) {
    if (!validGray(target) || !validGray(source) || target.size() != source.size()) return 0;
    const int32_t w = target.width();
    for (int32_t y = 0; y < target.height(); ++y) {
        uint8_t* t = target.row(y);
        const uint8_t* s = source.row(y);
        if (operation <= kCombineReplace) {
            std::memcpy(t, s, size_t(w));
        } else if (operation == kCombineAdd) {
            for (int32_t x = 0; x < w; ++x) t[x] = uint8_t(std::min(255, t[x] + s[x]));
        } else if (operation == kCombineSubtract) {
            for (int32_t x = 0; x < w; ++x) t[x] = uint8_t(std::max(0, t[x] - s[x]));
        } else {
            for (int32_t x = 0; x < w; ++x) t[x] = std::min(t[x], s[x]);
        }
    }
    return 1;
}

Rect contentBounds(const GrayMap& mask, uint8_t value) {
    if (!validGray(mask)) return {};
    const int32_t w = mask.width();
    const int32_t h = mask.height();
    auto rowDiffers = [&](int32_t y) {
        const uint8_t* row = mask.row(y);
        for (int32_t x = 0; x < w; ++x) {
            if (row[x] != value) return true;
        }
        return false;
    };
    int32_t top = 0;
    while (top < h && !rowDiffers(top)) ++top;
    if (top == h) return {};
    int32_t bottom = h;
    while (bottom > top + 1 && !rowDiffers(bottom - 1)) --bottom;
    // Columns: narrow from each side within the rows found.
    int32_t left = w;
    int32_t right = 0;
    for (int32_t y = top; y < bottom; ++y) {
        const uint8_t* row = mask.row(y);
        for (int32_t x = 0; x < left; ++x) {
            if (row[x] != value) {
                left = x;
                break;
            }
        }
        for (int32_t x = w - 1; x >= right; --x) {
            if (row[x] != value) {
                right = x + 1;
                break;
            }
        }
    }
    return {left, top, right, bottom};
}

int fillRectValue(GrayMap& target, Rect rect, uint8_t value) {
    if (!validGray(target)) return 0;
    const Rect r = target.bounds().intersected(rect.normalized());
    for (int32_t y = r.top; y < r.bottom; ++y) {
        std::memset(target.row(y) + r.left, value, size_t(r.width()));
    }
    return 1;
}

int fillValue(GrayMap& target, uint8_t value) {
    return fillRectValue(target, target.bounds(), value);
}

int fillRectColor(ColorImage& target, Rect rect, Bgr color, const Rect* excluded) {
    if (!validColor(target)) return 0;
    const Rect r = target.bounds().intersected(rect.normalized());
    if (r.isEmpty()) return 1;
    const Rect ex = excluded ? r.intersected(excluded->normalized()) : Rect{};
    for (int32_t y = r.top; y < r.bottom; ++y) {
        Bgr* row = target.pixels(y);
        if (!ex.isEmpty() && y >= ex.top && y < ex.bottom) {
            std::fill(row + r.left, row + ex.left, color);
            std::fill(row + ex.right, row + r.right, color);
        } else {
            std::fill(row + r.left, row + r.right, color);
        }
    }
    return 1;
}

int replaceColor(ColorImage& target, Bgr from, Bgr to) {
    if (!validColor(target)) return 0;
    for (int32_t y = 0; y < target.height(); ++y) {
        Bgr* row = target.pixels(y);
        for (int32_t x = 0; x < target.width(); ++x) {
            if (row[x] == from) row[x] = to;
        }
    }
    return 1;
}

int blendWithKey(ColorImage& target, int32_t x, int32_t y, const ColorImage& source,
                 uint8_t opacity, int32_t mode, ColorRef key) {
    if (!validColor(target) || !validColor(source)) return 0;
    const Rect r = placedOn(target.bounds(), {x, y}, source.size());
    if (r.isEmpty()) return 0;
    const Bgr k = Bgr::fromColorRef(key);
    std::vector<uint8_t> keep(size_t(r.width()));
    for (int32_t ty = r.top; ty < r.bottom; ++ty) {
        const Bgr* src = source.pixels(ty - y) + (r.left - x);
        for (int32_t i = 0; i < r.width(); ++i) keep[size_t(i)] = src[i] == k ? 0 : 255;
        blendRow(target.pixels(ty) + r.left, nullptr, src, keep.data(), opacity, mode, r.width());
    }
    return 1;
}

}  // namespace varnel
