#include "formats/format_registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "codec_fixtures.h"
#include "core/surface_ops.h"
#include "document/document.h"
#include "document/layer_stack.h"
#include "formats/file_stream.h"
#include "formats/image_file.h"
#include "formats/jpeg_codec.h"
#include "formats/png_codec.h"
#include "jpeg_fixtures.h"
#include "test_files.h"

namespace varnel {
namespace {

using fixtures::Bytes;
using fixtures::rgb;
using testing_files::ScratchFolder;

void writeFile(const std::string& path, const Bytes& bytes) {
    testing_files::writeBytes(path, std::string(bytes.begin(), bytes.end()));
}

Bytes readFile(const std::string& path) {
    const std::string s = testing_files::readBytes(path);
    return Bytes(s.begin(), s.end());
}

TEST(FormatRegistry, ExtensionsAreSetForTheChosenFormat) {
    struct Case {
        const char* path;
        int type;
        const char* result;
    } cases[] = {
        {"photo", FormatJpeg, "photo.jpg"},
        {"photo.jpeg", FormatJpeg, "photo.jpeg"},
        {"photo.JFIF", FormatJpeg, "photo.JFIF"},
        {"photo.png", FormatJpeg, "photo.jpg"},
        {"photo.bmp", FormatPng, "photo.png"},
        {"scan.dib", FormatBmp, "scan.dib"},
        {"scan.rle", FormatPng, "scan.png"},
        {"my.holiday", FormatPng, "my.holiday.png"},
        {"folder.v2/picture", FormatBmp, "folder.v2/picture.bmp"},
        {"picture.", FormatPng, "picture.png"},
        {"folder.v2/picture.", FormatJpeg, "folder.v2/picture.jpg"},
        {"folder.v2/", FormatBmp, "folder.v2/.bmp"},
        {"picture.gif", FormatNone, "picture.gif"},
        {"picture.gif", 42, "picture.gif"},
        {"layers.png", FormatOra, "layers.ora"},
        {"layers.ORA", FormatOra, "layers.ORA"},
    };
    for (const Case& c : cases) EXPECT_EQ(setExtensionFor(c.path, c.type), c.result) << c.path;
}

TEST(FormatRegistry, DialogFiltersAreTheProgramsOwn) {
    EXPECT_STREQ(openDialogFilter(),
                 "BMP (*.bmp;*.dib;*.rle)|*.bmp;*.dib;*.rle|GIF (*.gif)|*.gif|ICO (*.ico)|*.ico|"
                 "JPG (*.jpg;*.jpeg;*.jpe;*.jfif)|*.jpg;*.jpeg;*.jpe;*.jfif|PNG (*.png)|*.png|"
                 "OpenRaster (*.ora)|*.ora|TIFF (*.tif;*.tiff)|*.tif;*.tiff|WebP (*.webp)|*.webp|"
                 "All Formats|*.bmp;*.dib;*.gif;*.ico;*.jpg;*.jpeg;*.jpe;*.png;*.rle;*.ora;*.tif;"
                 "*.tiff;*.webp|");
    EXPECT_STREQ(saveDialogFilter(),
                 "BMP (*.bmp)|*.bmp|JPG (*.jpg)|*.jpg|PNG (*.png)|*.png|OpenRaster (*.ora)|*.ora|"
                 "WebP (*.webp)|*.webp|WebP lossless (*.webp)|*.webp|TIFF (*.tif)|*.tif|");
    const std::pair<int, int> entries[] = {{0, -1}, {1, 1}, {2, 4}, {3, 5}, {4, 7},
                                           {5, 8},  {6, 8}, {7, 6}, {8, -1}};
    for (auto [entry, type] : entries) {
        EXPECT_EQ(formatTypeOfSaveFilter(entry), type) << entry;
        EXPECT_EQ(isLosslessSaveFilter(entry), entry == 6) << entry;
    }
    EXPECT_EQ(extensionOf(FormatWebp), "webp");
    EXPECT_EQ(extensionOf(FormatJpeg), "jpg");
    EXPECT_EQ(extensionOf(FormatNone), "");
}

// A document of one layer with the given pixels and (optional) transparency.
std::unique_ptr<Document> documentOf(int32_t w, int32_t h,
                                     const std::function<Bgr(int32_t, int32_t)>& color,
                                     const std::function<uint8_t(int32_t, int32_t)>& alpha = {}) {
    ColorImage pixels;
    fixtures::paint(pixels, w, h, color);
    GrayMap plane;
    if (alpha) fixtures::paintAlpha(plane, w, h, alpha);
    return Document::fromImage(pixels, alpha ? &plane : nullptr, "untitled.png");
}

const RasterLayer& onlyLayer(const Document& doc) {
    EXPECT_EQ(doc.layers().count(), 1);
    return *doc.layers().rasterAt(0);
}

TEST(FormatRegistry, OpenRefusesWhatItCannotRead) {
    ScratchFolder dir;
    PngImageFile png;
    fixtures::paint(png.pixels().color, 3, 3, fixtures::pattern);
    ASSERT_TRUE(png.saveToFile(dir.file("good.png")));
    std::filesystem::copy_file(dir.file("good.png"), dir.file("good.xcf"));
    std::filesystem::copy_file(dir.file("good.png"), dir.file("good.ved"));
    std::filesystem::copy_file(dir.file("good.png"), dir.file("good"));
    std::filesystem::create_directory(dir.file("folder.png"));
    writeFile(dir.file("junk.gif"), {'G', 'I', 'F'});
    writeFile(dir.file("junk.jpg"), {0xFF, 0xD8, 0xFF});
    writeFile(dir.file("junk.ico"), {0, 0, 1, 0, 0, 0});
    writeFile(dir.file("junk.png"), {});

    auto keep = documentOf(1, 1, fixtures::pattern);
    Document* before = keep.get();
    for (const char* name : {"missing.png", "good.xcf", "good.ved", "good", "folder.png",
                             "junk.gif", "junk.jpg", "junk.ico", "junk.png"}) {
        OpenedFileInfo info;
        info.bitsPerPixel = 77;
        EXPECT_FALSE(openDocument(keep, dir.file(name), &info)) << name;
        EXPECT_EQ(keep.get(), before) << name;
        EXPECT_EQ(info.bitsPerPixel, 77) << name;
    }
    EXPECT_TRUE(openDocument(keep, dir.file("good.png")));
    EXPECT_NE(keep.get(), before);
}

TEST(FormatRegistry, OpenedPicturesBecomeOneLayerWithTheirTransparency) {
    ScratchFolder dir;
    // PNG with and without alpha.
    PngImageFile opaque;
    fixtures::paint(opaque.pixels().color, 5, 4, fixtures::pattern);
    ASSERT_TRUE(opaque.saveToFile(dir.file("opaque.png")));
    PngImageFile seeThrough;
    fixtures::paint(seeThrough.pixels().color, 5, 4, fixtures::pattern);
    fixtures::paintAlpha(seeThrough.pixels().alpha, 5, 4,
                         [](int32_t x, int32_t y) { return uint8_t(x * 50 + y); });
    ASSERT_TRUE(seeThrough.saveToFile(dir.file("alpha.png")));
    // GIF with a transparent colour, and one without.
    fixtures::GifLayout gif;
    gif.width = 2, gif.height = 1, gif.globalColors = {{1, 2, 3}, {200, 100, 50}};
    gif.frames.resize(1);
    gif.frames[0].width = 2, gif.frames[0].indices = {0, 1};
    writeFile(dir.file("plain.gif"), fixtures::writeGif(gif));
    gif.frames[0].transparent = 0;
    writeFile(dir.file("hole.gif"), fixtures::writeGif(gif));
    // JPEG under every spelling of its extension.
    const Bytes jpeg = fixtures::writeJpeg(
        6, 2, 3, [](int x, int, int c) { return uint8_t(c == 0 ? 40 * x : 90); });
    for (const char* name : {"a.jpg", "b.JPEG", "c.jpe", "d.jfif"}) writeFile(dir.file(name), jpeg);

    struct Case {
        const char* name;
        int type;
        Size size;
        bool transparency;
        int bitsPerPixel;
    } cases[] = {
        {"opaque.png", FormatPng, {5, 4}, false, 24}, {"alpha.png", FormatPng, {5, 4}, true, 32},
        {"plain.gif", FormatGif, {2, 1}, false, 1},   {"hole.gif", FormatGif, {2, 1}, true, 1},
        {"a.jpg", FormatJpeg, {6, 2}, false, 24},     {"b.JPEG", FormatJpeg, {6, 2}, false, 24},
        {"c.jpe", FormatJpeg, {6, 2}, false, 24},     {"d.jfif", FormatJpeg, {6, 2}, false, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Document> doc;
        OpenedFileInfo info;
        ASSERT_TRUE(openDocument(doc, dir.file(c.name), &info));
        EXPECT_EQ(info.formatType, c.type);
        EXPECT_EQ(info.bitsPerPixel, c.bitsPerPixel);
        EXPECT_EQ(doc->size(), c.size);
        EXPECT_EQ(doc->filePath(), dir.file(c.name));
        EXPECT_EQ(doc->fileName(), c.name);
        EXPECT_FALSE(doc->isModified());
        EXPECT_EQ(doc->resolution(), 72.0f);
        const RasterLayer& layer = onlyLayer(*doc);
        EXPECT_EQ(layer.name(), c.transparency ? "Layer 1" : "Background");
        EXPECT_EQ(layer.transparency() != nullptr, c.transparency);
    }

    std::unique_ptr<Document> doc;
    ASSERT_TRUE(openDocument(doc, dir.file("alpha.png")));
    const RasterLayer& layer = onlyLayer(*doc);
    EXPECT_EQ(layer.transparency()->row(3)[4], 4 * 50 + 3);
    EXPECT_EQ(layer.pixels().pixels(3)[4], fixtures::pattern(4, 3));
    ASSERT_TRUE(openDocument(doc, dir.file("hole.gif")));
    // The transparent colour is transparency now, no longer a red fill.
    EXPECT_EQ(onlyLayer(*doc).transparency()->row(0)[0], 0);
    EXPECT_EQ(onlyLayer(*doc).transparency()->row(0)[1], 255);
    EXPECT_EQ(onlyLayer(*doc).pixels().pixels(0)[1], rgb(200, 100, 50));
}

// A file named for another format than the one it holds opens by its content: the extension's
// route refuses it, its signature names the route that reads it, and the document keeps the path
// as given. Saving then writes the format the path names.
TEST(FormatRegistry, FilesNamedForAnotherFormatOpenByTheirContent) {
    ScratchFolder dir;
    PngImageFile png;
    fixtures::paint(png.pixels().color, 3, 2, fixtures::pattern);
    ASSERT_TRUE(png.saveToFile(dir.file("real.png")));
    BmpImageFile bmp;
    fixtures::paint(bmp.pixels().color, 4, 3, fixtures::pattern);
    bmp.bmpInfo().setInfoHeader(4, 3, 24);
    ASSERT_TRUE(bmp.saveToFile(dir.file("real.bmp")));
    const Bytes jpeg = fixtures::writeJpeg(
        6, 2, 3, [](int x, int, int c) { return uint8_t(c == 0 ? 40 * x : 90); });
    fixtures::GifLayout gif;
    gif.width = 2, gif.height = 1, gif.globalColors = {{1, 2, 3}, {200, 100, 50}};
    gif.frames.resize(1);
    gif.frames[0].width = 2, gif.frames[0].indices = {0, 1};
    // An icon of one 2 × 2 PNG entry.
    fixtures::PngLayout entry;
    entry.width = entry.height = 2;
    entry.rows.assign(2, Bytes(6, 77));
    const Bytes entryPng = fixtures::writePng(entry);
    Bytes ico = {0, 0, 1, 0, 1, 0, 2, 2, 0, 0, 1, 0, 32, 0};
    for (uint32_t v : {uint32_t(entryPng.size()), 22u})
        for (int i = 0; i < 4; ++i) ico.push_back(uint8_t(v >> (8 * i)));
    ico.insert(ico.end(), entryPng.begin(), entryPng.end());

    struct Case {
        const char* name;
        Bytes content;
        int type;
        Size size;
    } cases[] = {
        {"jpeg.gif", jpeg, FormatJpeg, {6, 2}},
        {"gif.jpg", fixtures::writeGif(gif), FormatGif, {2, 1}},
        {"png.jpg", readFile(dir.file("real.png")), FormatPng, {3, 2}},
        {"png.bmp", readFile(dir.file("real.png")), FormatPng, {3, 2}},
        {"bmp.png", readFile(dir.file("real.bmp")), FormatBmp, {4, 3}},
        {"ico.png", ico, FormatIco, {2, 2}},
        {"jpeg.ICO", jpeg, FormatJpeg, {6, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(dir.file(c.name), c.content);
        std::unique_ptr<Document> doc;
        OpenedFileInfo info;
        ASSERT_TRUE(openDocument(doc, dir.file(c.name), &info));
        EXPECT_EQ(info.formatType, c.type);
        EXPECT_EQ(doc->size(), c.size);
        EXPECT_EQ(doc->filePath(), dir.file(c.name));
        EXPECT_EQ(doc->fileName(), c.name);
        EXPECT_FALSE(doc->isModified());
    }

    // Save follows the path: the PNG named .jpg is written as a JPEG.
    std::unique_ptr<Document> doc;
    ASSERT_TRUE(openDocument(doc, dir.file("png.jpg")));
    doc->setModified(true);
    ASSERT_TRUE(saveDocument(*doc));
    const Bytes saved = readFile(dir.file("png.jpg"));
    ASSERT_GE(saved.size(), 3u);
    EXPECT_EQ(formatTypeOfSignature(saved.data(), saved.size()), FormatJpeg);

    // Content that no format announces, or that its own format cannot read, still fails.
    writeFile(dir.file("text.jpg"), {'h', 'e', 'l', 'l', 'o', '\n'});
    writeFile(dir.file("cut.gif"), Bytes(jpeg.begin(), jpeg.begin() + 40));
    writeFile(dir.file("png-named.xcf"), readFile(dir.file("real.png")));
    for (const char* name : {"text.jpg", "cut.gif", "png-named.xcf"}) {
        std::unique_ptr<Document> none;
        EXPECT_FALSE(openDocument(none, dir.file(name))) << name;
        EXPECT_EQ(none, nullptr) << name;
    }
}

// A layered document saved as .ora opens with its layers; a file named for the other format
// opens as what it holds, both ways.
TEST(FormatRegistry, LayeredFilesKeepTheirLayersThroughSaveAndOpen) {
    ScratchFolder dir;
    auto doc = documentOf(6, 4, fixtures::pattern);
    ColorImage top;
    fixtures::paint(top, 3, 2,
                    [](int32_t x, int32_t y) { return rgb(uint8_t(x * 50), 9, uint8_t(y)); });
    doc->layers().newRasterLayer(top, nullptr, {2, 1}, "Top", false);
    doc->setPath(dir.file("layers.ora"));
    doc->setModified(true);
    std::string why;
    ASSERT_TRUE(saveDocument(*doc, {}, &why)) << why;
    EXPECT_FALSE(doc->isModified());

    Bytes head = readFile(dir.file("layers.ora"));
    EXPECT_EQ(formatTypeOfSignature(head.data(), std::min<size_t>(head.size(), kSignatureBytes)),
              FormatOra);
    std::filesystem::copy_file(dir.file("layers.ora"), dir.file("layers-named.png"));
    for (const char* name : {"layers.ora", "layers-named.png"}) {
        std::unique_ptr<Document> opened;
        OpenedFileInfo info;
        ASSERT_TRUE(openDocument(opened, dir.file(name), &info, &why)) << name << why;
        EXPECT_EQ(info.formatType, FormatOra) << name;
        ASSERT_EQ(opened->layers().count(), 2) << name;
        EXPECT_EQ(opened->layers().layerAt(1)->name(), "Top");
        EXPECT_EQ(opened->layers().layerAt(1)->offset(), (Point{2, 1}));
        EXPECT_EQ(opened->filePath(), dir.file(name));
        EXPECT_FALSE(opened->isModified());
    }

    // A PNG named .ora opens as the PNG it is.
    auto flat = documentOf(2, 2, fixtures::pattern);
    flat->setPath(dir.file("flat.png"));
    ASSERT_TRUE(saveDocument(*flat));
    std::filesystem::copy_file(dir.file("flat.png"), dir.file("flat.ora"));
    std::unique_ptr<Document> opened;
    OpenedFileInfo info;
    ASSERT_TRUE(openDocument(opened, dir.file("flat.ora"), &info));
    EXPECT_EQ(info.formatType, FormatPng);
}

TEST(FormatType, SignaturesNameTheirFormats) {
    struct Case {
        const char* what;
        Bytes head;
        int type;
    } cases[] = {
        {"png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, FormatPng},
        {"png cut short", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A}, FormatNone},
        {"jpeg", {0xFF, 0xD8, 0xFF, 0xE0}, FormatJpeg},
        {"jpeg without a third marker byte", {0xFF, 0xD8, 0x00}, FormatNone},
        {"gif87a", {'G', 'I', 'F', '8', '7', 'a'}, FormatGif},
        {"gif89a", {'G', 'I', 'F', '8', '9', 'a', 1, 0}, FormatGif},
        {"gif of another version", {'G', 'I', 'F', '8', '8', 'a'}, FormatNone},
        {"bmp", {'B', 'M', 0x3A, 0}, FormatBmp},
        {"webp", {'R', 'I', 'F', 'F', 9, 0, 0, 0, 'W', 'E', 'B', 'P'}, FormatWebp},
        {"another RIFF file", {'R', 'I', 'F', 'F', 9, 0, 0, 0, 'W', 'A', 'V', 'E'}, FormatNone},
        {"webp cut short", {'R', 'I', 'F', 'F', 9, 0, 0, 0, 'W', 'E', 'B'}, FormatNone},
        {"tiff, little-endian", {'I', 'I', 42, 0, 8, 0, 0, 0}, FormatTiff},
        {"tiff, big-endian", {'M', 'M', 0, 42, 0, 0, 0, 8}, FormatTiff},
        {"big tiff", {'I', 'I', 43, 0, 8, 0, 0, 0}, FormatNone},
        {"icon", {0, 0, 1, 0, 1, 0}, FormatIco},
        {"cursor", {0, 0, 2, 0, 3, 0}, FormatIco},
        {"icon without entries", {0, 0, 1, 0, 0, 0}, FormatNone},
        {"another resource type", {0, 0, 3, 0, 1, 0}, FormatNone},
        {"nothing", {}, FormatNone},
        {"text", {'B', 'a', 'd'}, FormatNone},
        {"zip cut short", {'P', 'K', 3, 4, 0, 0}, FormatNone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatTypeOfSignature(c.head.data(), c.head.size()), c.type) << c.what;
    EXPECT_EQ(formatTypeOfSignature(nullptr, 8), FormatNone);
}

// A JPEG whose Exif block gives an orientation.
Bytes orientedJpeg(int orientation, const ColorImage& pixels) {
    JpegImageFile image;
    image.pixels().copyFrom(pixels);
    image.jpegInfo().quality = 100;
    image.jpegInfo().subsamplingThreshold = 0;
    const Bytes tiff = {
        'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, uint8_t(orientation),
        0,   0,   0,  0, 0, 0, 0};
    Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), tiff.begin(), tiff.end());
    JpegSegment exif;
    exif.marker = JpegSegment::kExif;
    exif.length = int32_t(payload.size() + 2);
    exif.data = {0, uint8_t(exif.length)};
    exif.data.insert(exif.data.end(), payload.begin(), payload.end());
    image.jpegInfo().segments.push_back(exif);
    MemoryBuffer buffer(1 << 16);
    uint32_t written = 0;
    EXPECT_TRUE(JpegCodec().saveToBuffer(buffer, image, &written));
    return Bytes(buffer.data(), buffer.data() + written);
}

TEST(FormatRegistry, PhotosOpenUprightByTheirExifOrientation) {
    // Four 8 × 8 blocks of distinct colours (JPEG keeps flat blocks nearly exact).
    const Bgr tl = rgb(250, 0, 0), tr = rgb(0, 250, 0), bl = rgb(0, 0, 250), br = rgb(250, 250, 0);
    ColorImage stored;
    fixtures::paint(stored, 16, 8 * 2, [&](int32_t x, int32_t y) {
        return y < 8 ? (x < 8 ? tl : tr) : (x < 8 ? bl : br);
    });
    // Where the stored corners end up: top-left, top-right, bottom-left, bottom-right.
    struct Case {
        int orientation;
        Bgr corners[4];
    } cases[] = {
        {1, {tl, tr, bl, br}}, {2, {tr, tl, br, bl}}, {3, {br, bl, tr, tl}}, {4, {bl, br, tl, tr}},
        {5, {tl, bl, tr, br}}, {6, {bl, tl, br, tr}}, {7, {br, tr, bl, tl}}, {8, {tr, br, tl, bl}},
    };
    ScratchFolder dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        writeFile(dir.file("photo.jpg"), orientedJpeg(c.orientation, stored));
        std::unique_ptr<Document> doc;
        ASSERT_TRUE(openDocument(doc, dir.file("photo.jpg")));
        const ColorImage& p = onlyLayer(*doc).pixels();
        const Bgr seen[4] = {p.pixels(0)[0], p.pixels(0)[15], p.pixels(15)[0], p.pixels(15)[15]};
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(seen[i].r, c.corners[i].r, 6) << i;
            EXPECT_NEAR(seen[i].g, c.corners[i].g, 6) << i;
            EXPECT_NEAR(seen[i].b, c.corners[i].b, 6) << i;
        }
    }
}

TEST(FormatRegistry, SavesGoOnlyToTheThreeWritableFormats) {
    ScratchFolder dir;
    auto doc = documentOf(4, 4, fixtures::pattern);
    for (const char* name : {"a.gif", "a.ico", "a.xcf", "a.ved", "a"}) {
        doc->setPath(dir.file(name));
        doc->setModified(true);
        EXPECT_FALSE(saveDocument(*doc)) << name;
        EXPECT_TRUE(doc->isModified());
        EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
    }
    doc->setPath(dir.file("missing/a.png"));
    EXPECT_FALSE(saveDocument(*doc));
    doc->setPath(dir.file("preview.png"));
    doc->setPreviewOnly(true);
    EXPECT_FALSE(saveDocument(*doc));
    EXPECT_FALSE(std::filesystem::exists(dir.file("preview.png")));
    doc->setPreviewOnly(false);
    ASSERT_TRUE(saveDocument(*doc));
    EXPECT_FALSE(doc->isModified());
}

TEST(FormatRegistry, SavedTransparencyKeepsItsColoursAndFlattensOverWhiteOnlyWhenDropped) {
    ScratchFolder dir;
    // Bands of 8 columns (JPEG blocks): fully transparent, half transparent, opaque.
    auto doc = documentOf(
        24, 16, [](int32_t, int32_t) { return rgb(200, 40, 0); },
        [](int32_t x, int32_t) {
            return uint8_t(x < 8 ? 0 : x < 16 ? 128 : 255);
        });

    doc->setPath(dir.file("kept.png"));
    ASSERT_TRUE(saveDocument(*doc));
    PngImageFile png;
    ASSERT_TRUE(png.loadFromFile(dir.file("kept.png"), LoadPixels));
    ASSERT_TRUE(png.hasAlpha());
    EXPECT_EQ(png.pngInfo().colorType, 6);
    // Colour as composited, not whitened: a partly transparent pixel keeps its colour.
    EXPECT_EQ(png.pixels().color.pixels(0)[8], rgb(200, 40, 0));
    EXPECT_EQ(png.pixels().alpha.row(0)[8], 128);
    EXPECT_EQ(png.pixels().color.pixels(0)[16], rgb(200, 40, 0));
    EXPECT_EQ(png.pixels().alpha.row(0)[0], 0);

    doc->setPath(dir.file("flat.jpg"));
    ASSERT_TRUE(saveDocument(*doc));
    JpegImageFile jpeg;
    ASSERT_TRUE(jpeg.loadFromFile(dir.file("flat.jpg"), LoadPixels));
    const Bgr white = jpeg.pixels().pixels(4)[3];
    EXPECT_GE(std::min({white.r, white.g, white.b}), 250);  // transparent: white
    const Bgr half = jpeg.pixels().pixels(4)[11];           // half way to white
    EXPECT_NEAR(half.r, 227, 6);
    EXPECT_NEAR(half.g, 147, 6);
    EXPECT_NEAR(half.b, 127, 6);

    // An opaque document saves as plain RGB.
    auto opaque = documentOf(3, 2, fixtures::pattern);
    opaque->setPath(dir.file("opaque.png"));
    ASSERT_TRUE(saveDocument(*opaque));
    ASSERT_TRUE(png.loadFromFile(dir.file("opaque.png"), LoadPixels));
    EXPECT_FALSE(png.hasAlpha());
    EXPECT_EQ(png.pngInfo().colorType, 2);
}

TEST(FormatRegistry, BitmapsKeepAlphaOnlyWhenItSaysSomething) {
    ScratchFolder dir;
    struct Case {
        const char* name;
        int alpha;  // -1: opaque document
        int bitCount;
        bool reopensTransparent;
        Bgr reopenedColor;
    } cases[] = {
        {"opaque.bmp", -1, 24, false, rgb(200, 40, 0)},
        {"partial.bmp", 100, 32, true, rgb(200, 40, 0)},
        // Alpha 0 everywhere would read back as opaque: the picture is laid over white.
        {"invisible.bmp", 0, 24, false, rgb(255, 255, 255)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = c.alpha < 0 ? documentOf(5, 3, [](int32_t, int32_t) { return rgb(200, 40, 0); })
                               : documentOf(
                                     5, 3, [](int32_t, int32_t) { return rgb(200, 40, 0); },
                                     [&](int32_t, int32_t) { return uint8_t(c.alpha); });
        doc->setPath(dir.file(c.name));
        ASSERT_TRUE(saveDocument(*doc));
        const Bytes file = readFile(dir.file(c.name));
        ASSERT_GE(file.size(), 30u);
        EXPECT_EQ(file[28], c.bitCount);
        std::unique_ptr<Document> reopened;
        ASSERT_TRUE(openDocument(reopened, dir.file(c.name)));
        const RasterLayer& layer = onlyLayer(*reopened);
        ASSERT_EQ(layer.transparency() != nullptr, c.reopensTransparent);
        if (c.reopensTransparent) {
            EXPECT_EQ(layer.transparency()->row(1)[1], c.alpha);
        }
        EXPECT_EQ(layer.pixels().pixels(1)[1], c.reopenedColor);
    }
}

TEST(FormatRegistry, JpegQualityComesFromTheSaveOptions) {
    ScratchFolder dir;
    auto doc = documentOf(64, 64, fixtures::pattern);
    doc->setPath(dir.file("low.jpg"));
    SaveOptions low;
    low.jpegQuality = 20;
    ASSERT_TRUE(saveDocument(*doc, low));
    doc->setPath(dir.file("high.jpg"));
    ASSERT_TRUE(saveDocument(*doc));
    EXPECT_LT(readFile(dir.file("low.jpg")).size(), readFile(dir.file("high.jpg")).size() / 2);
    const fixtures::JpegHeader h = fixtures::inspectJpeg(readFile(dir.file("high.jpg")));
    EXPECT_EQ(h.hSampling, 2);  // quality 95 maps to 93, below the threshold
}

TEST(FormatRegistry, AFailedSaveLeavesTheExistingFile) {
    ScratchFolder dir;
    writeFile(dir.file("keep.png"), {'o', 'l', 'd'});
    // The write-then-rename itself is the file stream's (tested there); here the flow must not
    // touch the file when it refuses, and must leave no temporary behind when it succeeds.
    auto doc = documentOf(4, 4, fixtures::pattern);
    doc->setPath(dir.file("keep.png"));
    doc->setPreviewOnly(true);
    EXPECT_FALSE(saveDocument(*doc));
    EXPECT_EQ(readFile(dir.file("keep.png")), (Bytes{'o', 'l', 'd'}));
    doc->setPreviewOnly(false);
    ASSERT_TRUE(saveDocument(*doc));
    EXPECT_NE(readFile(dir.file("keep.png")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"keep.png"}));  // no temporary left
}

// Every format goes through the same commit: a first save creates the file without syncing it,
// a second one replaces it and syncs (no codec asks for a sync of its own).
TEST(FormatRegistry, SavesSyncOnlyWhenTheyReplaceAFile) {
    ScratchFolder dir;
    auto doc = documentOf(16, 8, fixtures::pattern);
    for (const char* name : {"a.bmp", "a.jpg", "a.png"}) {
        SCOPED_TRACE(name);
        doc->setPath(dir.file(name));
        uint64_t before = FileStream::dataSyncs();
        ASSERT_TRUE(saveDocument(*doc));
        EXPECT_EQ(FileStream::dataSyncs() - before, 0u);
        before = FileStream::dataSyncs();
        ASSERT_TRUE(saveDocument(*doc));
        EXPECT_EQ(FileStream::dataSyncs() - before, 1u);
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.bmp", "a.jpg", "a.png"}));
}

// A save takes the pixels of a document whose composite is one opaque layer as they lie, and
// flattens every other document; either way the file holds the composite, and the layers are
// left exactly as they were.
TEST(FormatRegistry, SavedFilesHoldTheCompositeAndLeaveTheLayersAsTheyWere) {
    constexpr int32_t kW = 9, kH = 7;
    auto other = [](int32_t x, int32_t y) { return rgb(uint8_t(x * 20), uint8_t(y * 30), 99); };
    struct Case {
        const char* name;
        std::function<void(Document&)> arrange;
    };
    const Case cases[] = {
        {"one background", [](Document&) {}},
        {"a hidden layer above",
         [&](Document& d) {
             ColorImage p;
             fixtures::paint(p, kW, kH, other);
             LayerStack& s = d.layers();
             s.setVisible(s.newRasterLayer(p, nullptr, {0, 0}, "", false), false);
         }},
        {"the only visible layer is larger than the canvas",
         [&](Document& d) {
             ColorImage p;
             fixtures::paint(p, kW + 4, kH + 3, other);
             LayerStack& s = d.layers();
             s.newRasterLayer(p, nullptr, {-2, -1}, "", false);
             s.setVisible(s.layerAt(0), false);
         }},
        {"the only visible layer covers part of the canvas",
         [&](Document& d) {
             ColorImage p;
             fixtures::paint(p, 4, 3, other);
             LayerStack& s = d.layers();
             s.newRasterLayer(p, nullptr, {3, 2}, "", false);
             s.setVisible(s.layerAt(0), false);
         }},
        {"the background at opacity 254",
         [](Document& d) { d.layers().setMasterOpacity(d.layers().layerAt(0), 254); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder dir;
        auto doc = documentOf(kW, kH, fixtures::pattern);
        c.arrange(*doc);
        // What the layers hold before the saves, to check that the saves leave them alone.
        std::vector<const uint8_t*> stores;
        std::vector<ColorImage> copies(size_t(doc->layers().count()));
        for (int i = 0; i < doc->layers().count(); ++i) {
            const ColorImage& p = doc->layers().rasterAt(i)->pixels();
            stores.push_back(p.bits());
            ASSERT_TRUE(copies[size_t(i)].copyFrom(p));
        }
        DocumentComposite* comp = doc->composite();
        ASSERT_NE(comp, nullptr);
        const bool opaque = !hasNon255(comp->alpha());
        ColorImage expected;
        ASSERT_TRUE(expected.copyFrom(comp->color()));
        GrayMap expectedAlpha;
        ASSERT_TRUE(expectedAlpha.copyFrom(comp->alpha()));

        for (const char* name : {"a.bmp", "a.png", "a.jpg"}) {
            SCOPED_TRACE(name);
            doc->setPath(dir.file(name));
            ASSERT_TRUE(saveDocument(*doc));
            const int type = formatTypeOf(name);
            if (type == FormatJpeg) {
                if (!opaque) continue;  // laid over white, tested above
                // The same encoder over the composite gives the same bytes.
                JpegImageFile reference;
                ASSERT_TRUE(reference.pixels().copyFrom(expected));
                ASSERT_TRUE(reference.saveToFile(dir.file("reference.jpg")));
                EXPECT_EQ(readFile(dir.file(name)), readFile(dir.file("reference.jpg")));
                continue;
            }
            std::unique_ptr<ImageFile> image = createImageFile(type);
            ASSERT_TRUE(image->loadFromFile(dir.file(name), LoadPixels));
            const auto& read = static_cast<TransparentImageFile&>(*image).pixels();
            ASSERT_EQ(read.color.size(), Size(kW, kH));
            ASSERT_EQ(read.hasAlpha(), !opaque);
            for (int32_t y = 0; y < kH; ++y) {
                for (int32_t x = 0; x < kW; ++x) {
                    const uint8_t a = expectedAlpha.row(y)[x];
                    if (!opaque) {
                        ASSERT_EQ(read.alpha.row(y)[x], a) << x << "," << y;
                    }
                    if (a != 0) {
                        ASSERT_EQ(read.color.pixels(y)[x], expected.pixels(y)[x]) << x << "," << y;
                    }
                }
            }
        }
        for (int i = 0; i < doc->layers().count(); ++i) {
            const ColorImage& p = doc->layers().rasterAt(i)->pixels();
            EXPECT_EQ(p.bits(), stores[size_t(i)]);
            ASSERT_EQ(p.size(), copies[size_t(i)].size());
            EXPECT_EQ(std::memcmp(p.bits(), copies[size_t(i)].bits(), size_t(p.imageBytes())), 0);
        }
    }
}

}  // namespace
}  // namespace varnel
