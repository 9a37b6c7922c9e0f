// Layered files: our own files read back exactly, files written the way other programs write
// them (Python's zipfile and Pillow) opened with the right layers, our files read by that
// independent reader, and hostile archives refused with a reason.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "core/blend_modes.h"
#include "document/document.h"
#include "document/layer.h"
#include "formats/openraster.h"
#include "formats/openraster_detail.h"
#include "formats/png_codec.h"
#include "sha256.h"
#include "support/pixels.h"
#include "test_files.h"

namespace varnel {
namespace {

using testing_files::ScratchFolder;

// --- documents ---------------------------------------------------------------------------------

// A document with one layer of every blend mode over a background, each with its own offset,
// opacities, visibility and (every other one) a transparency plane; a layer without pixels, a
// placeholder, two saved channels, a resolution in pixels per centimetre and an active layer in
// the middle.
std::unique_ptr<Document> richDocument() {
    ImageSettings settings;
    settings.width = 40;
    settings.height = 30;
    auto document = Document::createBlank(settings);
    LayerStack& layers = document->layers();
    testing::fillNoise(static_cast<RasterLayer*>(layers.layerAt(0))->pixels(), 1u);
    for (int mode = 0; mode < kBlendModeCount; ++mode) {
        ColorImage pixels;
        pixels.createColor(7 + mode, 5 + mode % 4);
        testing::fillNoise(pixels, uint32_t(100 + mode));
        GrayMap alpha;
        alpha.createGray(pixels.width(), pixels.height());
        testing::fillNoise(alpha, uint32_t(200 + mode));
        RasterLayer* layer = layers.newRasterLayer(pixels, mode % 2 ? &alpha : nullptr,
                                                   {mode * 3 - 9, 25 - mode * 2},
                                                   "Mode " + std::to_string(mode), false);
        layer->setBlendMode(mode);
        layer->setMasterOpacity(uint8_t(255 - mode * 7));
        layer->setLayerOpacity(uint8_t(mode % 3 ? 255 : 190));
        layer->setVisible(mode % 5 != 0);
    }
    LayerProperties properties{"Nothing yet", kBlendScreen, 77};
    layers.newEmptyLayer(&properties);
    auto placeholder = std::make_unique<LayerItem>("Cropped away");
    placeholder->setVisible(false);
    layers.insert(std::move(placeholder), layers.count(), false);
    layers.setActiveLayer(layers.layerAt(6));
    document->setResolution(118.11f, 1);
    for (int i = 0; i < 2; ++i) {
        auto channel = std::make_unique<Channel>();
        channel->createGray(40, 30);
        testing::fillNoise(*channel, uint32_t(300 + i));
        channel->setName("Alpha " + std::to_string(i + 1));
        document->channels().push_back(std::move(channel));
    }
    return document;
}

void expectSameLayer(const LayerItem& a, const LayerItem& b) {
    SCOPED_TRACE(a.name());
    EXPECT_EQ(a.name(), b.name());
    EXPECT_EQ(a.kind(), b.kind());
    EXPECT_EQ(a.hasProperties(), b.hasProperties());
    EXPECT_EQ(a.isVisible(), b.isVisible());
    EXPECT_EQ(a.isBackground(), b.isBackground());
    EXPECT_EQ(a.offset(), b.offset());
    if (a.hasProperties() && b.hasProperties()) {
        const auto& pa = static_cast<const EmptyLayer&>(a);
        const auto& pb = static_cast<const EmptyLayer&>(b);
        EXPECT_EQ(pa.blendMode(), pb.blendMode());
        EXPECT_EQ(pa.masterOpacity(), pb.masterOpacity());
        EXPECT_EQ(pa.layerOpacity(), pb.layerOpacity());
    }
    if (a.kind() == kLayerKindRaster && b.kind() == kLayerKindRaster) {
        const auto& ra = static_cast<const RasterLayer&>(a);
        const auto& rb = static_cast<const RasterLayer&>(b);
        EXPECT_TRUE(testing::samePixels(ra.pixels(), rb.pixels()));
        ASSERT_EQ(ra.transparency() != nullptr, rb.transparency() != nullptr);
        if (ra.transparency()) {
            EXPECT_TRUE(testing::samePixels(*ra.transparency(), *rb.transparency()));
        }
    }
}

TEST(OpenRasterRoundTrip, KeepsEveryLayerPropertyModeAndChannel) {
    ScratchFolder folder;
    const std::string path = folder.file("layers.ora");
    auto saved = richDocument();
    std::string why;
    ASSERT_TRUE(writeOpenRaster(layeredImageOf(*saved), path, {}, &why)) << why;

    std::unique_ptr<Document> read;
    OpenRasterReadReport report;
    ASSERT_TRUE(readOpenRaster(path, read, &report, &why)) << why;
    EXPECT_TRUE(report.notes.empty());
    EXPECT_EQ(read->size(), saved->size());
    EXPECT_FLOAT_EQ(read->resolution(), saved->resolution());
    EXPECT_EQ(read->resolutionUnit(), 1);
    EXPECT_EQ(read->filePath(), path);
    EXPECT_FALSE(read->isModified());
    ASSERT_EQ(read->layers().count(), saved->layers().count());
    for (int i = 0; i < saved->layers().count(); ++i) {
        expectSameLayer(*saved->layers().layerAt(i), *read->layers().layerAt(i));
    }
    EXPECT_EQ(read->layers().activeIndex(), 6);
    ASSERT_EQ(read->channels().size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(read->channels()[i]->name(), saved->channels()[i]->name());
        EXPECT_TRUE(testing::samePixels(*read->channels()[i], *saved->channels()[i]));
    }
}

TEST(OpenRasterRoundTrip, SnapshotWritesWhatTheDocumentHeldWhenTaken) {
    auto document = richDocument();
    LayeredSnapshot snapshot;
    ASSERT_TRUE(snapshot.take(*document));
    // Later edits do not reach the snapshot.
    auto* background = static_cast<RasterLayer*>(document->layers().layerAt(0));
    ColorImage before;
    before.copyFrom(background->pixels());
    background->pixels().fillAll(0x123456);
    document->layers().setName(document->layers().layerAt(1), "Renamed", false);

    std::vector<uint8_t> archive;
    std::string why;
    ASSERT_TRUE(encodeOpenRaster(snapshot.image(), {1, false}, archive, &why)) << why;
    std::unique_ptr<Document> read;
    ASSERT_TRUE(readOpenRasterFrom(archive.data(), archive.size(), "x.ora", read, nullptr, &why))
        << why;
    EXPECT_TRUE(testing::samePixels(static_cast<RasterLayer*>(read->layers().layerAt(0))->pixels(),
                                    before));
    EXPECT_EQ(read->layers().layerAt(1)->name(), "Mode 0");
}

// A snapshot taken again copies into the storage of the last one (and into prepared storage):
// what it holds is the document as it is now, never a leftover.
TEST(OpenRasterRoundTrip, SnapshotTakenAgainHoldsTheDocumentAsItIsNow) {
    auto document = richDocument();
    LayeredSnapshot snapshot;
    snapshot.prepare(LayeredSnapshot::shapesOf(*document));
    for (uint32_t round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        for (int i = 0; i < 4; ++i) {
            testing::fillNoise(document->layers().rasterAt(i)->pixels(), 900 + round * 10 + i);
        }
        document->layers().setName(document->layers().layerAt(2), "Round " + std::to_string(round),
                                   false);
        ASSERT_TRUE(snapshot.take(*document));
        const LayeredImage& image = snapshot.image();
        ASSERT_EQ(int(image.layers.size()), document->layers().count());
        for (int i = 0; i < document->layers().count(); ++i) {
            expectSameLayer(*document->layers().layerAt(i), *image.layers[size_t(i)]);
        }
        ASSERT_EQ(image.channels.size(), 2u);
        EXPECT_TRUE(testing::samePixels(*image.channels[1], *document->channels()[1]));
    }
}

TEST(OpenRasterCompositeOps, FormatNamesWhereTheFormatHasThemOursElsewhere) {
    EXPECT_EQ(compositeOpOf(kBlendNormal), "svg:src-over");
    EXPECT_EQ(compositeOpOf(kBlendColorDodge), "svg:color-dodge");
    EXPECT_EQ(compositeOpOf(kBlendSoftDodge), "varnel:soft-dodge");
    for (int mode = 0; mode < kBlendModeCount; ++mode) {
        EXPECT_EQ(blendModeOfCompositeOp(compositeOpOf(mode)), mode);
    }
    for (const char* other : {"svg:plus", "svg:dst-in", "krita:whatever", ""}) {
        EXPECT_EQ(blendModeOfCompositeOp(other), kBlendNormal) << other;
    }
}

TEST(OpenRasterSave, FailedWriteLeavesTheOldFile) {
    ScratchFolder folder;
    const std::string path = folder.file("keep.ora");
    { std::ofstream(path) << "old contents"; }
    // A folder where the archive should go cannot be replaced; a document without layers cannot
    // be written at all. Either way the file stays as it was and the reason is given.
    LayeredImage empty;
    empty.canvas = {4, 4};
    std::string why;
    EXPECT_FALSE(writeOpenRaster(empty, path, {}, &why));
    EXPECT_FALSE(why.empty());
    std::filesystem::create_directory(folder.file("dir.ora"));
    auto document = richDocument();
    why.clear();
    EXPECT_FALSE(writeOpenRaster(layeredImageOf(*document), folder.file("dir.ora"), {}, &why));
    EXPECT_FALSE(why.empty());
    std::ifstream in(path);
    std::string contents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(contents, "old contents");
}

// --- the independent reader and writer -----------------------------------------------------

bool run(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return false;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    return ::pclose(pipe) == 0;
}

// "<python> .../ora_peer.py" for a Python with Pillow (the system's first), or empty.
std::string peer() {
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        std::string ignored;
        if (run(std::string(python) + " -c 'import PIL.Image, zipfile' >/dev/null 2>&1", ignored)) {
            return std::string(python) + " " + VARNEL_TEST_DATA_DIR + "/openraster/ora_peer.py";
        }
    }
    return {};
}

std::vector<std::vector<std::string>> records(const std::string& text) {
    std::vector<std::vector<std::string>> out;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        std::string field;
        while (std::getline(parts, field, '\t')) fields.push_back(field);
        out.push_back(fields);
    }
    return out;
}

// SHA-256 of the layer's pixels as RGBA bytes, top row first (alpha 255 without a plane).
std::string rgbaDigest(const RasterLayer& layer) {
    testing_hash::Sha256 sha;
    const ColorImage& pixels = layer.pixels();
    const Channel* alpha = layer.transparency();
    for (int32_t y = 0; y < pixels.height(); ++y) {
        const Bgr* row = pixels.pixels(y);
        for (int32_t x = 0; x < pixels.width(); ++x) {
            const uint8_t rgba[4] = {row[x].r, row[x].g, row[x].b,
                                     alpha ? alpha->row(y)[x] : uint8_t(255)};
            sha.update(rgba, 4);
        }
    }
    return sha.hex();
}

TEST(OpenRasterPeer, IndependentReaderFindsOurLayersAndPixels) {
    const std::string tool = peer();
    if (tool.empty()) GTEST_SKIP() << "python3 with Pillow is not installed";
    ScratchFolder folder;
    const std::string path = folder.file("ours.ora");
    auto document = richDocument();
    std::string why;
    ASSERT_TRUE(writeOpenRaster(layeredImageOf(*document), path, {}, &why)) << why;
    std::string output;
    ASSERT_TRUE(run(tool + " read '" + path + "'", output)) << output;
    const auto lines = records(output);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0],
              (std::vector<std::string>{"first", "mimetype", "stored", "image/openraster"}));
    ASSERT_EQ(lines[1].size(), 4u);
    EXPECT_EQ(lines[1][1], "40");
    EXPECT_EQ(lines[1][2], "30");
    EXPECT_NEAR(std::stod(lines[1][3]), 300.0, 0.01);  // 118.11 pixels per centimetre
    EXPECT_EQ(lines[2], (std::vector<std::string>{"png", "mergedimage.png", "40", "30", "RGB"}));
    EXPECT_EQ(lines[3][1], "Thumbnails/thumbnail.png");
    EXPECT_LE(std::stoi(lines[3][2]), 256);

    // Layers top first; the placeholder and the empty layer come out as transparent pixels.
    const LayerStack& layers = document->layers();
    ASSERT_EQ(lines.size(), 4u + size_t(layers.count()));
    for (int i = 0; i < layers.count(); ++i) {
        const LayerItem& layer = *layers.layerAt(layers.count() - 1 - i);
        const auto& line = lines[4 + size_t(i)];
        SCOPED_TRACE(layer.name());
        ASSERT_EQ(line.size(), 11u);
        EXPECT_EQ(line[1], layer.name());
        EXPECT_EQ(line[7], layer.isVisible() ? "visible" : "hidden");
        EXPECT_EQ(line[9], layers.layerAt(6) == &layer ? "true" : "false");
        if (layer.kind() != kLayerKindRaster) continue;
        const auto& raster = static_cast<const RasterLayer&>(layer);
        EXPECT_EQ(line[2], std::to_string(layer.offset().x));
        EXPECT_EQ(line[3], std::to_string(layer.offset().y));
        EXPECT_EQ(line[4], std::to_string(layer.size().width));
        EXPECT_NEAR(std::stod(line[6]), raster.effectiveOpacity() / 255.0, 1e-5);
        EXPECT_EQ(line[8], compositeOpOf(raster.blendMode()));
        EXPECT_EQ(line[10], rgbaDigest(raster));
    }
}

// The pixel of a layer as BGR plus alpha.
struct Pixel {
    uint8_t b, g, r, a;
    bool operator==(const Pixel&) const = default;
};
Pixel pixelOf(const RasterLayer& layer, int32_t x, int32_t y) {
    const Bgr c = layer.pixels().pixels(y)[x];
    const Channel* alpha = layer.transparency();
    return {c.b, c.g, c.r, alpha ? alpha->row(y)[x] : uint8_t(255)};
}

TEST(OpenRasterPeer, FileOfAnotherProgramOpensWithItsLayers) {
    const std::string tool = peer();
    if (tool.empty()) GTEST_SKIP() << "python3 with Pillow is not installed";
    ScratchFolder folder;
    const std::string path = folder.file("theirs.ora");
    std::string output;
    ASSERT_TRUE(run(tool + " write '" + path + "'", output)) << output;

    std::unique_ptr<Document> document;
    OpenRasterReadReport report;
    std::string why;
    ASSERT_TRUE(readOpenRaster(path, document, &report, &why)) << why;
    EXPECT_EQ(document->size(), (Size{64, 48}));
    EXPECT_FLOAT_EQ(document->resolution(), 300.0f);
    ASSERT_EQ(report.notes.size(), 1u);
    EXPECT_NE(report.notes[0].find("Photo"), std::string::npos) << report.notes[0];

    struct Expected {
        const char* name;
        Point offset;
        Size size;
        int32_t mode;
        uint8_t opacity;
        bool visible;
    };
    // Bottom first, as the document holds them: the plain group's layers in place, the faded and
    // the hidden group each one layer, the JPEG layer left out.
    const Expected expected[] = {
        {"Background", {0, 0}, {64, 48}, kBlendNormal, 255, true},
        {"Grey16", {70, -10}, {6, 4}, kBlendNormal, 255, true},
        {"Plus", {0, 0}, {3, 3}, kBlendNormal, 255, true},
        {"Hidden", {0, 0}, {5, 5}, kBlendNormal, 255, false},
        {"Faded", {10, 10}, {6, 6}, kBlendScreen, 128, true},
        {"Inner B", {2, 3}, {8, 8}, kBlendNormal, 255, false},
        {"Inner A", {3, 4}, {8, 8}, kBlendNormal, 255, true},
        {"Top", {-5, 40}, {16, 16}, kBlendMultiply, 128, true},
    };
    const LayerStack& layers = document->layers();
    ASSERT_EQ(layers.count(), int(std::size(expected)));
    for (int i = 0; i < layers.count(); ++i) {
        const Expected& e = expected[i];
        SCOPED_TRACE(e.name);
        ASSERT_EQ(layers.layerAt(i)->kind(), kLayerKindRaster);
        const auto& layer = *layers.rasterAt(i);
        EXPECT_EQ(layer.name(), e.name);
        EXPECT_EQ(layer.offset(), e.offset);
        EXPECT_EQ(layer.size(), e.size);
        EXPECT_EQ(layer.blendMode(), e.mode);
        EXPECT_EQ(layer.masterOpacity(), e.opacity);
        EXPECT_EQ(layer.isVisible(), e.visible);
        EXPECT_FALSE(layer.isBackground());
    }
    EXPECT_EQ(layers.activeLayer(), layers.layerAt(7));
    // Pixels: alpha kept, opaque layers without a plane, 16-bit samples reduced, the faded group
    // composited from its two layers (transparent where neither lies).
    EXPECT_EQ(pixelOf(*layers.rasterAt(7), 3, 3), (Pixel{0, 0, 255, 200}));
    EXPECT_EQ(layers.rasterAt(0)->transparency(), nullptr);
    EXPECT_EQ(pixelOf(*layers.rasterAt(0), 5, 5), (Pixel{100, 150, 200, 255}));
    EXPECT_EQ(pixelOf(*layers.rasterAt(1), 0, 0), (Pixel{128, 128, 128, 255}));
    const RasterLayer& faded = *layers.rasterAt(4);
    EXPECT_EQ(pixelOf(faded, 0, 0), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(pixelOf(faded, 5, 5), (Pixel{255, 255, 255, 128}));
    EXPECT_EQ(pixelOf(faded, 0, 5).a, 0);
    const Pixel mixed = pixelOf(faded, 2, 2);
    EXPECT_EQ(mixed.b, 255);
    EXPECT_NEAR(mixed.r, 128, 2);
    EXPECT_EQ(mixed.a, 255);
}

// --- hostile archives ----------------------------------------------------------------------

// A zip written entry by entry, with whatever sizes and names a test wants declared.
class ZipBuilder {
public:
    struct Entry {
        std::string name;
        std::string data;
        bool deflate = false;
        // Declared sizes; -1 for the true ones.
        int64_t declaredSize = -1;
    };

    ZipBuilder& add(Entry e) {
        entries_.push_back(std::move(e));
        return *this;
    }
    ZipBuilder& add(const std::string& name, const std::string& data, bool deflate = false) {
        return add(Entry{name, data, deflate, -1});
    }

    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> out, directory;
        for (const Entry& e : entries_) {
            const std::string stored = e.deflate ? deflated(e.data) : e.data;
            const uint32_t crc =
                uint32_t(crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), e.data.size()));
            const uint32_t size = uint32_t(e.declaredSize >= 0 ? e.declaredSize : e.data.size());
            const uint32_t offset = uint32_t(out.size());
            header(out, 0x04034b50, false, e, crc, uint32_t(stored.size()), size, 0);
            out.insert(out.end(), stored.begin(), stored.end());
            header(directory, 0x02014b50, true, e, crc, uint32_t(stored.size()), size, offset);
        }
        const uint32_t directoryAt = uint32_t(out.size());
        out.insert(out.end(), directory.begin(), directory.end());
        put32(out, 0x06054b50);
        put16(out, 0);
        put16(out, 0);
        put16(out, uint16_t(entries_.size()));
        put16(out, uint16_t(entries_.size()));
        put32(out, uint32_t(directory.size()));
        put32(out, directoryAt);
        put16(out, 0);
        return out;
    }

    static std::string deflated(const std::string& data) {
        z_stream z{};
        deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
        std::string out(deflateBound(&z, data.size()), '\0');
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        z.avail_in = uInt(data.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(out.size());
        deflate(&z, Z_FINISH);
        out.resize(z.total_out);
        deflateEnd(&z);
        return out;
    }

private:
    static void put16(std::vector<uint8_t>& out, uint16_t v) {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    }
    static void put32(std::vector<uint8_t>& out, uint32_t v) {
        put16(out, uint16_t(v));
        put16(out, uint16_t(v >> 16));
    }
    static void header(std::vector<uint8_t>& out, uint32_t signature, bool central, const Entry& e,
                       uint32_t crc, uint32_t compressed, uint32_t size, uint32_t offset) {
        put32(out, signature);
        if (central) put16(out, 20);
        put16(out, 20);
        put16(out, 0);
        put16(out, e.deflate ? 8 : 0);
        put32(out, 0);  // time and date
        put32(out, crc);
        put32(out, compressed);
        put32(out, size);
        put16(out, uint16_t(e.name.size()));
        put16(out, 0);
        if (central) {
            put16(out, 0);
            put16(out, 0);
            put16(out, 0);
            put32(out, 0);
            put32(out, offset);
        }
        out.insert(out.end(), e.name.begin(), e.name.end());
    }

    std::vector<Entry> entries_;
};

std::string pngOf(int32_t width, int32_t height) {
    ColorImage color;
    color.createColor(width, height);
    std::vector<uint8_t> bytes;
    openraster::VectorStream stream(bytes);
    encodePng(stream, color, nullptr, 9);
    return {bytes.begin(), bytes.end()};
}

// A one-bit grey PNG of zeros: a few hundred bytes that decode to four bytes a pixel.
std::string oneBitPng(uint32_t width, uint32_t height) {
    auto chunk = [](std::string& out, const char* type, const std::string& data) {
        auto be = [&](uint32_t v) {
            for (int s = 24; s >= 0; s -= 8) out += char(v >> s);
        };
        be(uint32_t(data.size()));
        const std::string body = std::string(type, 4) + data;
        out += body;
        be(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
    };
    std::string ihdr;
    for (uint32_t v : {width, height}) {
        for (int s = 24; s >= 0; s -= 8) ihdr += char(v >> s);
    }
    ihdr += std::string("\x01\x00\x00\x00\x00", 5);
    const std::string rows(size_t(height) * (1 + (width + 7) / 8), '\0');
    std::string zlibData(compressBound(uLong(rows.size())), '\0');
    uLongf length = uLongf(zlibData.size());
    compress2(reinterpret_cast<Bytef*>(zlibData.data()), &length,
              reinterpret_cast<const Bytef*>(rows.data()), uLong(rows.size()), 9);
    zlibData.resize(length);
    std::string out("\x89PNG\r\n\x1a\n", 8);
    chunk(out, "IHDR", ihdr);
    chunk(out, "IDAT", zlibData);
    chunk(out, "IEND", "");
    return out;
}

std::string stackOf(const std::string& layers, int w = 8, int h = 8) {
    return "<?xml version=\"1.0\"?><image w=\"" + std::to_string(w) + "\" h=\"" +
           std::to_string(h) + "\"><stack>" + layers + "</stack></image>";
}

ZipBuilder validStart(const std::string& stack) {
    ZipBuilder zip;
    zip.add("mimetype", "image/openraster").add("stack.xml", stack, true);
    return zip;
}

TEST(OpenRasterHostile, RefusedWithAReason) {
    const std::string layer = "<layer name=\"L\" src=\"data/l.png\"/>";
    const std::string png = pngOf(8, 8);
    std::string manyRefs;
    for (int i = 0; i < 200; ++i) manyRefs += "<layer name=\"L\" src=\"data/l.png\"/>";
    std::string nested = layer;
    for (int i = 0; i < 80; ++i) nested = "<stack opacity=\"0.5\">" + nested + "</stack>";
    const std::string xmlBomb = std::string(20u << 20, ' ');
    struct Case {
        const char* what;
        std::vector<uint8_t> archive;
        const char* reason;  // a part of the reason given
    };
    const Case cases[] = {
        {"not a zip", {'h', 'e', 'l', 'l', 'o'}, "not a zip archive"},
        {"no mimetype", ZipBuilder().add("stack.xml", stackOf(layer)).bytes(), "no mimetype"},
        {"another mimetype",
         ZipBuilder().add("mimetype", "image/png").add("stack.xml", stackOf(layer)).bytes(),
         "mimetype"},
        {"no stack", ZipBuilder().add("mimetype", "image/openraster").bytes(), "stack.xml"},
        {"duplicate entries",
         validStart(stackOf(layer)).add("data/l.png", png).add("data/l.png", png).bytes(),
         "two entries"},
        {"stack refers to itself",
         validStart(stackOf("<layer name=\"L\" src=\"stack.xml\"/>")).bytes(), "refers to itself"},
        {"group refers to the stack",
         validStart(stackOf("<stack src=\"stack.xml\">" + layer + "</stack>"))
             .add("data/l.png", png)
             .bytes(),
         "refers to itself"},
        {"missing layer image", validStart(stackOf(layer)).bytes(),
         "\"data/l.png\", which the archive lacks"},
        {"canvas too wide", validStart(stackOf(layer, 40000, 8)).add("data/l.png", png).bytes(),
         "width 40000"},
        {"layer past the side limit",
         validStart(stackOf(layer)).add("data/l.png", oneBitPng(8, 40000), true).bytes(),
         "height 40000"},
        {"declared size smaller than the data",
         validStart(stackOf(layer))
             .add({"data/l.png", png, true, int64_t(png.size()) - 10})
             .bytes(),
         "data/l.png"},
        {"declared size larger than the data",
         validStart(stackOf(layer))
             .add({"data/l.png", png, true, int64_t(png.size()) + 10})
             .bytes(),
         "data/l.png"},
        {"ratio no image has",
         validStart(stackOf(layer)).add({"data/l.png", png, true, int64_t(1) << 31}).bytes(),
         "a ratio no image can have"},
        {"stack past the text limit",
         ZipBuilder()
             .add("mimetype", "image/openraster")
             .add("stack.xml", stackOf(layer) + xmlBomb, true)
             .bytes(),
         "more than it may"},
        {"one small image decoded many times",
         validStart(stackOf(manyRefs)).add("data/l.png", oneBitPng(4000, 4000), true).bytes(),
         "the layers claim"},
        {"nested too deep", validStart(stackOf(nested)).add("data/l.png", png).bytes(), "nested"},
        {"corrupt layer image",
         validStart(stackOf(layer)).add("data/l.png", png.substr(0, png.size() - 20)).bytes(),
         "layer \"L\""},
        {"not xml", validStart("<image w=\"8\"").bytes(), "not valid XML"},
        {"no layer at all", validStart(stackOf("")).bytes(), "no layer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<Document> document;
        std::string why;
        EXPECT_FALSE(readOpenRasterFrom(c.archive.data(), c.archive.size(), "h.ora", document,
                                        nullptr, &why));
        EXPECT_EQ(document, nullptr);
        EXPECT_FALSE(why.empty());
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
    }
}

TEST(OpenRasterSignature, RecognisesTheMimetypeEntry) {
    auto document = richDocument();
    std::vector<uint8_t> archive;
    ASSERT_TRUE(encodeOpenRaster(layeredImageOf(*document), {}, archive));
    EXPECT_TRUE(looksLikeOpenRaster(archive.data(), archive.size()));
    EXPECT_FALSE(looksLikeOpenRaster(archive.data(), 40));
    const std::vector<uint8_t> plainZip = ZipBuilder().add("readme", "hello").bytes();
    EXPECT_FALSE(looksLikeOpenRaster(plainZip.data(), plainZip.size()));
}

}  // namespace
}  // namespace varnel
