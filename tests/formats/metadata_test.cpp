// A photo's Exif, XMP and ICC profile: read from JPEG and PNG files, kept by the document through
// edits and duplication, written back by every format that holds them (orientation reset, pixel
// dimensions updated, every other byte as it was) and never by BMP; hostile Exif blocks read
// nothing outside themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "codec_fixtures.h"
#include "document/document.h"
#include "document/layer_stack.h"
#include "formats/exif.h"
#include "formats/format_registry.h"
#include "formats/metadata_blocks.h"
#include "jpeg_fixtures.h"
#include "metadata_fixtures.h"
#include "test_files.h"

namespace varnel {
namespace {

using fixtures::Bytes;
using testing_files::ScratchFolder;

void writeFile(const std::string& path, const Bytes& bytes) {
    testing_files::writeBytes(path, std::string(bytes.begin(), bytes.end()));
}

// --- Exif blocks --------------------------------------------------------------------------

TEST(ExifBlock, OrientationAndDimensionsChangeOnlyTheirOwnBytes) {
    for (const bool little : {true, false}) {
        SCOPED_TRACE(little ? "little-endian" : "big-endian");
        Bytes block = fixtures::exifBlock(little, 6, 640, 480);
        EXPECT_TRUE(isExifBlock(block));
        EXPECT_EQ(exifOrientation(block), 6);
        uint32_t w = 0, h = 0;
        exifPixelDimensions(block, w, h);
        EXPECT_EQ(w, 640u);
        EXPECT_EQ(h, 480u);

        resetExifOrientation(block);
        setExifPixelDimensions(block, 30000, 123);
        // The SHORT width and the LONG height both take the new size; nothing else moves.
        EXPECT_EQ(block, fixtures::exifBlock(little, 1, 30000, 123));
    }
}

TEST(ExifBlock, BlocksWithoutTheTagsAreLeftAsTheyAre) {
    // A first directory with one unrelated entry and no Exif directory.
    const Bytes bare = {'I', 'I', 42, 0, 8, 0,   0, 0, 1, 0, 0x0F, 0x01, 2,
                        0,   2,   0,  0, 0, 'A', 0, 0, 0, 0, 0,    0,    0};
    Bytes block = bare;
    EXPECT_EQ(exifOrientation(block), 0);
    resetExifOrientation(block);
    setExifPixelDimensions(block, 10, 10);
    EXPECT_EQ(block, bare);
}

// Offsets are the file's: every one of them may point anywhere.
TEST(ExifBlock, HostileOffsetsReadNothingOutsideTheBlock) {
    const Bytes good = fixtures::exifBlock(true, 3, 64, 48);
    auto with = [&](size_t at, std::vector<uint8_t> bytes) {
        Bytes b = good;
        std::copy(bytes.begin(), bytes.end(), b.begin() + long(at));
        return b;
    };
    struct Case {
        const char* name;
        Bytes block;
        int orientation;
    } cases[] = {
        {"first directory past the end", with(4, {0xF0, 0xFF, 0xFF, 0xFF}), 0},
        {"first directory at the last byte", with(4, {107, 0, 0, 0}), 0},
        {"entry count past the end", with(8, {0xFF, 0x7F}), 0},
        {"Exif directory past the end", with(8 + 2 + 24 + 8, {0xF0, 0xFF, 0xFF, 0xFF}), 3},
        {"Exif directory is the first one", with(8 + 2 + 24 + 8, {8, 0, 0, 0}), 3},
        {"Make's text past the end", with(8 + 2 + 8, {0xFF, 0xFF, 0, 0}), 3},
        {"rational past the end", with(58 + 2 + 8, {0xFC, 0xFF, 0xFF, 0xFF}), 3},
        {"not a TIFF structure", with(2, {43, 0}), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(exifOrientation(c.block), c.orientation);
        Bytes changed = c.block;
        resetExifOrientation(changed);
        setExifPixelDimensions(changed, 1, 2);
        EXPECT_EQ(changed.size(), c.block.size());
        // A TIFF file's directories are copied out with the same checks.
        exifFromTiffFile(c.block.data(), c.block.size());
        std::vector<uint8_t> tiff = c.block;
        appendExifToTiffFile(tiff, good);
    }
    // Every truncation of a good block, each in memory of its own size (the sanitizer sees
    // any read past it).
    for (size_t n = 0; n < good.size(); ++n) {
        Bytes cut(good.begin(), good.begin() + long(n));
        exifOrientation(cut);
        resetExifOrientation(cut);
        setExifPixelDimensions(cut, 1, 2);
        exifFromTiffFile(cut.data(), cut.size());
        exifTextTags(cut);
    }
}

// --- JPEG segments ------------------------------------------------------------------------

std::deque<JpegSegment> segmentsOf(const std::vector<Bytes>& raw) {
    std::deque<JpegSegment> list;
    for (const Bytes& s : raw) {
        JpegSegment segment;
        segment.marker = s[1];
        segment.data.assign(s.begin() + 2, s.end());
        segment.length = int32_t(segment.data.size());
        if (s[1] == 0xE1 && s.size() > 10 && std::memcmp(s.data() + 4, "Exif\0\0", 6) == 0) {
            segment.marker = JpegSegment::kExif;
        }
        list.push_back(std::move(segment));
    }
    return list;
}

TEST(JpegMetadata, ProfilePartsJoinInTheirNumberedOrderOrNotAtAll) {
    const Bytes profile = fixtures::iccProfile(1000);
    struct Case {
        const char* name;
        std::vector<int> order;
        bool kept;
    } cases[] = {
        {"in order", {1, 2, 3}, true},
        {"out of order", {3, 1, 2}, true},
        {"a part missing", {1, 3}, false},
        {"a part twice", {1, 2, 2, 3}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PhotoMetadata m =
            metadataFromJpegSegments(segmentsOf(fixtures::iccSegments(profile, 400, c.order)));
        EXPECT_EQ(m.icc, c.kept ? profile : Bytes{});
    }
}

TEST(JpegMetadata, SegmentsWrittenReadBackAsTheSameBlocks) {
    PhotoMetadata m;
    m.exif = fixtures::exifBlock(false, 1, 5, 7);
    m.xmp = fixtures::xmpPacket();
    // Three segments' worth.
    m.icc = fixtures::iccProfile(150000);
    std::deque<JpegSegment> segments;
    appendMetadataSegments(m, segments);
    EXPECT_EQ(segments.size(), 1u + 1u + 3u);
    EXPECT_EQ(metadataFromJpegSegments(segments), m);

    // A block too large for one segment is left out rather than cut.
    PhotoMetadata large;
    large.xmp.assign(70000, 'x');
    std::deque<JpegSegment> none;
    appendMetadataSegments(large, none);
    EXPECT_TRUE(metadataFromJpegSegments(none).empty());
}

// --- files --------------------------------------------------------------------------------

struct Photo {
    Bytes exif;  // as the file holds it (orientation 6, the camera's dimensions)
    Bytes xmp = fixtures::xmpPacket();
    Bytes icc = fixtures::iccProfile(70000);  // two JPEG segments
};

// A 24 × 16 JPEG with the photo's blocks, the profile in two parts.
Bytes jpegPhoto(const Photo& photo) {
    const Bytes plain = fixtures::writeJpeg(24, 16, 3, [](int x, int y, int c) {
        return uint8_t(c == 0 ? (x < 12 ? 250 : 10) : c == 1 ? (y < 8 ? 240 : 20) : 128);
    });
    std::vector<Bytes> segments = {fixtures::exifSegment(photo.exif),
                                   fixtures::xmpSegment(photo.xmp)};
    for (Bytes& s : fixtures::iccSegments(photo.icc, 60000)) segments.push_back(std::move(s));
    return fixtures::spliceJpeg(plain, segments);
}

Bytes pngChunk(const char* type, const Bytes& data) {
    return fixtures::pngChunk(type, data);
}

// A 24 × 16 PNG with transparency and the photo's blocks (the XMP packet compressed).
Bytes pngPhoto(const Photo& photo) {
    fixtures::PngLayout layout;
    layout.width = 24;
    layout.height = 16;
    layout.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    for (uint32_t y = 0; y < layout.height; ++y) {
        Bytes row;
        for (uint32_t x = 0; x < layout.width; ++x) {
            row.insert(row.end(),
                       {uint8_t(x * 10), uint8_t(y * 15), 90, uint8_t(x < 12 ? 255 : 7)});
        }
        layout.rows.push_back(row);
    }
    std::vector<Bytes> chunks;
    if (!photo.icc.empty()) chunks.push_back(fixtures::iccpChunk(photo.icc));
    if (!photo.exif.empty()) chunks.push_back(pngChunk("eXIf", photo.exif));
    if (!photo.xmp.empty()) chunks.push_back(fixtures::xmpChunk(photo.xmp, true));
    return fixtures::splicePng(fixtures::writePng(layout), chunks);
}

struct Opened {
    std::unique_ptr<Document> document;
    std::string reason;
};

Opened open(const std::string& path) {
    Opened o;
    EXPECT_TRUE(openDocument(o.document, path, nullptr, &o.reason)) << path << ": " << o.reason;
    return o;
}

void save(Document& document, const std::string& path) {
    document.setPath(path);
    std::string reason;
    ASSERT_TRUE(saveDocument(document, {}, &reason)) << path << ": " << reason;
}

TEST(PhotoMetadataFiles, BlocksSurviveASaveInEveryFormatThatHoldsThem) {
    ScratchFolder folder;
    for (const bool little : {true, false}) {
        Photo photo;
        photo.exif = fixtures::exifBlock(little, 6, 24, 16);
        writeFile(folder.file("photo.jpg"), jpegPhoto(photo));
        writeFile(folder.file("photo.png"), pngPhoto(photo));
        for (const char* source : {"photo.jpg", "photo.png"}) {
            Opened opened = open(folder.file(source));
            ASSERT_TRUE(opened.document);
            Document& doc = *opened.document;
            // The orientation turned the picture a quarter clockwise, and now says so no more.
            ASSERT_EQ(doc.size(), (Size{16, 24}));
            PhotoMetadata expected;
            expected.exif = fixtures::exifBlock(little, 1, 24, 16);
            expected.xmp = photo.xmp;
            expected.icc = photo.icc;
            EXPECT_EQ(doc.metadata(), expected) << source;

            // The saved size reaches the Exif dimensions; every other byte stays.
            expected.exif = fixtures::exifBlock(little, 1, 16, 24);
            for (const char* target : {"out.jpg", "out.png", "out.webp"}) {
                SCOPED_TRACE(std::string(source) + " to " + target + (little ? " II" : " MM"));
                save(doc, folder.file(target));
                Opened back = open(folder.file(target));
                ASSERT_TRUE(back.document);
                EXPECT_EQ(back.document->size(), (Size{16, 24}));
                EXPECT_EQ(back.document->metadata(), expected);
            }
            save(doc, folder.file("out.bmp"));
            Opened bmp = open(folder.file("out.bmp"));
            ASSERT_TRUE(bmp.document);
            EXPECT_TRUE(bmp.document->metadata().empty());
        }
    }
}

TEST(PhotoMetadataFiles, TheOrientationTurnsTheTransparencyWithThePixels) {
    ScratchFolder folder;
    Photo photo;
    photo.exif = fixtures::exifBlock(true, 6, 24, 16);
    writeFile(folder.file("photo.png"), pngPhoto(photo));
    Opened opened = open(folder.file("photo.png"));
    ASSERT_TRUE(opened.document);
    const RasterLayer* layer = opened.document->layers().rasterAt(0);
    ASSERT_TRUE(layer && layer->transparency());
    // The opaque left half of the file is the top half once turned a quarter clockwise.
    const Channel& alpha = *layer->transparency();
    EXPECT_EQ(alpha.row(0)[0], 255);
    EXPECT_EQ(alpha.row(11)[15], 255);
    EXPECT_EQ(alpha.row(12)[0], 7);
    EXPECT_EQ(alpha.row(23)[15], 7);
}

TEST(PhotoMetadataFiles, EditsAndDuplicatesKeepTheBlocks) {
    ScratchFolder folder;
    Photo photo;
    photo.exif = fixtures::exifBlock(true, 1, 24, 16);
    writeFile(folder.file("photo.jpg"), jpegPhoto(photo));
    Opened opened = open(folder.file("photo.jpg"));
    ASSERT_TRUE(opened.document);
    Document& doc = *opened.document;
    ASSERT_EQ(doc.resizeAll({12, 30}, true), 1);
    const std::unique_ptr<Document> copy = doc.duplicate();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->metadata(), doc.metadata());
    save(*copy, folder.file("resized.jpg"));
    Opened back = open(folder.file("resized.jpg"));
    ASSERT_TRUE(back.document);
    EXPECT_EQ(back.document->metadata().exif, fixtures::exifBlock(true, 1, 12, 30));
    EXPECT_EQ(back.document->metadata().icc, photo.icc);
}

TEST(PhotoMetadataFiles, BrokenBlocksAreLeftOutAndThePictureStillOpens) {
    ScratchFolder folder;
    Photo photo;
    photo.exif = fixtures::exifBlock(true, 1, 24, 16);
    // A PNG whose profile does not inflate, whose Exif chunk fails its checksum and whose
    // text chunk is not XMP; a JPEG whose Exif is not a TIFF structure.
    Bytes badExif = pngChunk("eXIf", photo.exif);
    badExif[20] ^= 0xFF;
    Bytes png = fixtures::splicePng(
        pngPhoto(Photo{{}, {}, {}}),
        {pngChunk("iCCP", {'x', 0, 0, 1, 2, 3, 4}), badExif,
         pngChunk("iTXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0, 0, 0, 0, 'h', 'i'})});
    writeFile(folder.file("broken.png"), png);
    Opened opened = open(folder.file("broken.png"));
    ASSERT_TRUE(opened.document);
    EXPECT_TRUE(opened.document->metadata().empty());

    Photo notTiff;
    notTiff.exif = {'X', 'X', 0, 0};
    writeFile(folder.file("broken.jpg"), jpegPhoto(notTiff));
    Opened jpeg = open(folder.file("broken.jpg"));
    ASSERT_TRUE(jpeg.document);
    EXPECT_TRUE(jpeg.document->metadata().exif.empty());
    EXPECT_EQ(jpeg.document->metadata().icc, notTiff.icc);
}

// A TIFF file holds its Exif in its own directories: what reads back from one is a block rebuilt
// from them (the camera's text, the Exif directory), the same however often it is saved.
TEST(PhotoMetadataFiles, TiffFilesHoldTheBlocksInTheirOwnTags) {
    ScratchFolder folder;
    for (const bool little : {true, false}) {
        SCOPED_TRACE(little ? "II" : "MM");
        Photo photo;
        photo.exif = fixtures::exifBlock(little, 6, 24, 16);
        writeFile(folder.file("photo.jpg"), jpegPhoto(photo));
        Opened opened = open(folder.file("photo.jpg"));
        ASSERT_TRUE(opened.document);
        save(*opened.document, folder.file("out.tif"));
        // The directories are copied as their bytes lie, so the file takes the block's order.
        const std::string head = testing_files::readBytes(folder.file("out.tif")).substr(0, 2);
        EXPECT_EQ(head, little ? "II" : "MM");

        Opened tiff = open(folder.file("out.tif"));
        ASSERT_TRUE(tiff.document);
        const PhotoMetadata& read = tiff.document->metadata();
        EXPECT_EQ(read.xmp, photo.xmp);
        EXPECT_EQ(read.icc, photo.icc);
        ASSERT_TRUE(isExifBlock(read.exif));
        uint32_t w = 0, h = 0;
        exifPixelDimensions(read.exif, w, h);
        EXPECT_EQ(w, 16u);
        EXPECT_EQ(h, 24u);
        const std::vector<ExifText> texts = exifTextTags(read.exif);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].tag, 0x010F);
        EXPECT_EQ(std::string(texts[0].text.begin(), texts[0].text.end()), "Camera");
        // The rational behind the Exif directory came along: the block holds 1/250 in its order.
        const Bytes rational =
            little ? Bytes{1, 0, 0, 0, 250, 0, 0, 0} : Bytes{0, 0, 0, 1, 0, 0, 0, 250};
        EXPECT_NE(std::search(read.exif.begin(), read.exif.end(), rational.begin(), rational.end()),
                  read.exif.end());

        for (const char* target : {"again.tif", "again.jpg", "again.png"}) {
            SCOPED_TRACE(target);
            save(*tiff.document, folder.file(target));
            Opened back = open(folder.file(target));
            ASSERT_TRUE(back.document);
            EXPECT_EQ(back.document->metadata(), read);
        }
    }
}

}  // namespace
}  // namespace varnel
