#include "formats/png_codec.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <regex>

#include "codec_fixtures.h"
#include "formats/image_file.h"
#include "formats/memory_stream.h"
#include "support/pixels.h"

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
        SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h << " alpha " << c.alpha);
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

// --- The codec's own inflate against libpng's ---------------------------------------------

// A file put together chunk by chunk: the header, `before`, the zlib data cut into image data
// chunks of `split` bytes, `after`, and the end chunk unless `end` is false.
struct Assembly {
    uint32_t width = 1, height = 1;
    int colorType = PNG_COLOR_TYPE_RGB;
    Bytes zlib;
    size_t split = 0;  // 0: one chunk
    std::vector<Bytes> before, after;
    bool end = true;
};

Bytes assemble(const Assembly& a) {
    Bytes out = {137, 'P', 'N', 'G', '\r', '\n', 26, '\n'};
    auto append = [&](const Bytes& chunk) { out.insert(out.end(), chunk.begin(), chunk.end()); };
    Bytes ihdr;
    for (uint32_t v : {a.width, a.height}) {
        for (int s = 24; s >= 0; s -= 8) ihdr.push_back(uint8_t(v >> s));
    }
    ihdr.insert(ihdr.end(), {8, uint8_t(a.colorType), 0, 0, 0});
    append(fixtures::pngChunk("IHDR", ihdr));
    for (const Bytes& chunk : a.before) append(chunk);
    const size_t step = a.split ? a.split : std::max<size_t>(a.zlib.size(), 1);
    for (size_t at = 0; at < a.zlib.size() || at == 0; at += step) {
        const size_t n = std::min(step, a.zlib.size() - at);
        append(fixtures::pngChunk("IDAT",
                                  Bytes(a.zlib.begin() + long(at), a.zlib.begin() + long(at + n))));
        if (n == 0) break;
    }
    for (const Bytes& chunk : a.after) append(chunk);
    if (a.end) append(fixtures::pngChunk("IEND", {}));
    return out;
}

Bytes zlibOf(const Bytes& data) {
    Bytes out(compressBound(uLong(data.size())));
    uLongf size = uLongf(out.size());
    EXPECT_EQ(compress2(out.data(), &size, data.data(), uLong(data.size()), 6), Z_OK);
    out.resize(size);
    return out;
}

// Filtered rows of noise over a gradient, row y using filter filters[y % size].
Bytes filteredRows(uint32_t width, uint32_t height, int bpp, const std::vector<int>& filters) {
    Bytes rows;
    uint32_t seed = width * 31 + height;
    for (uint32_t y = 0; y < height; ++y) {
        rows.push_back(uint8_t(filters[y % filters.size()]));
        for (uint32_t i = 0; i < width * uint32_t(bpp); ++i) {
            seed = seed * 1103515245u + 12345u;
            rows.push_back(uint8_t((seed >> 16) % 40 + i * 3 + y * 5));
        }
    }
    return rows;
}

struct Reading {
    bool ok = false;
    std::string failure;
    bool inflatedHere = false;
    PngImageFile image;
    double resolution = 0;
};

void readBothWays(const Bytes& bytes, Reading& here, Reading& library) {
    for (Reading* r : {&here, &library}) {
        PngCodec codec;
        codec.setLibraryInflate(r == &library);
        r->ok = codec.loadFromMemory(r->image, bytes.data(), uint32_t(bytes.size()), LoadPixels);
        r->failure = codec.failure();
        r->inflatedHere = codec.inflatedHere();
        r->resolution = codec.resolution();
    }
}

// The image data of 8-bit RGB and RGBA files is inflated by the codec itself. Whatever the file
// holds, it must read exactly as libpng alone reads it: the same pixels and resolution, or the
// same refusal. Only `inflated` files take the codec's own path to the end (a refusal always
// comes from libpng's reading).
TEST(PngCodec, OwnInflateReadsEveryFileAsLibpngDoes) {
    struct Case {
        std::string name;
        Bytes file;
        bool inflated;
    };
    std::vector<Case> cases;
    auto add = [&](std::string name, const Assembly& a, bool inflated) {
        cases.push_back({std::move(name), assemble(a), inflated});
    };
    // Every filter on every row position (the first row reads zeros above), at widths whose
    // rows end inside a vector and pixels of 3 and 4 bytes.
    for (int colorType : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA}) {
        const int bpp = colorType == PNG_COLOR_TYPE_RGB ? 3 : 4;
        for (uint32_t width : {1u, 5u, 33u}) {
            for (int first = 0; first < 5; ++first) {
                Assembly a;
                a.width = width, a.height = 7, a.colorType = colorType;
                a.zlib = zlibOf(filteredRows(width, 7, bpp, {first, 4, 3, 2, 1, 0, 4}));
                add("filters from " + std::to_string(first) + ", width " + std::to_string(width) +
                        ", " + std::to_string(bpp) + " bytes",
                    a, true);
            }
        }
    }
    Assembly base;
    base.width = 9, base.height = 6;
    const Bytes rows = filteredRows(9, 6, 3, {1, 4, 3, 2, 0, 4});
    base.zlib = zlibOf(rows);
    const Bytes text = fixtures::pngChunk("tEXt", {'a', 0, 'b'});
    {
        Assembly a = base;
        a.split = 1;
        a.after = {fixtures::pngChunk("IDAT", {}), text};
        add("one-byte image data chunks, an empty one, text after", a, true);
    }
    {
        Assembly a = base;
        a.after = {text, fixtures::pngChunk("IDAT", {1, 2})};
        add("image data after another chunk", a, false);
    }
    {
        Assembly a = base;
        Bytes spoiled = text;
        spoiled.back() ^= 1;
        a.after = {spoiled};
        add("bad checksum on text after the image", a, true);
    }
    {
        Assembly a = base;
        a.after = {fixtures::pngChunk("ABCD", {1})};
        add("unknown critical chunk after the image", a, false);
    }
    {
        Assembly a = base;
        a.end = false;
        add("no end chunk", a, false);
    }
    {
        Assembly a = base;
        a.after = {fixtures::pngChunk("IEND", {1, 2})};
        a.end = false;
        add("end chunk with data", a, true);
    }
    {
        Bytes bad = rows;
        bad[2 * 28] = 5;
        Assembly a = base;
        a.zlib = zlibOf(bad);
        add("filter type 5", a, false);
    }
    {
        Assembly a = base;
        a.zlib = zlibOf(Bytes(rows.begin(), rows.end() - 28));
        add("a row short", a, false);
    }
    {
        Bytes more = rows;
        more.push_back(7);
        Assembly a = base;
        a.zlib = zlibOf(more);
        add("a byte too many", a, false);
    }
    {
        Assembly a = base;
        a.zlib.insert(a.zlib.end(), {1, 2, 3});
        add("bytes after the zlib stream", a, false);
    }
    {
        Assembly a = base;
        a.zlib.back() ^= 0x40;
        add("bad Adler-32", a, false);
    }
    {
        Assembly a = base;
        a.zlib.resize(a.zlib.size() / 2);
        add("zlib stream cut short", a, false);
    }
    {
        // Deflate with a 256-byte window declared in the header.
        Bytes raw(compressBound(uLong(rows.size())));
        z_stream z{};
        ASSERT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 8, 8, Z_DEFAULT_STRATEGY), Z_OK);
        z.next_in = const_cast<Bytef*>(rows.data());
        z.avail_in = uInt(rows.size());
        z.next_out = raw.data();
        z.avail_out = uInt(raw.size());
        ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
        raw.resize(z.total_out);
        deflateEnd(&z);
        Assembly a = base;
        a.zlib = raw;
        add("small window", a, false);
    }
    {
        Assembly a = base;
        a.before = {fixtures::pngChunk("gAMA", {0, 0, 0xB1, 0x8F}),
                    fixtures::pngChunk("pHYs", {0, 0, 0x0B, 0x13, 0, 0, 0x0B, 0x13, 1})};
        add("gamma of 1/2.2 and a resolution", a, true);
    }
    {
        Assembly a = base;
        a.before = {fixtures::pngChunk("gAMA", {0, 1, 0x86, 0xA0})};
        add("gamma of 1", a, false);
    }
    {
        Assembly a = base;
        a.before = {fixtures::pngChunk("tRNS", {0, 1, 0, 2, 0, 3})};
        add("transparent colour", a, false);
    }
    {
        Assembly a = base;
        a.split = 10;
        a.after = {text};
        Bytes file = assemble(a);
        file[8 + 25 + 12 + 10 + 3] ^= 1;  // inside the second image data chunk
        cases.push_back({"bad checksum on image data", file, false});
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reading here, library;
        readBothWays(c.file, here, library);
        EXPECT_EQ(here.ok, library.ok);
        EXPECT_EQ(here.failure, library.failure);
        EXPECT_EQ(here.inflatedHere, c.inflated);
        EXPECT_FALSE(library.inflatedHere);
        EXPECT_EQ(here.resolution, library.resolution);
        if (here.ok && library.ok) {
            EXPECT_TRUE(varnel::testing::samePixels(here.image.pixels().color,
                                                    library.image.pixels().color));
            ASSERT_EQ(here.image.alphaPlane() != nullptr, library.image.alphaPlane() != nullptr);
            if (here.image.alphaPlane()) {
                EXPECT_TRUE(varnel::testing::samePixels(*here.image.alphaPlane(),
                                                        *library.image.alphaPlane()));
            }
        }
    }
}

}  // namespace
}  // namespace varnel
