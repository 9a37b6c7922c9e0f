// WebP through the format registry: round trips, the first frame of animations, refusals with
// their reasons, and saves that must leave the user's file alone when they fail.
#include <gtest/gtest.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <memory>
#include <string>

#include "document/document.h"
#include "formats/format_registry.h"
#include "formats/memory_stream.h"
#include "formats/webp_codec.h"
#include "picture_fixtures.h"
#include "test_files.h"

namespace varnel {
namespace {

using fixtures::Bytes;
using testing_files::readBytes;
using testing_files::ScratchFolder;
using testing_files::writeBytes;

// The file a save of `doc` to `path` writes.
std::string savedFile(Document& doc, const std::string& path, bool lossless, int quality = 95) {
    doc.setPath(path);
    SaveOptions options;
    options.webpLossless = lossless;
    options.jpegQuality = quality;
    std::string reason;
    EXPECT_TRUE(saveDocument(doc, options, &reason)) << reason;
    return readBytes(path);
}

// A lossless WebP whose header announces `width` × `height`, followed by `padding` zero bytes.
std::string losslessHeader(uint32_t width, uint32_t height, size_t padding = 8) {
    const uint32_t bits = (width - 1) | (height - 1) << 14;
    std::string chunk = "VP8L";
    const uint32_t payload = uint32_t(5 + padding);
    for (int i = 0; i < 4; ++i) chunk += char(payload >> (8 * i));
    chunk += char(0x2F);
    for (int i = 0; i < 4; ++i) chunk += char(bits >> (8 * i));
    chunk += std::string(padding, '\0');
    if (chunk.size() % 2) chunk += '\0';
    std::string file = "RIFF";
    const uint32_t riff = uint32_t(4 + chunk.size());
    for (int i = 0; i < 4; ++i) file += char(riff >> (8 * i));
    return file + "WEBP" + chunk;
}

TEST(WebpFiles, RoundTripsKeepPixelsAndTransparency) {
    ScratchFolder dir;
    struct Case {
        const char* name;
        bool transparent;
        bool lossless;
        int lossAllowed;
    } cases[] = {
        {"lossless-alpha.webp", true, true, 0},
        {"lossless-opaque.webp", false, true, 0},
        {"lossy-alpha.webp", true, false, 8},
        {"lossy-opaque.webp", false, false, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Document> doc =
            fixtures::patternDocument(37, 23, c.transparent, !c.lossless);
        savedFile(*doc, dir.file(c.name), c.lossless);
        std::unique_ptr<Document> back;
        OpenedFileInfo info;
        std::string reason;
        ASSERT_TRUE(openDocument(back, dir.file(c.name), &info, &reason)) << reason;
        EXPECT_EQ(info.formatType, FormatWebp);
        EXPECT_EQ(info.bitsPerPixel, c.transparent ? 32 : 24);
        EXPECT_EQ(back->isOpaque(), !c.transparent);
        EXPECT_LE(fixtures::worstVisibleDifference(fixtures::documentRgba(*back),
                                                   fixtures::documentRgba(*doc)),
                  c.lossAllowed);
        EXPECT_FALSE(back->isModified());
    }
}

TEST(WebpFiles, QualityDecidesTheLossySize) {
    ScratchFolder dir;
    ColorImage noise;
    fixtures::paint(noise, 64, 64, [](int32_t x, int32_t y) {
        return fixtures::rgb(uint8_t(x * 7919 + y * 104729), uint8_t(x * y * 31), uint8_t(y * 13));
    });
    std::unique_ptr<Document> doc = Document::fromImage(noise, nullptr, "noise.png");
    const size_t low = savedFile(*doc, dir.file("low.webp"), false, 10).size();
    const size_t high = savedFile(*doc, dir.file("high.webp"), false, 95).size();
    EXPECT_LT(low, high);
}

// An animation opens at its first frame, composed on the canvas, and says so.
TEST(WebpFiles, AnimationOpensAtItsFirstFrame) {
    ScratchFolder dir;
    WebPAnimEncoderOptions options;
    ASSERT_TRUE(WebPAnimEncoderOptionsInit(&options));
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(8, 6, &options);
    ASSERT_NE(encoder, nullptr);
    WebPConfig config;
    ASSERT_TRUE(WebPConfigInit(&config));
    config.lossless = 1;
    const uint32_t colors[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};
    int timestamp = 0;
    for (uint32_t color : colors) {
        WebPPicture frame;
        ASSERT_TRUE(WebPPictureInit(&frame));
        frame.use_argb = 1;
        frame.width = 8;
        frame.height = 6;
        ASSERT_TRUE(WebPPictureAlloc(&frame));
        for (int i = 0; i < 8 * 6; ++i) frame.argb[i] = color;
        ASSERT_TRUE(WebPAnimEncoderAdd(encoder, &frame, timestamp, &config));
        WebPPictureFree(&frame);
        timestamp += 100;
    }
    ASSERT_TRUE(WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr));
    WebPData data;
    WebPDataInit(&data);
    ASSERT_TRUE(WebPAnimEncoderAssemble(encoder, &data));
    WebPAnimEncoderDelete(encoder);
    writeBytes(dir.file("anim.webp"),
               std::string(reinterpret_cast<const char*>(data.bytes), data.size));
    WebPDataClear(&data);

    std::unique_ptr<Document> doc;
    OpenedFileInfo info;
    std::string reason;
    ASSERT_TRUE(openDocument(doc, dir.file("anim.webp"), &info, &reason)) << reason;
    EXPECT_EQ(info.notes, std::vector<std::string>{"Only the first of 3 frames was opened."});
    const Bytes rgba = fixtures::documentRgba(*doc);
    ASSERT_EQ(rgba.size(), 8u * 6 * 4);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        ASSERT_EQ(Bytes(rgba.begin() + long(i), rgba.begin() + long(i) + 4),
                  (Bytes{255, 0, 0, 255}))
            << "pixel " << i / 4;
    }
}

TEST(WebpFiles, HostileAndBrokenFilesAreRefusedWithAReason) {
    ScratchFolder dir;
    std::unique_ptr<Document> sample = fixtures::patternDocument(37, 23, true);
    const std::string good = savedFile(*sample, dir.file("good.webp"), true);
    ASSERT_GT(good.size(), 40u);
    std::string badSignature = good;
    badSignature[20] = 0x11;  // the lossless chunk's signature byte
    struct Case {
        const char* name;
        std::string bytes;
        std::string reason;
    } cases[] = {
        {"empty", "", "the file is empty"},
        {"riff only", std::string("RIFF\x04\0\0\0WEBP", 12), "not a WebP file"},
        {"truncated", good.substr(0, good.size() / 2),
         "truncated at byte " + std::to_string(good.size() / 2) + " of " +
             std::to_string(good.size())},
        {"bad signature", badSignature, "not a WebP file"},
        {"claims a gigabyte", losslessHeader(16384, 16384),
         "header claims a 1.0 GB image from a 34 byte file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("bad.webp");
        writeBytes(path, c.bytes);
        std::unique_ptr<Document> doc;
        std::string reason;
        EXPECT_FALSE(openDocument(doc, path, nullptr, &reason));
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(doc, nullptr);
    }
}

// Files named for another format open as the WebP their content is, and a WebP name does not
// make another format's content unreadable.
TEST(WebpFiles, ContentDecidesWhenTheNameIsWrong) {
    ScratchFolder dir;
    std::unique_ptr<Document> doc = fixtures::patternDocument(9, 7, false);
    const std::string webp = savedFile(*doc, dir.file("real.webp"), true);
    const std::string png = savedFile(*doc, dir.file("real.png"), false);
    writeBytes(dir.file("webp.png"), webp);
    writeBytes(dir.file("png.webp"), png);
    struct Case {
        const char* file;
        int format;
    } cases[] = {{"webp.png", FormatWebp}, {"png.webp", FormatPng}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::unique_ptr<Document> opened;
        OpenedFileInfo info;
        ASSERT_TRUE(openDocument(opened, dir.file(c.file), &info));
        EXPECT_EQ(info.formatType, c.format);
        EXPECT_EQ(fixtures::worstVisibleDifference(fixtures::documentRgba(*opened),
                                                   fixtures::documentRgba(*doc)),
                  0);
    }
}

// WebP cannot hold a side over 16383 pixels: the save says so and the file already there stays.
TEST(WebpFiles, TooWideForTheFormatLeavesTheFileAlone) {
    ScratchFolder dir;
    const std::string path = dir.file("wide.webp");
    writeBytes(path, "the user's file");
    ColorImage wide;
    ASSERT_TRUE(wide.createColor(16384, 1));
    std::unique_ptr<Document> doc = Document::fromImage(wide, nullptr, path);
    std::string reason;
    EXPECT_FALSE(saveDocument(*doc, {}, &reason));
    EXPECT_EQ(reason, "WebP pictures are at most 16383 pixels wide and high");
    EXPECT_EQ(readBytes(path), "the user's file");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"wide.webp"});
}

}  // namespace
}  // namespace varnel
