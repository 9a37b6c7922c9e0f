#include "view/zoom_render.h"

#include <cstring>

namespace varnel {

namespace {

inline uint32_t loadBgr(const uint8_t* s) {
    return 0xFF000000u | (uint32_t(s[2]) << 16) | (uint32_t(s[1]) << 8) | uint32_t(s[0]);
}

// p + ((a × (k − p)) >> 8) per channel, with an arithmetic shift.
inline uint32_t blendToward(uint32_t p, uint32_t k, int32_t a) {
    auto ch = [a](uint32_t pv, uint32_t kv, int shift) -> uint32_t {
        int32_t pc = int32_t((pv >> shift) & 0xFF);
        int32_t kc = int32_t((kv >> shift) & 0xFF);
        return uint32_t(pc + ((a * (kc - pc)) >> 8)) << shift;
    };
    return 0xFF000000u | ch(p, k, 16) | ch(p, k, 8) | ch(p, k, 0);
}

bool sourceMatches(const RenderSource& s, const AxisMap& mx, const AxisMap& my) {
    if (!s.color || !s.color->isValid() || s.color->bitsPerPixel() != 24) return false;
    if (s.color->width() != mx.imageLen || s.color->height() != my.imageLen) return false;
    if (s.coverage && !s.opaque) {
        if (!s.coverage->isValid() || s.coverage->bitsPerPixel() != 8) return false;
        if (s.coverage->size() != s.color->size()) return false;
    }
    return true;
}

}  // namespace

bool ZoomRenderer::render(const RenderSource& source, const AxisMap& mx, const AxisMap& my,
                          Rect area, const CheckerPattern& checker, PixelBuffer32& target,
                          Point to) {
    if (mx.imageLen < 1 || my.imageLen < 1 || mx.contentLen < 1 || my.contentLen < 1) return false;
    bool plainChecker = !source.hasContent;
    if (!plainChecker && !sourceMatches(source, mx, my)) return false;
    Rect a = area.intersected(Rect{0, 0, mx.contentLen, my.contentLen});
    a = a.intersected(target.bounds().offset(-to.x, -to.y));
    if (a.isEmpty()) return true;

    const int32_t n = a.width();
    columns_.resize(size_t(n));
    checker_.resize(size_t(n) * 2);
    for (int32_t i = 0; i < n; ++i) {
        int32_t cx = a.left + i;
        columns_[size_t(i)] = mx.sample(cx);
        bool even = checker.parity(cx) == 0;
        checker_[size_t(i)] = even ? checker.first : checker.second;      // row parity 0
        checker_[size_t(n + i)] = even ? checker.second : checker.first;  // row parity 1
    }
    const int32_t* cols = columns_.data();
    const bool blend = !plainChecker && !source.opaque && source.coverage != nullptr;
    const bool usesChecker = plainChecker || blend;

    int32_t prevRow = -1, prevParity = -1;
    uint32_t* prevOut = nullptr;
    for (int32_t y = a.top; y < a.bottom; ++y) {
        uint32_t* out = target.row(y + to.y) + (a.left + to.x);
        int32_t iy = plainChecker ? 0 : my.sample(y);
        int32_t parity = usesChecker ? checker.parity(y) : 0;
        // Zoomed in, consecutive rows repeat one image row: copy the row already made.
        if (prevOut && iy == prevRow && parity == prevParity) {
            std::memcpy(out, prevOut, size_t(n) * 4);
            prevOut = out;
            continue;
        }
        const uint32_t* k = checker_.data() + (parity ? n : 0);
        if (plainChecker) {
            std::memcpy(out, k, size_t(n) * 4);
        } else if (!blend) {
            const uint8_t* src = source.color->row(iy);
            for (int32_t i = 0; i < n; ++i) out[i] = loadBgr(src + size_t(cols[i]) * 3);
        } else {
            const uint8_t* src = source.color->row(iy);
            const uint8_t* cov = source.coverage->row(iy);
            for (int32_t i = 0; i < n; ++i) {
                int32_t ix = cols[i];
                int32_t alpha = 255 - int32_t(cov[ix]);
                if (alpha == 0) {
                    out[i] = loadBgr(src + size_t(ix) * 3);
                } else if (alpha == 255) {
                    out[i] = k[i];
                } else {
                    out[i] = blendToward(loadBgr(src + size_t(ix) * 3), k[i], alpha);
                }
            }
        }
        prevRow = iy;
        prevParity = parity;
        prevOut = out;
    }
    return true;
}

void paintCanvasSurround(PixelBuffer32& target, Rect clip, Rect imageInClient, uint32_t background,
                         uint32_t border) {
    Rect client = target.bounds();
    if (imageInClient.left <= 0 && imageInClient.top <= 0 && imageInClient.right >= client.right &&
        imageInClient.bottom >= client.bottom) {
        return;
    }
    Rect c = clip.intersected(client);
    if (c.isEmpty()) return;
    Rect b{imageInClient.left - 1, imageInClient.top - 1, imageInClient.right + 1,
           imageInClient.bottom + 1};
    // Everything outside b: the bands above and below it, then the parts left and right of it.
    target.fill(Rect{c.left, c.top, c.right, std::min(c.bottom, b.top)}, background);
    target.fill(Rect{c.left, std::max(c.top, b.bottom), c.right, c.bottom}, background);
    int32_t top = std::max(c.top, b.top), bottom = std::min(c.bottom, b.bottom);
    target.fill(Rect{c.left, top, std::min(c.right, b.left), bottom}, background);
    target.fill(Rect{std::max(c.left, b.right), top, c.right, bottom}, background);
    target.frame(b, border, c);
}

}  // namespace varnel
