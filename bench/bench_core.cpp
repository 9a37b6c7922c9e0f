// Surface operations on a 6000 × 4000 photo-sized surface, one thread. Each result is a new
// surface where the operation makes one (its allocation and first touch are part of the cost).
// The per_px counter is the time per source pixel (wall clock).
#include <benchmark/benchmark.h>

#include "core/surface.h"

namespace varnel {
namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

// A deterministic, non-constant image, so that no loop can take a shortcut.
template <typename Surface>
const Surface& source(int32_t bits) {
    static Surface s = [bits] {
        Surface img;
        img.create(kWidth, kHeight, bits);
        for (int32_t y = 0; y < kHeight; ++y) {
            uint8_t* row = img.row(y);
            uint32_t v = uint32_t(y) * 2654435761u;
            for (int32_t i = 0; i < img.bytesPerRow(); ++i) {
                v = v * 1664525u + 1013904223u;
                row[i] = uint8_t((v >> 24) ^ i);
            }
        }
        return img;
    }();
    return s;
}

void setCounters(benchmark::State& state) {
    state.counters["per_px"] =
        benchmark::Counter(double(kWidth) * kHeight, benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

template <typename Surface>
void stretch(benchmark::State& state, int32_t bits, Size to, bool smooth) {
    const Surface& src = source<Surface>(bits);
    for (auto _ : state) {
        Surface dst;
        if (!src.stretchInto(dst, to, smooth)) state.SkipWithError("stretch failed");
        benchmark::DoNotOptimize(dst.bits());
    }
    setCounters(state);
}

void BM_Stretch24_SmoothHalf(benchmark::State& s) {
    stretch<ColorImage>(s, 24, {kWidth / 2, kHeight / 2}, true);
}
void BM_Stretch24_SmoothDouble(benchmark::State& s) {
    stretch<ColorImage>(s, 24, {kWidth * 2, kHeight * 2}, true);
}
void BM_Stretch24_ReplicateHalf(benchmark::State& s) {
    stretch<ColorImage>(s, 24, {kWidth / 2, kHeight / 2}, false);
}
void BM_Stretch24_ReplicateDouble(benchmark::State& s) {
    stretch<ColorImage>(s, 24, {kWidth * 2, kHeight * 2}, false);
}
void BM_Stretch8_SmoothHalf(benchmark::State& s) {
    stretch<GrayMap>(s, 8, {kWidth / 2, kHeight / 2}, true);
}
void BM_Stretch24_SmoothTwoThirds(benchmark::State& s) {
    stretch<ColorImage>(s, 24, {kWidth * 2 / 3, kHeight * 2 / 3}, true);
}

// Geometry works on a copy made once; each operation replaces or rewrites its pixels.
template <typename Surface>
void geometry(benchmark::State& state, int32_t bits, int (PixelSurface::*op)()) {
    Surface img;
    img.copyFrom(source<Surface>(bits));
    for (auto _ : state) {
        if (!(img.*op)()) state.SkipWithError("operation failed");
        benchmark::DoNotOptimize(img.bits());
    }
    setCounters(state);
}

void BM_Rotate90_24(benchmark::State& s) {
    geometry<ColorImage>(s, 24, &PixelSurface::rotate90Clockwise);
}
void BM_Rotate90_8(benchmark::State& s) {
    geometry<GrayMap>(s, 8, &PixelSurface::rotate90Clockwise);
}
void BM_Rotate180_24(benchmark::State& s) {
    geometry<ColorImage>(s, 24, &PixelSurface::rotate180);
}
void BM_FlipHorizontal24(benchmark::State& s) {
    geometry<ColorImage>(s, 24, &PixelSurface::flipHorizontal);
}
void BM_FlipHorizontal8(benchmark::State& s) {
    geometry<GrayMap>(s, 8, &PixelSurface::flipHorizontal);
}
void BM_FlipVertical24(benchmark::State& s) {
    geometry<ColorImage>(s, 24, &PixelSurface::flipVertical);
}
void BM_Transpose24(benchmark::State& s) {
    geometry<ColorImage>(s, 24, &PixelSurface::transpose);
}

template <typename Surface>
void fill(benchmark::State& state, int32_t bits) {
    Surface img;
    img.copyFrom(source<Surface>(bits));
    uint32_t c = 0;
    for (auto _ : state) {
        if (!img.fillAll(makeRgb(uint8_t(c), 128, uint8_t(c >> 8))))
            state.SkipWithError("fill failed");
        ++c;
        benchmark::DoNotOptimize(img.bits());
    }
    setCounters(state);
}
void BM_Fill24(benchmark::State& s) {
    fill<ColorImage>(s, 24);
}
void BM_Fill8(benchmark::State& s) {
    fill<GrayMap>(s, 8);
}

void BM_Invert24(benchmark::State& state) {
    ColorImage img;
    img.copyFrom(source<ColorImage>(24));
    for (auto _ : state) {
        img.invertAll();
        benchmark::DoNotOptimize(img.bits());
    }
    setCounters(state);
}

void BM_Blit8To24(benchmark::State& state) {
    const GrayMap& g = source<GrayMap>(8);
    ColorImage img;
    img.createColor(kWidth, kHeight);
    for (auto _ : state) {
        g.drawTo(img.raster(), 0, 0);
        benchmark::DoNotOptimize(img.bits());
    }
    setCounters(state);
}

constexpr auto kMs = benchmark::kMillisecond;
BENCHMARK(BM_Stretch24_SmoothHalf)->Unit(kMs)->UseRealTime();
BENCHMARK(BM_Stretch24_SmoothDouble)->Unit(kMs)->UseRealTime();
BENCHMARK(BM_Stretch24_ReplicateHalf)->Unit(kMs)->UseRealTime();
BENCHMARK(BM_Stretch24_ReplicateDouble)->Unit(kMs)->UseRealTime();
BENCHMARK(BM_Stretch24_SmoothTwoThirds)->Unit(kMs)->UseRealTime();
BENCHMARK(BM_Stretch8_SmoothHalf)->Unit(kMs)->UseRealTime();
BENCHMARK(BM_Rotate90_24)->Unit(kMs)->UseRealTime();
BENCHMARK(BM_Rotate90_8)->Unit(kMs)->UseRealTime();
BENCHMARK(BM_Rotate180_24)->Unit(kMs)->UseRealTime();
BENCHMARK(BM_FlipHorizontal24)->Unit(kMs)->UseRealTime();
BENCHMARK(BM_FlipHorizontal8)->Unit(kMs)->UseRealTime();
BENCHMARK(BM_FlipVertical24)->Unit(kMs)->UseRealTime();
BENCHMARK(BM_Transpose24)->Unit(kMs)->UseRealTime();
BENCHMARK(BM_Fill24)->Unit(kMs)->UseRealTime();
BENCHMARK(BM_Fill8)->Unit(kMs)->UseRealTime();
BENCHMARK(BM_Invert24)->Unit(kMs)->UseRealTime();
BENCHMARK(BM_Blit8To24)->Unit(kMs)->UseRealTime();

}  // namespace
}  // namespace varnel

BENCHMARK_MAIN();
