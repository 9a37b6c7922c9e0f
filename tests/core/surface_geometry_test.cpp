#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "core/surface.h"
#include "platform/parallel.h"

namespace varnel {
namespace {

// A distinct colour (or grey level) per position, so that every moved pixel can be traced.
Bgr colourAt(int32_t x, int32_t y) {
    return {uint8_t(x * 7 + 1), uint8_t(y * 13 + 2), uint8_t(x ^ y)};
}

void paint(PixelSurface& s) {
    for (int32_t y = 0; y < s.height(); ++y)
        for (int32_t x = 0; x < s.width(); ++x) {
            if (s.bitsPerPixel() == 8)
                s.setIndex(x, y, uint32_t(x * 31 + y * 17) & 0xFF);
            else
                s.setColor(x, y, colourAt(x, y));
        }
}

std::vector<uint8_t> pixelBytes(const PixelSurface& s) {
    return {s.bits(), s.bits() + s.imageBytes()};
}

Bgra colour(const PixelSurface& s, int32_t x, int32_t y) {
    Bgra c;
    s.getColor(c, x, y);
    return c;
}

TEST(SurfaceGeometry, QuarterTurnsAndTransposesMapEveryPixel) {
    using Map = std::function<Point(int32_t x, int32_t y, int32_t w, int32_t h)>;  // old → new
    struct Case {
        const char* name;
        int (PixelSurface::*op)();
        bool swapsSides;
        Map to;
    } cases[] = {
        {"rotate90Clockwise", &PixelSurface::rotate90Clockwise, true,
         [](int32_t x, int32_t y, int32_t, int32_t h) {
             return Point{h - 1 - y, x};
         }},
        {"rotate90CounterClockwise", &PixelSurface::rotate90CounterClockwise, true,
         [](int32_t x, int32_t y, int32_t w, int32_t) {
             return Point{y, w - 1 - x};
         }},
        {"rotate180", &PixelSurface::rotate180, false,
         [](int32_t x, int32_t y, int32_t w, int32_t h) {
             return Point{w - 1 - x, h - 1 - y};
         }},
        {"transpose", &PixelSurface::transpose, true,
         [](int32_t x, int32_t y, int32_t, int32_t) {
             return Point{y, x};
         }},
        {"antiTranspose", &PixelSurface::antiTranspose, true,
         [](int32_t x, int32_t y, int32_t w, int32_t h) {
             return Point{h - 1 - y, w - 1 - x};
         }},
        {"flipHorizontal", &PixelSurface::flipHorizontal, false,
         [](int32_t x, int32_t y, int32_t w, int32_t) {
             return Point{w - 1 - x, y};
         }},
        {"flipVertical", &PixelSurface::flipVertical, false,
         [](int32_t x, int32_t y, int32_t, int32_t h) {
             return Point{x, h - 1 - y};
         }},
    };
    // Sizes straddle the tile edges of the quarter turns, and odd heights have a middle row.
    // The mirrors move blocks of 16 bytes or 16 pixels from both ends: widths around one and two
    // blocks on each side leave middles of every kind.
    const Size sizes[] = {{1, 1},  {3, 2},  {1, 5},  {70, 3}, {3, 130}, {65, 67}, {15, 1},
                          {16, 2}, {31, 1}, {32, 2}, {33, 1}, {47, 2},  {48, 1},  {64, 2}};
    for (const Case& c : cases) {
        for (int depth : {8, 24}) {
            for (Size sz : sizes) {
                SCOPED_TRACE(testing::Message()
                             << c.name << " " << depth << " bits " << sz.width << "x" << sz.height);
                PixelSurface before;
                ASSERT_EQ(before.create(sz.width, sz.height, depth), 1);
                paint(before);
                std::unique_ptr<PixelSurface> after;
                if (depth == 8)
                    after = std::make_unique<GrayMap>();
                else
                    after = std::make_unique<ColorImage>();
                ASSERT_EQ(after->copyFrom(before), 1);
                ASSERT_EQ(((*after).*c.op)(), 1);
                const Size want = c.swapsSides ? Size{sz.height, sz.width} : sz;
                ASSERT_EQ(after->size(), want);
                for (int32_t y = 0; y < sz.height; ++y)
                    for (int32_t x = 0; x < sz.width; ++x) {
                        const Point p = c.to(x, y, sz.width, sz.height);
                        ASSERT_EQ(colour(*after, p.x, p.y), colour(before, x, y))
                            << "old " << x << "," << y;
                    }
            }
        }
    }
}

TEST(SurfaceGeometry, AnyNumberOfThreadsGivesTheSameBytes) {
    // Large enough for several parts per operation, with sides that split unevenly.
    const struct {
        const char* name;
        int (PixelSurface::*op)();
    } ops[] = {
        {"rotate90Clockwise", &PixelSurface::rotate90Clockwise},
        {"rotate90CounterClockwise", &PixelSurface::rotate90CounterClockwise},
        {"rotate180", &PixelSurface::rotate180},
        {"transpose", &PixelSurface::transpose},
        {"antiTranspose", &PixelSurface::antiTranspose},
        {"flipHorizontal", &PixelSurface::flipHorizontal},
        {"flipVertical", &PixelSurface::flipVertical},
    };
    const int saved = workerThreads();
    for (int depth : {8, 24}) {
        std::unique_ptr<PixelSurface> source = depth == 8
                                                   ? std::unique_ptr<PixelSurface>(new GrayMap)
                                                   : std::unique_ptr<PixelSurface>(new ColorImage);
        ASSERT_EQ(source->create(701, 803, depth), 1);
        for (size_t i = 0; i < source->imageBytes(); ++i)
            source->bits()[i] = uint8_t(i * 7 + (i >> 11));
        for (const auto& op : ops) {
            SCOPED_TRACE(testing::Message() << op.name << " " << depth << " bits");
            std::vector<uint8_t> results[2];
            for (int i = 0; i < 2; ++i) {
                setWorkerThreads(i == 0 ? 1 : 4);
                std::unique_ptr<PixelSurface> s = source->clone();
                ASSERT_EQ(((*s).*op.op)(), 1);
                results[i] = pixelBytes(*s);
            }
            EXPECT_TRUE(results[0] == results[1]);
        }
    }
    setWorkerThreads(saved);
}

TEST(SurfaceGeometry, TurnsComposeToTheIdentity) {
    ColorImage img;
    ASSERT_EQ(img.createColor(37, 71), 1);
    paint(img);
    const auto original = pixelBytes(img);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(img.rotate90Clockwise(), 1);
    EXPECT_EQ(pixelBytes(img), original);
    ASSERT_EQ(img.rotate90Clockwise(), 1);
    ASSERT_EQ(img.rotate90CounterClockwise(), 1);
    EXPECT_EQ(pixelBytes(img), original);
    ASSERT_EQ(img.transpose(), 1);
    ASSERT_EQ(img.rotate90Clockwise(), 1);  // transpose then a clockwise turn is a mirror
    ASSERT_EQ(img.flipHorizontal(), 1);
    EXPECT_EQ(pixelBytes(img), original);
}

TEST(SurfaceGeometry, OtherDepthsRefuseTheByteOperations) {
    for (int depth : {1, 4, 16, 32}) {
        PixelSurface s;
        ASSERT_EQ(s.create(3, 2, depth), 1);
        paint(s);
        const auto before = pixelBytes(s);
        EXPECT_EQ(s.rotate90Clockwise(), 0) << depth;
        EXPECT_EQ(s.rotate180(), 0) << depth;
        EXPECT_EQ(s.flipHorizontal(), 0) << depth;
        EXPECT_EQ(s.transpose(), 0) << depth;
        EXPECT_EQ(s.trim(), 0) << depth;
        EXPECT_EQ(pixelBytes(s), before) << depth;
        EXPECT_EQ(s.size(), (Size{3, 2}));
        // The vertical flip works on whole rows, so every depth has it.
        ASSERT_EQ(s.flipVertical(), 1);
        // Memory is bottom-up: the old row 1 (of 2) is the first row in memory.
        const size_t bpr = size_t(s.bytesPerRow());
        EXPECT_EQ(std::memcmp(s.row(0), before.data(), bpr), 0);
        EXPECT_EQ(std::memcmp(s.row(1), before.data() + bpr, bpr), 0);
    }
}

TEST(SurfaceGeometry, AngleDispatcher) {
    struct Case {
        double angle;
        int result;
        Size size;          // of a 4x2 image afterwards
        Point topLeftFrom;  // where the new top-left pixel came from
    } cases[] = {
        {90, 1, {2, 4}, {0, 1}},
        {90.00009, 1, {2, 4}, {0, 1}},
        {89.99991, 1, {2, 4}, {0, 1}},
        {270, 1, {2, 4}, {3, 0}},
        {180, 1, {4, 2}, {3, 1}},
        {179.99995, 1, {4, 2}, {3, 1}},
        {0, 1, {4, 2}, {0, 0}},
        {-90, 1, {4, 2}, {0, 0}},
        {45, 0, {4, 2}, {0, 0}},      // free rotation is not offered
        {90.001, 0, {4, 2}, {0, 0}},  // outside the tolerance
        {std::nan(""), 0, {4, 2}, {0, 0}},
    };
    for (const Case& c : cases) {
        ColorImage img;
        ASSERT_EQ(img.createColor(4, 2), 1);
        paint(img);
        EXPECT_EQ(img.rotate(c.angle), c.result) << c.angle;
        EXPECT_EQ(img.size(), c.size) << c.angle;
        const Bgr want = colourAt(c.topLeftFrom.x, c.topLeftFrom.y);
        EXPECT_EQ(colour(img, 0, 0), (Bgra{want.b, want.g, want.r, 255})) << c.angle;
    }
    EXPECT_EQ(ColorImage().rotateAngle(90), 0);
}

TEST(SurfaceGeometry, CropToNormalisesAndKeepsPixelsInPlace) {
    struct Case {
        const char* what;
        Rect rect;
        bool keep;
        int result;
        Size size;
        Point shift;  // new (x, y) shows old (x + shift.x, y + shift.y) when kept
    } cases[] = {
        {"inner", {1, 1, 4, 3}, true, 1, {3, 2}, {1, 1}},
        {"inverted", {4, 3, 1, 1}, true, 1, {3, 2}, {1, 1}},
        {"larger, above and left", {-2, -1, 5, 4}, true, 1, {7, 5}, {-2, -1}},
        {"same bounds", {0, 0, 5, 4}, true, 1, {5, 4}, {0, 0}},
        {"same size, moved", {2, 1, 7, 5}, true, 1, {5, 4}, {2, 1}},
        {"empty", {1, 1, 1, 3}, true, 0, {5, 4}, {0, 0}},
        {"wider than the limit", {-30000, 0, 1, 4}, true, 0, {5, 4}, {0, 0}},
        {"whole coordinate range",
         {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
         true,
         0,
         {5, 4},
         {0, 0}},
    };
    for (const Case& c : cases) {
        for (int depth : {8, 24}) {
            SCOPED_TRACE(testing::Message() << c.what << ", " << depth << " bits");
            PixelSurface old;
            ASSERT_EQ(old.create(5, 4, depth), 1);
            paint(old);
            PixelSurface s;
            ASSERT_EQ(s.copyFrom(old), 1);
            ASSERT_EQ(s.cropTo(c.rect, c.keep), c.result);
            ASSERT_EQ(s.size(), c.size);
            for (int32_t y = 0; y < c.size.height; ++y)
                for (int32_t x = 0; x < c.size.width; ++x) {
                    const int32_t ox = x + c.shift.x, oy = y + c.shift.y;
                    Bgra want = old.inBounds(ox, oy) ? colour(old, ox, oy) : Bgra{};
                    if (!old.inBounds(ox, oy) && depth == 24) want.a = 255;
                    if (!old.inBounds(ox, oy) && depth == 8) want = {0, 0, 0, 0};
                    ASSERT_EQ(colour(s, x, y), want) << x << "," << y;
                }
        }
    }
}

TEST(SurfaceGeometry, CropToWithoutPixels) {
    ColorImage img;
    ASSERT_EQ(img.createColor(4, 4), 1);
    img.fillAll(0xFFFFFF);
    ASSERT_EQ(img.cropTo({1, 1, 3, 4}, false), 1);
    EXPECT_EQ(img.size(), (Size{2, 3}));
    EXPECT_EQ(colour(img, 0, 0), (Bgra{0, 0, 0, 255}));

    // A mask asked for a new size without its pixels gets that size, all unselected.
    Mask m;
    ASSERT_EQ(m.createGray(4, 4), 1);
    m.fillAll(0xFFFFFF);
    ASSERT_EQ(m.cropTo({0, 0, 6, 2}, false), 1);
    EXPECT_EQ(m.size(), (Size{6, 2}));
    EXPECT_EQ(m.getIndex(0, 0), 0u);

    // Empty 8- and 24-bit surfaces get a zero-filled store; the generic class has no depth.
    ColorImage emptyColour;
    ASSERT_EQ(emptyColour.cropTo({5, 5, 2, 1}, true), 1);
    EXPECT_EQ(emptyColour.size(), (Size{3, 4}));
    EXPECT_EQ(emptyColour.bitsPerPixel(), 24);
    Channel emptyChannel;
    ASSERT_EQ(emptyChannel.cropTo({0, 0, 2, 2}, true), 1);
    EXPECT_EQ(emptyChannel.bitsPerPixel(), 8);
    PixelSurface generic;
    EXPECT_EQ(generic.cropTo({0, 0, 2, 2}, true), 0);

    // Other depths crop through the same blit, bits and all.
    Surface1 mono;
    ASSERT_EQ(mono.create(9, 2, 1), 1);
    mono.setIndex(8, 1, 1);
    ASSERT_EQ(mono.cropTo({5, 1, 9, 2}, true), 1);
    EXPECT_EQ(mono.getIndex(3, 0), 1u);
    EXPECT_EQ(mono.getIndex(2, 0), 0u);
}

TEST(SurfaceGeometry, TrimCropsToWhatDiffersFromTheCorner) {
    ColorImage one;
    ASSERT_EQ(one.createColor(6, 5), 1);
    one.fillAll(makeRgb(9, 9, 9));
    const SurfaceStore* store = one.store();
    EXPECT_EQ(one.trim(), 1);
    EXPECT_EQ(one.store(), store);
    EXPECT_EQ(one.size(), (Size{6, 5}));

    struct Case {
        std::vector<Point> marks;
        Rect box;
    } cases[] = {
        {{{2, 3}}, {2, 3, 3, 4}},
        {{{1, 1}, {4, 2}}, {1, 1, 5, 3}},
        {{{5, 4}, {0, 2}}, {0, 2, 6, 5}},
        {{{3, 0}}, {3, 0, 4, 1}},
    };
    for (const Case& c : cases) {
        for (int depth : {8, 24}) {
            PixelSurface s;
            ASSERT_EQ(s.create(6, 5, depth), 1);
            s.fillAll(makeRgb(200, 200, 200));
            // Only one channel differs: trim compares every byte of a pixel.
            for (Point p : c.marks) {
                if (depth == 8)
                    s.setIndex(p.x, p.y, 201);
                else
                    s.setColor(p.x, p.y, {200, 200, 201});
            }
            std::unique_ptr<PixelSurface> t;
            if (depth == 8)
                t = std::make_unique<Surface8>();
            else
                t = std::make_unique<Surface24>();
            ASSERT_EQ(t->adoptStore(s.takeStore()), 1);
            ASSERT_EQ(t->trim(), 1);
            const Rect got = {0, 0, t->width(), t->height()};
            EXPECT_EQ(got.size(), c.box.size()) << depth << " bits";
            for (Point p : c.marks) {
                Bgra v;
                t->getColor(v, p.x - c.box.left, p.y - c.box.top);
                EXPECT_EQ(v.r, 201);
            }
        }
    }
}

TEST(SurfaceGeometry, ResizeAndStretch) {
    ColorImage img;
    ASSERT_EQ(img.createColor(6, 4), 1);
    paint(img);
    const SurfaceStore* store = img.store();
    EXPECT_EQ(img.resizeTo({6, 4}, true), 1);
    EXPECT_EQ(img.store(), store);
    for (Size bad : {Size{0, 4}, Size{4, -1}, Size{30001, 1}}) {
        EXPECT_EQ(img.resizeTo(bad, true), 0);
        EXPECT_EQ(img.store(), store);
    }
    ASSERT_EQ(img.resizeToDefault({12, 8}), 1);
    EXPECT_EQ(img.size(), (Size{12, 8}));
    EXPECT_EQ(colour(img, 11, 7), colour(img, 10, 6));  // replicated 2x2 blocks

    ColorImage target;
    GrayMap grey;
    EXPECT_EQ(img.stretchInto(grey, {3, 3}, true), 0);  // a grey map cannot hold colour
    EXPECT_FALSE(grey.isValid());
    ASSERT_EQ(img.stretchIntoSmooth(target, {3, 2}), 1);
    EXPECT_EQ(target.size(), (Size{3, 2}));

    // Planes average their levels; palette images average colours and take the nearest entry.
    const Palette allBlack{std::vector<Bgra>(256)};
    GrayMap plane;
    ASSERT_EQ(plane.createGray(2, 1), 1);
    ASSERT_EQ(plane.setPalette(allBlack), 1);
    plane.setIndex(1, 0, 200);
    ASSERT_EQ(plane.resizeToSmooth({1, 1}), 1);
    EXPECT_EQ(plane.getIndex(0, 0), 100u);
    Surface8 indexed;
    ASSERT_EQ(indexed.create(2, 1, 8), 1);
    ASSERT_EQ(indexed.setPalette(allBlack), 1);
    indexed.setIndex(1, 0, 200);
    ASSERT_EQ(indexed.resizeToSmooth({1, 1}), 1);
    EXPECT_EQ(indexed.getIndex(0, 0), 0u);
}

TEST(SurfaceGeometry, ResizeCanvasOfPlanes) {
    GrayMap g;
    ASSERT_EQ(g.createGray(3, 2), 1);
    paint(g);
    const SurfaceStore* store = g.store();
    EXPECT_EQ(g.resizeCanvas({3, 2}, {1, 1}), 1);
    EXPECT_EQ(g.store(), store);
    const uint32_t corner = g.getIndex(0, 0);
    ASSERT_EQ(g.resizeCanvas({5, 4}, {2, 1}), 1);
    EXPECT_EQ(g.size(), (Size{5, 4}));
    EXPECT_EQ(g.getIndex(2, 1), corner);
    EXPECT_EQ(g.getIndex(1, 1), 0u);
    EXPECT_EQ(g.getIndex(4, 3), 0u);
    ASSERT_EQ(g.resizeCanvas({1, 1}, {-2, -1}), 1);
    EXPECT_EQ(g.getIndex(0, 0), corner);
    EXPECT_EQ(g.resizeCanvas({0, 1}, {}), 0);
    ColorImage img;
    ASSERT_EQ(img.createColor(2, 2), 1);
    EXPECT_EQ(img.resizeCanvas({3, 3}, {}), 0);
}

TEST(SurfaceDrawing, OperationsReachThePixels) {
    struct Case {
        const char* what;
        std::function<int(PixelSurface&)> op;
        Point probe;
        Bgra expected;
    } cases[] = {
        {"fillAll",
         [](PixelSurface& s) { return s.fillAll(makeRgb(1, 2, 3)); },
         {3, 3},
         {3, 2, 1, 255}},
        {"fillRect with a hole",
         [](PixelSurface& s) {
             const Rect hole{1, 1, 3, 3};
             return s.fillRect({0, 0, 4, 4}, 0xFFFFFF, &hole);
         },
         {2, 2},
         {0, 0, 0, 255}},
        {"invertAll", [](PixelSurface& s) { return s.invertAll(); }, {0, 0}, {255, 255, 255, 255}},
        {"drawLine",
         [](PixelSurface& s) {
             return s.drawLine({0, 3}, {3, 3}, 0xFF);
         },
         {3, 3},
         {0, 0, 255, 255}},
        {"hollow rectangle",
         [](PixelSurface& s) {
             return s.drawRectangle({0, 0, 4, 4}, 0xFF00, -1);
         },
         {1, 1},
         {0, 0, 0, 255}},
        {"filled rectangle",
         [](PixelSurface& s) {
             return s.drawRectangle({0, 0, 4, 4}, 0xFF00, 0);
         },
         {1, 1},
         {0, 255, 0, 255}},
        {"ellipse",
         [](PixelSurface& s) {
             return s.drawEllipse({0, 0, 4, 4}, 0xFF0000);
         },
         {2, 2},
         {255, 0, 0, 255}},
        {"scroll",
         [](PixelSurface& s) {
             s.setColor(0, 0, {9, 9, 9});
             return s.scroll({0, 0, 4, 4}, 2, 2);
         },
         {2, 2},
         {9, 9, 9, 255}},
    };
    for (const Case& c : cases) {
        ColorImage img;
        ASSERT_EQ(img.createColor(4, 4), 1);
        EXPECT_EQ(c.op(img), 1) << c.what;
        EXPECT_EQ(colour(img, c.probe.x, c.probe.y), c.expected) << c.what;
        ColorImage empty;
        EXPECT_EQ(c.op(empty), 0) << c.what << " on an empty surface";
    }
    ColorImage img;
    GrayMap pattern;
    ASSERT_EQ(img.createColor(5, 3), 1);
    ASSERT_EQ(pattern.createGray(2, 2), 1);
    pattern.setIndex(1, 1, 77);
    ASSERT_EQ(img.tileFrom(pattern), 1);
    EXPECT_EQ(colour(img, 3, 1), (Bgra{77, 77, 77, 255}));
    EXPECT_EQ(colour(img, 4, 1), (Bgra{0, 0, 0, 255}));
}

TEST(SurfaceExchange, PackedBitmapRoundTrips) {
    for (int depth : {1, 4, 8, 16, 24, 32}) {
        PixelSurface s;
        ASSERT_EQ(s.create(5, 3, depth, depth == 16), 1);
        paint(s);
        const std::vector<uint8_t> packed = s.exportPackedBitmap();
        const std::vector<uint8_t> header = s.exportHeader();
        ASSERT_EQ(packed.size(), header.size() + s.imageBytes()) << depth;
        EXPECT_TRUE(std::equal(header.begin(), header.end(), packed.begin()));
        PixelSurface back;
        ASSERT_EQ(back.createFromHeader(packed.data(), packed.size()), 1) << depth;
        std::memcpy(back.bits(), packed.data() + header.size(), back.imageBytes());
        EXPECT_EQ(pixelBytes(back), pixelBytes(s)) << depth;
        EXPECT_EQ(*back.palette(), *s.palette());
    }
    EXPECT_TRUE(PixelSurface().exportPackedBitmap().empty());
}

TEST(SurfaceExchange, DrawToStretchToAndCopyFromRaster) {
    GrayMap g;
    ASSERT_EQ(g.createGray(2, 2), 1);
    g.setIndex(1, 0, 90);
    ColorImage canvas;
    ASSERT_EQ(canvas.createColor(4, 4), 1);
    ASSERT_EQ(g.drawTo(canvas.raster(), 2, 1), 1);
    EXPECT_EQ(colour(canvas, 3, 1), (Bgra{90, 90, 90, 255}));
    ASSERT_EQ(g.stretchTo(canvas.raster(), {0, 0, 4, 4}, {0, 0, 2, 2}), 1);
    EXPECT_EQ(colour(canvas, 3, 1), (Bgra{90, 90, 90, 255}));
    EXPECT_EQ(colour(canvas, 1, 1), (Bgra{0, 0, 0, 255}));

    ColorImage copy;
    ASSERT_EQ(copy.copyFromRaster(canvas.raster(), {4, 0, 2, 2}), 1);
    EXPECT_EQ(copy.size(), (Size{2, 2}));
    EXPECT_EQ(colour(copy, 1, 1), (Bgra{90, 90, 90, 255}));
    GrayMap notColour;
    EXPECT_EQ(notColour.copyFromRaster(canvas.raster(), {0, 0, 2, 2}), 0);
    EXPECT_EQ(copy.copyFromRaster(canvas.raster(), {5, 5, 9, 9}), 0);
}

}  // namespace
}  // namespace varnel
