// Opening a photo in the editor until its window has painted it: the main window (menus, tool
// bars, toolbox and palettes) is built, the 6000 × 4000 JPEG named by VARNEL_BENCH_PHOTO is
// opened as a document window, and the time runs until the canvas has painted. The counters give
// the memory the process holds then (resident, MB) and what the window with the document added
// to the process as it was before any window.
//
// Without VARNEL_BENCH_PHOTO a photo is made once in the temporary folder (smooth colour with
// grain, like the other benchmarks' photo) and saved as JPEG through our own writer.
//
// The process start itself (loading Qt, connecting to the display) is not part of it: measure it
// with `/usr/bin/time -v varnel photo.jpg` on a real display.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <fstream>
#include <memory>
#include <string>

#include "app/app_settings.h"
#include "app/image_window.h"
#include "app/main_window.h"
#include "core/surface.h"
#include "formats/image_file.h"
#include "view/ve_view.h"

namespace varnel {
namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

std::string photoPath(QTemporaryDir& dir) {
    if (const QByteArray given = qgetenv("VARNEL_BENCH_PHOTO"); !given.isEmpty())
        return given.toStdString();
    JpegImageFile file;
    ColorImage& px = file.pixels();
    if (!px.createColor(kWidth, kHeight)) return {};
    uint32_t v = 12345;
    for (int32_t y = 0; y < kHeight; ++y) {
        Bgr* row = px.pixels(y);
        for (int32_t x = 0; x < kWidth; ++x) {
            v = v * 1664525u + 1013904223u;
            const uint8_t grain = uint8_t(v >> 28);
            row[x] = Bgr{uint8_t((x * 255 / kWidth) ^ grain), uint8_t((y * 255 / kHeight) + grain),
                         uint8_t(((x + y) >> 5) - grain)};
        }
    }
    const std::string path = dir.filePath(QStringLiteral("photo.jpg")).toStdString();
    if (!file.saveToFile(path)) return {};
    return path;
}

// Counts the paints of the canvas it watches.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return QObject::eventFilter(watched, event);
    }
};

void OpenPhotoUntilPainted(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string photo = photoPath(dir);
    if (photo.empty()) {
        state.SkipWithError("the photo could not be made");
        return;
    }
    const QString settings = QDir(dir.path()).filePath(QStringLiteral("Settings.xml"));
    // What the process holds with no window yet (the photo made above is freed again).
    const double before = residentMegabytes();
    double after = 0;
    for (auto _ : state) {
        {
            MainWindowSetup setup;
            setup.settingsPath = settings.toStdString();
            setup.documents = std::make_unique<ImageDocuments>(AppSettings::instance());
            MainWindow window(std::move(setup));
            window.show();
            window.openFiles({QString::fromStdString(photo)});
            // Until the canvas has painted once.
            PaintCounter counter;
            VeView* view = window.findChild<VeView*>();
            if (view) view->installEventFilter(&counter);
            QElapsedTimer waited;
            waited.start();
            while (view && counter.paints == 0 && waited.elapsed() < 30000)
                QApplication::processEvents(QEventLoop::AllEvents, 5);
            if (!view || counter.paints == 0) {
                state.SkipWithError("the canvas did not paint");
                break;
            }
            state.PauseTiming();
            after = residentMegabytes();
            // The windows close without asking: the document is unchanged.
        }
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["resident_MB"] = after;
    state.counters["added_MB"] = after - before;
}
BENCHMARK(OpenPhotoUntilPainted)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
}  // namespace varnel

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
