#include "palettes/info_reading.h"

#include <gtest/gtest.h>

#include "view/pixel_buffer.h"
#include "view/zoom_scroller.h"

namespace varnel {
namespace {

// A view of `client` pixels showing an image of `image` at `zoom`, and a frame in which every
// pixel holds its own coordinates (red x, green y).
struct Scene {
    ZoomScroller scroller;
    PixelBuffer32 frame;
    Scene(Size image, Size client, float zoom) {
        scroller.setImageSize(image.width, image.height);
        scroller.setClientSize(client.width, client.height);
        scroller.setZoom(zoom, false, false);
        EXPECT_TRUE(frame.resize(client.width, client.height));
        for (int32_t y = 0; y < client.height; ++y)
            for (int32_t x = 0; x < client.width; ++x)
                frame.row(y)[x] = packPixel(uint8_t(x), uint8_t(y), 77);
    }
};

TEST(InfoReading, ImagePixelAtEveryZoomAndTheFramesColour) {
    // The image drawn from client (0, 0) at 400 %: client (13, 9) lies on image pixel (3, 2).
    Scene at400({100, 100}, {200, 150}, 4.0f);
    ASSERT_EQ(at400.scroller.offset(), (Point{0, 0}));
    const InfoReading r = readInfo(at400.scroller, at400.frame, {13, 9});
    EXPECT_TRUE(r.inImage);
    EXPECT_EQ(r.point, (Point{3, 2}));
    EXPECT_EQ(r.red, 13);
    EXPECT_EQ(r.green, 9);
    EXPECT_EQ(r.blue, 77);
    EXPECT_EQ(readInfo(at400.scroller, at400.frame, {199, 149}).point, (Point{49, 37}));

    // At 50 % two image pixels share a client pixel: the first one is read.
    Scene at50({400, 300}, {200, 150}, 0.5f);
    EXPECT_EQ(readInfo(at50.scroller, at50.frame, {13, 9}).point, (Point{26, 18}));

    // Scrolled: the client origin shows image pixel (10, 5) at 200 %.
    Scene scrolled({300, 300}, {200, 150}, 2.0f);
    scrolled.scroller.scrollTo(20, 10, false);
    EXPECT_EQ(readInfo(scrolled.scroller, scrolled.frame, {0, 0}).point, (Point{10, 5}));
}

TEST(InfoReading, OutsideTheImageEverythingIsBlank) {
    // A 10 × 10 image at 400 % is centred in a 200 × 150 view: it covers 80 … 120, 55 … 95.
    Scene s({10, 10}, {200, 150}, 4.0f);
    EXPECT_TRUE(readInfo(s.scroller, s.frame, {80, 55}).inImage);
    EXPECT_EQ(readInfo(s.scroller, s.frame, {119, 94}).point, (Point{9, 9}));
    for (Point outside : {Point{79, 60}, Point{100, 54}, Point{120, 60}, Point{100, 95},
                          Point{-1, -1}, Point{500, 500}})
        EXPECT_EQ(readInfo(s.scroller, s.frame, outside), InfoReading{}) << outside.x;
    // A frame that does not reach the point (not drawn yet at this size) shows nothing there.
    PixelBuffer32 small;
    ASSERT_TRUE(small.resize(90, 60));
    EXPECT_FALSE(readInfo(s.scroller, small, {100, 70}).inImage);
}

}  // namespace
}  // namespace varnel
