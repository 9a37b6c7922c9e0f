#include "imageops/image_size.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../document/doc_fixtures.h"
#include "core/surface_ops.h"
#include "support/pixels.h"

namespace varnel {
namespace {

using testing::addLayer;
using testing::emptyDocument;
using testing::fillNoise;
using testing::grey;
using testing::pixelBytes;

// A 12×9 image: a noisy layer over the canvas, an offset one with a noisy plane, and a channel.
std::unique_ptr<Document> sampleDocument() {
    auto doc = emptyDocument(12, 9);
    RasterLayer* base = addLayer(*doc, 12, 9, grey(0));
    fillNoise(base->pixels(), 1);
    RasterLayer* top = addLayer(*doc, 5, 4, grey(0), {-2, 6}, 0);
    fillNoise(top->pixels(), 2);
    fillNoise(*top->masks()->transparency(), 3);
    auto ch = std::make_unique<Channel>();
    EXPECT_EQ(ch->createGray(12, 9), 1);
    fillNoise(*ch, 4);
    doc->channels().push_back(std::move(ch));
    return doc;
}

// Every pixel, plane and channel byte and every layer's bounds.
std::vector<std::vector<uint8_t>> contentOf(const Document& doc) {
    std::vector<std::vector<uint8_t>> out;
    for (int i = 0; i < doc.layers().count(); ++i) {
        const RasterLayer* l = doc.layers().rasterAt(i);
        const Rect b = l->canvasBounds();
        out.push_back({uint8_t(b.left), uint8_t(b.top), uint8_t(b.right), uint8_t(b.bottom)});
        out.push_back(pixelBytes(l->pixels()));
        if (l->transparency()) out.push_back(pixelBytes(*l->transparency()));
    }
    for (const auto& c : doc.channels()) out.push_back(pixelBytes(*c));
    return out;
}

ImageSizeParams paramsFor(const Document& doc, int w, int h, int method) {
    ImageSizeParams p = ImageSizeParams::of(doc);
    p.width = w;
    p.height = h;
    p.method = method;
    return p;
}

TEST(ImageSize, MethodNames) {
    const char* names[] = {"Nearest Neighbor", "Bilinear", "Bicubic Smooth",
                           "Bicubic Sharp",    "BSpline",  "Lanczos"};
    for (int m = 0; m < kResampleMethodCount; ++m) {
        EXPECT_EQ(std::string(resampleMethodName(m)), names[m]);
        EXPECT_EQ(isSmoothResample(m), m != 0);
    }
    EXPECT_EQ(resampleMethodName(-1), nullptr);
    EXPECT_EQ(resampleMethodName(6), nullptr);
}

TEST(ImageSize, StretchKeepsDepthAndRefusesBadSizes) {
    for (bool smooth : {false, true}) {
        ColorImage img;
        ASSERT_EQ(img.createColor(6, 4), 1);
        fillNoise(img, 7);
        const std::vector<uint8_t> before = pixelBytes(img);
        const uint8_t* bits = img.bits();
        EXPECT_EQ(stretch(img, 6, 4, smooth), 1);
        EXPECT_EQ(img.bits(), bits);  // the same size is not touched
        for (auto [w, h] : {std::pair{0, 4}, {6, 0}, {-1, 3}, {30001, 2}, {2, 30001}}) {
            EXPECT_EQ(stretch(img, w, h, smooth), 0) << w << "x" << h;
        }
        EXPECT_EQ(pixelBytes(img), before);
        EXPECT_EQ(stretch(img, 3, 9, smooth), 1);
        EXPECT_EQ(img.size(), (Size{3, 9}));
        EXPECT_EQ(img.bitsPerPixel(), 24);
    }
    ColorImage empty;
    EXPECT_EQ(stretch(empty, 2, 2, true), 0);
}

TEST(ImageSize, NearestNeighborDoublingRepeatsRowsAndColumnsTwice) {
    auto doc = sampleDocument();
    const auto* base = doc->layers().rasterAt(0);
    auto before = cloneOf(base->pixels());
    auto plane = cloneOf(*doc->layers().rasterAt(1)->transparency());
    auto channel = cloneOf(*doc->channels()[0]);
    ASSERT_EQ(resizeImage(*doc, paramsFor(*doc, 24, 18, kResampleNearestNeighbor)), 1);
    EXPECT_EQ(doc->size(), (Size{24, 18}));
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 24; ++x) {
            ASSERT_EQ(base->pixels().pixels(y)[x], before->pixels(y / 2)[x / 2]);
            ASSERT_EQ(doc->channels()[0]->row(y)[x], channel->row(y / 2)[x / 2]);
        }
    const RasterLayer* top = doc->layers().rasterAt(1);
    EXPECT_EQ(top->canvasBounds(), (Rect{-4, 12, 6, 20}));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(top->transparency()->row(y)[x], plane->row(y / 2)[x / 2]);
}

TEST(ImageSize, TheFiveSmoothMethodsGiveIdenticalPixels) {
    for (Size to : {Size{5, 4}, Size{31, 20}}) {
        std::vector<std::vector<uint8_t>> first;
        for (int m = kResampleBilinear; m <= kResampleLanczos; ++m) {
            auto doc = sampleDocument();
            ASSERT_EQ(resizeImage(*doc, paramsFor(*doc, to.width, to.height, m)), 1);
            if (m == kResampleBilinear) {
                first = contentOf(*doc);
            } else {
                EXPECT_EQ(contentOf(*doc), first) << resampleMethodName(m);
            }
        }
        auto nearest = sampleDocument();
        ASSERT_EQ(resizeImage(*nearest, paramsFor(*nearest, to.width, to.height, 0)), 1);
        EXPECT_NE(contentOf(*nearest), first);
    }
}

TEST(ImageSize, ResolutionAloneKeepsEveryPixel) {
    auto doc = sampleDocument();
    const auto content = contentOf(*doc);
    ImageSizeParams p = ImageSizeParams::of(*doc);
    p.resolution = 300;
    ASSERT_TRUE(imageSizeChanges(*doc, p));
    ASSERT_EQ(resizeImage(*doc, p), 1);
    EXPECT_EQ(doc->resolution(), 300.0f);
    EXPECT_EQ(doc->size(), (Size{12, 9}));
    EXPECT_EQ(contentOf(*doc), content);
    // Back to 72, the unit changed too.
    p = ImageSizeParams::of(*doc);
    p.resolution = 72;
    p.resolutionUnit = 1;
    ASSERT_EQ(resizeImage(*doc, p), 1);
    EXPECT_EQ(doc->resolution(), 72.0f);
    EXPECT_EQ(doc->resolutionUnit(), 1);
    EXPECT_EQ(contentOf(*doc), content);
}

TEST(ImageSize, WhatCountsAsAChange) {
    auto doc = emptyDocument(10, 10);
    doc->setResolution(72.0f, 0);
    struct Case {
        int w, h;
        float res;
        int unit;
        bool changes;
    } cases[] = {
        {10, 10, 72.0f, 0, false}, {10, 10, 72.00005f, 0, false}, {10, 10, 72.0002f, 0, true},
        {10, 10, 72.0f, 1, true},  {11, 10, 72.0f, 0, true},      {10, 9, 72.0f, 0, true},
    };
    for (const Case& c : cases) {
        ImageSizeParams p = ImageSizeParams::of(*doc);
        p.width = c.w;
        p.height = c.h;
        p.resolution = c.res;
        p.resolutionUnit = c.unit;
        EXPECT_EQ(imageSizeChanges(*doc, p), c.changes) << c.w << "x" << c.h << " " << c.res;
    }
}

TEST(ImageSize, BadParametersChangeNothing) {
    auto doc = sampleDocument();
    const auto content = contentOf(*doc);
    const ImageSizeParams good = paramsFor(*doc, 6, 6, kResampleBicubicSmooth);
    struct Case {
        const char* what;
        void (*spoil)(ImageSizeParams&);
    } cases[] = {
        {"width 0", [](ImageSizeParams& p) { p.width = 0; }},
        {"height 30001", [](ImageSizeParams& p) { p.height = 30001; }},
        {"resolution 0.5", [](ImageSizeParams& p) { p.resolution = 0.5f; }},
        {"resolution 10000", [](ImageSizeParams& p) { p.resolution = 10000.0f; }},
        {"unit 2", [](ImageSizeParams& p) { p.resolutionUnit = 2; }},
        {"method 6", [](ImageSizeParams& p) { p.method = 6; }},
        {"old width not the image's", [](ImageSizeParams& p) { p.oldWidth = 0; }},
        {"old height not the image's", [](ImageSizeParams& p) { p.oldHeight = 10; }},
    };
    for (const Case& c : cases) {
        ImageSizeParams p = good;
        c.spoil(p);
        EXPECT_EQ(resizeImage(*doc, p), 0) << c.what;
        EXPECT_EQ(doc->size(), (Size{12, 9}));
        EXPECT_EQ(contentOf(*doc), content) << c.what;
    }
    // Nothing to do succeeds without touching anything.
    EXPECT_EQ(resizeImage(*doc, ImageSizeParams::of(*doc)), 1);
    EXPECT_EQ(contentOf(*doc), content);
}

}  // namespace
}  // namespace varnel
