#include "formats/image_file.h"

#include <gtest/gtest.h>

#include "formats/byte_stream.h"
#include "formats/image_codec.h"
#include "test_files.h"

namespace varnel {
namespace {

using testing_files::ScratchFolder;

Bgr rgb(uint8_t r, uint8_t g, uint8_t b) {
    return {b, g, r};
}

Bgr colorAt(const ColorImage& s, int32_t x, int32_t y) {
    return s.pixels(y)[x];
}

// A w × h colour plane in one colour, and optionally an alpha plane in one level.
void fill(ColorAlphaPair& planes, int32_t w, int32_t h, Bgr color, int alpha = -1) {
    ASSERT_TRUE(planes.color.createColor(w, h));
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) planes.color.pixels(y)[x] = color;
    }
    if (alpha < 0) return;
    ASSERT_TRUE(planes.alpha.createGray(w, h));
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) planes.alpha.row(y)[x] = uint8_t(alpha);
    }
}

TEST(ImageFile, FactoryKnowsTheThreeFormatsWithObjects) {
    struct Case {
        int type;
        bool exists;
        bool alpha;
    } cases[] = {
        {FormatBmp, true, true},      {FormatJpeg, true, false},  {FormatPng, true, true},
        {FormatNative, false, false}, {FormatGif, false, false},  {FormatIco, false, false},
        {FormatTiff, false, false},   {FormatNone, false, false}, {7, false, false}};
    for (const Case& c : cases) {
        std::unique_ptr<ImageFile> image = createImageFile(c.type);
        ASSERT_EQ(image != nullptr, c.exists) << c.type;
        if (!image) continue;
        EXPECT_EQ(image->formatType(), c.type);
        EXPECT_EQ(image->formatInfo()->formatType(), c.type);
        EXPECT_EQ(image->createFormatInfo()->formatType(), c.type);
        EXPECT_EQ(image->createEmpty()->formatType(), c.type);
        EXPECT_EQ(image->supportsAlpha(), c.alpha);
        EXPECT_TRUE(image->isEmpty());
        EXPECT_FALSE(image->isValid());
        EXPECT_EQ(image->size(), (Size{0, 0}));
    }
    EXPECT_EQ(openImageFile("picture.gif", false), nullptr);
    EXPECT_EQ(openImageFile("noextension", false), nullptr);
    std::unique_ptr<ImageFile> png = openImageFile("picture.PNG", false);
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(png->formatType(), FormatPng);
    ScratchFolder dir;
    EXPECT_EQ(openImageFile(dir.file("missing.bmp"), true), nullptr);
}

TEST(ImageFile, AssigningTransparencyToAnOpaqueFormatLaysItOverWhite) {
    PngImageFile png;
    fill(png.pixels(), 4, 1, rgb(0, 100, 200), 255);
    png.pixels().alpha.row(0)[1] = 0;
    png.pixels().alpha.row(0)[2] = 128;
    png.pixels().alpha.row(0)[3] = 1;
    png.pngInfo().filePath = "from.png";
    png.pngInfo().compressionLevel = 9;

    JpegImageFile jpeg;
    jpeg.jpegInfo().quality = 40;
    ASSERT_TRUE(jpeg.assign(png));
    EXPECT_EQ(colorAt(jpeg.pixels(), 0, 0), rgb(0, 100, 200));    // opaque: as it was
    EXPECT_EQ(colorAt(jpeg.pixels(), 1, 0), rgb(255, 255, 255));  // transparent: white
    EXPECT_EQ(colorAt(jpeg.pixels(), 2, 0), rgb(126, 176, 227));  // x + (127 × (255 − x)) >> 8
    EXPECT_EQ(colorAt(jpeg.pixels(), 3, 0), rgb(253, 253, 254));  // nearly transparent
    EXPECT_FALSE(jpeg.hasAlpha());
    EXPECT_EQ(jpeg.alphaPlane(), nullptr);
    EXPECT_EQ(jpeg.jpegInfo().filePath, "from.png");  // common fields copied
    EXPECT_EQ(jpeg.jpegInfo().quality, 40);           // its own kept

    // The source is unchanged.
    EXPECT_EQ(colorAt(png.pixels().color, 1, 0), rgb(0, 100, 200));
}

TEST(ImageFile, AssignBetweenFormatsWithTransparency) {
    PngImageFile png;
    fill(png.pixels(), 3, 2, rgb(1, 2, 3), 77);
    png.pngInfo().compressionLevel = 9;
    png.pngInfo().width = 3;

    BmpImageFile bmp;
    ASSERT_TRUE(bmp.assign(png));
    ASSERT_TRUE(bmp.hasAlpha());
    EXPECT_EQ(bmp.pixels().alpha.row(1)[2], 77);
    EXPECT_EQ(colorAt(bmp.pixels().color, 2, 1), rgb(1, 2, 3));
    EXPECT_EQ(bmp.bmpInfo().width, 3);

    PngImageFile other;
    ASSERT_TRUE(other.assign(png));
    EXPECT_EQ(other.pngInfo().compressionLevel, 9);  // same format: every field

    // From an opaque format the alpha plane goes; from an empty image everything goes.
    JpegImageFile jpeg;
    ASSERT_TRUE(jpeg.pixels().createColor(2, 2));
    ASSERT_TRUE(bmp.assign(jpeg));
    EXPECT_FALSE(bmp.hasAlpha());
    EXPECT_EQ(bmp.size(), (Size{2, 2}));
    EXPECT_EQ(bmp.bmpInfo().width, -1);  // the JPEG's common fields, as new
    ASSERT_TRUE(bmp.assign(PngImageFile()));
    EXPECT_TRUE(bmp.isEmpty());
    ASSERT_TRUE(bmp.assign(bmp));
}

TEST(ImageFile, ClearDropsPixelsAndOptionallyTheInfo) {
    PngImageFile png;
    fill(png.pixels(), 2, 2, rgb(1, 1, 1), 5);
    png.pngInfo().colorType = 2;
    png.clear(false);
    EXPECT_TRUE(png.isEmpty());
    EXPECT_FALSE(png.hasAlpha());
    EXPECT_EQ(png.pngInfo().colorType, 2);
    png.clear(true);
    EXPECT_EQ(png.pngInfo().colorType, 6);

    JpegImageFile jpeg;
    ASSERT_TRUE(jpeg.pixels().createColor(1, 1));
    jpeg.jpegInfo().quality = 10;
    jpeg.clear(true);
    EXPECT_TRUE(jpeg.isEmpty());
    EXPECT_EQ(jpeg.jpegInfo().quality, 95);
}

TEST(ImageFile, RenderIntoScalesDownToFitAndShowsTransparencyWhite) {
    PngImageFile png;
    fill(png.pixels(), 400, 100, rgb(10, 20, 30), 0);
    struct Case {
        Size limit, expected;
    } cases[] = {
        {{100, 100}, {100, 25}}, {{1000, 50}, {200, 50}}, {{400, 100}, {400, 100}},
        {{0, 0}, {400, 100}},    {{3, 0}, {3, 1}},        {{0, 10}, {40, 10}},
    };
    for (const Case& c : cases) {
        ColorImage target;
        ASSERT_TRUE(png.renderInto(target, c.limit));
        EXPECT_EQ(target.size(), c.expected) << c.limit.width << "x" << c.limit.height;
        EXPECT_EQ(colorAt(target, 0, 0), rgb(255, 255, 255));
    }
    JpegImageFile jpeg;
    ColorImage target;
    EXPECT_FALSE(jpeg.renderInto(target, {10, 10}));  // nothing to render
    ASSERT_TRUE(jpeg.pixels().createColor(3, 3));
    ASSERT_TRUE(jpeg.renderInto(target, {10, 10}));
    EXPECT_EQ(colorAt(target, 2, 2), rgb(0, 0, 0));
}

TEST(ImageFile, DrawRectCopiesBlendsClipsAndScales) {
    PngImageFile png;
    fill(png.pixels(), 4, 4, rgb(200, 0, 0), 255);
    png.pixels().color.pixels(0)[0] = rgb(0, 0, 200);
    png.pixels().alpha.row(1)[1] = 0;  // transparent
    auto background = [] {
        auto t = std::make_unique<ColorImage>();
        EXPECT_TRUE(t->createColor(6, 6));
        for (int32_t y = 0; y < 6; ++y) {
            for (int32_t x = 0; x < 6; ++x) t->pixels(y)[x] = rgb(0, 50, 0);
        }
        return t;
    };

    auto target = background();
    ASSERT_TRUE(png.drawRect(*target, {1, 1, 5, 5}, {0, 0, 4, 4}));
    EXPECT_EQ(colorAt(*target, 0, 0), rgb(0, 50, 0));  // outside the destination
    EXPECT_EQ(colorAt(*target, 1, 1), rgb(0, 0, 200));
    EXPECT_EQ(colorAt(*target, 2, 2), rgb(0, 50, 0));  // transparent pixel shows the target
    EXPECT_EQ(colorAt(*target, 4, 4), rgb(200, 0, 0));

    // A source reaching past the image is clipped, the destination with it; so is a
    // destination reaching past the target.
    target = background();
    ASSERT_TRUE(png.drawRect(*target, {4, 4, 8, 8}, {2, 2, 6, 6}));
    EXPECT_EQ(colorAt(*target, 3, 3), rgb(0, 50, 0));
    EXPECT_EQ(colorAt(*target, 5, 5), rgb(200, 0, 0));

    // Twice the size: each source pixel covers 2 × 2.
    JpegImageFile jpeg;
    ASSERT_TRUE(jpeg.assign(png));
    target = background();
    ASSERT_TRUE(jpeg.drawRect(*target, {0, 0, 4, 4}, {0, 0, 2, 2}));
    EXPECT_EQ(colorAt(*target, 1, 1), rgb(0, 0, 200));
    EXPECT_EQ(colorAt(*target, 3, 3), rgb(255, 255, 255));  // laid over white by the assign
    EXPECT_EQ(colorAt(*target, 4, 4), rgb(0, 50, 0));

    EXPECT_FALSE(jpeg.drawRect(*target, {0, 0, 4, 4}, {10, 10, 12, 12}));  // outside the image
    EXPECT_FALSE(jpeg.drawRect(*target, {0, 0, 0, 4}, {0, 0, 2, 2}));      // empty destination
    ColorImage none;
    EXPECT_FALSE(jpeg.drawRect(none, {0, 0, 2, 2}, {0, 0, 2, 2}));
}

// Writes "RAW", width, height and an alpha flag, then the colour rows, of the
// colour-and-alpha planes of a PNG image file object. Enough to drive the codec base.
class RawCodec : public ImageCodec {
public:
    bool saveToStream(ByteStream& stream, const ImageFile& image) override {
        if (!accepts(image) || !stream.isOpen()) return false;
        const auto& p = static_cast<const PngImageFile&>(image).pixels();
        const int32_t head[3] = {p.color.width(), p.color.height(), p.hasAlpha() ? 1 : 0};
        if (stream.write("RAW", 1, 3) != 3 || stream.write(head, 4, 3) != 3) return false;
        for (int32_t y = 0; y < head[1]; ++y) {
            if (stream.write(p.color.pixels(y), 3, uint32_t(head[0])) != uint32_t(head[0])) {
                return false;
            }
        }
        return true;
    }
    bool loadFromStream(ImageFile& image, ByteStream& stream, uint32_t flags) override {
        if (!accepts(image) || !stream.isOpen()) return false;
        auto& png = static_cast<PngImageFile&>(image);
        char magic[3];
        int32_t head[3];
        if (stream.read(magic, 1, 3) != 3 || std::string(magic, 3) != "RAW" ||
            stream.read(head, 4, 3) != 3) {
            return false;
        }
        png.pngInfo().width = head[0];
        png.pngInfo().height = head[1];
        if (flags & LoadHeaderOnly) return true;
        if (!png.pixels().color.createColor(head[0], head[1])) return false;
        for (int32_t y = 0; y < head[1]; ++y) {
            if (stream.read(png.pixels().color.pixels(y), 3, uint32_t(head[0])) !=
                uint32_t(head[0])) {
                return false;
            }
        }
        return true;
    }
    int formatType() const override { return FormatPng; }
};

TEST(ImageCodec, ReadInfoReadsOnlyTheHeaderIntoTheRecord) {
    ScratchFolder dir;
    PngImageFile png;
    fill(png.pixels(), 5, 3, rgb(1, 2, 3));
    RawCodec codec;
    ASSERT_TRUE(codec.saveToFile(dir.file("a.png"), png));

    PngFormatInfo info;
    ASSERT_TRUE(codec.readInfo(info, dir.file("a.png")));
    EXPECT_EQ(info.width, 5);
    EXPECT_EQ(info.height, 3);
    EXPECT_EQ(info.filePath, dir.file("a.png"));
    EXPECT_FALSE(codec.readInfo(info, dir.file("missing.png")));

    FormatInfo plain;  // no image file object for "no format"
    EXPECT_FALSE(codec.readInfo(plain, dir.file("a.png")));
    JpegFormatInfo jpeg;  // a JPEG object is not this codec's
    EXPECT_FALSE(codec.readInfo(jpeg, dir.file("a.png")));

    PngImageFile loaded;
    ASSERT_TRUE(codec.loadFromFile(loaded, dir.file("a.png"), LoadPixels));
    EXPECT_EQ(colorAt(loaded.pixels().color, 4, 2), rgb(1, 2, 3));
    EXPECT_EQ(loaded.formatInfo()->filePath, dir.file("a.png"));
}

}  // namespace
}  // namespace varnel
