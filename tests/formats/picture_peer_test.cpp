// WebP (and the other formats Pillow writes through the same libraries) against an independent
// reader and writer: Pillow reads what this program saves, and this program reads what Pillow
// saves, pixels compared exactly for lossless files and within a small error for lossy ones.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "document/document.h"
#include "formats/format_registry.h"
#include "picture_fixtures.h"
#include "test_files.h"

namespace varnel {
namespace {

using fixtures::Bytes;
using testing_files::ScratchFolder;

const std::string kPeerScript = std::string(VARNEL_TEST_DATA_DIR) + "/peers/pillow_peer.py";

// The standard output of a shell command; false when it fails.
bool capture(const std::string& command, Bytes& output) {
    output.clear();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return false;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.insert(output.end(), buffer, buffer + n);
    }
    return ::pclose(pipe) == 0;
}

// A Python with Pillow built with WebP and libtiff, or empty.
std::string pillowPython() {
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
        Bytes ok;
        if (capture(std::string(candidate) +
                        " -c 'from PIL import features; assert features.check(\"webp\") and "
                        "features.check(\"libtiff\"); print(1)' 2>/dev/null",
                    ok) &&
            !ok.empty()) {
            return candidate;
        }
    }
    return {};
}

// The first frame of the file as Pillow decodes it.
struct PeerPicture {
    int width = 0, height = 0, frames = 0;
    Bytes rgba;
};

bool pillowDecode(const std::string& python, const std::string& path, PeerPicture& out) {
    Bytes raw;
    if (!capture(python + " '" + kPeerScript + "' decode '" + path + "' 2>/dev/null", raw)) {
        return false;
    }
    const auto newline = std::find(raw.begin(), raw.end(), uint8_t('\n'));
    if (newline == raw.end()) return false;
    const std::string head(raw.begin(), newline);
    if (std::sscanf(head.c_str(), "%d %d %d", &out.width, &out.height, &out.frames) != 3) {
        return false;
    }
    out.rgba.assign(newline + 1, raw.end());
    return out.rgba.size() == size_t(out.width) * size_t(out.height) * 4;
}

bool pillowMake(const std::string& python, const std::string& kind, const std::string& path) {
    Bytes ignored;
    return capture(python + " '" + kPeerScript + "' make " + kind + " '" + path + "'", ignored);
}

class PicturePeer : public ::testing::Test {
protected:
    void SetUp() override {
        python_ = pillowPython();
        if (python_.empty()) GTEST_SKIP() << "no Python with Pillow (WebP and libtiff) installed";
    }
    std::string python_;
    ScratchFolder dir_;
};

TEST_F(PicturePeer, OpensWhatPillowWrites) {
    struct Case {
        const char* kind;
        const char* file;
        int lossAllowed;
        std::vector<std::string> notes;
    } cases[] = {
        {"webp-lossless-alpha", "a.webp", 0, {}},
        {"webp-lossy", "b.webp", 2, {}},
        {"webp-lossy-alpha", "c.webp", 2, {}},
        {"webp-animation", "d.webp", 0, {"Only the first of 3 frames was opened."}},
        {"tiff-rgb-none", "e.tif", 0, {}},
        {"tiff-rgba-lzw", "f.tif", 0, {}},
        {"tiff-rgba-deflate", "g.tiff", 0, {}},
        {"tiff-grey-packbits", "h.tif", 0, {}},
        {"tiff-palette-lzw", "i.tif", 0, {}},
        {"tiff-grey16-deflate", "j.tif", 0, {}},
        {"tiff-rgb-jpeg", "k.tif", 2, {}},
        {"tiff-pages", "l.tif", 0, {"Only the first of 3 pages was opened."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const std::string path = dir_.file(c.file);
        ASSERT_TRUE(pillowMake(python_, c.kind, path));
        PeerPicture seen;
        ASSERT_TRUE(pillowDecode(python_, path, seen));
        std::unique_ptr<Document> doc;
        OpenedFileInfo info;
        std::string reason;
        ASSERT_TRUE(openDocument(doc, path, &info, &reason)) << reason;
        EXPECT_EQ(info.notes, c.notes);
        ASSERT_EQ(doc->width(), seen.width);
        ASSERT_EQ(doc->height(), seen.height);
        EXPECT_LE(fixtures::worstVisibleDifference(fixtures::documentRgba(*doc), seen.rgba),
                  c.lossAllowed);
    }
}

TEST_F(PicturePeer, PillowReadsWhatWeSave) {
    struct Case {
        const char* file;
        bool transparent;
        bool lossless;
        int lossAllowed;
    } cases[] = {
        {"lossless-alpha.webp", true, true, 0}, {"lossless-opaque.webp", false, true, 0},
        {"lossy-alpha.webp", true, false, 1},   {"lossy-opaque.webp", false, false, 1},
        {"alpha.tif", true, true, 0},           {"opaque.tif", false, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::unique_ptr<Document> doc =
            fixtures::patternDocument(61, 37, c.transparent, !c.lossless);
        doc->setPath(dir_.file(c.file));
        SaveOptions options;
        options.webpLossless = c.lossless;
        options.jpegQuality = 90;
        std::string reason;
        ASSERT_TRUE(saveDocument(*doc, options, &reason)) << reason;
        // Lossless: the very pixels saved. Lossy: what this program reads back, which Pillow
        // (through the same decoder) must see too.
        Bytes expected = fixtures::documentRgba(*doc);
        std::unique_ptr<Document> reopened;
        ASSERT_TRUE(openDocument(reopened, dir_.file(c.file)));
        if (c.lossless) {
            EXPECT_EQ(fixtures::worstVisibleDifference(fixtures::documentRgba(*reopened), expected),
                      0);
        } else {
            EXPECT_LE(fixtures::worstVisibleDifference(fixtures::documentRgba(*reopened), expected),
                      8)
                << "lossy save too far from the document";
            expected = fixtures::documentRgba(*reopened);
        }
        PeerPicture seen;
        ASSERT_TRUE(pillowDecode(python_, dir_.file(c.file), seen));
        ASSERT_EQ(seen.width, 61);
        ASSERT_EQ(seen.height, 37);
        EXPECT_LE(fixtures::worstVisibleDifference(seen.rgba, expected), c.lossAllowed);
    }
}

}  // namespace
}  // namespace varnel
