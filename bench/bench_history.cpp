// Undo memory on a 6000 × 4000 photo: twenty Gaussian Blur steps over the whole layer and twenty
// steps inside a 500 × 500 selection, recorded in a history under a 1 GB memory budget with the
// disk cache behind it (in a scratch folder, 4 GB), and the undo of one 72 MB state read back from
// that cache.
//
// Counters: "rss_NN_MB" is the resident size after step NN, "rss_max_MB" the largest of them (the
// photo itself takes 72 MB), "kept" the states still undoable after the twentieth step, "held_MB"
// their undo data, "disk_MB" the part of it in the disk cache; "undo_mem_ms" / "undo_disk_ms" and
// "redo_mem_ms" / "redo_disk_ms" the mean time of one undo or redo of a state whose data was in
// memory or in the disk cache. The cache's writes are awaited before the undos, so that a state
// counted as on disk is read back from its file.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "document/document.h"
#include "document/selection.h"
#include "filters/filter_action.h"
#include "filters/gaussian_blur_filter.h"
#include "history/history.h"
#include "history/history_budget.h"
#include "history/history_disk_cache.h"

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

// A scratch cache folder, removed afterwards.
struct ScratchFolder {
    std::string path;
    ScratchFolder() {
        std::string templ =
            (std::filesystem::temp_directory_path() / "varnel-bench-cache-XXXXXX").string();
        if (::mkdtemp(templ.data())) path = templ;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

void runSteps(benchmark::State& state, bool selected) {
    for (auto _ : state) {
        auto doc = photo();
        Selection selection;
        selection.resetCanvas(doc->size());
        if (selected) selection.setShape({2750, 1750, 3250, 2250}, false);
        ScratchFolder folder;
        HistoryDiskCache cache(folder.path + "/Varnel", HistoryDiskCache::kDefaultBytes);
        HistoryBudget budget(kBudget);
        budget.setDiskCache(&cache);
        History history(kSteps);
        history.setBudget(&budget);
        double rssMax = 0;
        for (int i = 0; i < kSteps; ++i) {
            history.perform(std::make_unique<FilterAction>(
                doc.get(), &selection, std::make_unique<GaussianBlurFilter>(1.0 + i * 0.1)));
            const double rss = residentMB();
            rssMax = std::max(rssMax, rss);
            char name[32];
            std::snprintf(name, sizeof name, "rss_%02d_MB", i + 1);
            state.counters[name] = rss;
        }
        cache.waitIdle();
        const int kept = history.count();
        state.counters["rss_max_MB"] = rssMax;
        state.counters["kept"] = kept;
        state.counters["held_MB"] = double(history.byteSize()) / double(1 << 20);
        state.counters["disk_MB"] = double(cache.usedBytes()) / double(1 << 20);

        double undoMem = 0, undoDisk = 0, redoMem = 0, redoDisk = 0;
        int undoMemN = 0, undoDiskN = 0, redoMemN = 0, redoDiskN = 0;
        while (history.canUndo()) {
            cache.waitIdle();
            const bool cached = history.isCached(history.current());
            const auto t0 = Clock::now();
            history.undo();
            (cached ? undoDisk : undoMem) += msSince(t0);
            ++(cached ? undoDiskN : undoMemN);
        }
        while (history.canRedo()) {
            cache.waitIdle();
            const bool cached = history.isCached(history.current() + 1);
            const auto t0 = Clock::now();
            history.redo();
            (cached ? redoDisk : redoMem) += msSince(t0);
            ++(cached ? redoDiskN : redoMemN);
        }
        auto mean = [](double total, int n) { return n ? total / n : 0.0; };
        state.counters["undo_mem_ms"] = mean(undoMem, undoMemN);
        state.counters["undo_disk_ms"] = mean(undoDisk, undoDiskN);
        state.counters["redo_mem_ms"] = mean(redoMem, redoMemN);
        state.counters["redo_disk_ms"] = mean(redoDisk, redoDiskN);
    }
}

void BM_TwentyBlurSteps(benchmark::State& state) {
    runSteps(state, false);
}
void BM_TwentyStepsInA500Selection(benchmark::State& state) {
    runSteps(state, true);
}

// One Gaussian Blur state of the whole photo (72 MB of undo data) waits in the disk cache, its
// write finished; the time is that of its undo, reading it back included.
void BM_UndoOf72MBStateFromDiskCache(benchmark::State& state) {
    auto doc = photo();
    Selection selection;
    selection.resetCanvas(doc->size());
    ScratchFolder folder;
    HistoryDiskCache cache(folder.path + "/Varnel", HistoryDiskCache::kDefaultBytes);
    HistoryBudget budget(0);  // every state but the newest leaves memory
    budget.setDiskCache(&cache);
    History history(kSteps);
    history.setBudget(&budget);
    for (auto _ : state) {
        state.PauseTiming();
        history.clear();
        for (int i = 0; i < 2; ++i)
            history.perform(std::make_unique<FilterAction>(
                doc.get(), &selection, std::make_unique<GaussianBlurFilter>(1.5)));
        history.undo();  // the newest state, from memory
        cache.waitIdle();
        if (!history.isCached(0)) state.SkipWithError("the state did not go to the disk cache");
        state.counters["state_MB"] = double(history.stateAt(0)->byteSize()) / double(1 << 20);
        state.ResumeTiming();
        history.undo();
    }
}

BENCHMARK(BM_TwentyBlurSteps)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwentyStepsInA500Selection)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoOf72MBStateFromDiskCache)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varnel

BENCHMARK_MAIN();
