// Whole-image operations on a 6000 × 4000 photo: Image Size, rotations, flips, Crop and Trim of a
// document with one background layer, on one thread and on two (the argument). The document has
// no composite, so the timing covers the geometry alone (a view would then recomposite). "per_px"
// is the time per source pixel (wall clock).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "core/surface_ops.h"
#include "imageops/canvas_geometry.h"
#include "imageops/image_size.h"
#include "platform/parallel.h"

namespace varnel {
namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr int32_t kBorder = 100;

// A photo-like picture (smooth gradients with fine noise) inside a plain white border of
// kBorder pixels, so that Trim has something to cut.
std::unique_ptr<Document> makePhoto() {
    ImageSettings settings;
    settings.width = kWidth;
    settings.height = kHeight;
    auto doc = Document::createBlank(settings);
    ColorImage& px = doc->layers().rasterAt(0)->pixels();
    uint32_t s = 12345;
    for (int32_t y = kBorder; y < kHeight - kBorder; ++y) {
        Bgr* row = px.pixels(y);
        for (int32_t x = kBorder; x < kWidth - kBorder; ++x) {
            s = s * 1664525u + 1013904223u;
            const int n = int(s >> 29);
            row[x] = {uint8_t((x / 24 + n) & 0xFF), uint8_t((y / 16 + n) & 0xFF),
                      uint8_t(((x + y) / 40 + n) & 0xFF)};
        }
    }
    return doc;
}

// The thread count is the benchmark's argument; the previous count comes back afterwards.
class Threads {
public:
    explicit Threads(const benchmark::State& state) { setWorkerThreads(int(state.range(0))); }
    ~Threads() { setWorkerThreads(saved_); }

private:
    int saved_ = workerThreads();
};

void setCounters(benchmark::State& state) {
    state.counters["per_px"] =
        benchmark::Counter(double(kWidth) * kHeight, benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

// Operations that change the image's size start from a fresh copy each time (made outside the
// timing).
template <typename Op>
void fromFreshCopy(benchmark::State& state, Op op) {
    const Threads threads(state);
    const auto photo = makePhoto();
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = photo->duplicate();
        state.ResumeTiming();
        if (!op(*doc)) state.SkipWithError("operation failed");
        benchmark::DoNotOptimize(doc->layers().rasterAt(0)->pixels().bits());
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    setCounters(state);
}

// Operations that can be repeated on the same image.
template <typename Op>
void repeated(benchmark::State& state, Op op) {
    const Threads threads(state);
    auto doc = makePhoto();
    for (auto _ : state) {
        if (!op(*doc)) state.SkipWithError("operation failed");
        benchmark::DoNotOptimize(doc->layers().rasterAt(0)->pixels().bits());
    }
    setCounters(state);
}

void BM_ImageSize(benchmark::State& state, int percent, int method) {
    fromFreshCopy(state, [&](Document& doc) {
        ImageSizeParams p = ImageSizeParams::of(doc);
        p.width = kWidth * percent / 100;
        p.height = kHeight * percent / 100;
        p.method = method;
        return resizeImage(doc, p);
    });
}
BENCHMARK_CAPTURE(BM_ImageSize, Half_Smooth, 50, int(kResampleBicubicSmooth))
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_ImageSize, Half_Nearest, 50, int(kResampleNearestNeighbor))
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_ImageSize, Double_Smooth, 200, int(kResampleBicubicSmooth))
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_ImageSize, Double_Nearest, 200, int(kResampleNearestNeighbor))
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Rotate(benchmark::State& state, double angle) {
    repeated(state, [&](Document& doc) { return rotateCanvas(doc, angle); });
}
BENCHMARK_CAPTURE(BM_Rotate, 90cw, 90.0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Rotate, 90ccw, -90.0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Rotate, 180, 180.0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Flip(benchmark::State& state, bool horizontal) {
    repeated(state, [&](Document& doc) { return flipCanvas(doc, horizontal); });
}
BENCHMARK_CAPTURE(BM_Flip, Horizontal, true)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Flip, Vertical, false)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Crop(benchmark::State& state) {
    // Keeps the middle 90 % of each side.
    fromFreshCopy(state, [](Document& doc) {
        return cropCanvas(doc, {kWidth / 20, kHeight / 20, kWidth * 19 / 20, kHeight * 19 / 20});
    });
}
BENCHMARK(BM_Crop)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Trim(benchmark::State& state) {
    fromFreshCopy(state, [](Document& doc) { return trimCanvas(doc); });
}
BENCHMARK(BM_Trim)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CanvasSize(benchmark::State& state) {
    fromFreshCopy(state, [](Document& doc) {
        return resizeCanvas(doc, CanvasSizeParams::forAnchor(doc, {kWidth + 200, kHeight + 200},
                                                             kAnchorCenter, 0xFFFFFF));
    });
}
BENCHMARK(BM_CanvasSize)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace varnel

BENCHMARK_MAIN();
