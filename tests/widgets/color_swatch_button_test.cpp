#include "widgets/color_swatch_button.h"

#include <gtest/gtest.h>

#include <QColorDialog>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace varnel {
namespace {

// Puts scripted screen colours and colour dialog answers in place for one test.
struct ScriptedSwatch : ::testing::Test {
    QList<QColor> offered;  // what the colour dialog was opened with
    std::optional<QColor> answer;

    void SetUp() override {
        ColorSwatchButton::setScreenSampler(
            [](const QPoint& global) { return QColor(global.x() & 0xFF, global.y() & 0xFF, 7); });
        ColorSwatchButton::setColorChooser([this](const QColor& initial, QWidget*) {
            offered << initial;
            return answer;
        });
    }
    void TearDown() override {
        ColorSwatchButton::setScreenSampler({});
        ColorSwatchButton::setColorChooser({});
    }
};

TEST_F(ScriptedSwatch, DraggingPicksScreenColoursReleasingOverTheSwatchOpensTheDialog) {
    ColorSwatchButton swatch;
    swatch.resize(30, 20);
    swatch.setColor(QColor(10, 20, 30));
    QSignalSpy taken(&swatch, &ColorSwatchButton::colorTaken);

    QTest::mousePress(&swatch, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(swatch.isPicking());
    EXPECT_EQ(swatch.cursor().shape(), Qt::CrossCursor);
    QTest::mouseMove(&swatch, QPoint(10, 10));  // over the swatch itself: nothing to pick
    EXPECT_EQ(taken.count(), 0);
    QTest::mouseMove(&swatch, QPoint(60, 70));
    const QPoint at = swatch.mapToGlobal(QPoint(60, 70));
    EXPECT_EQ(swatch.color(), QColor(at.x() & 0xFF, at.y() & 0xFF, 7));
    QTest::mouseMove(&swatch, QPoint(61, 70));
    EXPECT_EQ(taken.count(), 2);
    QTest::mouseRelease(&swatch, Qt::LeftButton, {}, QPoint(61, 70));  // off the swatch
    EXPECT_TRUE(offered.isEmpty());
    EXPECT_FALSE(swatch.isPicking());
    EXPECT_EQ(swatch.cursor().shape(), Qt::PointingHandCursor);

    // A click: the dialog opens at the swatch's colour; cancelling keeps it.
    const QColor before = swatch.color();
    QTest::mouseClick(&swatch, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(offered.size(), 1);
    EXPECT_EQ(offered[0], before);
    EXPECT_EQ(swatch.color(), before);
    EXPECT_EQ(taken.count(), 2);

    answer = QColor(200, 100, 50);
    QTest::keyClick(&swatch, Qt::Key_Space);
    EXPECT_EQ(swatch.color(), QColor(200, 100, 50));
    ASSERT_EQ(taken.count(), 3);
    EXPECT_EQ(taken.last().at(0).value<QColor>(), QColor(200, 100, 50));

    // The program's own changes are not colours taken by the user; colours are opaque.
    swatch.setColor(QColor(1, 2, 3, 40));
    EXPECT_EQ(swatch.color(), QColor(1, 2, 3));
    EXPECT_EQ(taken.count(), 3);
}

TEST(ColorSwatchButton, TheColourDialogKeepsItsCustomColoursForTheRun) {
    auto& custom = ColorSwatchButton::customColors();
    for (const QColor& c : custom) EXPECT_EQ(c, QColor(Qt::white));
    custom[3] = QColor(255, 0, 0);

    ColorSwatchButton swatch;
    swatch.setColor(QColor(0, 0, 255));
    QColor seenCustom;
    QColor seenInitial;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seenCustom = QColorDialog::customColor(3);
        seenInitial = dialog->currentColor();
        QColorDialog::setCustomColor(5, QColor(0, 128, 0));
        dialog->setCurrentColor(QColor(12, 34, 56));
        dialog->accept();
    });
    EXPECT_TRUE(swatch.chooseColor());
    EXPECT_EQ(seenCustom, QColor(255, 0, 0));
    EXPECT_EQ(seenInitial, QColor(0, 0, 255));
    EXPECT_EQ(swatch.color(), QColor(12, 34, 56));
    EXPECT_EQ(custom[5], QColor(0, 128, 0));
    custom.fill(QColor(Qt::white));
}

}  // namespace
}  // namespace varnel
