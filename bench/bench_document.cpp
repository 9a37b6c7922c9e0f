// Compositing benchmarks: what every repaint and every save of a document runs.
//
// Each stack is canvas-sized (6000 × 4000); the composite is made once outside the timing, then
// brought up to date over the whole canvas (or a brush-sized rectangle) per iteration.
// "per_px_layer" is the time per canvas pixel per layer taking part.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "core/blend_modes.h"
#include "core/surface_ops.h"
#include "document/document.h"
#include "document/selection.h"

namespace varnel {
namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

void fillNoise(ColorImage& img, uint32_t seed) {
    uint32_t s = seed * 2654435761u + 1;
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<uint8_t*>(img.pixels(y));
        for (int i = 0; i < 3 * img.width(); ++i) {
            s = s * 1664525u + 1013904223u;
            row[i] = uint8_t(s >> 24);
        }
    }
}

// A soft transparency plane: opaque, transparent and partial regions.
void fillPlane(GrayMap& plane, uint32_t seed) {
    for (int y = 0; y < plane.height(); ++y) {
        uint8_t* row = plane.row(y);
        for (int x = 0; x < plane.width(); ++x) {
            const uint32_t v = uint32_t(x + y + seed * 97) % 768;
            row[x] = v < 256 ? 255 : v < 512 ? uint8_t(511 - v) : 0;
        }
    }
}

struct Stack {
    std::unique_ptr<Document> doc;
    int layers = 0;
};

// Layer 0 is an opaque background; the others mix modes, opacities and transparency planes.
Stack makeStack(int layers, bool mixed, int topMode = kBlendMultiply, uint8_t topOpacity = 128) {
    ImageSettings settings;
    settings.width = kWidth;
    settings.height = kHeight;
    Stack st{Document::createBlank(settings), layers};
    LayerStack& s = st.doc->layers();
    fillNoise(static_cast<RasterLayer*>(s.layerAt(0))->pixels(), 1);
    const int modes[] = {kBlendMultiply, kBlendScreen,    kBlendOverlay,
                         kBlendNormal,   kBlendSoftLight, kBlendDifference,
                         kBlendColor,    kBlendDarken,    kBlendHue};
    const uint8_t opacities[] = {255, 128, 200};
    for (int i = 1; i < layers; ++i) {
        ColorImage px;
        px.createColor(kWidth, kHeight);
        fillNoise(px, uint32_t(i + 1));
        std::unique_ptr<LayerMaskSet> masks;
        if (mixed && i % 3 == 2) {
            masks = std::make_unique<LayerMaskSet>(kWidth, kHeight);
            fillPlane(*masks->ensureTransparency(), uint32_t(i));
        }
        RasterLayer* l = s.adoptRasterLayer(px, std::move(masks), {0, 0});
        s.setBlendMode(l, mixed ? modes[(i - 1) % 9] : topMode, false);
        s.setMasterOpacity(l, mixed ? opacities[i % 3] : topOpacity, false);
    }
    st.doc->composite();  // made and first touched outside the timing
    return st;
}

void report(benchmark::State& state, int64_t pixels, int layers) {
    state.counters["per_px_layer"] =
        benchmark::Counter(double(pixels) * layers, benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

void BM_CompositeTwoLayers(benchmark::State& state, int mode) {
    Stack st = makeStack(2, false, mode, 128);
    for (auto _ : state) {
        st.doc->invalidate(st.doc->bounds());
        benchmark::DoNotOptimize(st.doc->composite()->color().pixels(0));
    }
    report(state, int64_t(kWidth) * kHeight, 2);
}
BENCHMARK_CAPTURE(BM_CompositeTwoLayers, Multiply50, int(kBlendMultiply))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CompositeTwoLayers, Overlay50, int(kBlendOverlay))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CompositeTwoLayers, Normal50, int(kBlendNormal))
    ->Unit(benchmark::kMillisecond);

// Every mode at 50 % over an opaque base: the cost of each mode's inner loop.
void BM_CompositeEachMode(benchmark::State& state) {
    const int mode = int(state.range(0));
    Stack st = makeStack(2, false, mode, 128);
    for (auto _ : state) {
        st.doc->invalidate(st.doc->bounds());
        benchmark::DoNotOptimize(st.doc->composite()->color().pixels(0));
    }
    report(state, int64_t(kWidth) * kHeight, 2);
    state.SetLabel(std::string(blendModeName(mode)));
}
BENCHMARK(BM_CompositeEachMode)->DenseRange(0, kBlendModeCount - 1)->Unit(benchmark::kMillisecond);

// Two layers over nothing: the lower one has a transparency plane, so every blend works on a
// partly transparent base (the full formula with its divisions).
void BM_CompositeOverTransparency(benchmark::State& state) {
    const int mode = int(state.range(0));
    Stack st = makeStack(2, false, mode, 128);
    auto* bottom = static_cast<RasterLayer*>(st.doc->layers().layerAt(0));
    bottom->setBackground(false);
    bottom->setMasks(std::make_unique<LayerMaskSet>(kWidth, kHeight));
    fillPlane(*bottom->masks()->ensureTransparency(), 5);
    st.doc->invalidate(st.doc->bounds());
    for (auto _ : state) {
        st.doc->invalidate(st.doc->bounds());
        benchmark::DoNotOptimize(st.doc->composite()->color().pixels(0));
    }
    report(state, int64_t(kWidth) * kHeight, 2);
    state.SetLabel(std::string(blendModeName(mode)));
}
BENCHMARK(BM_CompositeOverTransparency)
    ->Arg(kBlendNormal)
    ->Arg(kBlendMultiply)
    ->Arg(kBlendColor)
    ->Unit(benchmark::kMillisecond);

void BM_CompositeMixedStack(benchmark::State& state) {
    const int layers = int(state.range(0));
    Stack st = makeStack(layers, true);
    for (auto _ : state) {
        st.doc->invalidate(st.doc->bounds());
        benchmark::DoNotOptimize(st.doc->composite()->color().pixels(0));
    }
    report(state, int64_t(kWidth) * kHeight, layers);
}
BENCHMARK(BM_CompositeMixedStack)->Arg(2)->Arg(5)->Arg(10)->Unit(benchmark::kMillisecond);

// One repaint after a brush-sized change in the middle of a 10-layer stack.
void BM_CompositeUpdateRect(benchmark::State& state) {
    Stack st = makeStack(10, true);
    const Rect r = Rect::fromXYWH(kWidth / 2 - 128, kHeight / 2 - 128, 256, 256);
    for (auto _ : state) {
        st.doc->invalidate(r);
        benchmark::DoNotOptimize(st.doc->composite()->color().pixels(0));
    }
    report(state, 256 * 256, 10);
}
BENCHMARK(BM_CompositeUpdateRect)->Unit(benchmark::kMicrosecond);

// Flattening for a save without alpha: composite copy laid over white.
void BM_FlattenForSave(benchmark::State& state) {
    Stack st = makeStack(3, true);
    ColorImage color;
    GrayMap alpha;
    for (auto _ : state) {
        st.doc->flattenForSave(color, alpha, false);
        benchmark::DoNotOptimize(color.pixels(0));
    }
}
BENCHMARK(BM_FlattenForSave)->Unit(benchmark::kMillisecond);

// Rotating a three-layer document by a quarter turn: every layer and plane is rebuilt, then the
// composite is remade at the new size.
void BM_RotateDocument(benchmark::State& state) {
    Stack st = makeStack(3, true);
    for (auto _ : state) {
        st.doc->rotate(90.0);
        benchmark::DoNotOptimize(st.doc->composite()->color().pixels(0));
    }
    report(state, int64_t(kWidth) * kHeight, 3);
}
BENCHMARK(BM_RotateDocument)->Unit(benchmark::kMillisecond);

}  // namespace

// --- selection commands
// --------------------------------------------------------------------------- Expand, Contract,
// Border and Feather as the commands run them on a 6000 × 4000 canvas: the working frame is built,
// processed and tightened. The selection has a complex edge (a threshold of overlapping waves:
// blobs, holes and thin necks all over the canvas) and is restored outside the timing before each
// run. "ns_per_px" is the time per canvas pixel.
namespace {

const Selection& complexSelection() {
    static const std::unique_ptr<Selection> saved = [] {
        GrayMap mask;
        mask.createGray(kWidth, kHeight);
        for (int y = 0; y < kHeight; ++y) {
            uint8_t* row = mask.row(y);
            for (int x = 0; x < kWidth; ++x) {
                const double v = std::sin(x * 0.013) * std::cos(y * 0.017) +
                                 0.4 * std::sin((x + y) * 0.051) +
                                 0.2 * std::sin(x * 0.31) * std::sin(y * 0.23);
                row[x] = v > 0.1 ? 255 : 0;
            }
        }
        auto s = std::make_unique<Selection>(Size{kWidth, kHeight});
        s->loadMask(mask);
        return s;
    }();
    return *saved;
}

template <typename Command>
void runSelectionCommand(benchmark::State& state, Command&& command) {
    Selection s(Size{kWidth, kHeight});
    for (auto _ : state) {
        state.PauseTiming();
        s.restore(complexSelection());
        state.ResumeTiming();
        if (!command(s)) state.SkipWithError("command failed");
        benchmark::DoNotOptimize(s.mask());
    }
    state.counters["ns_per_px"] = benchmark::Counter(
        double(kWidth) * kHeight / 1e9,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_SelectionExpand(benchmark::State& state) {
    const int n = int(state.range(0));
    runSelectionCommand(state, [n](Selection& s) { return s.expand(n); });
}
BENCHMARK(BM_SelectionExpand)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_SelectionContract(benchmark::State& state) {
    const int n = int(state.range(0));
    runSelectionCommand(state, [n](Selection& s) { return s.contract(n); });
}
BENCHMARK(BM_SelectionContract)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_SelectionBorder(benchmark::State& state) {
    const int n = int(state.range(0));
    runSelectionCommand(state, [n](Selection& s) { return s.border(n); });
}
BENCHMARK(BM_SelectionBorder)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_SelectionFeather(benchmark::State& state) {
    const double r = double(state.range(0));
    runSelectionCommand(state, [r](Selection& s) { return s.feather(r); });
}
BENCHMARK(BM_SelectionFeather)->Arg(10)->Arg(250)->Unit(benchmark::kMillisecond);

// Grow and Similar sampling a background of noise in 16 grey levels, seeded by the selection.
void BM_SelectionGrowSimilar(benchmark::State& state) {
    static const std::unique_ptr<Document> doc = [] {
        auto d = makeStack(1, false).doc;
        ColorImage& px = static_cast<RasterLayer*>(d->layers().layerAt(0))->pixels();
        for (int y = 0; y < kHeight; ++y) {
            Bgr* row = px.pixels(y);
            for (int x = 0; x < kWidth; ++x) {
                const uint8_t v = uint8_t((((x / 7) * 31 + (y / 5) * 17) % 16) * 16);
                row[x] = {v, v, v};
            }
        }
        return d;
    }();
    const bool growing = state.range(0) != 0;
    runSelectionCommand(
        state, [&](Selection& s) { return growing ? s.grow(*doc, 0) : s.similar(*doc, 0); });
    state.SetLabel(growing ? "grow" : "similar");
}
BENCHMARK(BM_SelectionGrowSimilar)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varnel

BENCHMARK_MAIN();
