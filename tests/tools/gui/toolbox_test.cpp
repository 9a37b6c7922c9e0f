// The toolbox: its layout, choosing buttons (radio, flyouts after 300 ms, the options bar's page
// following while the active tool stays), double clicks, the colour chooser and its eyedropper.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "tool_fixture.h"
#include "tools/options_bar.h"
#include "tools/toolbox.h"

namespace varnel {
namespace {

TEST(ToolboxLayout, ButtonsFillTwoColumnsWithSeparatorGaps) {
    const ToolboxLayout l = toolboxLayout(toolButtonRecords());
    ASSERT_EQ(l.buttons.size(), 10u);
    const QRect expected[] = {
        {3, 27, 25, 21},  {29, 27, 25, 21},   // marquee, move
        {3, 49, 25, 21},  {29, 49, 25, 21},   // lasso, crop; then a separator
        {3, 76, 25, 21},  {29, 76, 25, 21},   // brush, eraser
        {3, 98, 25, 21},  {29, 98, 25, 21},   // gradient, blur; separator
        {3, 125, 25, 21}, {29, 125, 25, 21},  // hand, zoom; separator
    };
    for (size_t i = 0; i < l.buttons.size(); ++i) EXPECT_EQ(l.buttons[i], expected[i]) << i;
    EXPECT_EQ(l.banner, QRect(0, 0, 58, 24));
    EXPECT_EQ(l.grid, QRect(3, 27, 52, 125 + 27 - 27 - 2));
    EXPECT_EQ(l.colorChooser, QRect(3, l.grid.bottom() + 2, 52, 54));
    EXPECT_EQ(l.viewModeChooser.top(), l.colorChooser.bottom() + 4);
    EXPECT_EQ(l.client, QSize(58, l.viewModeChooser.bottom() + 9));
}

TEST(ToolboxLayout, ALoneLeftButtonBeforeASeparatorClosesItsRow) {
    std::vector<ToolButtonRecord> records = {{'A', 0, 1, nullptr, {"A"}, true},
                                             {'B', 1, 1, nullptr, {"B"}, false}};
    const ToolboxLayout l = toolboxLayout(records);
    EXPECT_EQ(l.buttons[1], QRect(3, 27 + 27, 25, 21));
}

class Toolbox : public test::ToolFixture {
protected:
    void SetUp() override {
        connect();
        box.show();
    }
    void connect() {
        QObject::connect(&box, &VeToolbox::toolChosen, &bar, &VeOptionsBar::showToolOptions);
    }
    void click(VeToolButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

    VeToolbox box;
    VeOptionsBar bar;
};

TEST_F(Toolbox, ButtonsAreRadioAndChooseThePageNotTheActiveTool) {
    tools.setActiveToolId(kToolZoomIn);
    EXPECT_EQ(box.chosenTool(), -1);
    click(box.buttonOf(17));
    EXPECT_EQ(bar.pages()->shownKey(), 17);
    EXPECT_TRUE(box.buttonOf(17)->isChecked());
    click(box.buttonOf(8));
    EXPECT_EQ(bar.pages()->shownKey(), 8);
    EXPECT_TRUE(box.buttonOf(8)->isChecked());
    EXPECT_FALSE(box.buttonOf(17)->isChecked());
    click(box.buttonOf(9));  // Paintbrush: no page of its own
    EXPECT_EQ(box.chosenTool(), 9);
    EXPECT_EQ(bar.pages()->shownKey(), 8);
    EXPECT_EQ(bar.hotTool()->record(), &box.buttonOf(9)->record());
    EXPECT_EQ(tools.activeToolId(), unsigned(kToolZoomIn));
}

TEST_F(Toolbox, HoldingAButtonOpensItsFlyoutAndAVariantChangesThePage) {
    VeToolButton* marquee = box.buttonOf(0);
    EXPECT_EQ(marquee->accessibleName(), "Rectangular Marquee");
    QTest::mousePress(marquee, Qt::LeftButton);
    QTest::qWait(150);
    EXPECT_FALSE(marquee->flyout()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(marquee->flyout()->isVisible(), 1000);
    QTest::mouseRelease(marquee, Qt::LeftButton);
    const QList<QAction*> items = marquee->flyout()->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_TRUE(items[0]->isChecked());
    EXPECT_TRUE(items[1]->text().startsWith("Elliptical Marquee"));
    EXPECT_EQ(box.chosenTool(), -1);  // the release after the flyout chose nothing
    items[1]->trigger();
    marquee->flyout()->hide();
    EXPECT_EQ(marquee->variant(), 1);
    EXPECT_EQ(marquee->accessibleName(), "Elliptical Marquee");
    EXPECT_EQ(bar.pages()->shownKey(), 1);
    EXPECT_TRUE(bar.selectionPage(1)->antiAlias()->isChecked());
    EXPECT_EQ(tools.activeToolId(), unsigned(kToolHand));
    // A quick click chooses the shown variant without a flyout.
    click(box.buttonOf(17));
    click(marquee);
    EXPECT_FALSE(marquee->flyout()->isVisible());
    EXPECT_EQ(bar.pages()->shownKey(), 1);
}

TEST_F(Toolbox, DoubleClicksAskForViewCommands) {
    QSignalSpy spy(&box, &VeToolbox::viewCommandRequested);
    QTest::mouseDClick(box.buttonOf(17), Qt::LeftButton);
    QTest::mouseDClick(box.buttonOf(20), Qt::LeftButton);
    QTest::mouseDClick(box.buttonOf(20), Qt::LeftButton, Qt::ShiftModifier);
    QTest::mouseDClick(box.buttonOf(8), Qt::LeftButton);
    ASSERT_EQ(spy.size(), 3);
    EXPECT_EQ(spy[0][0].toInt(), 32944);  // Fit on Screen
    EXPECT_EQ(spy[1][0].toInt(), 32946);  // Actual Pixels
    EXPECT_EQ(spy[2][0].toInt(), 32945);  // Fit in Window
}

TEST_F(Toolbox, ColorsStartBlackOnWhiteSwapAndReset) {
    VeToolboxColorChooser* c = box.colors();
    EXPECT_EQ(c->foreground(), QColor(Qt::black));
    EXPECT_EQ(c->background(), QColor(Qt::white));
    QSignalSpy spy(c, &VeToolboxColorChooser::colorsChanged);
    QTest::mouseClick(c, Qt::LeftButton, {}, VeToolboxColorChooser::resetArea().center());
    EXPECT_EQ(spy.size(), 0);  // already the defaults
    QTest::mouseClick(c, Qt::LeftButton, {}, VeToolboxColorChooser::swapArea().center());
    EXPECT_EQ(c->foreground(), QColor(Qt::white));
    EXPECT_EQ(c->background(), QColor(Qt::black));
    c->setBackground(QColor(1, 2, 3));
    QTest::mouseClick(c, Qt::LeftButton, {}, VeToolboxColorChooser::resetArea().center());
    EXPECT_EQ(c->foreground(), QColor(Qt::black));
    EXPECT_EQ(c->background(), QColor(Qt::white));
    EXPECT_EQ(spy.size(), 3);
}

TEST_F(Toolbox, ClickOnASwatchOpensTheDialogAndDraggingPicksUpColors) {
    VeToolboxColorChooser* c = box.colors();
    std::vector<QColor> asked;
    std::optional<QColor> answer = QColor(200, 100, 50);
    c->setColorChooser([&](const QColor& initial, QWidget*) {
        asked.push_back(initial);
        return answer;
    });
    QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(40, 40));  // background only
    EXPECT_EQ(asked, std::vector<QColor>{QColor(Qt::white)});
    EXPECT_EQ(c->background(), QColor(200, 100, 50));

    // Out of the foreground swatch and back: the colour picked outside stays when the dialog
    // is cancelled.
    c->setColorSampler([](const QPoint&) { return QColor(9, 8, 7); });
    answer.reset();
    const QPoint inside = VeToolboxColorChooser::foregroundArea().center();
    QTest::mousePress(c, Qt::LeftButton, {}, inside);
    QTest::mouseMove(c, QPoint(50, 52));
    QTest::mouseMove(c, inside);
    QTest::mouseRelease(c, Qt::LeftButton, {}, inside);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(c->foreground(), QColor(9, 8, 7));

    // Where nothing can be read the swatch keeps its colour.
    c->setColorSampler([](const QPoint&) { return std::nullopt; });
    QTest::mousePress(c, Qt::LeftButton, {}, inside);
    QTest::mouseMove(c, QPoint(50, 52));
    QTest::mouseRelease(c, Qt::LeftButton, {}, QPoint(50, 52));
    EXPECT_EQ(c->foreground(), QColor(9, 8, 7));
    EXPECT_EQ(asked.size(), 2u);
}

TEST_F(Toolbox, EyedropperReadsTheDocumentViewsOwnFrame) {
    VeView& v = open({40, 30}, QSize(200, 150), 1.0f);
    const QPoint local = v.rect().center();
    const QPoint global = v.mapToGlobal(local);
    const std::optional<QColor> c = VeToolboxColorChooser::colorAt(global);
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(*c, QColor(v.grab(QRect(local, QSize(1, 1))).toImage().pixelColor(0, 0)));
    EXPECT_EQ(*c, QColor(10, 20, 30));
}

TEST_F(Toolbox, ViewModeChooserLeavesFullScreenWhenDisabled) {
    VeViewModeChooser* m = box.viewMode();
    QSignalSpy spy(m, &VeViewModeChooser::commandRequested);
    m->fullScreenButton()->click();
    m->setFullScreen(true);
    m->standardButton()->click();
    m->setFullScreen(true);
    m->setEnabled(false);
    ASSERT_EQ(spy.size(), 3);
    EXPECT_EQ(spy[0][0].toInt(), 32971);
    EXPECT_EQ(spy[1][0].toInt(), 32970);
    EXPECT_EQ(spy[2][0].toInt(), 32970);
}

TEST_F(Toolbox, ReadersSeePushButtonsNamedByTheShownToolAndPressedWhileChosen) {
    VeToolButton* lasso = box.buttonOf(5);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(lasso);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::Button);
    EXPECT_EQ(a->text(QAccessible::Name), "Lasso");
    EXPECT_FALSE(a->state().pressed);
    ASSERT_NE(a->actionInterface(), nullptr);
    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(a->state().pressed);
    EXPECT_EQ(bar.pages()->shownKey(), 5);
    lasso->flyout()->actions()[2]->trigger();
    EXPECT_EQ(a->text(QAccessible::Name), "Magnetic Lasso");
    // Space chooses from the keyboard.
    box.buttonOf(20)->setFocus();
    QTest::keyClick(box.buttonOf(20), Qt::Key_Space);
    EXPECT_EQ(bar.pages()->shownKey(), 20);
    EXPECT_FALSE(a->state().pressed);
    QAccessibleInterface* fg =
        QAccessible::queryAccessibleInterface(box.colors()->findChildren<QAbstractButton*>()[0]);
    EXPECT_EQ(fg->text(QAccessible::Name), "Foreground color");
    EXPECT_EQ(fg->text(QAccessible::Description), "R 0, G 0, B 0");
}

}  // namespace
}  // namespace varnel
