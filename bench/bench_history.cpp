// Undo memory on a 6000 × 4000 photo: twenty Gaussian Blur steps over the whole layer and twenty
// steps inside a 500 × 500 selection, recorded in a history under a 1 GB memory budget.
//
// Counters: "rss_max_MB" is the largest resident size seen after a step (the photo itself takes
// 72 MB), "kept" the states still undoable after the twentieth step, "held_MB" their undo data,
// "undo_ms" and "redo_ms" the mean time of one undo and one redo of the kept states.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "document/document.h"
#include "document/selection.h"
#include "filters/filter_action.h"
#include "filters/gaussian_blur_filter.h"
#include "history/history.h"
#include "history/history_budget.h"

namespace varnel {
namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kSteps = 20;
constexpr size_t kBudget = size_t(1) << 30;

double residentMB() {
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / double(1 << 20);
}

std::unique_ptr<Document> photo() {
    ImageSettings settings;
    settings.width = kWidth;
    settings.height = kHeight;
    auto doc = Document::createBlank(settings);
    ColorImage& px = doc->layers().rasterAt(0)->pixels();
    uint32_t s = 12345;
    for (int y = 0; y < px.height(); ++y) {
        uint8_t* row = px.row(y);
        for (int i = 0; i < 3 * px.width(); ++i) {
            s = s * 1664525u + 1013904223u;
            row[i] = uint8_t(s >> 24);
        }
    }
    return doc;
}

void runSteps(benchmark::State& state, bool selected) {
    for (auto _ : state) {
        auto doc = photo();
        Selection selection;
        selection.resetCanvas(doc->size());
        if (selected) selection.setShape({2750, 1750, 3250, 2250}, false);
        HistoryBudget budget(kBudget);
        History history(kSteps);
        history.setBudget(&budget);
        double rssMax = 0;
        for (int i = 0; i < kSteps; ++i) {
            history.perform(std::make_unique<FilterAction>(
                doc.get(), &selection, std::make_unique<GaussianBlurFilter>(1.0 + i * 0.1)));
            rssMax = std::max(rssMax, residentMB());
        }
        const int kept = history.count();
        const double held = double(history.byteSize()) / double(1 << 20);
        using Clock = std::chrono::steady_clock;
        auto t0 = Clock::now();
        while (history.canUndo()) history.undo();
        auto t1 = Clock::now();
        while (history.canRedo()) history.redo();
        auto t2 = Clock::now();
        auto ms = [](auto d) { return std::chrono::duration<double, std::milli>(d).count(); };
        state.counters["rss_max_MB"] = rssMax;
        state.counters["kept"] = kept;
        state.counters["held_MB"] = held;
        state.counters["undo_ms"] = kept ? ms(t1 - t0) / kept : 0;
        state.counters["redo_ms"] = kept ? ms(t2 - t1) / kept : 0;
    }
}

void BM_TwentyBlurSteps(benchmark::State& state) {
    runSteps(state, false);
}
void BM_TwentyStepsInA500Selection(benchmark::State& state) {
    runSteps(state, true);
}

BENCHMARK(BM_TwentyBlurSteps)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwentyStepsInA500Selection)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varnel

BENCHMARK_MAIN();
