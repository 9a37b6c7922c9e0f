// Depth conversions on a 6000 × 4000 photo-like image: smooth gradients with fine texture and
// noise, so that palettes and caches see a realistic spread of colours.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/depth_conversion.h"
#include "core/octree_palette.h"
#include "document/document.h"
#include "document/layer.h"
#include "formats/bmp_codec.h"
#include "formats/file_stream.h"
#include "formats/image_file.h"
#include "formats/jpeg_codec.h"
#include "formats/memory_stream.h"
#include "formats/openraster.h"
#include "formats/png_codec.h"

namespace varnel {
namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

const ColorImage& photo() {
    static std::unique_ptr<ColorImage> image = [] {
        auto s = std::make_unique<ColorImage>();
        s->createColor(kWidth, kHeight);
        std::mt19937 rng(1);
        for (int32_t y = 0; y < kHeight; ++y) {
            Bgr* row = s->pixels(y);
            for (int32_t x = 0; x < kWidth; ++x) {
                const double u = x / double(kWidth), v = y / double(kHeight);
                const int noise = int(rng() % 9) - 4;
                auto channel = [&](double base) {
                    return uint8_t(std::clamp(int(base) + noise, 0, 255));
                };
                row[x] = {channel(128 + 100 * std::sin(6 * u + 2 * v)),
                          channel(128 + 90 * std::cos(4 * v - 3 * u) * std::sin(20 * u * v)),
                          channel(60 + 180 * u * v + 15 * std::sin(0.05 * x))};
            }
        }
        return s;
    }();
    return *image;
}

const Surface8& palette8() {
    static std::unique_ptr<Surface8> image = [] {
        auto s = std::make_unique<Surface8>();
        toPalette256(photo(), *s, 256);
        return s;
    }();
    return *image;
}

void setCounters(benchmark::State& state) {
    const double pixels = double(kWidth) * kHeight;
    state.counters["ns_per_pixel"] =
        benchmark::Counter(pixels * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ToGray(benchmark::State& state) {
    const ColorImage& source = photo();
    GrayMap target;
    for (auto _ : state) benchmark::DoNotOptimize(toGray(source, target));
    setCounters(state);
}
BENCHMARK(BM_ToGray)->Unit(benchmark::kMillisecond);

void BM_ToPalette256Diffused(benchmark::State& state) {
    const ColorImage& source = photo();
    Surface8 target;
    for (auto _ : state) benchmark::DoNotOptimize(toPalette256(source, target, 256));
    setCounters(state);
}
BENCHMARK(BM_ToPalette256Diffused)->Unit(benchmark::kMillisecond);

// The two halves of toPalette256: choosing the palette, and mapping with diffusion.
void BM_OctreePalette256(benchmark::State& state) {
    const ColorImage& source = photo();
    for (auto _ : state) {
        OctreePalette octree(256, 8);
        octree.addSurface(source);
        Bgra entries[256];
        benchmark::DoNotOptimize(octree.buildPalette(entries, 256));
    }
    setCounters(state);
}
BENCHMARK(BM_OctreePalette256)->Unit(benchmark::kMillisecond);

void BM_ConvertWithPaletteDiffused(benchmark::State& state) {
    const ColorImage& source = photo();
    const Palette& palette = *palette8().palette();
    Surface8 target;
    for (auto _ : state) {
        benchmark::DoNotOptimize(convertWithPalette(source, target, 8, palette, true));
    }
    setCounters(state);
}
BENCHMARK(BM_ConvertWithPaletteDiffused)->Unit(benchmark::kMillisecond);

void BM_To24From8(benchmark::State& state) {
    const Surface8& source = palette8();
    ColorImage target;
    for (auto _ : state) benchmark::DoNotOptimize(to24(source, target));
    setCounters(state);
}
BENCHMARK(BM_To24From8)->Unit(benchmark::kMillisecond);

// ---- BMP files of the same photo ----------------------------------------------------------------

// The photo as a BMP file in memory.
std::vector<uint8_t> fileOf(const PixelSurface& surface) {
    std::vector<uint8_t> bytes(size_t(surface.imageBytes()) + 4096);
    MemoryStream stream;
    stream.attachBlock(static_cast<void*>(bytes.data()), uint32_t(bytes.size()), 0);
    writeBitmapFile(stream, surface);
    bytes.resize(stream.tell());
    return bytes;
}

// The 256-colour photo as an RLE8 file: runs of three or more equal bytes, absolute runs
// between them (short leftovers as runs of 1 or 2).
std::vector<uint8_t> rle8FileOf(const Surface8& s) {
    std::vector<uint8_t> data;
    for (int32_t y = s.height() - 1; y >= 0; --y) {
        const uint8_t* row = s.row(y);
        int32_t i = 0;
        const int32_t w = s.width();
        auto runAt = [&](int32_t at) {
            int32_t n = 1;
            while (at + n < w && n < 255 && row[at + n] == row[at]) ++n;
            return n;
        };
        while (i < w) {
            const int32_t run = runAt(i);
            if (run >= 3) {
                data.push_back(uint8_t(run));
                data.push_back(row[i]);
                i += run;
                continue;
            }
            int32_t end = i;
            while (end < w && end - i < 255 && runAt(end) < 3) ++end;
            const int32_t n = end - i;
            if (n < 3) {
                for (int32_t k = 0; k < n; ++k) {
                    data.push_back(1);
                    data.push_back(row[i + k]);
                }
            } else {
                data.push_back(0);
                data.push_back(uint8_t(n));
                data.insert(data.end(), row + i, row + end);
                if (n & 1) data.push_back(0);
            }
            i = end;
        }
        data.push_back(0);
        data.push_back(0);
    }
    data.push_back(0);
    data.push_back(1);

    std::vector<uint8_t> file = fileOf(s);  // headers and palette of the plain file
    const uint32_t offset = uint32_t(file[10] | file[11] << 8 | file[12] << 16 | file[13] << 24);
    file.resize(offset);
    file[30] = 1;  // compression: RLE8
    const uint32_t size = uint32_t(data.size());
    for (int k = 0; k < 4; ++k) file[34 + k] = uint8_t(size >> (8 * k));
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

bool loadBmp(const std::vector<uint8_t>& file, BmpImageFile& image) {
    MemoryStream stream;
    stream.attachBlock(static_cast<const void*>(file.data()), uint32_t(file.size()), 0);
    BmpCodec codec;
    return codec.loadFromStream(image, stream, LoadPixels);
}

// Reading a 24-bit file held in memory into a new image (the result's memory included).
void BM_BmpRead24(benchmark::State& state) {
    static const std::vector<uint8_t> file = fileOf(photo());
    for (auto _ : state) {
        BmpImageFile image;
        if (!loadBmp(file, image)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(image.colorPlane()->bits());
    }
    setCounters(state);
}
BENCHMARK(BM_BmpRead24)->Unit(benchmark::kMillisecond);

// The same from a file in the page cache.
void BM_BmpRead24FromFile(benchmark::State& state) {
    static const std::string path = [] {
        const std::string p = "/tmp/varnel-bench-24.bmp";
        const std::vector<uint8_t> file = fileOf(photo());
        FileStream out;
        out.openForWrite(p);
        out.write(file.data(), 1, uint32_t(file.size()));
        out.commit();
        return p;
    }();
    for (auto _ : state) {
        BmpImageFile image;
        if (!image.loadFromFile(path, LoadPixels)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(image.colorPlane()->bits());
    }
    setCounters(state);
}
BENCHMARK(BM_BmpRead24FromFile)->Unit(benchmark::kMillisecond);

// Reading an RLE8 file of the 256-colour photo into a new colour image.
void BM_BmpReadRle8(benchmark::State& state) {
    static const std::vector<uint8_t> file = rle8FileOf(palette8());
    for (auto _ : state) {
        BmpImageFile image;
        if (!loadBmp(file, image)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(image.colorPlane()->bits());
    }
    setCounters(state);
    state.counters["file_MB"] = double(file.size()) / 1e6;
}
BENCHMARK(BM_BmpReadRle8)->Unit(benchmark::kMillisecond);

BmpImageFile& photoImage() {
    static BmpImageFile* image = [] {
        auto* i = new BmpImageFile;
        i->pixels().color.copyFrom(photo());
        return i;
    }();
    return *image;
}

// Writing the photo as a 24-bit file into memory.
void BM_BmpWrite24(benchmark::State& state) {
    std::vector<uint8_t> buffer(photo().imageBytes() + 4096);
    BmpCodec codec;
    for (auto _ : state) {
        MemoryStream stream;
        stream.attachBlock(static_cast<void*>(buffer.data()), uint32_t(buffer.size()), 0);
        if (!codec.saveToStream(stream, photoImage())) state.SkipWithError("save failed");
    }
    setCounters(state);
}
BENCHMARK(BM_BmpWrite24)->Unit(benchmark::kMillisecond);

// Writing it over an existing file: a temporary file beside the target, synced, renamed over it.
void BM_BmpWrite24ToFile(benchmark::State& state) {
    photoImage().saveToFile("/tmp/varnel-bench-out.bmp");
    for (auto _ : state) {
        if (!photoImage().saveToFile("/tmp/varnel-bench-out.bmp")) state.SkipWithError("failed");
    }
    setCounters(state);
}
BENCHMARK(BM_BmpWrite24ToFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// Writing it as a new file: a temporary file renamed into place, not synced (what was written
// before is flushed outside the timing, so that its write-back does not slow this one).
void BM_BmpWrite24ToNewFile(benchmark::State& state) {
    const char* path = "/tmp/varnel-bench-new.bmp";
    for (auto _ : state) {
        state.PauseTiming();
        std::remove(path);
        sync();
        state.ResumeTiming();
        if (!photoImage().saveToFile(path)) state.SkipWithError("failed");
    }
    std::remove(path);
    setCounters(state);
}
BENCHMARK(BM_BmpWrite24ToNewFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same without the rename that makes a save safe: the cost of the codec and the page cache
// alone (the temporary file is discarded).
void BM_BmpWrite24ToFileUnsynced(benchmark::State& state) {
    BmpCodec codec;
    for (auto _ : state) {
        FileStream stream;
        if (!stream.openForWrite("/tmp/varnel-bench-out.bmp") ||
            !codec.saveToStream(stream, photoImage())) {
            state.SkipWithError("failed");
        }
        stream.close();
    }
    setCounters(state);
}
BENCHMARK(BM_BmpWrite24ToFileUnsynced)->Unit(benchmark::kMillisecond);

// ---- JPEG and PNG files of the same photo
// --------------------------------------------------------

// The photo in the two formats' image file objects, at the settings a document saves with
// (JPEG quality 95, which the library sees as 93 with 2 × 2 chroma subsampling; PNG level 5).
JpegImageFile& photoJpegImage() {
    static JpegImageFile* image = [] {
        auto* i = new JpegImageFile;
        i->pixels().copyFrom(photo());
        return i;
    }();
    return *image;
}

PngImageFile& photoPngImage() {
    static PngImageFile* image = [] {
        auto* i = new PngImageFile;
        i->pixels().color.copyFrom(photo());
        return i;
    }();
    return *image;
}

// Encodes into memory; the encoded bytes.
std::vector<uint8_t> encoded(ImageCodec& codec, const ImageFile& image) {
    MemoryBuffer buffer(uint32_t(photo().imageBytes() * 2));
    uint32_t written = 0;
    if (!codec.saveToBuffer(buffer, image, &written)) return {};
    return std::vector<uint8_t>(buffer.data(), buffer.data() + written);
}

const std::vector<uint8_t>& photoJpegFile() {
    static const std::vector<uint8_t> file = [] {
        JpegCodec codec;
        return encoded(codec, photoJpegImage());
    }();
    return file;
}

const std::vector<uint8_t>& photoPngFile() {
    static const std::vector<uint8_t> file = [] {
        PngCodec codec;
        return encoded(codec, photoPngImage());
    }();
    return file;
}

// Writes bytes to a file in the page cache (for the file benchmarks and the tools).
std::string fileWith(const std::string& path, const std::vector<uint8_t>& bytes) {
    FileStream out;
    out.openForWrite(path);
    out.write(bytes.data(), 1, uint32_t(bytes.size()));
    out.commit();
    return path;
}

void BM_JpegEncodeQ95(benchmark::State& state) {
    MemoryBuffer buffer(uint32_t(photo().imageBytes()));
    JpegCodec codec;
    uint32_t written = 0;
    for (auto _ : state) {
        if (!codec.saveToBuffer(buffer, photoJpegImage(), &written)) state.SkipWithError("failed");
    }
    setCounters(state);
    state.counters["file_MB"] = double(written) / 1e6;
}
BENCHMARK(BM_JpegEncodeQ95)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_JpegDecode(benchmark::State& state) {
    const std::vector<uint8_t>& file = photoJpegFile();
    JpegCodec codec;
    for (auto _ : state) {
        JpegImageFile image;
        if (!codec.loadFromMemory(image, file.data(), uint32_t(file.size()), LoadPixels)) {
            state.SkipWithError("failed");
        }
        benchmark::DoNotOptimize(image.colorPlane()->bits());
    }
    setCounters(state);
}
BENCHMARK(BM_JpegDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

// Through files, as the editor opens and saves (the save without its final sync, like the tools
// below, which write to /dev/null).
void BM_JpegOpenFile(benchmark::State& state) {
    static const std::string path = fileWith("/tmp/varnel-bench-photo.jpg", photoJpegFile());
    for (auto _ : state) {
        JpegImageFile image;
        if (!image.loadFromFile(path, LoadPixels)) state.SkipWithError("failed");
        benchmark::DoNotOptimize(image.colorPlane()->bits());
    }
    setCounters(state);
}
BENCHMARK(BM_JpegOpenFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_JpegSaveFileUnsynced(benchmark::State& state) {
    JpegCodec codec;
    for (auto _ : state) {
        FileStream stream;
        if (!stream.openForWrite("/tmp/varnel-bench-out.jpg") ||
            !codec.saveToStream(stream, photoJpegImage())) {
            state.SkipWithError("failed");
        }
        stream.close();
    }
    setCounters(state);
}
BENCHMARK(BM_JpegSaveFileUnsynced)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: libjpeg-turbo's own tools on the same photo and settings, whole processes (start,
// reading the input from the page cache, writing to /dev/null).
void runTool(benchmark::State& state, const std::string& command) {
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError(("failed: " + command).c_str());
    }
    setCounters(state);
}

void BM_DjpegTool(benchmark::State& state) {
    static const std::string path = fileWith("/tmp/varnel-bench-photo.jpg", photoJpegFile());
    runTool(state, "djpeg -outfile /dev/null " + path);
}
BENCHMARK(BM_DjpegTool)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CjpegToolQ93(benchmark::State& state) {
    static const std::string path = [] {
        const ColorImage& p = photo();
        std::vector<uint8_t> ppm;
        const std::string head =
            "P6\n" + std::to_string(p.width()) + " " + std::to_string(p.height()) + "\n255\n";
        ppm.assign(head.begin(), head.end());
        ppm.reserve(ppm.size() + size_t(p.width()) * size_t(p.height()) * 3);
        for (int32_t y = 0; y < p.height(); ++y) {
            for (int32_t x = 0; x < p.width(); ++x) {
                const Bgr c = p.pixels(y)[x];
                ppm.insert(ppm.end(), {c.r, c.g, c.b});
            }
        }
        return fileWith("/tmp/varnel-bench-photo.ppm", ppm);
    }();
    runTool(state, "cjpeg -quality 93 -outfile /dev/null " + path);
}
BENCHMARK(BM_CjpegToolQ93)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PngEncodeLevel5(benchmark::State& state) {
    MemoryBuffer buffer(uint32_t(photo().imageBytes() * 2));
    PngCodec codec;
    uint32_t written = 0;
    for (auto _ : state) {
        if (!codec.saveToBuffer(buffer, photoPngImage(), &written)) state.SkipWithError("failed");
    }
    setCounters(state);
    state.counters["file_MB"] = double(written) / 1e6;
}
BENCHMARK(BM_PngEncodeLevel5)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PngDecode(benchmark::State& state) {
    const std::vector<uint8_t>& file = photoPngFile();
    PngCodec codec;
    for (auto _ : state) {
        PngImageFile image;
        if (!codec.loadFromMemory(image, file.data(), uint32_t(file.size()), LoadPixels)) {
            state.SkipWithError("failed");
        }
        benchmark::DoNotOptimize(image.colorPlane()->bits());
    }
    setCounters(state);
}
BENCHMARK(BM_PngDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PngOpenFile(benchmark::State& state) {
    static const std::string path = fileWith("/tmp/varnel-bench-photo.png", photoPngFile());
    for (auto _ : state) {
        PngImageFile image;
        if (!image.loadFromFile(path, LoadPixels)) state.SkipWithError("failed");
        benchmark::DoNotOptimize(image.colorPlane()->bits());
    }
    setCounters(state);
}
BENCHMARK(BM_PngOpenFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- Layered files: a 6000 × 4000 document of three layers
// --------------------------------------------

// A photo background and two photo-like layers with transparency (a radial fade and a band of
// noise), all covering the canvas.
Document& threeLayerDocument() {
    static std::unique_ptr<Document> document = [] {
        ImageSettings settings;
        settings.width = kWidth;
        settings.height = kHeight;
        auto doc = Document::createBlank(settings);
        static_cast<RasterLayer*>(doc->layers().layerAt(0))->pixels().copyPixels(photo());
        std::mt19937 rng(7);
        for (int k = 1; k <= 2; ++k) {
            ColorImage pixels;
            pixels.createColor(kWidth, kHeight);
            GrayMap alpha;
            alpha.createGray(kWidth, kHeight);
            for (int32_t y = 0; y < kHeight; ++y) {
                const Bgr* from = photo().pixels(kHeight - 1 - y);
                Bgr* to = pixels.pixels(y);
                uint8_t* a = alpha.row(y);
                for (int32_t x = 0; x < kWidth; ++x) {
                    const Bgr c = from[kWidth - 1 - x];
                    to[x] = k == 1 ? Bgr{c.r, c.b, c.g} : Bgr{uint8_t(255 - c.b), c.g, c.r};
                    const double dx = x - kWidth / 2.0, dy = y - kHeight / 2.0;
                    const double d = std::sqrt(dx * dx + dy * dy) / (kHeight / 2.0);
                    a[x] = k == 1 ? uint8_t(std::clamp(255.0 * (1.3 - d), 0.0, 255.0))
                                  : uint8_t(y % 400 < 200 ? 255 : 96 + rng() % 32);
                }
            }
            doc->layers().newRasterLayer(pixels, &alpha, {0, 0}, "Layer " + std::to_string(k),
                                         false);
        }
        return doc;
    }();
    return *document;
}

// Saves through new files (as Save As to a new name does: no sync before a rename), so that one
// archive and three separate files cost the same in syncs.
constexpr int kLayeredLevel = 5;

void BM_OraSaveThreeLayers(benchmark::State& state) {
    const LayeredImage image = layeredImageOf(threeLayerDocument());
    const std::string path = "/tmp/varnel-bench-layers.ora";
    const bool parallel = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::remove(path.c_str());
        state.ResumeTiming();
        std::string why;
        if (!writeOpenRaster(image, path, {kLayeredLevel, parallel}, &why)) {
            state.SkipWithError(why.c_str());
        }
    }
    std::remove(path.c_str());
    state.SetLabel(parallel ? "layers encoded on every core" : "one thread");
}
BENCHMARK(BM_OraSaveThreeLayers)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same three layers saved one after the other as PNG files (with their transparency), as
// three Save As of flat documents would, at the same deflate level.
void BM_PngSaveThreeLayersSeparately(benchmark::State& state) {
    const LayerStack& layers = threeLayerDocument().layers();
    for (auto _ : state) {
        for (int k = 0; k < 3; ++k) {
            const std::string path = "/tmp/varnel-bench-layer" + std::to_string(k) + ".png";
            state.PauseTiming();
            std::remove(path.c_str());
            state.ResumeTiming();
            const RasterLayer& layer = *layers.rasterAt(k);
            FileStream out;
            std::string why;
            if (!out.openForWrite(path) ||
                !encodePng(out, layer.pixels(), layer.transparency(), kLayeredLevel, &why) ||
                !out.commit()) {
                state.SkipWithError("PNG save failed");
            }
        }
    }
    for (int k = 0; k < 3; ++k) {
        std::remove(("/tmp/varnel-bench-layer" + std::to_string(k) + ".png").c_str());
    }
}
BENCHMARK(BM_PngSaveThreeLayersSeparately)->Unit(benchmark::kMillisecond)->UseRealTime();

// What journaling costs the GUI thread: copying the layers into a snapshot whose storage the
// journal's thread prepared (Arg 1: as the journal does), or into fresh memory (Arg 0).
void BM_JournalSnapshotThreeLayers(benchmark::State& state) {
    const Document& document = threeLayerDocument();
    const bool prepared = state.range(0) != 0;
    LayeredSnapshot kept;
    kept.prepare(LayeredSnapshot::shapesOf(document));
    for (auto _ : state) {
        if (prepared) {
            if (!kept.take(document)) state.SkipWithError("out of memory");
        } else {
            LayeredSnapshot fresh;
            if (!fresh.take(document)) state.SkipWithError("out of memory");
            state.PauseTiming();
            { LayeredSnapshot gone = std::move(fresh); }
            state.ResumeTiming();
        }
    }
    state.SetLabel(prepared ? "storage prepared" : "fresh memory");
}
BENCHMARK(BM_JournalSnapshotThreeLayers)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace varnel

BENCHMARK_MAIN();
