// Documents saved by this program, read back by independent programs (ImageMagick and Pillow):
// BMP and PNG must give exactly the pixels that were saved, JPEG the same picture within the
// codec's loss.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "codec_fixtures.h"
#include "document/document.h"
#include "formats/format_registry.h"
#include "formats/image_codec.h"
#include "formats/image_file.h"
#include "formats/metadata_blocks.h"
#include "metadata_fixtures.h"
#include "test_files.h"

namespace varnel {
namespace {

using fixtures::Bytes;
using testing_files::ScratchFolder;

// The standard output of a shell command, or nothing when it fails.
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

std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

// ImageMagick's command, or empty when it is not installed.
std::string imageMagick() {
    for (const char* candidate : {"/usr/bin/convert", "convert"}) {
        Bytes ignored;
        if (capture(std::string(candidate) + " -version >/dev/null 2>&1 && echo ok", ignored) &&
            !ignored.empty()) {
            return candidate;
        }
    }
    return {};
}

// A Python with Pillow, or empty.
std::string pillowPython() {
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
        Bytes ignored;
        if (capture(std::string(candidate) + " -c 'import PIL.Image' >/dev/null 2>&1 && echo ok",
                    ignored) &&
            !ignored.empty()) {
            return candidate;
        }
    }
    return {};
}

Bytes decodeWithImageMagick(const std::string& program, const std::string& path) {
    Bytes rgba;
    EXPECT_TRUE(capture(program + " " + quoted(path) + " -depth 8 rgba:- 2>/dev/null", rgba))
        << path;
    return rgba;
}

Bytes decodeWithPillow(const std::string& python, const std::string& path) {
    Bytes rgba;
    const std::string script =
        "import sys; from PIL import Image; "
        "sys.stdout.buffer.write(Image.open(sys.argv[1]).convert(\"RGBA\").tobytes())";
    EXPECT_TRUE(
        capture(python + " -c " + quoted(script) + " " + quoted(path) + " 2>/dev/null", rgba))
        << path;
    return rgba;
}

// A document (odd sizes: padded rows) of two layers: an opaque pattern and, when asked, a layer
// making parts of it transparent.
std::unique_ptr<Document> testDocument(bool transparent, int32_t width = 37, int32_t height = 23) {
    ColorImage pixels;
    fixtures::paint(pixels, width, height, fixtures::pattern);
    GrayMap alpha;
    if (transparent) {
        fixtures::paintAlpha(alpha, width, height, [](int32_t x, int32_t y) {
            return uint8_t(x < 5 ? 0 : std::min(255, x * 9 + y));
        });
    }
    return Document::fromImage(pixels, transparent ? &alpha : nullptr, "test.png");
}

// What the save wrote, as top-down RGBA: the flattened document.
Bytes savedRgba(Document& doc, bool keepAlpha) {
    ColorImage color;
    GrayMap alpha;
    EXPECT_TRUE(doc.flattenForSave(color, alpha, keepAlpha));
    Bytes out;
    for (int32_t y = 0; y < color.height(); ++y) {
        for (int32_t x = 0; x < color.width(); ++x) {
            const Bgr p = color.pixels(y)[x];
            out.insert(out.end(),
                       {p.r, p.g, p.b, alpha.isValid() ? alpha.row(y)[x] : uint8_t(255)});
        }
    }
    return out;
}

int worstDifference(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size()) return 256;
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    return worst;
}

TEST(PeerRoundTrip, SavedFilesReopenInImageMagickAndPillow) {
    const std::string magick = imageMagick();
    const std::string python = pillowPython();
    if (magick.empty() && python.empty()) {
        GTEST_SKIP() << "neither ImageMagick's convert nor Python with Pillow is installed";
    }
    if (magick.empty()) std::printf("ImageMagick not installed: Pillow only\n");
    if (python.empty()) std::printf("Pillow not installed: ImageMagick only\n");

    ScratchFolder dir;
    struct Case {
        const char* name;
        bool transparent;
        // 0: the very pixels that were saved. JPEG is lossy: the peers must see what this
        // program reads back, within a rounding step of the colour conversion.
        int lossAllowed;
        int32_t width = 37, height = 23;
    } cases[] = {
        {"opaque.png", false, 0},
        {"alpha.png", true, 0},
        {"opaque.bmp", false, 0},
        {"alpha.bmp", true, 0},
        {"photo.jpg", false, 1},
        {"alpha.jpg", true, 1},
        // Large enough to be compressed in slices joined into one stream.
        {"large.png", false, 0, 1201, 907},
        {"large-alpha.png", true, 0, 1201, 907},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int type = formatTypeOf(c.name);
        if (!createCodecFor(type)) {
            std::printf("%s: no codec for this format in the program yet\n", c.name);
            continue;
        }
        std::unique_ptr<Document> doc = testDocument(c.transparent, c.width, c.height);
        doc->setPath(dir.file(c.name));
        ASSERT_TRUE(saveDocument(*doc));
        Bytes expected = savedRgba(*doc, type != FormatJpeg);
        if (type == FormatJpeg) {
            std::unique_ptr<Document> reopened;
            ASSERT_TRUE(openDocument(reopened, dir.file(c.name)));
            expected = savedRgba(*reopened, false);
        }
        if (!magick.empty()) {
            const Bytes seen = decodeWithImageMagick(magick, dir.file(c.name));
            ASSERT_EQ(seen.size(), expected.size()) << "ImageMagick";
            EXPECT_LE(worstDifference(seen, expected), c.lossAllowed) << "ImageMagick";
        }
        if (!python.empty()) {
            Bytes seen = decodeWithPillow(python, dir.file(c.name));
            ASSERT_EQ(seen.size(), expected.size()) << "Pillow";
            if (type == FormatBmp) {
                // A 32-bit bitmap with a plain 40-byte header keeps alpha in the byte the format
                // calls unused; Pillow follows the format and reads every pixel as opaque.
                // The colours must still be the very ones saved.
                for (size_t i = 3; i < seen.size(); i += 4) {
                    EXPECT_EQ(seen[i], 255);
                    seen[i] = expected[i];
                }
            }
            EXPECT_LE(worstDifference(seen, expected), c.lossAllowed) << "Pillow";
        }
    }
}

// Pillow reads the Exif, the profile and the XMP packet the editor writes (orientation reset, the
// saved size as pixel dimensions), and the editor reads the blocks Pillow writes, byte for byte.
TEST(PeerRoundTrip, MetadataIsExchangedWithPillow) {
    const std::string python = pillowPython();
    if (python.empty()) GTEST_SKIP() << "Python with Pillow is not installed";
    ScratchFolder dir;
    const Bytes icc = fixtures::iccProfile(3000);
    const Bytes xmp = fixtures::xmpPacket();
    auto write = [&](const std::string& name, const Bytes& bytes) {
        std::FILE* f = std::fopen(dir.file(name).c_str(), "wb");
        ASSERT_TRUE(f);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    };
    write("camera.exif", fixtures::exifBlock(false, 8, 24, 16));
    write("profile.icc", icc);

    // Pillow's files, the picture turned by orientation 8: the editor turns it back.
    const std::string pillowWrites =
        "import sys; from PIL import Image; "
        "exif = open(sys.argv[1], \"rb\").read(); icc = open(sys.argv[2], \"rb\").read(); "
        "im = Image.new(\"RGB\", (24, 16), (10, 200, 30)); "
        "im.save(sys.argv[3] + \".jpg\", exif=b\"Exif\\x00\\x00\" + exif, icc_profile=icc); "
        "im.save(sys.argv[3] + \".png\", exif=exif, icc_profile=icc); "
        "im.save(sys.argv[3] + \".webp\", exif=exif, icc_profile=icc, lossless=True)";
    Bytes ignored;
    ASSERT_TRUE(capture(python + " -c " + quoted(pillowWrites) + " " +
                            quoted(dir.file("camera.exif")) + " " +
                            quoted(dir.file("profile.icc")) + " " + quoted(dir.file("pillow")),
                        ignored));
    for (const char* ext : {".jpg", ".png", ".webp"}) {
        SCOPED_TRACE(std::string("Pillow's ") + ext);
        std::unique_ptr<Document> doc;
        std::string reason;
        ASSERT_TRUE(openDocument(doc, dir.file("pillow") + ext, nullptr, &reason)) << reason;
        EXPECT_EQ(doc->size(), (Size{16, 24}));
        EXPECT_EQ(doc->metadata().exif, fixtures::exifBlock(false, 1, 24, 16));
        EXPECT_EQ(doc->metadata().icc, icc);
    }

    // The editor's files, read by Pillow: orientation, pixel dimensions, profile, XMP.
    std::unique_ptr<Document> doc;
    ASSERT_TRUE(openDocument(doc, dir.file("pillow.jpg")));
    PhotoMetadata metadata = doc->metadata();
    metadata.xmp = xmp;
    doc->setMetadata(metadata);
    const std::string pillowReads =
        "import sys; from PIL import Image; "
        "im = Image.open(sys.argv[1]); e = im.getexif(); sub = e.get_ifd(0x8769); "
        "icc = im.info.get(\"icc_profile\") or b\"\"; "
        "xmp = im.info.get(\"xmp\") or im.info.get(\"XML:com.adobe.xmp\") or b\"\"; "
        "xmp = xmp.encode() if isinstance(xmp, str) else xmp; "
        "xmp = next((c[29:] for m, c in getattr(im, \"applist\", []) if m == \"APP1\" and "
        "c.startswith(b\"http://ns.adobe.com/xap/1.0/\\x00\")), xmp); "
        "xmp = xmp or getattr(im, \"tag_v2\", {}).get(700, b\"\"); "
        "print(e.get(0x112), sub.get(0xA002), sub.get(0xA003), e.get(0x10F), "
        "icc == open(sys.argv[2], \"rb\").read(), xmp == open(sys.argv[3], \"rb\").read(), "
        "end=\"\")";
    write("packet.xmp", xmp);
    for (const char* ext : {".jpg", ".png", ".webp", ".tif"}) {
        SCOPED_TRACE(std::string("the editor's ") + ext);
        doc->setPath(dir.file("ours") + ext);
        ASSERT_TRUE(saveDocument(*doc));
        Bytes seen;
        ASSERT_TRUE(capture(python + " -c " + quoted(pillowReads) + " " +
                                quoted(dir.file("ours") + ext) + " " +
                                quoted(dir.file("profile.icc")) + " " +
                                quoted(dir.file("packet.xmp")) + " 2>/dev/null",
                            seen));
        EXPECT_EQ(std::string(seen.begin(), seen.end()), "1 16 24 Camera True True");
    }
}

}  // namespace
}  // namespace varnel
