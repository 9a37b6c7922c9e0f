// The Layers palette on large documents:
// - ThumbnailAfterSmallChange: a 256 × 256 change in one 6000 × 4000 layer brought into that
//   layer's row thumbnail (only the thumbnail pixels whose canvas area the change touches are
//   computed again). Should stay well under a millisecond.
// - ThumbnailWhole: the same thumbnail rendered from scratch, for comparison.
// - OpenLayersPalette: a 20-layer 6000 × 4000 document becomes the active one while the palette
//   is shown, and the palette paints every row (thumbnails included). Should stay under 200 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <memory>
#include <string>

#include "document/document.h"
#include "document/layer_thumbnail.h"
#include "palettes/layer_list.h"
#include "palettes/layer_row_layout.h"
#include "palettes/layers_page.h"
#include "palettes/palette_document.h"
#include "palettes/palette_group.h"
#include "palettes/palette_window.h"

namespace varnel {
namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

// A layer of smooth colour with some grain, so that every sample differs.
ColorImage photoPixels(uint32_t seed) {
    ColorImage s;
    s.createColor(kWidth, kHeight);
    uint32_t v = seed;
    for (int32_t y = 0; y < kHeight; ++y) {
        uint8_t* row = s.row(y);
        for (int32_t x = 0; x < kWidth; ++x) {
            v = v * 1664525u + 1013904223u;
            const uint8_t grain = uint8_t(v >> 28);
            row[4 * x + 0] = uint8_t((x * 255 / kWidth) ^ grain);
            row[4 * x + 1] = uint8_t((y * 255 / kHeight) + grain);
            row[4 * x + 2] = uint8_t(((x + y) >> 5) - grain);
            row[4 * x + 3] = 255;
        }
    }
    return s;
}

std::unique_ptr<Document> layeredDocument(int layers) {
    ImageSettings s;
    s.width = kWidth;
    s.height = kHeight;
    auto doc = Document::createBlank(s);
    for (int i = 0; i < layers - 1; ++i) {
        ColorImage px = photoPixels(uint32_t(i + 1));
        RasterLayer* l = doc->layers().adoptRasterLayer(px, nullptr, {0, 0});
        doc->layers().setName(l, "Layer " + std::to_string(i + 1));
    }
    return doc;
}

// The thumbnail size a row of the palette gives a 6000 × 4000 canvas.
Size rowThumbnailSize() {
    const LayerRowLayout l =
        layerRowLayout(Rect::fromXYWH(0, 0, 220, kLayerRowHeight), Size{kWidth, kHeight});
    return Size{l.pixels.width(), l.pixels.height()};
}

void ThumbnailAfterSmallChange(benchmark::State& state) {
    auto doc = layeredDocument(2);
    const LayerItem& layer = *doc->layers().layerAt(1);
    const Size canvas{kWidth, kHeight};
    LayerThumbnail thumb;
    thumb.render(layer, canvas, rowThumbnailSize());
    int32_t i = 0;
    for (auto _ : state) {
        // A different place each time, as a brush stroke moves.
        const int32_t x = (i * 997) % (kWidth - 256);
        const int32_t y = (i * 577) % (kHeight - 256);
        ++i;
        benchmark::DoNotOptimize(thumb.update(layer, canvas, Rect::fromXYWH(x, y, 256, 256)));
    }
    state.counters["thumb_w"] = thumb.width();
    state.counters["thumb_h"] = thumb.height();
}
BENCHMARK(ThumbnailAfterSmallChange)->Unit(benchmark::kMicrosecond);

void ThumbnailWhole(benchmark::State& state) {
    auto doc = layeredDocument(2);
    const LayerItem& layer = *doc->layers().layerAt(1);
    LayerThumbnail thumb;
    for (auto _ : state)
        benchmark::DoNotOptimize(thumb.render(layer, Size{kWidth, kHeight}, rowThumbnailSize()));
}
BENCHMARK(ThumbnailWhole)->Unit(benchmark::kMicrosecond);

class BenchDocument : public PaletteDocument {
public:
    explicit BenchDocument(std::unique_ptr<Document> d) : doc_(std::move(d)) {}
    ~BenchDocument() override { announceGone(); }
    Document* document() override { return doc_.get(); }
    VeView* view() override { return nullptr; }
    bool request(const LayerRequest&) override { return false; }

private:
    std::unique_ptr<Document> doc_;
};

void OpenLayersPalette(benchmark::State& state) {
    BenchDocument doc(layeredDocument(20));
    QWidget owner;
    owner.setGeometry(0, 0, 900, 700);
    owner.show();
    auto* group = new PaletteGroup(&owner);
    PaletteWindow* window = group->addPaletteWindow(QStringLiteral("Layers"));
    auto* page = new LayersPage(group);
    window->addPage(page);
    // Tall enough for every row, so that every thumbnail is drawn.
    window->setGeometry(0, 0, 240, 20 * kLayerRowHeight + 160);
    window->show();
    QApplication::processEvents();
    QImage frame(window->size(), QImage::Format_ARGB32_Premultiplied);
    int rows = 0;
    for (auto _ : state) {
        group->setActiveDocument(&doc);
        window->render(&frame);
        state.PauseTiming();
        rows = page->list()->rowCount();
        group->setActiveDocument(nullptr);
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
}
BENCHMARK(OpenLayersPalette)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

}  // namespace
}  // namespace varnel

int main(int argc, char** argv) {
    // The palettes are widgets: an application without a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
