// Documents and pixel comparisons shared by the WebP and TIFF tests.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "codec_fixtures.h"
#include "document/document.h"

namespace varnel::fixtures {

// Smooth ramps of distinct colours: what lossy codings keep within a few levels.
inline Bgr smooth(int32_t x, int32_t y) {
    return rgb(uint8_t(40 + x * 2), uint8_t(200 - y * 3), uint8_t(90 + (x + y)));
}

// A w × h document of the pattern (or of the smooth ramps); with `transparent`, an alpha ramp
// from fully transparent columns on the left through partial to opaque.
inline std::unique_ptr<Document> patternDocument(int32_t w, int32_t h, bool transparent,
                                                 bool smoothColors = false) {
    ColorImage pixels;
    paint(pixels, w, h, smoothColors ? smooth : pattern);
    GrayMap alpha;
    if (transparent) {
        paintAlpha(alpha, w, h, [](int32_t x, int32_t y) {
            return uint8_t(x < 4 ? 0 : std::min(255, x * 9 + y));
        });
    }
    return Document::fromImage(pixels, transparent ? &alpha : nullptr, "pattern.png");
}

// The document as it would be saved with its transparency, as top-down RGBA.
inline Bytes documentRgba(Document& doc) {
    ColorImage color;
    GrayMap alpha;
    EXPECT_TRUE(doc.flattenForSave(color, alpha, true));
    Bytes out;
    for (int32_t y = 0; y < color.height(); ++y) {
        for (int32_t x = 0; x < color.width(); ++x) {
            const Bgr p = color.pixels(y)[x];
            out.insert(out.end(),
                       {p.r, p.g, p.b, alpha.isValid() ? alpha.row(y)[x] : uint8_t(255)});
        }
    }
    return out;
}

// The largest difference of any channel between two RGBA pictures as it shows: colour
// differences weighted by the pixel's opacity (the colour of a fully transparent pixel does not
// show at all); 256 when the sizes differ.
inline int worstVisibleDifference(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size()) return 256;
    int worst = 0;
    for (size_t i = 0; i + 3 < a.size(); i += 4) {
        worst = std::max(worst, std::abs(int(a[i + 3]) - int(b[i + 3])));
        const int opacity = std::max(a[i + 3], b[i + 3]);
        for (size_t c = 0; c < 3; ++c) {
            const int seen = (std::abs(int(a[i + c]) - int(b[i + c])) * opacity + 254) / 255;
            worst = std::max(worst, seen);
        }
    }
    return worst;
}

}  // namespace varnel::fixtures
