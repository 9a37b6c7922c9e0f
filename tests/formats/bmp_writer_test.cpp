// Writing BMP files and packed bitmaps, saving image file objects at the depth their format info
// asks for, and loading the bitmaps built into the program.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "bmp_fixtures.h"
#include "core/surface.h"
#include "formats/bmp_codec.h"
#include "formats/bmp_resources.h"
#include "formats/image_file.h"
#include "formats/memory_stream.h"
#include "formats/resources.h"
#include "test_files.h"

namespace varnel {
namespace {

using bmp_fixtures::BmpFields;

Bgr rgb(uint8_t r, uint8_t g, uint8_t b) {
    return {b, g, r};
}

uint32_t le32(const std::vector<uint8_t>& v, size_t at) {
    return uint32_t(v[at]) | uint32_t(v[at + 1]) << 8 | uint32_t(v[at + 2]) << 16 |
           uint32_t(v[at + 3]) << 24;
}
uint16_t le16(const std::vector<uint8_t>& v, size_t at) {
    return uint16_t(v[at] | v[at + 1] << 8);
}

// Runs `write` into a buffer large enough for anything here; returns the bytes written.
std::vector<uint8_t> written(const std::function<bool(ByteStream&)>& write, bool* ok = nullptr) {
    std::vector<uint8_t> buffer(1 << 16, 0xCD);
    MemoryStream stream;
    EXPECT_TRUE(stream.attachBlock(static_cast<void*>(buffer.data()), uint32_t(buffer.size()), 0));
    const bool result = write(stream);
    if (ok) *ok = result;
    buffer.resize(result ? stream.tell() : 0);
    return buffer;
}

bool readBack(const std::vector<uint8_t>& file, PixelSurface& out) {
    MemoryStream stream;
    if (!stream.attachBlock(static_cast<const void*>(file.data()), uint32_t(file.size()), 0)) {
        return false;
    }
    return readBitmapFile(stream, out);
}

bool loadImage(const std::vector<uint8_t>& file, BmpImageFile& image) {
    MemoryStream stream;
    if (!stream.attachBlock(static_cast<const void*>(file.data()), uint32_t(file.size()), 0)) {
        return false;
    }
    BmpCodec codec;
    return codec.loadFromStream(image, stream, LoadPixels);
}

// Fills every byte of a surface's rows (padding left 0) with a pattern.
void pattern(PixelSurface& s) {
    const int32_t used = int32_t((int64_t(s.width()) * s.bitsPerPixel() + 7) / 8);
    for (int32_t y = 0; y < s.height(); ++y) {
        for (int32_t i = 0; i < used; ++i) s.row(y)[i] = uint8_t(37 * y + 11 * i + 5);
    }
    // Keep the unused low bits of the last byte of packed rows clear.
    if (s.bitsPerPixel() < 8) {
        const int32_t bits = s.width() * s.bitsPerPixel() % 8;
        if (bits) {
            for (int32_t y = 0; y < s.height(); ++y) {
                s.row(y)[used - 1] &= uint8_t(0xFF << (8 - bits));
            }
        }
    }
}

TEST(BmpWriter, RoundTripsEveryDepthWithItsPaletteAndPadding) {
    struct Case {
        int32_t bits;
        int32_t width;
        uint32_t compression;
    } cases[] = {{1, 13, 0}, {4, 5, 0}, {8, 3, 0}, {15, 3, 0}, {24, 5, 0}, {32, 2, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        PixelSurface s;
        ASSERT_TRUE(s.create(c.width, 3, c.bits));
        pattern(s);
        if (c.bits <= 8) {
            Palette p;
            for (int i = 0; i < (1 << c.bits) && i < 7; ++i) {
                p.entries.push_back({uint8_t(i), uint8_t(2 * i), uint8_t(200 - i), 0});
            }
            ASSERT_TRUE(s.setPalette(p));
        }
        bool ok = false;
        const std::vector<uint8_t> file =
            written([&](ByteStream& st) { return writeBitmapFile(st, s); }, &ok);
        ASSERT_TRUE(ok);

        const uint32_t paletteBytes = c.bits <= 8 ? uint32_t(s.palette()->count()) * 4 : 0;
        EXPECT_EQ(le16(file, 0), 0x4D42);
        EXPECT_EQ(le32(file, 2), file.size());
        EXPECT_EQ(le32(file, 10), 54 + paletteBytes);
        EXPECT_EQ(le32(file, 14), 40u);
        EXPECT_EQ(int32_t(le32(file, 22)), 3);  // height positive: bottom-up rows
        EXPECT_EQ(le16(file, 28), c.bits == 15 ? 16 : c.bits);
        EXPECT_EQ(le32(file, 30), c.compression);
        EXPECT_EQ(le32(file, 46), c.bits <= 8 ? uint32_t(s.palette()->count()) : 0u);
        EXPECT_EQ(file.size(), 54 + paletteBytes + s.imageBytes());

        PixelSurface back;
        ASSERT_TRUE(readBack(file, back));
        ASSERT_EQ(back.bitsPerPixel(), s.bitsPerPixel());
        ASSERT_EQ(back.size(), s.size());
        for (int32_t y = 0; y < 3; ++y) {
            EXPECT_EQ(std::memcmp(back.row(y), s.row(y), size_t(s.bytesPerRow())), 0) << y;
        }
        if (c.bits <= 8) {
            EXPECT_EQ(*back.palette(), *s.palette());
        }
    }
}

TEST(BmpWriter, NonStandardMasksAreWrittenAsBitFields) {
    PixelSurface s;
    ASSERT_TRUE(s.create(3, 2, 16, true));  // 5-6-5
    ASSERT_TRUE(s.setColor(0, 0, rgb(255, 255, 255)));
    ASSERT_TRUE(s.setColor(1, 1, rgb(0, 255, 0)));
    bool ok = false;
    const std::vector<uint8_t> file =
        written([&](ByteStream& st) { return writeBitmapFile(st, s); }, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(le32(file, 30), 3u);
    EXPECT_EQ(le32(file, 10), 66u);
    EXPECT_EQ(le32(file, 54), 0xF800u);
    EXPECT_EQ(le32(file, 58), 0x07E0u);
    EXPECT_EQ(le32(file, 62), 0x001Fu);

    // Reading it back gives full-range colours.
    BmpImageFile image;
    ASSERT_TRUE(loadImage(file, image));
    EXPECT_EQ(image.colorPlane()->pixels(0)[0], rgb(255, 255, 255));
    EXPECT_EQ(image.colorPlane()->pixels(1)[1], rgb(0, 255, 0));
    EXPECT_EQ(image.colorPlane()->pixels(1)[0], rgb(0, 0, 0));
}

TEST(BmpWriter, PackedBitmapReportsItsSizes) {
    PixelSurface s;
    ASSERT_TRUE(s.create(5, 2, 8));
    Palette p;
    p.entries = {{1, 1, 1, 0}, {2, 2, 2, 0}, {3, 3, 3, 0}};
    ASSERT_TRUE(s.setPalette(p));
    uint32_t headerBlock = 0, pixelData = 0;
    bool ok = false;
    const std::vector<uint8_t> packed = written(
        [&](ByteStream& st) { return writePackedDib(st, s, &headerBlock, &pixelData); }, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(headerBlock, 40u + 12u);
    EXPECT_EQ(pixelData, 8u * 2u);  // rows of 5 bytes padded to 8
    EXPECT_EQ(packed.size(), headerBlock + pixelData);
    EXPECT_EQ(packedDibHeaderBlockSize(packed.data(), uint32_t(packed.size())), headerBlock);
}

TEST(BmpWriter, ShortWritesFailAtEveryStage) {
    ColorImage s;
    ASSERT_TRUE(s.createColor(4, 4));
    std::vector<uint8_t> full = written([&](ByteStream& st) { return writeBitmapFile(st, s); });
    ASSERT_EQ(full.size(), 54u + 48u);
    for (uint32_t room : {1u, 13u, 14u, 53u, 54u, 101u}) {
        std::vector<uint8_t> block(room);
        MemoryStream stream;
        ASSERT_TRUE(stream.attachBlock(static_cast<void*>(block.data()), room, 0));
        EXPECT_FALSE(writeBitmapFile(stream, s)) << room;
    }
    MemoryStream closed;
    EXPECT_FALSE(writeBitmapFile(closed, s));
    ColorImage empty;
    EXPECT_TRUE(written([&](ByteStream& st) { return writeBitmapFile(st, empty); }).empty());
}

// An image of three pixels (red, green, blue) with an optional alpha plane.
void threePixels(BmpImageFile& image, std::vector<int> alpha) {
    ColorAlphaPair& px = image.pixels();
    ASSERT_TRUE(px.color.createColor(3, 1));
    px.color.pixels(0)[0] = rgb(255, 0, 0);
    px.color.pixels(0)[1] = rgb(0, 255, 0);
    px.color.pixels(0)[2] = rgb(0, 0, 255);
    if (alpha.empty()) return;
    ASSERT_TRUE(px.alpha.createGray(3, 1));
    for (int x = 0; x < 3; ++x) px.alpha.row(0)[x] = uint8_t(alpha[size_t(x)]);
}

TEST(BmpWriter, SaveWritesTheDepthOfTheHeaderHeldOrWhatTheAlphaNeeds) {
    struct Case {
        const char* name;
        int headerBits;  // 0: no header held; 165: 16 bits with 5-6-5 masks
        std::vector<int> alpha;
        int fileBits;  // 0: the save fails
        uint32_t compression;
        std::vector<Bgr> colors;     // as read back
        std::vector<int> alphaBack;  // empty: no alpha plane read back
    };
    const Bgr red = rgb(255, 0, 0), green = rgb(0, 255, 0), blue = rgb(0, 0, 255);
    const Bgr white = rgb(255, 255, 255);
    const Case cases[] = {
        {"opaque, no header", 0, {}, 24, 0, {red, green, blue}, {}},
        {"alpha all 255", 0, {255, 255, 255}, 24, 0, {red, green, blue}, {}},
        {"alpha all 0: laid over white", 0, {0, 0, 0}, 24, 0, {white, white, white}, {}},
        {"real transparency", 0, {0, 128, 255}, 32, 0, {red, green, blue}, {0, 128, 255}},
        {"24 bits held, with transparency",
         24,
         {0, 128, 255},
         24,
         0,
         {white, rgb(126, 255, 126), blue},
         {}},
        {"32 bits held, opaque", 32, {}, 32, 0, {red, green, blue}, {255, 255, 255}},
        {"8 bits held", 8, {}, 8, 0, {red, green, blue}, {}},
        {"4 bits held", 4, {}, 4, 0, {red, green, blue}, {}},
        {"1 bit held", 1, {}, 1, 0, {rgb(0, 0, 0), white, rgb(0, 0, 0)}, {}},
        {"16 bits held, plain", 16, {}, 16, 0, {red, green, blue}, {}},
        {"16 bits held with 5-6-5 masks", 165, {}, 16, 3, {red, green, blue}, {}},
        {"2 bits held", 2, {}, 0, 0, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpImageFile image;
        threePixels(image, c.alpha);
        if (c.headerBits == 165) {
            image.bmpInfo().setInfoHeader(3, 1, 16);
            std::vector<uint8_t>& h = image.bmpInfo().header;
            bmp_fixtures::put32(h, 16, 3);
            bmp_fixtures::put32(h, 40, 0xF800);
            bmp_fixtures::put32(h, 44, 0x07E0);
            bmp_fixtures::put32(h, 48, 0x001F);
        } else if (c.headerBits) {
            image.bmpInfo().setInfoHeader(3, 1, uint16_t(c.headerBits));
        }
        BmpCodec codec;
        bool ok = false;
        const std::vector<uint8_t> file =
            written([&](ByteStream& st) { return codec.saveToStream(st, image); }, &ok);
        ASSERT_EQ(ok, c.fileBits != 0);
        if (!ok) continue;
        EXPECT_EQ(le16(file, 28), c.fileBits);
        EXPECT_EQ(le32(file, 30), c.compression);
        EXPECT_EQ(le32(file, 38), 0u);  // no resolution stored
        BmpImageFile back;
        ASSERT_TRUE(loadImage(file, back));
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(back.colorPlane()->pixels(0)[x], c.colors[size_t(x)]) << x;
        ASSERT_EQ(back.hasAlpha(), !c.alphaBack.empty());
        for (size_t x = 0; x < c.alphaBack.size(); ++x) {
            EXPECT_EQ(back.alphaPlane()->row(0)[x], c.alphaBack[x]);
        }
    }
}

TEST(BmpWriter, SaveStoresNoResolutionButTheSurfaceWriterKeepsIt) {
    BmpFields dense;
    dense.xPelsPerMeter = 11811;  // 300 per inch
    dense.yPelsPerMeter = 11811;
    dense.pixels = bmp_fixtures::rows({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    BmpImageFile image;
    ASSERT_TRUE(loadImage(dense.file(), image));
    BmpCodec codec;
    const std::vector<uint8_t> saved =
        written([&](ByteStream& st) { return codec.saveToStream(st, image); });
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(le32(saved, 38), 0u);
    EXPECT_EQ(le32(saved, 42), 0u);
    const std::vector<uint8_t> plain =
        written([&](ByteStream& st) { return writeBitmapFile(st, *image.colorPlane()); });
    ASSERT_FALSE(plain.empty());
    EXPECT_EQ(le32(plain, 38), 11811u);
    EXPECT_EQ(std::vector<uint8_t>(saved.begin() + 54, saved.end()),
              std::vector<uint8_t>(plain.begin() + 54, plain.end()));
}

TEST(BmpWriter, SaveRefusesWhatItCannotWrite) {
    BmpCodec codec;
    BmpImageFile empty;
    EXPECT_TRUE(written([&](ByteStream& st) { return codec.saveToStream(st, empty); }).empty());
    PngImageFile other;  // not this codec's format
    ASSERT_TRUE(other.pixels().color.createColor(1, 1));
    EXPECT_TRUE(written([&](ByteStream& st) { return codec.saveToStream(st, other); }).empty());
    BmpImageFile mismatched;
    threePixels(mismatched, {});
    ASSERT_TRUE(mismatched.pixels().alpha.createGray(2, 1));
    EXPECT_TRUE(
        written([&](ByteStream& st) { return codec.saveToStream(st, mismatched); }).empty());
}

TEST(BmpWriter, FileRoundTripThroughTheImageFileObject) {
    testing_files::ScratchFolder folder;
    const std::string path = folder.file("picture.bmp");
    testing_files::writeBytes(path, "the old file");
    BmpImageFile image;
    threePixels(image, {10, 20, 30});
    ASSERT_TRUE(image.saveToFile(path));

    std::unique_ptr<ImageFile> opened = openImageFile(path, true);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->formatInfo()->filePath, path);
    EXPECT_EQ(opened->formatInfo()->bitDepth, 32);
    ASSERT_TRUE(opened->hasAlpha());
    EXPECT_EQ(opened->alphaPlane()->row(0)[2], 30);
    EXPECT_EQ(opened->colorPlane()->pixels(0)[1], rgb(0, 255, 0));

    // A failed save leaves the file there as it was.
    image.bmpInfo().setInfoHeader(3, 1, 2);
    EXPECT_FALSE(image.saveToFile(path));
    std::unique_ptr<ImageFile> again = openImageFile(path, true);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->alphaPlane()->row(0)[0], 10);
}

TEST(BmpResources, TheProgramsBitmapsLoad) {
    struct Case {
        uint32_t id;
        int bits;
        bool alpha;
    } cases[] = {
        {kBitmapMarqueeTool, 24, false}, {kBitmapHandTool, 4, false}, {kBitmapZoomTool, 32, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        BmpImageFile image;
        ASSERT_TRUE(image.loadFromResource(c.id, nullptr, LoadPixels));
        EXPECT_EQ(image.size(), (Size{16, 16}));
        EXPECT_EQ(image.bmpInfo().bitDepth, c.bits);
        EXPECT_EQ(image.hasAlpha(), c.alpha);

        BmpImageFile header;
        ASSERT_TRUE(header.loadFromResource(c.id, nullptr, LoadHeaderOnly));
        EXPECT_TRUE(header.isEmpty());
        EXPECT_EQ(header.bmpInfo().width, 16);
        EXPECT_EQ(header.bmpInfo().headerBitCount(), c.bits);
    }
    // The zoom icon is transparent around the glass and half see-through in it.
    BmpImageFile zoom;
    ASSERT_TRUE(zoom.loadFromResource(kBitmapZoomTool, nullptr, LoadPixels));
    EXPECT_EQ(zoom.alphaPlane()->row(0)[15], 0);
    EXPECT_EQ(zoom.alphaPlane()->row(6)[6], 110);
}

TEST(BmpResources, LoaderConvertsToTheWantedDepth) {
    struct Case {
        int32_t wanted;
        int32_t depth;  // 0: refused
    } cases[] = {{0, 4},   {4, 4},   {1, 1}, {8, 8},  {15, 16}, {16, 16},
                 {24, 24}, {32, 32}, {2, 0}, {12, 0}, {64, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wanted);
        PixelSurface s;
        ASSERT_EQ(loadBitmapResource(kBitmapHandTool, nullptr, c.wanted, s), c.depth != 0);
        if (!c.depth) continue;
        EXPECT_EQ(s.bitsPerPixel(), c.depth);
        EXPECT_EQ(s.size(), (Size{16, 16}));
    }
    PixelSurface s;
    EXPECT_FALSE(loadBitmapResource(999, nullptr, 0, s));
    ColorImage color;
    EXPECT_FALSE(
        loadBitmapResource(kBitmapHandTool, nullptr, 0, color));  // 4 bits: not a colour image
    EXPECT_TRUE(loadBitmapResource(kBitmapHandTool, nullptr, 24, color));
    // Hand outline black, palm white, ground the button face.
    EXPECT_EQ(color.pixels(0)[0], rgb(192, 192, 192));
    EXPECT_EQ(color.pixels(1)[6], rgb(0, 0, 0));
    EXPECT_EQ(color.pixels(9)[5], rgb(255, 255, 255));
}

TEST(BmpResources, ResourcesOfOtherModulesAreCheckedLikeFiles) {
    ResourceModule module;
    const ResourceType bitmap = ResourceType::numbered(kResourceBitmap);

    // A 32-bit resource keeps its alpha plane even when it is all 0.
    BmpFields clear;
    clear.width = 1;
    clear.height = 1;
    clear.bitCount = 32;
    clear.pixels = {1, 2, 3, 0};
    const std::vector<uint8_t> clearBytes = clear.packed();
    ASSERT_TRUE(module.add(bitmap, 1, clearBytes.data(), uint32_t(clearBytes.size())));
    BmpImageFile image;
    ASSERT_TRUE(image.loadFromResource(1, &module, LoadPixels));
    ASSERT_TRUE(image.hasAlpha());
    EXPECT_EQ(image.alphaPlane()->row(0)[0], 0);

    // Hostile or cut resources fail and leave the image as it was.
    BmpFields huge = clear;
    huge.width = 30000;
    huge.height = 30000;
    const std::vector<uint8_t> hugeBytes = huge.packed();
    const std::vector<uint8_t> cut(clearBytes.begin(), clearBytes.end() - 1);
    const std::vector<uint8_t> headerOnly(clearBytes.begin(), clearBytes.begin() + 40);
    ASSERT_TRUE(module.add(bitmap, 2, hugeBytes.data(), uint32_t(hugeBytes.size())));
    ASSERT_TRUE(module.add(bitmap, 3, cut.data(), uint32_t(cut.size())));
    ASSERT_TRUE(module.add(bitmap, 4, headerOnly.data(), uint32_t(headerOnly.size())));
    for (uint32_t id : {2u, 3u, 4u, 5u}) {
        EXPECT_FALSE(image.loadFromResource(id, &module, LoadPixels)) << id;
        PixelSurface s;
        EXPECT_FALSE(loadBitmapResource(id, &module, 0, s)) << id;
        EXPECT_TRUE(image.hasAlpha());
        EXPECT_EQ(image.size(), (Size{1, 1}));
    }
}

}  // namespace
}  // namespace varnel
