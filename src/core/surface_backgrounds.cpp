// Backgrounds and gradients: the solid or checkered ground transparent pixels are shown or
// flattened over, and the linear gradient the colour controls paint.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/surface_ops.h"

namespace varnel {

namespace {

bool validColor(const ColorImage& s) {
    return s.isValid() && s.bitsPerPixel() == 24;
}

// The background colour at (x, y).
inline const Bgra& patternAt(const PatternBackground& bg, int32_t x, int32_t y) {
    if (bg.cellSize <= 0) return bg.first;
    return ((x / bg.cellSize + y / bg.cellSize) & 1) == 0 ? bg.first : bg.second;
}

// The columns [from, to) of row y that lie outside the excluded rectangle, as at most two runs.
template <typename Fn>
void forRunsOutside(int32_t y, int32_t from, int32_t to, const Rect& ex, Fn&& fn) {
    if (ex.isEmpty() || y < ex.top || y >= ex.bottom) {
        fn(from, to);
        return;
    }
    if (from < ex.left) fn(from, std::min(to, ex.left));
    if (ex.right < to) fn(std::max(from, ex.right), to);
}

}  // namespace

int fillPattern(ColorImage& target, const PatternBackground& background, const Rect* excluded) {
    if (!validColor(target)) return 0;
    const Rect ex = excluded ? target.bounds().intersected(excluded->normalized()) : Rect{};
    for (int32_t y = 0; y < target.height(); ++y) {
        Bgr* row = target.pixels(y);
        forRunsOutside(y, 0, target.width(), ex, [&](int32_t x0, int32_t x1) {
            if (background.cellSize <= 0) {
                std::fill(row + x0, row + x1, background.first.bgr());
                return;
            }
            for (int32_t x = x0; x < x1; ++x) row[x] = patternAt(background, x, y).bgr();
        });
    }
    return 1;
}

int overBackground(ColorImage& target, const GrayMap& alpha, const PatternBackground& background,
                   const Rect* excluded) {
    if (!validColor(target) || !alpha.isValid() || alpha.bitsPerPixel() != 8 ||
        alpha.size() != target.size()) {
        return 0;
    }
    const Rect ex = excluded ? target.bounds().intersected(excluded->normalized()) : Rect{};
    for (int32_t y = 0; y < target.height(); ++y) {
        Bgr* row = target.pixels(y);
        const uint8_t* a = alpha.row(y);
        forRunsOutside(y, 0, target.width(), ex, [&](int32_t x0, int32_t x1) {
            for (int32_t x = x0; x < x1; ++x) {
                if (a[x] != 255) lerpPixel(row[x], patternAt(background, x, y).bgr(), 255 - a[x]);
            }
        });
    }
    return 1;
}

int gradientFill(ColorImage& target, Rect rect, ColorRef from, ColorRef to, bool vertical,
                 bool useGamma, double gamma) {
    if (!validColor(target)) return 0;
    if (useGamma && !(gamma > 0.0 && std::isfinite(gamma))) return 0;
    rect = rect.normalized();
    const Rect visible = target.bounds().intersected(rect);
    if (visible.isEmpty()) return 1;
    const int64_t n = vertical ? rect.height() : rect.width();
    const Bgr a = Bgr::fromColorRef(from);
    const Bgr b = Bgr::fromColorRef(to);
    auto shade = [&](int64_t i, uint8_t c0, uint8_t c1) {
        // (1 − t) × c0 + t × c1 with t = i / (n − 1), exactly, then truncated. A single position
        // (n = 1) takes the first colour.
        int64_t v = n <= 1 ? c0 : ((n - 1 - i) * c0 + i * c1) / (n - 1);
        if (useGamma) v = int64_t(std::pow(double(v) / 255.0, gamma) * 255.0);
        return uint8_t(std::clamp<int64_t>(v, 0, 255));
    };
    auto colorAt = [&](int64_t i) {
        return Bgr{shade(i, a.b, b.b), shade(i, a.g, b.g), shade(i, a.r, b.r)};
    };
    if (vertical) {
        // Position i counts rows from the bottom of the rectangle upwards.
        for (int32_t y = visible.top; y < visible.bottom; ++y) {
            const Bgr c = colorAt(int64_t(rect.bottom) - 1 - y);
            Bgr* row = target.pixels(y);
            std::fill(row + visible.left, row + visible.right, c);
        }
        return 1;
    }
    std::vector<Bgr> line(size_t(visible.width()));
    for (int32_t x = visible.left; x < visible.right; ++x) {
        line[size_t(x - visible.left)] = colorAt(int64_t(x) - rect.left);
    }
    for (int32_t y = visible.top; y < visible.bottom; ++y) {
        std::copy(line.begin(), line.end(), target.pixels(y) + visible.left);
    }
    return 1;
}

}  // namespace varnel
