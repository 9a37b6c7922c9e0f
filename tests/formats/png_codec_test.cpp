#include "formats/png_codec.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <regex>

#include "codec_fixtures.h"
#include "formats/image_file.h"
#include "formats/memory_stream.h"

namespace varnel {
namespace {

using fixtures::Bytes;
using fixtures::PngLayout;
using fixtures::rgb;

bool loadPng(const Bytes& bytes, PngImageFile& image, uint32_t flags = LoadPixels) {
    PngCodec codec;
    return codec.loadFromMemory(image, bytes.data(), uint32_t(bytes.size()), flags);
}

Bytes savePng(const PngImageFile& image) {
    MemoryBuffer buffer(1 << 20);
    PngCodec codec;
    uint32_t written = 0;
    EXPECT_TRUE(codec.saveToBuffer(buffer, image, &written));
    return Bytes(buffer.data(), buffer.data() + written);
}

TEST(PngCodec, SavedImagesReadBackExactlyWithTheRightColourType) {
    struct Case {
        int32_t w, h;
        bool alpha;
        int32_t level;
    } cases[] = {{1, 1, false, 5}, {7, 5, false, 0},  {33, 17, false, 9},
                 {1, 1, true, 5},  {33, 17, true, 1}, {64, 3, true, 42}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " alpha " << c.alpha);
        PngImageFile image;
        fixtures::paint(image.pixels().color, c.w, c.h, fixtures::pattern);
        if (c.alpha) {
            fixtures::paintAlpha(image.pixels().alpha, c.w, c.h,
                                 [](int32_t x, int32_t y) { return uint8_t(x * 29 + y * 71); });
        }
        image.pngInfo().compressionLevel = c.level;
        const Bytes file = savePng(image);
        const auto chunks = fixtures::pngChunks(file);
        ASSERT_FALSE(chunks.empty());
        ASSERT_EQ(chunks[0].first, "IHDR");
        EXPECT_EQ(chunks[0].second[8], 8);                // bit depth
        EXPECT_EQ(chunks[0].second[9], c.alpha ? 6 : 2);  // colour type
        EXPECT_EQ(chunks[0].second[12], 0);               // no interlacing

        PngImageFile loaded;
        ASSERT_TRUE(loadPng(file, loaded));
        ASSERT_EQ(loaded.size(), (Size{c.w, c.h}));
        ASSERT_EQ(loaded.hasAlpha(), c.alpha);
        for (int32_t y = 0; y < c.h; ++y) {
            for (int32_t x = 0; x < c.w; ++x) {
                ASSERT_EQ(loaded.pixels().color.pixels(y)[x], fixtures::pattern(x, y))
                    << x << "," << y;
                if (c.alpha) {
                    ASSERT_EQ(loaded.pixels().alpha.row(y)[x], uint8_t(x * 29 + y * 71));
                }
            }
        }
        EXPECT_EQ(loaded.pngInfo().colorType, c.alpha ? 6 : 2);
        EXPECT_EQ(loaded.pngInfo().bitDepth, c.alpha ? 32 : 24);
    }
}

TEST(PngCodec, WritesTheSoftwareAndModificationTimeTexts) {
    PngImageFile image;
    fixtures::paint(image.pixels().color, 2, 2, fixtures::pattern);
    const auto chunks = fixtures::pngChunks(savePng(image));
    std::vector<std::string> texts;
    for (const auto& [type, data] : chunks) {
        EXPECT_NE(type, "tIME");
        if (type == "tEXt") texts.emplace_back(data.begin(), data.end());
    }
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], std::string("Software\0Varnel", 15));
    const std::string time = texts[1];
    ASSERT_EQ(time.rfind(std::string("Modification Time\0", 18), 0), 0u);
    EXPECT_TRUE(std::regex_match(
        time.substr(18),
        std::regex(
            R"((Sun|Mon|Tue|Wed|Thu|Fri|Sat), [1-9]\d? [A-Z][a-z]{2} \d{4} \d\d:\d\d:\d\d GMT)")))
        << time.substr(18);
}

TEST(PngCodec, TimeTextPadsTheClockButNotTheDay) {
    struct Case {
        std::tm t;
        const char* text;
    } cases[] = {
        {{9, 8, 7, 5, 0, 109, 1, 0, 0, 0, nullptr}, "Mon, 5 Jan 2009 07:08:09 GMT"},
        {{59, 59, 23, 31, 11, 99, 5, 0, 0, 0, nullptr}, "Fri, 31 Dec 1999 23:59:59 GMT"},
        {{0, 0, 0, 29, 1, 124, 4, 0, 0, 0, nullptr}, "Thu, 29 Feb 2024 00:00:00 GMT"},
        {{0, 0, 12, 1, 6, 70, 0, 0, 0, 0, nullptr}, "Sun, 1 Jul 1970 12:00:00 GMT"},
    };
    for (const Case& c : cases) EXPECT_EQ(pngTimeText(c.t), c.text);
}

// Rows of `w` samples for the fixture builder.
Bytes row8(std::initializer_list<int> values) {
    Bytes r;
    for (int v : values) r.push_back(uint8_t(v));
    return r;
}

TEST(PngCodec, EveryKindOfFileBecomesEightBitColourAndAlpha) {
    struct Case {
        const char* name;
        PngLayout desc;
        std::vector<Bgr> colors;  // row by row
        std::vector<int> alpha;   // empty: no alpha plane
        int channels;
        int bitsPerPixel;
    };
    const std::vector<png_color> palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 8, 7}};
    std::vector<Case> cases;
    {
        PngLayout s;
        s.width = 4, s.height = 1, s.bitDepth = 2, s.colorType = PNG_COLOR_TYPE_PALETTE;
        s.palette = palette;
        s.rows = {row8({0b00011011})};
        cases.push_back({"palette without tRNS",
                         s,
                         {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(9, 8, 7)},
                         {},
                         1,
                         2});
        s.trnsAlpha = {0, 128};
        cases.push_back({"palette with tRNS",
                         s,
                         {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(9, 8, 7)},
                         {0, 128, 255, 255},
                         1,
                         2});
    }
    {
        PngLayout s;
        s.width = 8, s.height = 1, s.bitDepth = 1, s.colorType = PNG_COLOR_TYPE_GRAY;
        s.rows = {row8({0b10100000})};
        std::vector<Bgr> c(8, rgb(0, 0, 0));
        c[0] = c[2] = rgb(255, 255, 255);
        cases.push_back({"1-bit grey", s, c, {}, 1, 1});
    }
    {
        PngLayout s;
        s.width = 2, s.height = 1, s.bitDepth = 4, s.colorType = PNG_COLOR_TYPE_GRAY;
        s.rows = {row8({0x3F})};
        s.trnsGray = 15;
        cases.push_back(
            {"4-bit grey with tRNS", s, {rgb(51, 51, 51), rgb(255, 255, 255)}, {255, 0}, 1, 4});
    }
    {
        PngLayout s;
        s.width = 2, s.height = 1, s.bitDepth = 16, s.colorType = PNG_COLOR_TYPE_GRAY;
        s.rows = {row8({0x12, 0xFF, 0xAB, 0x01})};
        cases.push_back({"16-bit grey keeps the high byte",
                         s,
                         {rgb(0x12, 0x12, 0x12), rgb(0xAB, 0xAB, 0xAB)},
                         {},
                         1,
                         16});
    }
    {
        PngLayout s;
        s.width = 1, s.height = 1, s.bitDepth = 16, s.colorType = PNG_COLOR_TYPE_RGB;
        s.rows = {row8({0x10, 0xFF, 0x20, 0x80, 0x30, 0x00})};
        cases.push_back({"16-bit colour", s, {rgb(0x10, 0x20, 0x30)}, {}, 3, 48});
    }
    {
        PngLayout s;
        s.width = 2, s.height = 1, s.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
        s.rows = {row8({10, 20, 30, 255})};
        cases.push_back(
            {"grey with alpha", s, {rgb(10, 10, 10), rgb(30, 30, 30)}, {20, 255}, 2, 16});
    }
    {
        // Interlaced files go through the whole-image path; 9 × 9 touches every pass.
        PngLayout s;
        s.width = 9, s.height = 9, s.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
        s.interlace = PNG_INTERLACE_ADAM7;
        std::vector<Bgr> c;
        std::vector<int> a;
        for (int y = 0; y < 9; ++y) {
            Bytes r;
            for (int x = 0; x < 9; ++x) {
                const Bgr p = fixtures::pattern(x, y);
                r.insert(r.end(), {p.r, p.g, p.b, uint8_t(x * 9 + y)});
                c.push_back(p);
                a.push_back(x * 9 + y);
            }
            s.rows.push_back(r);
        }
        cases.push_back({"interlaced colour with alpha", s, c, a, 4, 32});
        for (Bytes& r : s.rows) {
            Bytes rgbOnly;
            for (size_t i = 0; i < r.size(); i += 4)
                rgbOnly.insert(rgbOnly.end(), {r[i], r[i + 1], r[i + 2]});
            r = rgbOnly;
        }
        s.colorType = PNG_COLOR_TYPE_RGB;
        cases.push_back({"interlaced colour", s, c, {}, 3, 24});
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = fixtures::writePng(c.desc);
        PngImageFile image;
        ASSERT_TRUE(loadPng(file, image));
        const auto w = int32_t(c.desc.width);
        ASSERT_EQ(image.size(), (Size{w, int32_t(c.desc.height)}));
        ASSERT_EQ(image.hasAlpha(), !c.alpha.empty());
        for (int32_t y = 0; y < int32_t(c.desc.height); ++y) {
            for (int32_t x = 0; x < w; ++x) {
                const size_t i = size_t(y * w + x);
                EXPECT_EQ(image.pixels().color.pixels(y)[x], c.colors[i]) << x << "," << y;
                if (!c.alpha.empty()) {
                    EXPECT_EQ(image.pixels().alpha.row(y)[x], c.alpha[i]);
                }
            }
        }
        const PngFormatInfo& info = image.pngInfo();
        EXPECT_EQ(info.sampleBitDepth, c.desc.bitDepth);
        EXPECT_EQ(info.colorType, c.desc.colorType);
        EXPECT_EQ(info.channels, c.channels);
        EXPECT_EQ(info.bitDepth, c.bitsPerPixel);
        EXPECT_EQ(info.interlaceType, c.desc.interlace);
        EXPECT_EQ(info.compressionLevel, 5);
    }
}

TEST(PngCodec, GammaIsCorrectedTowardsTheScreenOnlyWhenTheFileAsksForIt) {
    PngLayout s;
    s.width = 4, s.height = 1, s.colorType = PNG_COLOR_TYPE_GRAY;
    s.rows = {row8({0, 64, 128, 255})};
    struct Case {
        double gamma;  // 0: no gAMA chunk
        bool adjusted;
    } cases[] = {{0, false}, {0.45455, false}, {1.0, true}, {0.25, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gamma);
        s.gamma = c.gamma;
        PngImageFile image;
        ASSERT_TRUE(loadPng(fixtures::writePng(s), image));
        const int stored[] = {0, 64, 128, 255};
        for (int x = 0; x < 4; ++x) {
            int want = stored[x];
            if (c.adjusted) {
                want = int(std::lround(255 * std::pow(stored[x] / 255.0, 1 / (c.gamma * 2.2))));
            }
            EXPECT_NEAR(image.pixels().color.pixels(0)[x].g, want, 1) << x;
        }
    }
}

TEST(PngCodec, HeaderOnlyFillsTheRecordAndTheResolution) {
    PngLayout s;
    s.width = 3, s.height = 2, s.bitDepth = 16, s.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    s.rows.assign(2, Bytes(3 * 8, 0x40));
    s.pixelsPerMetre = 11811;  // 300 dpi
    PngImageFile image;
    PngCodec codec;
    const Bytes file = fixtures::writePng(s);
    ASSERT_TRUE(codec.loadFromMemory(image, file.data(), uint32_t(file.size()), LoadHeaderOnly));
    EXPECT_TRUE(image.isEmpty());
    EXPECT_EQ(image.pngInfo().width, 3);
    EXPECT_EQ(image.pngInfo().height, 2);
    EXPECT_EQ(image.pngInfo().bitDepth, 64);
    EXPECT_EQ(image.pngInfo().channels, 4);
    EXPECT_NEAR(codec.resolution(), 300, 0.01);
}

TEST(PngCodec, DamagedAndHostileFilesAreRefused) {
    PngLayout s;
    s.width = 16, s.height = 16;
    s.rows.assign(16, Bytes(48));
    for (size_t y = 0; y < 16; ++y) {
        for (size_t i = 0; i < 48; ++i) s.rows[y][i] = uint8_t(y * 48 + i * 7);
    }
    const Bytes good = fixtures::writePng(s);
    PngImageFile check;
    ASSERT_TRUE(loadPng(good, check));

    std::vector<std::pair<std::string, Bytes>> cases;
    cases.emplace_back("empty", Bytes{});
    cases.emplace_back("signature only", Bytes(good.begin(), good.begin() + 8));
    Bytes badSignature = good;
    badSignature[1] = 'Q';
    cases.emplace_back("bad signature", badSignature);
    for (size_t cut : {12ul, 33ul, good.size() / 2, good.size() - 13, good.size() - 1}) {
        cases.emplace_back("cut at " + std::to_string(cut),
                           Bytes(good.begin(), good.begin() + long(cut)));
    }
    // A flipped bit inside the image data breaks its CRC.
    Bytes badData = good;
    const auto chunks = fixtures::pngChunks(good);
    size_t idat = 8;
    for (const auto& [type, data] : chunks) {
        if (type == "IDAT") break;
        idat += 12 + data.size();
    }
    badData[idat + 10] ^= 0x10;
    cases.emplace_back("IDAT CRC", badData);
    // Headers claiming more than 30000 pixels on a side, with valid CRCs.
    for (uint32_t side : {30001u, 0x7FFFFFFFu}) {
        Bytes ihdr = {0, 0, 0, 1, 0, 0, 0, 1, 8, 2, 0, 0, 0};
        for (int i = 0; i < 4; ++i) ihdr[size_t(i)] = uint8_t(side >> (24 - 8 * i));
        Bytes huge(good.begin(), good.begin() + 8);
        const Bytes chunk = fixtures::pngChunk("IHDR", ihdr);
        huge.insert(huge.end(), chunk.begin(), chunk.end());
        huge.insert(huge.end(), good.begin() + 33, good.end());
        cases.emplace_back("side " + std::to_string(side), huge);
    }
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        PngImageFile image;
        image.pngInfo().compressionLevel = 3;
        if (bytes.empty()) {
            MemoryStream stream;
            EXPECT_FALSE(PngCodec().loadFromStream(image, stream, LoadPixels));
            continue;
        }
        EXPECT_FALSE(loadPng(bytes, image));
        EXPECT_TRUE(image.isEmpty());
    }
}

TEST(PngCodec, ShortWritesFailTheSave) {
    PngImageFile image;
    fixtures::paint(image.pixels().color, 40, 40, fixtures::pattern);
    PngCodec codec;
    for (uint32_t room : {1u, 8u, 60u, 200u}) {
        MemoryBuffer buffer(room);
        EXPECT_FALSE(codec.saveToBuffer(buffer, image)) << room;
    }
    // Only images of its own format are accepted.
    JpegImageFile jpeg;
    fixtures::paint(jpeg.pixels(), 2, 2, fixtures::pattern);
    MemoryBuffer buffer(1 << 16);
    EXPECT_FALSE(codec.saveToBuffer(buffer, jpeg));
}

// Photographs are filtered with the library's adaptive choice among all five row filters: on a
// smooth, slightly noisy picture the averaging filter wins rows (a save limited to fewer filters
// writes such files several per cent larger).
TEST(PngCodec, RowFiltersAreChosenAmongAllFive) {
    constexpr int32_t kW = 96, kH = 48;
    uint32_t seed = 1;
    auto noise = [&] {
        seed = seed * 1103515245u + 12345u;
        return int(seed >> 16 & 15) - 7;
    };
    PngImageFile image;
    fixtures::paint(image.pixels().color, kW, kH, [&](int32_t x, int32_t y) {
        auto channel = [&](double v) { return uint8_t(std::clamp(int(v) + noise(), 0, 255)); };
        return rgb(channel(128 + 40 * std::sin(x * 0.05 + y * 0.03)),
                   channel(100 + 30 * std::cos(y * 0.07)), channel(60 + x / 4));
    });
    Bytes compressed;
    for (const auto& [type, data] : fixtures::pngChunks(savePng(image))) {
        if (type == "IDAT") compressed.insert(compressed.end(), data.begin(), data.end());
    }
    const size_t stride = size_t(kW) * 3 + 1;
    Bytes rows(stride * kH);
    uLongf size = uLongf(rows.size());
    ASSERT_EQ(uncompress(rows.data(), &size, compressed.data(), uLong(compressed.size())), Z_OK);
    ASSERT_EQ(size, rows.size());
    int used[5] = {};
    for (int32_t y = 0; y < kH; ++y) {
        ASSERT_LT(rows[size_t(y) * stride], 5);
        ++used[rows[size_t(y) * stride]];
    }
    EXPECT_GT(used[3], 0) << "none " << used[0] << ", sub " << used[1] << ", up " << used[2]
                          << ", paeth " << used[4];
}

}  // namespace
}  // namespace varnel
