// Documents for the widget tests (the application object is made in qt_environment.cpp).
#pragma once

#include <QApplication>
#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

#include "core/surface.h"
#include "document/document.h"

namespace varnel::test {

// A document with one layer whose pixel (x, y) is colour(x, y); with `alpha` the layer carries
// that transparency, otherwise it is an opaque background.
inline std::unique_ptr<Document> makeDocument(
    int32_t w, int32_t h, const std::function<Bgr(int32_t, int32_t)>& colour,
    const std::function<uint8_t(int32_t, int32_t)>& alpha = nullptr) {
    ColorImage pixels;
    pixels.createColor(w, h);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) pixels.pixels(y)[x] = colour(x, y);
    }
    GrayMap plane;
    if (alpha) {
        plane.createGray(w, h);
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) plane.row(y)[x] = alpha(x, y);
        }
    }
    return Document::fromImage(pixels, alpha ? &plane : nullptr, "picture.png");
}

inline Bgr solid(uint8_t r, uint8_t g, uint8_t b) {
    return Bgr{b, g, r};
}

// What the widget shows, as 0xFFRRGGBB values.
inline QImage shown(QWidget& w) {
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace varnel::test
