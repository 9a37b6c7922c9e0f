// Canvas view benchmarks: painting one 1920 × 1080 window of a 6000 × 4000, five-layer document
// at 100 %, at the fit zoom (about 27 %) and at 400 %, through the same plain code the view widget
// paints with (background, border, display cache, checkerboard).
//
// - RenderWindow: everything visible is rendered anew (a new zoom, a dirty cache).
// - ChangeAndRender: one 256 × 256 rectangle of the top layer changes in the middle of the view;
//   the document recomposites it and the view renders and copies the client rectangle it covers.
// - ScrollWindow: the view scrolls by 16 pixels and repaints the whole window (only the exposed
//   strip is rendered; the rest comes from the cache).
// "per_px" is the time per window pixel (1920 × 1080), also for the change.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <memory>

#include "core/blend_modes.h"
#include "document/document.h"
#include "view/display_cache.h"
#include "view/pixel_buffer.h"
#include "view/zoom_scroller.h"

namespace varnel {
namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kClientW = 1920;
constexpr int kClientH = 1080;
constexpr uint32_t kBackground = packPixel(0xAA, 0xAA, 0xAA);
constexpr uint32_t kBorder = packPixel(0, 0, 0);

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

// Opaque, transparent and partial bands.
void fillPlane(GrayMap& plane, uint32_t seed) {
    for (int y = 0; y < plane.height(); ++y) {
        uint8_t* row = plane.row(y);
        for (int x = 0; x < plane.width(); ++x) {
            const uint32_t v = uint32_t(x + y + seed * 97) % 768;
            row[x] = v < 256 ? 255 : v < 512 ? uint8_t(511 - v) : 0;
        }
    }
}

enum ZoomCase { kActual = 0, kFit = 1, kFourHundred = 2 };

// Marks the view's cache as the view widget does when the document reports a change.
struct CacheListener : DocumentListener {
    DisplayCache* cache = nullptr;
    void documentChanged(const ChangeRecord& change) override {
        if (change.code != kChangeName) cache->markDirty(change.rect);
    }
};

struct Scene {
    std::unique_ptr<Document> doc;
    ZoomScroller scroller;
    DisplayCache cache;
    PixelBuffer32 frame;
    CacheListener listener;
    RenderSource source;

    void paint(Rect clip) {
        paintViewArea(frame, clip, scroller, cache, source, kBackground, kBorder);
    }
};

// Five canvas-sized layers. Transparent: the bottom layer has a transparency plane, so the
// composite is not opaque and the checkerboard shows through; opaque: it is a background.
std::unique_ptr<Scene> makeScene(bool transparent, int zoomCase) {
    auto scene = std::make_unique<Scene>();
    ImageSettings settings;
    settings.width = kWidth;
    settings.height = kHeight;
    scene->doc = Document::createBlank(settings);
    LayerStack& s = scene->doc->layers();
    auto* bottom = static_cast<RasterLayer*>(s.layerAt(0));
    fillNoise(bottom->pixels(), 1);
    if (transparent) {
        bottom->setBackground(false);
        bottom->setMasks(std::make_unique<LayerMaskSet>(kWidth, kHeight));
        fillPlane(*bottom->masks()->ensureTransparency(), 7);
    }
    const int modes[] = {kBlendNormal, kBlendMultiply, kBlendScreen, kBlendOverlay};
    for (int i = 1; i < 5; ++i) {
        ColorImage px;
        px.createColor(kWidth, kHeight);
        fillNoise(px, uint32_t(i + 1));
        auto masks = std::make_unique<LayerMaskSet>(kWidth, kHeight);
        fillPlane(*masks->ensureTransparency(), uint32_t(i));
        RasterLayer* l = s.adoptRasterLayer(px, std::move(masks), {0, 0});
        s.setBlendMode(l, modes[i - 1], false);
        s.setMasterOpacity(l, uint8_t(i % 2 ? 200 : 255), false);
    }
    scene->doc->composite();
    scene->listener.cache = &scene->cache;
    scene->doc->addListener(&scene->listener);
    scene->source = renderSourceOf(*scene->doc);

    ZoomScroller& z = scene->scroller;
    z.setImageSize(kWidth, kHeight);
    z.setClientSize(kClientW, kClientH);
    if (zoomCase == kFit) {
        z.fitInWindow();
    } else {
        z.setZoom(zoomCase == kActual ? 1.0f : 4.0f, false, false);
        Point m = z.maxScroll();
        z.scrollTo(m.x / 2, m.y / 2, false);
    }
    scene->frame.resize(kClientW, kClientH);
    scene->paint(scene->frame.bounds());  // warm: memory touched, tables sized
    return scene;
}

void report(benchmark::State& state, const Scene& scene, bool transparent) {
    state.counters["per_px"] = benchmark::Counter(
        double(kClientW) * kClientH,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    char label[96];
    std::snprintf(label, sizeof label, "%s zoom %s", transparent ? "transparent" : "opaque",
                  zoomPercentText(scene.scroller.zoom()).c_str());
    state.SetLabel(label);
}

void BM_RenderWindow(benchmark::State& state) {
    const bool transparent = state.range(0) != 0;
    auto scene = makeScene(transparent, int(state.range(1)));
    for (auto _ : state) {
        scene->cache.markDirty();
        scene->paint(scene->frame.bounds());
        benchmark::DoNotOptimize(scene->frame.data());
    }
    report(state, *scene, transparent);
}

void BM_ChangeAndRender(benchmark::State& state) {
    const bool transparent = state.range(0) != 0;
    auto scene = makeScene(transparent, int(state.range(1)));
    const Point c = rectCentre(scene->scroller.visibleImageRect());
    const Rect changed{c.x - 128, c.y - 128, c.x + 128, c.y + 128};
    uint32_t colour = 0x102030;
    for (auto _ : state) {
        colour ^= 0x00FF00;
        // The edit, the document's recomposite of the rectangle and the cache invalidation.
        scene->doc->layers().fillColorThroughSelection(4, SelectionArea{changed, nullptr}, colour);
        // The view repaints the client rectangle of the change, enlarged by one.
        Rect r = scene->scroller.imageToClient(changed);
        scene->paint(Rect{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1});
        benchmark::DoNotOptimize(scene->frame.data());
    }
    report(state, *scene, transparent);
}

void BM_ScrollWindow(benchmark::State& state) {
    const bool transparent = state.range(0) != 0;
    auto scene = makeScene(transparent, int(state.range(1)));
    int step = 16;
    for (auto _ : state) {
        Point p = scene->scroller.scrollPosition();
        if (p.y + step > scene->scroller.maxScroll().y || p.y + step < 0) step = -step;
        scene->scroller.scrollTo(p.x, p.y + step, false);
        scene->paint(scene->frame.bounds());
        benchmark::DoNotOptimize(scene->frame.data());
    }
    report(state, *scene, transparent);
}

void zoomArgs(benchmark::internal::Benchmark* b) {
    for (int transparent : {1, 0}) {
        for (int zoom : {kActual, kFit, kFourHundred}) b->Args({transparent, zoom});
    }
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_RenderWindow)->Apply(zoomArgs);
BENCHMARK(BM_ChangeAndRender)->Apply(zoomArgs);
BENCHMARK(BM_ScrollWindow)
    ->Args({1, kActual})
    ->Args({1, kFourHundred})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varnel

BENCHMARK_MAIN();
