#include "formats/jpeg_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "codec_fixtures.h"
#include "formats/image_file.h"
#include "formats/memory_stream.h"
#include "jpeg_fixtures.h"

namespace varnel {
namespace {

using fixtures::Bytes;
using fixtures::rgb;

bool loadJpeg(const Bytes& bytes, JpegImageFile& image, uint32_t flags = LoadPixels,
              JpegCodec* codec = nullptr) {
    JpegCodec local;
    JpegCodec& c = codec ? *codec : local;
    return c.loadFromMemory(image, bytes.data(), uint32_t(bytes.size()), flags);
}

Bytes saveJpeg(const JpegImageFile& image) {
    MemoryBuffer buffer(1 << 20);
    JpegCodec codec;
    uint32_t written = 0;
    EXPECT_TRUE(codec.saveToBuffer(buffer, image, &written));
    return Bytes(buffer.data(), buffer.data() + written);
}

// A smooth image: JPEG keeps it within a few levels.
Bgr smooth(int32_t x, int32_t y) {
    return rgb(uint8_t(x * 4), uint8_t(y * 4), uint8_t(128 + (x - y)));
}

int maxDifference(const ColorImage& a, const std::function<Bgr(int32_t, int32_t)>& want) {
    int worst = 0;
    for (int32_t y = 0; y < a.height(); ++y) {
        for (int32_t x = 0; x < a.width(); ++x) {
            const Bgr p = a.pixels(y)[x], q = want(x, y);
            worst =
                std::max({worst, std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
        }
    }
    return worst;
}

TEST(JpegCodec, QualityMapsOntoTheLibraryScale) {
    const std::pair<int, int> cases[] = {{-5, 5},  {0, 5},   {1, 6},    {50, 52}, {90, 89},
                                         {95, 93}, {97, 95}, {100, 98}, {250, 98}};
    for (auto [q, mapped] : cases) EXPECT_EQ(libjpegQuality(q), mapped) << q;
}

TEST(JpegCodec, SavesWithTheRecordsSettings) {
    struct Case {
        int quality, threshold, options;
        int sampling;
        bool progressive;
    } cases[] = {
        {95, 95, 0, 2, false},  // defaults: mapped 93 stays below the threshold
        {100, 95, 0, 1, false},
        {97, 95, 0, 1, false},  // mapped 95 reaches it
        {95, 93, 0, 1, false},
        {80, 95, JpegFormatInfo::kProgressive | JpegFormatInfo::kOptimizeHuffman, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "quality " << c.quality << " options " << c.options);
        JpegImageFile image;
        fixtures::paint(image.pixels(), 40, 24, smooth);
        image.jpegInfo().quality = c.quality;
        image.jpegInfo().subsamplingThreshold = c.threshold;
        image.jpegInfo().options = c.options;
        const Bytes file = saveJpeg(image);
        const fixtures::JpegHeader h = fixtures::inspectJpeg(file);
        ASSERT_TRUE(h.ok);
        EXPECT_EQ(h.width, 40);
        EXPECT_EQ(h.height, 24);
        EXPECT_EQ(h.hSampling, c.sampling);
        EXPECT_EQ(h.vSampling, c.sampling);
        EXPECT_EQ(h.progressive, c.progressive);
        // The frame header: baseline unless progressive.
        static constexpr uint8_t kSof0[] = {0xFF, 0xC0};
        const bool baseline =
            std::search(file.begin(), file.end(), std::begin(kSof0), std::end(kSof0)) != file.end();
        EXPECT_EQ(baseline, !c.progressive);

        JpegImageFile loaded;
        ASSERT_TRUE(loadJpeg(file, loaded));
        EXPECT_LE(maxDifference(loaded.pixels(), smooth), c.quality >= 95 ? 6 : 16);
    }
}

TEST(JpegCodec, DecodesGreyAndCmykIntoColour) {
    // Grey: equal channels.
    const Bytes grey =
        fixtures::writeJpeg(16, 16, 1, [](int x, int y, int) { return uint8_t(x * 8 + y * 4); });
    JpegImageFile image;
    JpegCodec codec;
    ASSERT_TRUE(loadJpeg(grey, image, LoadPixels, &codec));
    EXPECT_EQ(image.jpegInfo().bitDepth, 24);
    EXPECT_EQ(image.jpegInfo().componentCount, 3);
    EXPECT_EQ(codec.fileComponents(), 1);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const Bgr p = image.pixels().pixels(y)[x];
            ASSERT_TRUE(p.r == p.g && p.g == p.b);
            ASSERT_NEAR(p.g, x * 8 + y * 4, 2);
        }
    }

    // CMYK as the library delivers it (inverted samples): blue = y × k / 255 and so on.
    const int c = 200, m = 100, yl = 50, k = 180;
    const Bytes cmyk = fixtures::writeJpeg(16, 8, 4, [&](int, int, int channel) {
        const int v[] = {c, m, yl, k};
        return uint8_t(v[channel]);
    });
    ASSERT_TRUE(loadJpeg(cmyk, image, LoadPixels, &codec));
    EXPECT_EQ(codec.fileComponents(), 4);
    EXPECT_EQ(image.jpegInfo().bitDepth, 32);
    const Bgr p = image.pixels().pixels(3)[5];
    EXPECT_NEAR(p.b, yl * k / 255, 1);
    EXPECT_NEAR(p.g, m * k / 255, 1);
    EXPECT_NEAR(p.r, c * k / 255, 1);
}

// Replaces the width in the frame header of a file.
Bytes withFrameWidth(Bytes file, uint32_t width) {
    for (size_t i = 2; i + 9 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0xC0) {
            file[i + 7] = uint8_t(width >> 8);
            file[i + 8] = uint8_t(width);
            return file;
        }
    }
    ADD_FAILURE() << "no frame header";
    return file;
}

TEST(JpegCodec, TruncatedDataDecodesButBrokenFilesFail) {
    JpegImageFile source;
    fixtures::paint(source.pixels(), 64, 64, smooth);
    const Bytes good = saveJpeg(source);

    // Cut inside the scan: the library's end-of-data handling fills the rest.
    JpegImageFile image;
    ASSERT_TRUE(loadJpeg(Bytes(good.begin(), good.begin() + long(good.size() * 2 / 3)), image));
    EXPECT_EQ(image.size(), (Size{64, 64}));

    struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"no frame header", Bytes(good.begin(), good.begin() + 20)},
        {"not a JPEG", Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}},
        {"start marker only", Bytes{0xFF, 0xD8}},
        {"wider than 30000", withFrameWidth(good, 30001)},
        {"zero width", withFrameWidth(good, 0)},
    };
    for (const Case& c : cases) {
        JpegImageFile failed;
        EXPECT_FALSE(loadJpeg(c.bytes, failed)) << c.name;
        EXPECT_TRUE(failed.isEmpty()) << c.name;
    }
    JpegImageFile header;
    EXPECT_FALSE(loadJpeg(withFrameWidth(good, 30001), header, LoadHeaderOnly));
    // An empty stream is the library's empty-input error, not a fake image.
    MemoryStream empty;
    empty.attachBuffer(std::make_unique<MemoryBuffer>(0));
    EXPECT_FALSE(JpegCodec().loadFromStream(image, empty, LoadPixels));
}

TEST(JpegCodec, ShortWritesFailTheSave) {
    JpegImageFile image;
    fixtures::paint(image.pixels(), 64, 64, fixtures::pattern);
    for (uint32_t room : {1u, 100u, 2000u}) {
        MemoryBuffer buffer(room);
        EXPECT_FALSE(JpegCodec().saveToBuffer(buffer, image)) << room;
    }
}

// --- segments ----------------------------------------------------------------------------

bool readOne(const Bytes& bytes, bool applicationOnly, JpegSegment& segment) {
    fixtures::ByteSource source(bytes);
    return readSegment(source.stream, applicationOnly, segment);
}

TEST(JpegSegments, ReadSegmentFindsTheMarkerAndLength) {
    struct Case {
        const char* name;
        Bytes bytes;
        bool applicationOnly;
        bool ok;
        uint16_t marker;
        int32_t length;
        size_t dataSize;
    } cases[] = {
        {"APP1", {0xFF, 0xE1, 0x00, 0x04, 'a', 'b'}, false, true, 0xE1, 4, 4},
        {"fill bytes first", {0xFF, 0xFF, 0xFF, 0xE2, 0x00, 0x02}, false, true, 0xE2, 2, 2},
        {"five fill bytes",
         {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xE3, 0x00, 0x02},
         false,
         true,
         0xE3,
         2,
         2},
        {"six 0xFF in a row",
         {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xE3, 0x00, 0x02},
         false,
         false,
         0,
         0,
         0},
        {"no 0xFF", {0xE1, 0x00, 0x02}, false, false, 0, 0, 0},
        {"end of image", {0xFF, 0xD9, 0x00, 0x02}, false, false, 0, 0, 0},
        {"length below 2", {0xFF, 0xE1, 0x00, 0x01}, false, false, 0, 0, 0},
        {"short payload", {0xFF, 0xE1, 0x00, 0x08, 1, 2}, false, false, 0, 0, 0},
        {"table skipped", {0xFF, 0xDB, 0x00, 0x04, 1, 2, 0xFF}, true, true, 0xDB, 4, 0},
        {"table skipped to the end", {0xFF, 0xDB, 0x00, 0x04, 1, 2}, true, false, 0, 0, 0},
        {"APP kept in application mode", {0xFF, 0xEE, 0x00, 0x03, 7}, true, true, 0xEE, 3, 3},
        {"JFIF",
         {0xFF, 0xE0, 0x00, 0x07, 'J', 'F', 'I', 'F', 0},
         false,
         true,
         JpegSegment::kJfif,
         7,
         7},
        {"Exif",
         {0xFF, 0xE1, 0x00, 0x08, 'E', 'x', 'i', 'f', 0, 0},
         false,
         true,
         JpegSegment::kExif,
         8,
         8},
        {"Exif needs both zeros",
         {0xFF, 0xE1, 0x00, 0x07, 'E', 'x', 'i', 'f', 0},
         false,
         true,
         0xE1,
         7,
         7},
    };
    for (const Case& c : cases) {
        JpegSegment s;
        ASSERT_EQ(readOne(c.bytes, c.applicationOnly, s), c.ok) << c.name;
        if (!c.ok) continue;
        EXPECT_EQ(s.marker, c.marker) << c.name;
        EXPECT_EQ(s.length, c.length) << c.name;
        EXPECT_EQ(s.data.size(), c.dataSize) << c.name;
        if (c.dataSize > 0) {
            // The data starts with the two length bytes.
            EXPECT_EQ(s.data[1], uint8_t(c.length)) << c.name;
        }
    }
}

// An APP13 Photoshop segment holding resource blocks.
Bytes photoshopSegment(const Bytes& blocks) {
    Bytes payload = {'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0};
    payload.insert(payload.end(), blocks.begin(), blocks.end());
    const size_t length = payload.size() + 2;
    Bytes segment = {0xFF, 0xED, uint8_t(length >> 8), uint8_t(length)};
    segment.insert(segment.end(), payload.begin(), payload.end());
    return segment;
}

Bytes resourceBlock(uint16_t id, const std::string& name, const Bytes& data) {
    Bytes b = {'8', 'B', 'I', 'M', uint8_t(id >> 8), uint8_t(id), uint8_t(name.size())};
    b.insert(b.end(), name.begin(), name.end());
    if ((name.size() + 1) % 2) b.push_back(0);
    const uint32_t n = uint32_t(data.size());
    b.insert(b.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
    b.insert(b.end(), data.begin(), data.end());
    if (n % 2) b.push_back(0);
    return b;
}

TEST(JpegSegments, PhotoshopBlocksAreIptcOnlyWithTheIptcResource) {
    const Bytes other = resourceBlock(0x03ED, "", {1, 2, 3});
    const Bytes iptc = resourceBlock(0x0404, "ab", {0x1C, 0x02});
    Bytes both = other;
    both.insert(both.end(), iptc.begin(), iptc.end());
    Bytes truncated = both;
    truncated.resize(other.size() + 8);
    Bytes hugeSize = resourceBlock(0x03ED, "x", {});
    hugeSize[10] = hugeSize[11] = hugeSize[12] = hugeSize[13] = 0xFF;  // size 0xFFFFFFFF
    hugeSize.insert(hugeSize.end(), iptc.begin(), iptc.end());
    Bytes notBlock = {'8', 'B', 'I', 'X'};
    notBlock.insert(notBlock.end(), iptc.begin(), iptc.end());
    struct Case {
        const char* name;
        Bytes blocks;
        bool iptc;
    } cases[] = {
        {"no IPTC block", other, false},
        {"IPTC after another block", both, true},
        {"cut inside the second block", truncated, false},
        {"size beyond the payload", hugeSize, false},
        {"walk stops at a foreign block", notBlock, false},
        {"nothing after the signature", {}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hasIptcResource(c.blocks.data(), c.blocks.size()), c.iptc) << c.name;
        JpegSegment s;
        ASSERT_TRUE(readOne(photoshopSegment(c.blocks), false, s)) << c.name;
        EXPECT_EQ(s.marker, c.iptc ? JpegSegment::kIptc : 0xED) << c.name;
    }
}

// An Exif APP1 segment (as kept: length bytes then payload) holding one IFD entry.
JpegSegment exifSegment(bool little, uint16_t tag, uint16_t type, uint32_t count, uint16_t value,
                        uint32_t ifdOffset = 8) {
    auto put16 = [&](Bytes& b, uint16_t v) {
        if (little)
            b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)});
        else
            b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
    };
    auto put32 = [&](Bytes& b, uint32_t v) {
        if (little) {
            put16(b, uint16_t(v));
            put16(b, uint16_t(v >> 16));
        } else {
            put16(b, uint16_t(v >> 16));
            put16(b, uint16_t(v));
        }
    };
    Bytes tiff = little ? Bytes{'I', 'I'} : Bytes{'M', 'M'};
    put16(tiff, 42);
    put32(tiff, ifdOffset);
    put16(tiff, 1);
    put16(tiff, tag);
    put16(tiff, type);
    put32(tiff, count);
    put16(tiff, value);
    put16(tiff, 0);
    put32(tiff, 0);
    Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), tiff.begin(), tiff.end());
    JpegSegment s;
    s.marker = JpegSegment::kExif;
    s.length = int32_t(payload.size() + 2);
    s.data = {uint8_t(s.length >> 8), uint8_t(s.length)};
    s.data.insert(s.data.end(), payload.begin(), payload.end());
    return s;
}

TEST(JpegSegments, ExifOrientationIsReadWithinTheSegment) {
    struct Case {
        const char* name;
        JpegSegment segment;
        int orientation;
    } cases[] = {
        {"little-endian 6", exifSegment(true, 0x0112, 3, 1, 6), 6},
        {"big-endian 8", exifSegment(false, 0x0112, 3, 1, 8), 8},
        {"other tag", exifSegment(true, 0x0110, 3, 1, 6), 0},
        {"wrong type", exifSegment(true, 0x0112, 4, 1, 6), 0},
        {"out of range value", exifSegment(true, 0x0112, 3, 1, 9), 0},
        {"directory beyond the block", exifSegment(true, 0x0112, 3, 1, 6, 0xFFFFFFF0u), 0},
        {"directory at the very end", exifSegment(true, 0x0112, 3, 1, 6, 24), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(exifOrientation(c.segment), c.orientation) << c.name;
    JpegSegment cut = exifSegment(true, 0x0112, 3, 1, 6);
    cut.data.resize(cut.data.size() - 10);  // the entry is no longer whole
    EXPECT_EQ(exifOrientation(cut), 0);
    JpegSegment notExif = exifSegment(true, 0x0112, 3, 1, 6);
    notExif.marker = 0xE1;
    EXPECT_EQ(exifOrientation(notExif), 0);
}

JpegSegment appSegment(uint8_t marker, const Bytes& payload) {
    JpegSegment s;
    s.marker = marker;
    s.length = int32_t(payload.size() + 2);
    s.data = {uint8_t(s.length >> 8), uint8_t(s.length)};
    s.data.insert(s.data.end(), payload.begin(), payload.end());
    return s;
}

TEST(JpegSegments, KeptSegmentsAreWrittenAgainInFrontOfTheImage) {
    struct Case {
        const char* name;
        std::deque<JpegSegment> kept;
        bool defaultJfif;
    } cases[] = {
        {"Exif first", {exifSegment(true, 0x0112, 3, 1, 3), appSegment(0xE2, {1, 2, 3})}, false},
        {"other first", {appSegment(0xE2, {9, 9}), exifSegment(false, 0x0112, 3, 1, 5)}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JpegImageFile image;
        fixtures::paint(image.pixels(), 24, 16, smooth);
        image.jpegInfo().segments = c.kept;
        const Bytes file = saveJpeg(image);
        ASSERT_GE(file.size(), 4u);
        EXPECT_EQ(file[0], 0xFF);
        EXPECT_EQ(file[1], 0xD8);
        EXPECT_EQ(file[3], c.defaultJfif ? 0xE0 : 0xE1);

        JpegImageFile loaded;
        JpegCodec codec;
        ASSERT_TRUE(loadJpeg(file, loaded, LoadPixels, &codec));
        EXPECT_LE(maxDifference(loaded.pixels(), smooth), 8);
        // The encoder's own JFIF segment is not kept twice; the default one says 300 dpi.
        ASSERT_EQ(loaded.jpegInfo().segments.size(), c.kept.size() + 0u);
        for (size_t i = 0; i < c.kept.size(); ++i) {
            EXPECT_EQ(loaded.jpegInfo().segments[i].marker, c.kept[i].marker);
            EXPECT_EQ(loaded.jpegInfo().segments[i].data, c.kept[i].data);
        }
        EXPECT_EQ(codec.resolution(), c.defaultJfif ? 300 : 0);
        EXPECT_EQ(exifOrientation(loaded.jpegInfo().segments), c.defaultJfif ? 5 : 3);
    }
}

TEST(JpegSegments, KeepSegmentsFiltersByKind) {
    const std::deque<JpegSegment> source = {appSegment(0xE0, {'J', 'F', 'I', 'F', 0}),
                                            exifSegment(true, 0x0112, 3, 1, 1),
                                            appSegment(0xE2, {1}), appSegment(0xDB, {1, 2})};
    std::deque<JpegSegment> all, exifOnly, others;
    // The first segment's marker is the plain APP0 byte: recognition happens when reading.
    keepSegments(source, all, kSegmentAllApplication);
    keepSegments(source, exifOnly, kSegmentExif);
    keepSegments(source, others, kSegmentOtherApplication);
    EXPECT_EQ(all.size(), 3u);
    ASSERT_EQ(exifOnly.size(), 1u);
    EXPECT_EQ(exifOnly[0].marker, JpegSegment::kExif);
    EXPECT_EQ(others.size(), 2u);
    // Writing needs a scan segment.
    MemoryBuffer buffer(256);
    MemoryStream stream;
    ASSERT_TRUE(stream.attachBlock(static_cast<void*>(buffer.data()), buffer.size(), 0));
    EXPECT_FALSE(writeWithSegments(stream, all));
}

}  // namespace
}  // namespace varnel
