// The dark scheme applied to the running application: widgets take a dark palette, the canvas
// keeps its own colours.
#include "app/desktop_integration.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStyle>
#include <QTest>

#include "core/surface.h"
#include "document/document.h"
#include "view/ve_view.h"

namespace varnel {
namespace {

// Puts the application's style and palette back after each test.
struct DesktopScheme : ::testing::Test {
    void SetUp() override {
        styleName = QApplication::style()->name();
        palette = QApplication::palette();
        qunsetenv(kColorSchemeVariable);
    }
    void TearDown() override {
        qunsetenv(kColorSchemeVariable);
        QApplication::setStyle(styleName);
        QApplication::setPalette(palette);
    }
    QString styleName;
    QPalette palette;
};

TEST_F(DesktopScheme, OverrideGivesTheWidgetsADarkPaletteAndLeavesTheCanvasAlone) {
    ColorImage pixels;
    ASSERT_TRUE(pixels.createColor(6, 4));
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 6; ++x)
            pixels.pixels(y)[x] = Bgr{uint8_t(x * 40), 90, uint8_t(y * 60)};
    }
    GrayMap alpha;  // half of it transparent: the checkerboard shows there
    ASSERT_TRUE(alpha.createGray(6, 4));
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 6; ++x) alpha.row(y)[x] = x < 3 ? 255 : 0;
    }
    auto document = Document::fromImage(pixels, &alpha, "canvas.png");
    ASSERT_TRUE(document);
    VeView view(document.get());
    view.resize(80, 60);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.scroller().setZoom(4.0f, false, true);
    const QImage before = view.grab().toImage();

    qputenv(kColorSchemeVariable, "dark");
    const ColorSchemeHints hints = desktopColorSchemeHints();
    EXPECT_EQ(hints.override, "dark");
    applyColorScheme(chooseColorScheme(hints));
    const QPalette p = QApplication::palette();
    EXPECT_LT(p.color(QPalette::Window).lightness(), 80);
    EXPECT_LT(p.color(QPalette::Base).lightness(), 80);
    EXPECT_GT(p.color(QPalette::WindowText).lightness(), 200);
    EXPECT_GT(p.color(QPalette::Text).lightness(), 200);
    // Disabled text stays readable but apart from enabled text.
    EXPECT_NE(p.color(QPalette::Disabled, QPalette::Text), p.color(QPalette::Text));
    EXPECT_EQ(QApplication::style()->name().toLower(), QStringLiteral("fusion"));

    // The canvas, its surround and the checkerboard are drawn as before.
    view.update();
    EXPECT_EQ(view.grab().toImage(), before);

    // Light asked over the dark palette gives a light one back.
    qputenv(kColorSchemeVariable, "light");
    applyColorScheme(chooseColorScheme(desktopColorSchemeHints()));
    EXPECT_GT(QApplication::palette().color(QPalette::Window).lightness(), 150);
}

}  // namespace
}  // namespace varnel
