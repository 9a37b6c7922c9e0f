// Depth conversions on a 6000 × 4000 photo-like image: smooth gradients with fine texture and
// noise, so that palettes and caches see a realistic spread of colours.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>

#include "core/depth_conversion.h"
#include "core/octree_palette.h"

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

}  // namespace
}  // namespace varnel

BENCHMARK_MAIN();
