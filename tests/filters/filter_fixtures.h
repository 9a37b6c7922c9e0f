// Small images, masks and documents shared by the filter tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/surface.h"
#include "core/surface_ops.h"
#include "document/document.h"
#include "filters/filter.h"
#include "support/pixels.h"

namespace varnel::testing {

// A colour image whose bytes follow a fixed pseudo-random sequence, so that every test sees the
// same varied pixels.
inline std::unique_ptr<ColorImage> noiseImage(int w, int h, uint32_t seed = 1) {
    auto img = std::make_unique<ColorImage>();
    EXPECT_EQ(img->createColor(w, h), 1);
    uint32_t v = seed * 2654435761u + 12345u;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = img->row(y);
        for (int i = 0; i < w * 3; ++i) {
            v = v * 1664525u + 1013904223u;
            row[i] = uint8_t(v >> 24);
        }
    }
    return img;
}

inline std::unique_ptr<ColorImage> solidImage(int w, int h, Bgr c) {
    auto img = std::make_unique<ColorImage>();
    EXPECT_EQ(img->createColor(w, h), 1);
    fillRectColor(*img, img->bounds(), c);
    return img;
}

inline std::unique_ptr<GrayMap> grayImage(int w, int h, const std::function<int(int, int)>& f) {
    auto img = std::make_unique<GrayMap>();
    EXPECT_EQ(img->createGray(w, h), 1);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) img->row(y)[x] = uint8_t(f(x, y));
    }
    return img;
}

inline std::unique_ptr<Mask> maskImage(int w, int h, const std::function<int(int, int)>& f) {
    auto m = std::make_unique<Mask>();
    EXPECT_EQ(m->createGray(w, h), 1);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) m->row(y)[x] = uint8_t(f(x, y));
    }
    return m;
}

inline Bgr pixelAt(const ColorImage& img, int x, int y) {
    return img.pixels(y)[x];
}

inline void setPixel(ColorImage& img, int x, int y, Bgr c) {
    img.pixels(y)[x] = c;
}

inline std::string str(Bgr c) {
    return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

// An area filter that adds `step` to every byte of the whole surface, standing in for the blurs.
class StepFilter : public AreaFilter {
public:
    explicit StepFilter(int step, std::string name = "Step")
        : step_(step), name_(std::move(name)) {}
    std::string name() const override { return name_; }
    int step() const { return step_; }

protected:
    std::unique_ptr<AreaFilter> cloneFilter() const override {
        return std::make_unique<StepFilter>(step_, name_);
    }
    int process24(PixelSurface& s) override { return add(s, 3); }
    int process8(PixelSurface& s) override { return add(s, 1); }

private:
    int add(PixelSurface& s, int bpp) {
        for (int y = 0; y < s.height(); ++y) {
            for (int i = 0; i < s.width() * bpp; ++i) s.row(y)[i] = uint8_t(s.row(y)[i] + step_);
        }
        return 1;
    }
    int step_;
    std::string name_;
};

// Records every change a document sends.
class Recorder : public DocumentListener {
public:
    std::vector<ChangeRecord> changes;
    void documentChanged(const ChangeRecord& c) override { changes.push_back(c); }
};

// A document of the given size with one background layer holding `pixels`' copy.
inline std::unique_ptr<Document> documentWith(const ColorImage& pixels) {
    ImageSettings s;
    s.width = pixels.width();
    s.height = pixels.height();
    auto doc = Document::createBlank(s);
    EXPECT_NE(doc, nullptr);
    doc->layers().removeAll(false);
    EXPECT_NE(doc->layers().newRasterLayer(pixels, nullptr, {0, 0}, "Background", true), nullptr);
    doc->setModified(false);
    return doc;
}

}  // namespace varnel::testing
