// The editor at a device pixel ratio of 2 (QT_SCALE_FACTOR=2 on the offscreen platform, set
// before the application object is made): the canvas shows image pixels at device resolution,
// with nearest-neighbour blocks and nothing in between; the main window's toolbox, palettes
// and the dialogs are laid out without clipping; the program's icon has pictures for the
// scale.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <cstdlib>
#include <map>
#include <set>

#include "app/app_settings.h"
#include "app/desktop_integration.h"
#include "app/image_window.h"
#include "app/main_window.h"
#include "core/surface.h"
#include "dialogs/fill_dialog.h"
#include "dialogs/image_size_dialog.h"
#include "dialogs/new_image_dialog.h"
#include "dialogs/options_dialog.h"
#include "document/document.h"
#include "palettes/info_reading.h"
#include "view/ve_view.h"

namespace {
// Before any test runs, and so before the application object reads it.
[[maybe_unused]] const bool kScaled = [] {
    ::setenv("QT_SCALE_FACTOR", "2", 1);
    return true;
}();
}  // namespace

namespace varnel {
namespace {

// Every image pixel of its own colour.
std::unique_ptr<Document> uniqueColours(int32_t w, int32_t h) {
    ColorImage pixels;
    pixels.createColor(w, h);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x)
            pixels.pixels(y)[x] = Bgr{uint8_t(x * 15), uint8_t(y * 15), 0x77};
    }
    return Document::fromImage(pixels, nullptr, "colours.png");
}

TEST(HighDpi, RunsAtTwiceTheDensity) {
    ASSERT_EQ(qApp->devicePixelRatio(), 2.0);
}

TEST(HighDpi, CanvasDrawsImagePixelsAtDeviceResolution) {
    auto document = uniqueColours(16, 16);
    VeView view(document.get());
    view.resize(60, 60);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    ASSERT_EQ(view.devicePixelRatioF(), 2.0);
    struct Case {
        float zoom;
        int block;  // device pixels per image pixel along each axis
    } cases[] = {{0.5f, 1}, {1.0f, 2}, {2.0f, 4}, {3.0f, 6}};
    for (const Case& c : cases) {
        view.scroller().setZoom(c.zoom, false, true);
        const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shown.size(), QSize(120, 120)) << c.zoom;
        EXPECT_EQ(view.frameBuffer().width(), 120);
        // The canvas in device pixels: every image pixel is a block of block × block device
        // pixels of exactly its colour; no other colour appears inside the canvas.
        const QRect canvas(QPoint(view.scroller().imageRectInClient().left * 2,
                                  view.scroller().imageRectInClient().top * 2),
                           QSize(16 * c.block, 16 * c.block));
        std::map<QRgb, int> counts;
        int strays = 0;
        for (int y = canvas.top(); y <= canvas.bottom(); ++y) {
            for (int x = canvas.left(); x <= canvas.right(); ++x) {
                const QRgb p = shown.pixel(x, y);
                const int ix = (x - canvas.left()) / c.block, iy = (y - canvas.top()) / c.block;
                if (p != qRgb(0x77, iy * 15, ix * 15)) ++strays;
                ++counts[p];
            }
        }
        EXPECT_EQ(strays, 0) << "zoom " << c.zoom;
        EXPECT_EQ(counts.size(), 256u) << "zoom " << c.zoom;  // every image pixel is seen
        for (const auto& [colour, n] : counts) EXPECT_EQ(n, c.block * c.block) << c.zoom;

        // The Info palette reads the colour shown under client points from the frame.
        for (const QPoint client : {QPoint(canvas.left() / 2, canvas.top() / 2),
                                    QPoint(canvas.center().x() / 2, canvas.center().y() / 2)}) {
            const InfoReading r = readInfo(view.scroller(), view.frameBuffer(),
                                           {client.x(), client.y()}, view.frameScale());
            ASSERT_TRUE(r.inImage) << c.zoom;
            const QRgb at = shown.pixel(client * 2);
            EXPECT_EQ(qRgb(r.red, r.green, r.blue), at) << c.zoom;
            EXPECT_EQ(qRgb(0x77, r.point.y * 15, r.point.x * 15), at) << c.zoom;
        }
    }
}

// Widgets whose text must show whole: at least their minimum size hint, inside their parent.
void expectNothingClipped(QWidget* top, const std::string& what) {
    for (QWidget* w : top->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(top) || w->isWindow()) continue;
        QWidget* parent = w->parentWidget();
        const QRect inParent = w->geometry();
        // Controls that show text (a tool button only when it shows its text beside the icon).
        auto* tool = qobject_cast<QToolButton*>(w);
        const bool textual =
            qobject_cast<QLabel*>(w) || qobject_cast<QLineEdit*>(w) ||
            (qobject_cast<QAbstractButton*>(w) && !tool) ||
            (tool && tool->toolButtonStyle() != Qt::ToolButtonIconOnly && !tool->text().isEmpty());
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            // The choice shown fits beside the arrow.
            EXPECT_GE(combo->width(),
                      combo->fontMetrics().horizontalAdvance(combo->currentText()) + 16)
                << what << ": " << combo->accessibleName().toStdString() << " cuts its text";
        }
        // Children of scrolled areas may extend beyond what is shown; the rest lie inside.
        const bool scrolled =
            parent &&
            (parent->inherits("QAbstractScrollArea") || parent->inherits("QTabBar") ||
             (parent->parentWidget() && parent->parentWidget()->inherits("QAbstractScrollArea")));
        if (parent && !scrolled) {
            EXPECT_TRUE(parent->rect().contains(inParent))
                << what << ": " << w->metaObject()->className() << " '"
                << w->objectName().toStdString() << "' at " << inParent.x() << "," << inParent.y()
                << " " << inParent.width() << "x" << inParent.height() << " outside its parent "
                << parent->width() << "x" << parent->height();
        }
        if (textual && w->sizePolicy().horizontalPolicy() != QSizePolicy::Ignored) {
            const QSize hint = w->minimumSizeHint();
            EXPECT_GE(w->width(), hint.width())
                << what << ": " << w->metaObject()->className() << " '"
                << w->accessibleName().toStdString() << "' is narrower than its text";
            EXPECT_GE(w->height(), hint.height())
                << what << ": " << w->metaObject()->className() << " '"
                << w->accessibleName().toStdString() << "' is lower than its text";
        }
    }
}

TEST(HighDpi, DialogsAreLaidOutWithoutClipping) {
    auto document = uniqueColours(40, 30);
    AppSettings settings;
    std::vector<std::pair<std::string, std::unique_ptr<QDialog>>> dialogs;
    dialogs.emplace_back("Options", std::make_unique<OptionsDialog>(settings.options()));
    dialogs.emplace_back("New", std::make_unique<NewImageDialog>(settings, std::nullopt));
    dialogs.emplace_back("Fill",
                         std::make_unique<FillDialog>(Bgr{0, 0, 0}, Bgr{255, 255, 255}, true));
    dialogs.emplace_back("Image Size", std::make_unique<ImageSizeDialog>(*document));
    for (auto& [name, dialog] : dialogs) {
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get())) << name;
        EXPECT_EQ(dialog->devicePixelRatioF(), 2.0);
        expectNothingClipped(dialog.get(), name);
        dialog->hide();
    }
}

TEST(HighDpi, MainWindowToolboxAndPalettesFitTheirWindows) {
    QTemporaryDir dir;
    AppSettings settings;
    MainWindowSetup setup;
    setup.settings = &settings;
    setup.documents = std::make_unique<ImageDocuments>(settings);
    setup.programDirectory = dir.path();
    MainWindow window(std::move(setup));
    window.resize(1000, 700);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(50);  // the toolbox is placed once the window has its place
    expectNothingClipped(&window, "main window");
    ASSERT_TRUE(window.toolboxWindow());
    expectNothingClipped(window.toolboxWindow(), "toolbox");
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top != &window && top != window.toolboxWindow())
            expectNothingClipped(top, top->windowTitle().toStdString());
    }
}

TEST(HighDpi, ProgramIconHasPicturesForTheScale) {
    const QIcon icon = applicationIcon(QStringLiteral(VARNEL_EDITOR_DIR));
    ASSERT_FALSE(icon.isNull());
    // A 32 × 32 place on a screen of twice the density gets a 64 × 64 picture of its own, not one
    // scaled up from a smaller one.
    std::set<int> sides;
    for (const QSize& s : icon.availableSizes()) sides.insert(s.width());
    for (int side : {16, 32, 48, 64, 128, 256}) EXPECT_TRUE(sides.count(side)) << side;
    const QPixmap pixmap = icon.pixmap(QSize(32, 32), 2.0);
    EXPECT_EQ(pixmap.size(), QSize(64, 64));
}

}  // namespace
}  // namespace varnel
