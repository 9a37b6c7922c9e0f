// The adjustments on a 6000 × 4000 layer, one thread unless a benchmark says otherwise: each
// applied once to the whole layer, once through a feathered selection (an ellipse with a 150-pixel
// soft edge inside the layer), and the preview cycle (put the snapshot back, apply again) both as
// two passes and as the fused pass the dialogs use. A plain memcpy of the layer in the same run is
// the yardstick; ns_per_px is the CPU time per layer pixel (the build machines are shared, so wall
// time drifts with the load).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "core/surface.h"
#include "document/document.h"
#include "filters/color_adjustments.h"
#include "filters/filter_action.h"
#include "filters/gaussian_blur_filter.h"
#include "filters/histogram.h"
#include "filters/kernel_filter.h"
#include "filters/tone_adjustments.h"
#include "platform/parallel.h"

namespace varnel {
namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

// A photo-like layer: smooth colour fields with some grain, so that neighbouring pixels are
// related as in real images (the HSL kernels branch on which channel is largest).
const ColorImage& photo() {
    static ColorImage img = [] {
        ColorImage s;
        s.createColor(kWidth, kHeight);
        uint32_t v = 12345;
        for (int32_t y = 0; y < kHeight; ++y) {
            uint8_t* row = s.row(y);
            for (int32_t x = 0; x < kWidth; ++x) {
                v = v * 1664525u + 1013904223u;
                const int grain = int(v >> 28) - 8;
                const double fx = x / double(kWidth), fy = y / double(kHeight);
                const int r = int(128 + 100 * std::sin(fx * 7 + fy * 3)) + grain;
                const int g = int(128 + 90 * std::sin(fx * 3 - fy * 5 + 1)) + grain;
                const int b = int(110 + 80 * std::cos(fx * 11 + fy * 2)) + grain;
                row[3 * x] = uint8_t(std::clamp(b, 0, 255));
                row[3 * x + 1] = uint8_t(std::clamp(g, 0, 255));
                row[3 * x + 2] = uint8_t(std::clamp(r, 0, 255));
            }
        }
        return s;
    }();
    return img;
}

// An ellipse inscribed in the layer with a soft edge: 0 outside, 255 inside, a ramp between.
const Mask& featheredMask() {
    static Mask m = [] {
        Mask s;
        s.createGray(kWidth, kHeight);
        const double cx = kWidth / 2.0, cy = kHeight / 2.0;
        for (int32_t y = 0; y < kHeight; ++y) {
            uint8_t* row = s.row(y);
            for (int32_t x = 0; x < kWidth; ++x) {
                const double dx = (x - cx) / cx, dy = (y - cy) / cy;
                const double d = (1 - std::sqrt(dx * dx + dy * dy)) * cy;  // pixels inside the edge
                row[x] = uint8_t(std::clamp(d / 150 * 255, 0.0, 255.0));
            }
        }
        return s;
    }();
    return m;
}

void setCounters(benchmark::State& state) {
    state.counters["ns_per_px"] = benchmark::Counter(
        double(kWidth) * kHeight / 1e9,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Memcpy(benchmark::State& state) {
    const ColorImage& src = photo();
    ColorImage dst;
    dst.copyFrom(src);
    for (auto _ : state) {
        std::memcpy(dst.bits(), src.bits(), src.imageBytes());
        benchmark::DoNotOptimize(dst.bits());
        benchmark::ClobberMemory();
    }
    setCounters(state);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

std::unique_ptr<Filter> makeAdjustment(int which) {
    switch (which) {
        case 0:
            return std::make_unique<InvertFilter>();
        case 1:
            return std::make_unique<DesaturateFilter>();
        case 2: {
            LevelsParams p;
            p.gamma[kComposite] = 1.4;
            p.inBlack[kRed] = 12;
            p.outWhite[kBlue] = 240;
            return std::make_unique<LevelsFilter>(p);
        }
        case 3: {
            CurvesParams p;
            p.points[kComposite] = {{0, 0}, {70, 90}, {180, 200}, {255, 255}};
            return std::make_unique<CurvesFilter>(p);
        }
        case 4:
            return std::make_unique<BrightnessContrastFilter>(15, 30);
        case 5: {
            Histogram h;
            for (int v = 10; v < 240; ++v) h.add(0, v), h.add(1, v), h.add(2, v);
            return std::make_unique<AutoLevelsFilter>(h);
        }
        case 6: {
            ColorBalanceParams p;
            p.preserveLuminosity = 0;
            p.cyanRed[kMidtones] = 30;
            p.yellowBlue[kShadows] = -20;
            return std::make_unique<ColorBalanceFilter>(p);
        }
        case 7: {
            ColorBalanceParams p;
            p.preserveLuminosity = 1;
            p.cyanRed[kMidtones] = 30;
            p.yellowBlue[kShadows] = -20;
            return std::make_unique<ColorBalanceFilter>(p);
        }
        case 8: {
            HueSaturationParams p;
            p.hue[kMaster] = 20;
            p.saturation[kMaster] = 25;
            p.lightness[kBlues] = -10;
            return std::make_unique<HueSaturationFilter>(p);
        }
        default:
            return std::make_unique<ColorizeFilter>(ColorizeParams{200, 40, 10});
    }
}

const char* const kNames[] = {"Invert",
                              "Desaturate",
                              "Levels",
                              "Curves",
                              "BrightnessContrast",
                              "AutoLevels",
                              "ColorBalance",
                              "ColorBalancePreserveLum",
                              "HueSaturation",
                              "Colorize"};

// One application to the layer in place; the layer is put back (untimed) before each.
void BM_Apply(benchmark::State& state, int which, bool masked) {
    const ColorImage& src = photo();
    ColorImage layer;
    layer.copyFrom(src);
    auto filter = makeAdjustment(which);
    const CoverageMask cover{&featheredMask(), {0, 0}};
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(layer.bits(), src.bits(), src.imageBytes());
        state.ResumeTiming();
        if (!filter->apply(layer, masked ? &cover : nullptr)) state.SkipWithError("failed");
        benchmark::ClobberMemory();
    }
    setCounters(state);
}

// The preview cycle through a FilterAction on a document: each step installs a new filter and
// shows it; `fused` uses the one-pass re-application, otherwise the snapshot is put back first.
void BM_Preview(benchmark::State& state, int which, bool fused) {
    ColorImage pixels;
    pixels.copyFrom(photo());
    auto doc = Document::fromImage(pixels, nullptr, "bench.png");
    FilterAction action(doc.get(), nullptr, makeAdjustment(which));
    if (!action.execute()) state.SkipWithError("first application failed");
    for (auto _ : state) {
        action.setFilter(makeAdjustment(which));
        const int ok = fused ? action.reapply() : (action.restoreSnapshot(), action.execute());
        if (!ok) state.SkipWithError("failed");
        benchmark::ClobberMemory();
    }
    setCounters(state);
}

void BM_Histogram(benchmark::State& state) {
    ColorImage pixels;
    pixels.copyFrom(photo());
    auto doc = Document::fromImage(pixels, nullptr, "bench.png");
    const RasterLayer& layer = *doc->layers().rasterAt(0);
    for (auto _ : state) {
        Histogram h;
        if (!h.count(layer, {})) state.SkipWithError("failed");
        benchmark::DoNotOptimize(h.at(0, 100));
    }
    setCounters(state);
}
BENCHMARK(BM_Histogram)->Unit(benchmark::kMillisecond);

// The blur and sharpen filters: the four 3 × 3 convolutions and Gaussian Blur at several radii
// (its cost per pixel does not depend on the radius), each once on the whole layer and once
// through the feathered selection; the Gaussian Blur dialog's preview step at radius 10.
std::unique_ptr<Filter> makeBlur(int which, double radius) {
    std::unique_ptr<AreaFilter> f;
    switch (which) {
        case 0:
            f = std::make_unique<BlurFilter>();
            break;
        case 1:
            f = std::make_unique<BlurMoreFilter>();
            break;
        case 2:
            f = std::make_unique<SharpenFilter>();
            break;
        case 3:
            f = std::make_unique<SharpenMoreFilter>();
            break;
        default:
            f = std::make_unique<GaussianBlurFilter>(radius);
            break;
    }
    f->setInternal(true);  // keeps the Last Filter slot out of the timing
    return f;
}

void BM_Blur(benchmark::State& state, int which, double radius, bool masked) {
    const ColorImage& src = photo();
    ColorImage layer;
    layer.copyFrom(src);
    auto filter = makeBlur(which, radius);
    const CoverageMask cover{&featheredMask(), {0, 0}};
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(layer.bits(), src.bits(), src.imageBytes());
        state.ResumeTiming();
        if (!filter->apply(layer, masked ? &cover : nullptr)) state.SkipWithError("failed");
        benchmark::ClobberMemory();
    }
    setCounters(state);
}

void BM_GaussianPreview(benchmark::State& state, bool fused) {
    ColorImage pixels;
    pixels.copyFrom(photo());
    auto doc = Document::fromImage(pixels, nullptr, "bench.png");
    FilterAction action(doc.get(), nullptr, makeBlur(4, 10));
    if (!action.execute()) state.SkipWithError("first application failed");
    for (auto _ : state) {
        action.setFilter(makeBlur(4, 10));
        const int ok = fused ? action.reapply() : (action.restoreSnapshot(), action.execute());
        if (!ok) state.SkipWithError("failed");
        benchmark::ClobberMemory();
    }
    setCounters(state);
}

// The command as the editor and varnel-cli run it: a new action's first execution on the whole
// layer (the layer's memory becomes the snapshot, the filter writes into memory reused from the
// previous iteration's released snapshot), on state.range(0) threads.
void BM_Command(benchmark::State& state, std::function<std::unique_ptr<Filter>()> make) {
    const int saved = workerThreads();
    setWorkerThreads(int(state.range(0)));
    ColorImage pixels;
    pixels.copyFrom(photo());
    auto doc = Document::fromImage(pixels, nullptr, "bench.png");
    for (auto _ : state) {
        auto action = std::make_unique<FilterAction>(doc.get(), nullptr, make());
        if (!action->execute()) state.SkipWithError("failed");
        benchmark::ClobberMemory();
        // The snapshot is released outside the timing (the history would keep it).
        state.PauseTiming();
        action.reset();
        state.ResumeTiming();
    }
    setWorkerThreads(saved);
    setCounters(state);
}

const bool commandsRegistered = [] {
    const std::pair<const char*, std::function<std::unique_ptr<Filter>()>> commands[] = {
        {"Invert", [] { return makeAdjustment(0); }},
        {"Desaturate", [] { return makeAdjustment(1); }},
        {"Levels", [] { return makeAdjustment(2); }},
        {"HueSaturation", [] { return makeAdjustment(8); }},
        {"Blur", [] { return makeBlur(0, 0); }},
        {"Sharpen", [] { return makeBlur(2, 0); }},
        {"GaussianBlur10", [] { return makeBlur(4, 10); }},
        {"GaussianBlur50", [] { return makeBlur(4, 50); }},
    };
    for (const auto& [name, make] : commands) {
        benchmark::RegisterBenchmark((std::string("BM_Command/") + name).c_str(), BM_Command, make)
            ->ArgName("threads")
            ->Arg(1)
            ->Arg(2)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

const bool blursRegistered = [] {
    const char* const names[] = {"Blur", "BlurMore", "Sharpen", "SharpenMore"};
    for (int i = 0; i < 4; ++i) {
        const std::string name = names[i];
        benchmark::RegisterBenchmark(("BM_Blur/" + name).c_str(), BM_Blur, i, 0.0, false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_Blur/" + name + "/feathered").c_str(), BM_Blur, i, 0.0,
                                     true)
            ->Unit(benchmark::kMillisecond);
    }
    for (int radius : {2, 10, 50, 200}) {
        const std::string name = "BM_Blur/GaussianBlur" + std::to_string(radius);
        benchmark::RegisterBenchmark(name.c_str(), BM_Blur, 4, double(radius), false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((name + "/feathered").c_str(), BM_Blur, 4, double(radius),
                                     true)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("BM_Preview/GaussianBlur10/restore+apply", BM_GaussianPreview,
                                 false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_Preview/GaussianBlur10/fused", BM_GaussianPreview, true)
        ->Unit(benchmark::kMillisecond);
    return true;
}();

const bool registered = [] {
    for (int i = 0; i < 10; ++i) {
        const std::string name = kNames[i];
        benchmark::RegisterBenchmark(("BM_Apply/" + name).c_str(), BM_Apply, i, false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_Apply/" + name + "/feathered").c_str(), BM_Apply, i, true)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_Preview/" + name + "/restore+apply").c_str(), BM_Preview,
                                     i, false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_Preview/" + name + "/fused").c_str(), BM_Preview, i, true)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
}  // namespace varnel

BENCHMARK_MAIN();
