// TIFF through the format registry: round trips, refusals with their reasons, and the first page
// of a multi-page file.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "document/document.h"
#include "formats/format_registry.h"
#include "picture_fixtures.h"
#include "test_files.h"

namespace varnel {
namespace {

using testing_files::readBytes;
using testing_files::ScratchFolder;
using testing_files::writeBytes;

// A little-endian TIFF of one grey strip of `stripBytes` bytes (all 7) whose header announces
// `width` × `height` pixels in `compression` (1 none, 8 Deflate).
std::string greyTiff(uint32_t width, uint32_t height, uint16_t compression, uint32_t stripBytes) {
    std::string out = std::string("II*\0", 4);
    auto put16 = [&](uint32_t v) {
        out += char(v & 0xFF);
        out += char(v >> 8 & 0xFF);
    };
    auto put32 = [&](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    put32(8);
    const int entries = 9;
    const uint32_t dataAt = 8 + 2 + entries * 12 + 4;
    put16(entries);
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
        put16(tag);
        put16(type);
        put32(1);
        if (type == 3) {
            put16(value);
            put16(0);
        } else {
            put32(value);
        }
    };
    entry(256, 4, width);
    entry(257, 4, height);
    entry(258, 3, 8);
    entry(259, 3, compression);
    entry(262, 3, 1);
    entry(273, 4, dataAt);
    entry(277, 3, 1);
    entry(278, 4, height);
    entry(279, 4, stripBytes);
    put32(0);
    out += std::string(stripBytes, '\7');
    return out;
}

TEST(TiffFiles, RoundTripsKeepPixelsTransparencyAndResolution) {
    ScratchFolder dir;
    for (bool transparent : {false, true}) {
        SCOPED_TRACE(transparent ? "transparent" : "opaque");
        std::unique_ptr<Document> doc = fixtures::patternDocument(37, 23, transparent);
        doc->setResolution(300, 0);
        doc->setPath(dir.file("saved.tif"));
        std::string reason;
        ASSERT_TRUE(saveDocument(*doc, {}, &reason)) << reason;
        std::unique_ptr<Document> back;
        OpenedFileInfo info;
        ASSERT_TRUE(openDocument(back, dir.file("saved.tif"), &info, &reason)) << reason;
        EXPECT_EQ(info.formatType, FormatTiff);
        EXPECT_EQ(info.bitsPerPixel, transparent ? 32 : 24);
        EXPECT_DOUBLE_EQ(info.resolution, 300);
        EXPECT_EQ(back->isOpaque(), !transparent);
        EXPECT_EQ(fixtures::worstVisibleDifference(fixtures::documentRgba(*back),
                                                   fixtures::documentRgba(*doc)),
                  0);
    }
}

TEST(TiffFiles, HostileAndBrokenFilesAreRefusedWithAReason) {
    ScratchFolder dir;
    std::unique_ptr<Document> sample = fixtures::patternDocument(37, 23, false);
    sample->setPath(dir.file("good.tif"));
    ASSERT_TRUE(saveDocument(*sample));
    const std::string good = readBytes(dir.file("good.tif"));
    const std::string plain = greyTiff(20, 10, 1, 200);
    struct Case {
        const char* name;
        std::string bytes;
        std::string reason;
    } cases[] = {
        {"empty", "", "the file is empty"},
        {"header only", std::string("II*\0", 4), "not a readable TIFF file: "},
        {"uncompressed, cut", plain.substr(0, plain.size() - 50),
         "truncated at byte " + std::to_string(plain.size() - 50) + " of " +
             std::to_string(plain.size())},
        // The directory comes after the pixels: a cut file has none.
        {"deflate, cut", good.substr(0, 200), "not a readable TIFF file: "},
        {"too wide", greyTiff(40000, 10, 8, 16), "width 40000 exceeds the 30000-pixel limit"},
        {"claims gigabytes", greyTiff(30000, 30000, 8, 16),
         "header claims a 3.4 GB image from a 138 byte file"},
        {"uncompressed, claims more than the file", greyTiff(8000, 8000, 1, 16),
         "header claims a 244 MB image from a 138 byte file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("bad.tif");
        writeBytes(path, c.bytes);
        std::unique_ptr<Document> doc;
        std::string reason;
        EXPECT_FALSE(openDocument(doc, path, nullptr, &reason));
        // The library's own words may follow a reason that ends in ": ".
        EXPECT_EQ(reason.substr(0, c.reason.size()), c.reason) << reason;
        EXPECT_EQ(doc, nullptr);
    }
    // The hand-made file itself is sound.
    writeBytes(dir.file("plain.tif"), plain);
    std::unique_ptr<Document> doc;
    std::string reason;
    ASSERT_TRUE(openDocument(doc, dir.file("plain.tif"), nullptr, &reason)) << reason;
    EXPECT_EQ(doc->width(), 20);
}

}  // namespace
}  // namespace varnel
