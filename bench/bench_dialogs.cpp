// The live preview of the adjustment dialogs on a 6000 × 4000 photo: one cycle is a value change
// in the dialog, the filter applied to the whole layer through the dialog's FilterAction, the
// document's composite brought up to date, and a 1920 × 1080 view at 100 % rendered again from
// it (the same plain code the view widget paints with). Levels, Hue/Saturation and Gaussian Blur
// at radius 50, on all cores (the dialogs' filters split their rows over the worker threads).
//
// Wall time is what the user waits for; the machine is shared, so compare the CPU time too.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <cmath>
#include <memory>

#include "dialogs/gaussian_blur_dialog.h"
#include "dialogs/hue_saturation_dialog.h"
#include "dialogs/levels_dialog.h"
#include "document/document.h"
#include "document/selection.h"
#include "platform/parallel.h"
#include "view/display_cache.h"
#include "view/pixel_buffer.h"
#include "view/zoom_scroller.h"
#include "widgets/number_field.h"

namespace varnel {
namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr int32_t kClientW = 1920;
constexpr int32_t kClientH = 1080;

// Smooth colour fields with some grain, as in bench_filters.
std::unique_ptr<Document> photoDocument() {
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
    return Document::fromImage(s, nullptr, "photo.jpg");
}

// Marks the view's cache as the view widget does when the document reports a change.
struct CacheListener : DocumentListener {
    DisplayCache* cache = nullptr;
    void documentChanged(const ChangeRecord& change) override {
        if (change.code != kChangeName) cache->markDirty(change.rect);
    }
};

struct Scene {
    std::unique_ptr<Document> doc = photoDocument();
    Selection selection{doc->size()};
    ZoomScroller scroller;
    DisplayCache cache;
    PixelBuffer32 frame;
    CacheListener listener;

    Scene() {
        doc->composite();
        listener.cache = &cache;
        doc->addListener(&listener);
        scroller.setImageSize(kWidth, kHeight);
        scroller.setClientSize(kClientW, kClientH);
        scroller.setZoom(1.0f, false, false);
        const Point m = scroller.maxScroll();
        scroller.scrollTo(m.x / 2, m.y / 2, false);
        frame.resize(kClientW, kClientH);
        paint();
    }
    ~Scene() { doc->removeListener(&listener); }
    void paint() {
        paintViewArea(frame, frame.bounds(), scroller, cache, renderSourceOf(*doc),
                      packPixel(0xAA, 0xAA, 0xAA), packPixel(0, 0, 0));
    }
    AdjustmentTarget target() { return {doc.get(), &selection, scroller.visibleImageRect()}; }
};

Scene& scene() {
    static Scene s;
    return s;
}

// One dialog kind: how it is made and how one value change is made in it.
enum Kind { kLevels = 0, kHueSaturation = 1, kGaussian = 2 };

std::unique_ptr<AdjustmentDialog> openDialog(Kind kind, const AdjustmentTarget& target) {
    switch (kind) {
        case kLevels:
            return std::make_unique<LevelsDialog>(target);
        case kHueSaturation:
            return std::make_unique<HueSaturationDialog>(target, Bgr{0, 0, 255});
        case kGaussian:
            return std::make_unique<GaussianBlurDialog>(target);
    }
    return nullptr;
}

void changeValue(Kind kind, AdjustmentDialog& dialog, int i) {
    switch (kind) {
        case kLevels:
            static_cast<LevelsDialog&>(dialog).gammaField()->setValue(i % 2 ? 1.35 : 1.25);
            break;
        case kHueSaturation:
            static_cast<HueSaturationDialog&>(dialog).hueField()->setValue(i % 2 ? 25 : 20);
            break;
        case kGaussian:
            static_cast<GaussianBlurDialog&>(dialog).radiusField()->setValue(i % 2 ? 50.5 : 50.0);
            break;
    }
}

void BM_PreviewCycle(benchmark::State& state) {
    const Kind kind = Kind(state.range(0));
    Scene& s = scene();
    auto dialog = openDialog(kind, s.target());
    // The first preview takes the layer's snapshot; the cycles after it are what a drag repeats.
    changeValue(kind, *dialog, 1);
    dialog->flushPreview();
    int i = 0;
    for (auto _ : state) {
        changeValue(kind, *dialog, i++);
        dialog->flushPreview();  // what the dialog's zero timer runs
        s.paint();
        benchmark::DoNotOptimize(s.frame.data());
    }
    dialog->reject();  // the layer as it was for the next kind
    const char* names[] = {"Levels", "Hue/Saturation", "Gaussian Blur 50"};
    state.SetLabel(std::string(names[kind]) + ", " + std::to_string(workerThreads()) + " threads");
}

BENCHMARK(BM_PreviewCycle)
    ->Arg(kLevels)
    ->Arg(kHueSaturation)
    ->Arg(kGaussian)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

}  // namespace
}  // namespace varnel

int main(int argc, char** argv) {
    // The dialogs are widgets: an application without a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As the editor runs: the filters split their rows over every core.
    varnel::setWorkerThreads(varnel::availableCores());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
